#pragma once

#include <QWidget>

// A guide beside the main window listing the steps of building a site, each
// with a link into the help.
class TStepsF : public QWidget {
    Q_OBJECT
public:
    explicit TStepsF(QWidget* parent = nullptr);

signals:
    // A "More info >" link was clicked; topic is the help page's name.
    void HelpRequested(const QString& topic);
};

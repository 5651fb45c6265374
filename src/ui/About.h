#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// "About Corvanta": name, version and a link to the manual that comes with
// the program (there is no vendor site to send people to).
class TAboutF : public QDialog {
    Q_OBJECT
public:
    static inline const QString ManualTopic = QStringLiteral("Intro.htm");

    explicit TAboutF(QWidget* parent = nullptr);

    QLabel* ProductName;
    QLabel* Version;
    QLabel* License;
    QLabel* WebLink;
    QPushButton* CloseBtn;

signals:
    // The link was clicked: the manual's page to open.
    void HelpRequested(const QString& topic);

protected:
    void showEvent(QShowEvent* event) override;
};

#pragma once

#include <QFileDialog>
#include <QImage>

class QLabel;

// The picture-open dialog: a file dialog with a preview of the picture under
// the cursor (JPEG, GIF and what else Qt's image plugins read) and its size.
class TPictureDialog : public QFileDialog {
    Q_OBJECT
public:
    TPictureDialog(QWidget* parent, const QString& title, const QString& folder,
                   const QString& filters);

    QLabel* Preview;
    QLabel* PictureInfo;

    // The picture scaled down to fit box (never up); null when the file is
    // not a picture Qt can read.
    static QImage LoadPreview(const QString& path, const QSize& box);
    // Runs the dialog; the chosen file, or empty.
    static QString Choose(QWidget* parent, const QString& title, const QString& folder,
                          const QString& filters);
    // Whether a file dialog's filters ask for pictures.
    static bool IsPictureFilter(const QString& filters);

public slots:
    void ShowPreview(const QString& path);
};

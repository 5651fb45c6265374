#pragma once

#include <QString>
#include <QUrl>

#include <functional>
#include <stdexcept>

// The offline look of a site: a sample page (preview.htm) in the per-user
// data folder, rewritten line by line to link the chosen style sheet and show
// the logo and title, then opened in the browser. The style sheet and the
// background picture are copied beside it, as the site has them online.
//
// Shipped skins are shared and read-only: the lines of a style sheet are
// rewritten in the user's own copy, never in the shipped file.
class TSkinPreview {
public:
    // A file that cannot be found, read, written or copied; the operation
    // stops where it was.
    class EFileError : public std::runtime_error {
    public:
        explicit EFileError(const QString& message)
            : std::runtime_error(message.toStdString()), message_(message) {}
        const QString& message() const { return message_; }

    private:
        QString message_;
    };

    // folder: where the page and the copies are written (default: the
    // per-user data folder).
    explicit TSkinPreview(QString folder = {});

    QString Folder() const { return folder_; }
    // folder/preview.htm; made from the shipped page when missing.
    QString PagePath() const;

    // Notices for the user, and opening the page; tests replace them.
    std::function<void(const QString&)> ShowInformation;
    std::function<void(const QUrl&)> OpenUrl;

    // A style sheet was chosen: the page links it and shows logo and title.
    void SkinChosen(const QString& skin, const QString& logo, const QString& title);
    // A background picture was chosen: the style sheet names it. Returns the
    // style sheet that now does: the skin itself, or for a shipped skin the
    // user's own copy of it, which the project is to use from now on.
    QString BGImageChosen(const QString& skin, const QString& image);
    // The full preview: the page, the copies of style sheet and picture, then
    // the page is opened.
    void Preview(const QString& skin, const QString& image, const QString& logo,
                 const QString& title);

    // Replaces the first line of the file that contains marker (case
    // sensitive) by line, keeping the line end. Without such a line the file
    // is left untouched and the result is false.
    static bool ReplaceLine(const QString& path, const QString& marker, const QString& line);

    // The style sheet file a Skin setting names: a name without a folder is
    // one of the shipped skins.
    static QString SkinFile(const QString& skin);
    // Where the user's own copy of a shipped skin is kept.
    QString OwnSkinPath(const QString& skin) const;

    // The lines written.
    static QString StylesheetLine(const QString& fileName);
    static QString LogoLine(const QString& logo);
    static QString TitleLine(const QString& title);
    static QString BackgroundLine(const QString& imageFileName);

private:
    QString ensurePage() const;
    // The style sheet with its background line set, as a copy in the folder.
    void copySheetWithBackground(const QString& sheet, const QString& backgroundLine) const;

    QString folder_;
};

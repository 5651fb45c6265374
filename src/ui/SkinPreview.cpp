#include "SkinPreview.h"

#include "model/DataFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace {

const QString kPage = QStringLiteral("preview.htm");

QString fileName(const QString& path) {
    return QFileInfo(path).fileName();
}

bool samePath(const QString& a, const QString& b) {
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

void makeFolder(const QString& folder) {
    if (!QDir().mkpath(folder))
        throw TSkinPreview::EFileError(QStringLiteral("Cannot create the folder %1.").arg(folder));
}

// Copies source over target; the copy is the user's to change, whatever the
// source's permissions were.
void copyFile(const QString& source, const QString& target) {
    if (!QFileInfo(source).isFile())
        throw TSkinPreview::EFileError(QStringLiteral("Cannot find the file %1.").arg(source));
    if (samePath(source, target))
        return;
    makeFolder(QFileInfo(target).absolutePath());
    QFile::remove(target);
    if (!QFile::copy(source, target))
        throw TSkinPreview::EFileError(QStringLiteral("Cannot copy %1 to %2.").arg(source, target));
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                      QFileDevice::ReadGroup | QFileDevice::ReadOther);
}

} // namespace

TSkinPreview::TSkinPreview(QString folder)
    : folder_(folder.isEmpty() ? UserDataFolder() : std::move(folder)) {}

QString TSkinPreview::PagePath() const {
    return QDir(folder_).filePath(kPage);
}

QString TSkinPreview::ensurePage() const {
    const QString page = PagePath();
    if (!QFileInfo::exists(page)) {
        const QString shipped = DataFilePath(kPage);
        if (shipped.isEmpty())
            throw EFileError(QStringLiteral("Cannot find the sample page %1.").arg(kPage));
        copyFile(shipped, page);
    }
    return page;
}

bool TSkinPreview::ReplaceLine(const QString& path, const QString& marker, const QString& line) {
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        throw EFileError(QStringLiteral("Cannot open the file %1.").arg(path));
    const QByteArray text = in.readAll();
    in.close();
    if (text.isEmpty())
        return false;

    const QByteArray wanted = marker.toUtf8();
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        qsizetype contentEnd = end;
        if (contentEnd > start && text.at(contentEnd - 1) == '\r')
            --contentEnd;
        if (QByteArrayView(text).sliced(start, contentEnd - start).contains(wanted)) {
            QSaveFile out(path);
            if (!out.open(QIODevice::WriteOnly))
                throw EFileError(QStringLiteral("Cannot write the file %1.").arg(path));
            out.write(text.left(start));
            out.write(line.toUtf8());
            out.write(text.mid(contentEnd));
            if (!out.commit())
                throw EFileError(QStringLiteral("Cannot write the file %1.").arg(path));
            return true;
        }
        start = end + 1;
    }
    return false;
}

QString TSkinPreview::SkinFile(const QString& skin) {
    if (skin.isEmpty() || QFileInfo(skin).isAbsolute() || skin.contains(QLatin1Char('/')))
        return skin;
    const QString shipped = DataFilePath(QStringLiteral("skins/") + skin);
    return shipped.isEmpty() ? skin : shipped;
}

QString TSkinPreview::OwnSkinPath(const QString& skin) const {
    return QDir(folder_).filePath(QStringLiteral("skins/") + fileName(skin));
}

QString TSkinPreview::StylesheetLine(const QString& name) {
    return QStringLiteral("<link rel=\"stylesheet\" href=\"") + name.toHtmlEscaped() +
           QStringLiteral("\" type=\"text/css\" />");
}

QString TSkinPreview::LogoLine(const QString& logo) {
    // An encoded file URL needs no quotes, so the line keeps the marker the
    // full preview looks for; an empty alt hides a missing picture.
    QString url = QStringLiteral("File:///");
    if (!logo.isEmpty())
        url += QUrl::fromLocalFile(QFileInfo(logo).absoluteFilePath())
                   .toString(QUrl::FullyEncoded)
                   .mid(QStringLiteral("file:///").size());
    return QStringLiteral("<img SRC=") + url + QStringLiteral(" alt=\"\">");
}

QString TSkinPreview::TitleLine(const QString& title) {
    return QStringLiteral("<H1>") + title.toHtmlEscaped() + QStringLiteral("</H1>");
}

QString TSkinPreview::BackgroundLine(const QString& name) {
    static const QString special = QStringLiteral(" \t\"'()\\");
    const bool quote =
        std::any_of(name.begin(), name.end(), [](QChar c) { return special.contains(c); });
    QString url = name;
    if (quote)
        url = QLatin1Char('"') +
              QString(name)
                  .replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
                  .replace(QLatin1Char('"'), QStringLiteral("\\\"")) +
              QLatin1Char('"');
    // The semicolon keeps a declaration after this line working.
    return QStringLiteral("background-image: url(") + url + QStringLiteral(");");
}

void TSkinPreview::SkinChosen(const QString& skin, const QString& logo, const QString& title) {
    const QString page = ensurePage();
    ReplaceLine(page, QStringLiteral("<img SRC"), LogoLine(logo));
    ReplaceLine(page, QStringLiteral("stylesheet"), StylesheetLine(fileName(skin)));
    ReplaceLine(page, QStringLiteral("H1"), TitleLine(title));
}

QString TSkinPreview::BGImageChosen(const QString& skin, const QString& image) {
    QString sheet = SkinFile(skin);
    if (!QFileInfo(sheet).isFile())
        throw EFileError(QStringLiteral("Cannot find the style sheet %1.").arg(skin));
    if (IsShippedData(sheet)) {
        const QString own = OwnSkinPath(sheet);
        copyFile(sheet, own);
        sheet = own;
    }
    ReplaceLine(sheet, QStringLiteral("background-image"), BackgroundLine(fileName(image)));
    return sheet;
}

void TSkinPreview::copySheetWithBackground(const QString& sheet,
                                           const QString& backgroundLine) const {
    const QString copy = QDir(folder_).filePath(fileName(sheet));
    if (IsShippedData(sheet)) {
        copyFile(sheet, copy);
        ReplaceLine(copy, QStringLiteral("background-image"), backgroundLine);
    } else {
        // The user's own style sheet names the picture as the site will.
        ReplaceLine(sheet, QStringLiteral("background-image"), backgroundLine);
        copyFile(sheet, copy);
    }
}

void TSkinPreview::Preview(const QString& skin, const QString& image, const QString& logo,
                           const QString& title) {
    const QString page = ensurePage();
    const QString sheet = SkinFile(skin);
    if (!QFileInfo(sheet).isFile())
        throw EFileError(QStringLiteral("Cannot find the style sheet %1.").arg(skin));
    ReplaceLine(page, QStringLiteral("stylesheet"), StylesheetLine(fileName(sheet)));
    if (!image.isEmpty()) {
        const QString imageName = fileName(image);
        copySheetWithBackground(sheet, BackgroundLine(imageName));
        const QString imageCopy = QDir(folder_).filePath(imageName);
        if (!QFileInfo::exists(imageCopy) && ShowInformation)
            ShowInformation(QStringLiteral("For the preview the background image must be in "
                                           "the same folder as the style sheet.\rCopying %1 "
                                           "and %2 to Corvanta's preview folder:\r%3")
                                .arg(fileName(sheet), imageName, folder_));
        // Always copied: an older picture of the same name would show instead.
        copyFile(image, imageCopy);
    } else {
        copySheetWithBackground(sheet, QStringLiteral("background-image: none;"));
    }
    // Logo and title follow the settings in both cases, not only after a new
    // style sheet was chosen.
    ReplaceLine(page, QStringLiteral("<img SRC=File"), LogoLine(logo));
    ReplaceLine(page, QStringLiteral("<H1>"), TitleLine(title));
    if (OpenUrl)
        OpenUrl(QUrl::fromLocalFile(page));
}

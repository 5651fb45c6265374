#include "HelpLauncher.h"

#include "deploy/UserPort.h"
#include "model/DataFiles.h"
#include "model/ProjectStore.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

THelpLauncher::THelpLauncher(TStore& store, TUserPort& port)
    : LocateFile([](const QString& preset, const QString& filter) {
          QFileDialog dialog(nullptr, QStringLiteral("Locate the Corvanta manual"), QString(),
                             filter);
          dialog.setFileMode(QFileDialog::ExistingFile);
          dialog.selectFile(preset);
          if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
              return QString();
          return dialog.selectedFiles().first();
      }),
      OpenUrl([](const QUrl& url) { QDesktopServices::openUrl(url); }), store_(store), port_(port) {
    try {
        helpFolder_ = ProjectStore::HelpPath(store_);
    } catch (const TStoreError& e) {
        port_.ShowError(e.message());
    }
}

QString THelpLauncher::EffectiveFolder() const {
    return helpFolder_.isEmpty() ? DataFilePath(QStringLiteral("help")) : helpFolder_;
}

QString THelpLauncher::ForwardingPage(const QUrl& target) {
    const QString folder = QDir(UserDataFolder()).filePath(QStringLiteral("help-links"));
    const QString name = QFileInfo(target.toLocalFile()).completeBaseName() + u'-' +
                         target.fragment() + QStringLiteral(".htm");
    const QString path = QDir(folder).filePath(name);
    const QString address = QString::fromUtf8(target.toEncoded()).toHtmlEscaped();
    const QString page =
        QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<meta http-equiv=\"refresh\" content=\"0; url=%1\">\n"
                       "<title>Corvanta manual</title>\n</head>\n<body>\n"
                       "<p><a href=\"%1\">Open the page of the manual</a></p>\n"
                       "<script>location.replace(document.querySelector(\"a\").href);</script>\n"
                       "</body>\n</html>\n")
            .arg(address);
    QFile file(path);
    if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(page.toUtf8()) < 0)
        return {};
    return path;
}

void THelpLauncher::Show(const QString& topic) {
    // A topic may name a section of its page: "PropAppearance.htm#language".
    const QString page = topic.isEmpty() ? DefaultTopic : topic.section(u'#', 0, 0);
    const QString section = topic.section(u'#', 1);
    const auto open = [&](const QString& file) {
        QUrl url = QUrl::fromLocalFile(file);
        if (section.isEmpty()) {
            OpenUrl(url);
            return;
        }
        url.setFragment(section);
        // Desktops hand a file to the browser without its "#section": a
        // small page of our own leads on to it.
        const QString forwarder = ForwardingPage(url);
        OpenUrl(forwarder.isEmpty() ? url : QUrl::fromLocalFile(forwarder));
    };
    const QString folder = EffectiveFolder();
    if (!folder.isEmpty() && QFileInfo::exists(QDir(folder).filePath(page))) {
        open(QDir(folder).filePath(page));
        return;
    }
    if (port_.Confirm(QStringLiteral("Help file not found. Do you want to locate it?"),
                      TConfirmButtons::YesNo) != TAnswer::Yes)
        return;
    const QString chosen =
        LocateFile(DefaultTopic, QStringLiteral("Corvanta Help (%1)").arg(DefaultTopic));
    if (chosen.isEmpty())
        return;
    const QString found = QFileInfo(chosen).absolutePath();
    try {
        ProjectStore::SetHelpPath(store_, found);
    } catch (const TStoreError& e) {
        // The manual still opens; only remembering the folder failed.
        port_.ShowError(e.message());
    }
    helpFolder_ = found;
    const QString located = QDir(found).filePath(page);
    if (QFileInfo::exists(located))
        open(located);
    else
        OpenUrl(QUrl::fromLocalFile(chosen));
}

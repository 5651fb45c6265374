// The program installed with cmake --install into a prefix of its own: the
// layout, --version, and the windows finding skins and help there. The
// window checks run in a copy of this test placed in the installed bin/, so
// the data lookup sees exactly what an installed program sees.
#include "model/DataFiles.h"
#include "model/Version.h"
#include "model/WebLanguage.h"
#include "ui/HelpLauncher.h"
#include "ui/Main.h"
#include "ui/ProgramRemoval.h"
#include "ui/Settings.h"

#include "common/TestSupport.h"
#include "common/WindowTestSupport.h"
#include "deploy/ScriptedPort.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const char* const kChildMark = "CORVANTA_INSTALLED_CHILD";

// The shipped data as the build tree holds it, relative paths.
QStringList FilesUnder(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(folder).relativeFilePath(it.next()));
    files.sort();
    return files;
}

struct TRun {
    int status = -1;
    QByteArray out;
};

TRun Run(const QString& program, const QStringList& args, const QProcessEnvironment& env,
         int timeout = 120000) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    process.waitForFinished(timeout);
    TRun run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAll();
    return run;
}

// An environment without anything pointing into the build tree.
QProcessEnvironment CleanEnvironment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"CORVANTA_DATA_DIR", "CORVANTA_BIN_DIR", "CORVANTA_SOURCE_DIR"})
        env.remove(QString::fromLatin1(name));
    return env;
}

} // namespace

// Runs in the installed bin/ folder.
class TInstalledWindows : public QObject {
    Q_OBJECT
    QString data_;

private slots:
    void initTestCase() {
        data_ = QDir(QCoreApplication::applicationDirPath() + "/../share/corvanta").canonicalPath();
        QVERIFY(!data_.isEmpty());
    }

    void dataIsTheInstalledOne() {
        QCOMPARE(QFileInfo(DataFolder()).canonicalFilePath(), data_);
        QVERIFY(TWebLanguage::Languages().contains(QStringLiteral("German")));
    }

    void helpOpensInstalledPages() {
        TTempStore temp;
        TScriptedPort port;
        TMainF main(temp.Store(), &port);
        QStringList opened;
        main.Help().OpenUrl = [&](const QUrl& url) { opened.append(url.toLocalFile()); };
        main.HelpA->trigger();
        main.Settings->SelectPage(TSettingsF::CounterPage);
        main.Settings->HelpBtn->click();
        QCOMPARE(opened, (QStringList{data_ + "/help/Intro.htm", data_ + "/help/PropCounter.htm"}));
        QVERIFY2(port.Messages().isEmpty(), qPrintable(port.Messages().join('\n')));
    }

    // The preview is made from the installed page and skin, in the user's
    // own folder: the installed tree is not writable for the user.
    void skinPreviewUsesInstalledSkin() {
        QTemporaryDir home;
        TEnvVar dataHome("XDG_DATA_HOME", home.path());
        TTempStore temp;
        TScriptedPort port;
        TMainF main(temp.Store(), &port);
        QList<QUrl> opened;
        main.Settings->OpenUrl = [&](const QUrl& url) { opened.append(url); };
        main.Settings->SetSkinPath(QStringLiteral("default.css"));
        main.Settings->PreviewCssButton->setEnabled(true);
        main.Settings->PreviewCssButton->click();
        QVERIFY2(port.Messages().isEmpty(), qPrintable(port.Messages().join('\n')));
        const QString own = home.filePath(QStringLiteral("corvanta/"));
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(own + "preview.htm")});
        QVERIFY(ReadFileBytes(own + "preview.htm").contains("default.css"));
        // The copy gets the background line; the rest is the installed sheet.
        const QByteArray shipped = ReadFileBytes(data_ + "/skins/default.css");
        QVERIFY(shipped.size() > 200);
        QVERIFY(ReadFileBytes(own + "default.css").startsWith(shipped.left(200)));
    }

    // The removal notice names the installed files, and every one exists.
    void removalHintNamesTheInstalledFiles() {
        const QString hint = ProgramRemovalHint();
        const QString prefix = QDir(data_ + "/../..").canonicalPath();
        QVERIFY2(hint.contains(QStringLiteral("installed into ") + prefix), qPrintable(hint));
        const QStringList files = hint.section(u'\n', 1).split(u'\n');
        QCOMPARE(files.size(), 8);
        for (const QString& file : files)
            QVERIFY2(QFileInfo::exists(file), qPrintable(file));
    }
};

class TestInstalledTree : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString prefix_;

    QString installed(const QString& path) const { return prefix_ + u'/' + path; }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        prefix_ = dir_.filePath(QStringLiteral("prefix"));
        const QString build = QDir(BinDir() + "/..").absolutePath();
        const TRun install =
            Run(QStringLiteral("cmake"),
                {QStringLiteral("--install"), build, QStringLiteral("--prefix"), prefix_},
                CleanEnvironment());
        QVERIFY2(install.status == 0, install.out.constData());
    }

    void layout() {
        // Only the two programs, never a test or benchmark of the build.
        QCOMPARE(QDir(installed("bin")).entryList(QDir::Files),
                 (QStringList{"corvanta", "corvanta-cli"}));
        for (const char* file :
             {"share/applications/io.github.corvanta.Corvanta.desktop",
              "share/icons/hicolor/scalable/apps/io.github.corvanta.Corvanta.svg",
              "share/metainfo/io.github.corvanta.Corvanta.metainfo.xml",
              "share/man/man1/corvanta.1.gz", "share/man/man1/corvanta-cli.1.gz"})
            QVERIFY2(QFileInfo::exists(installed(file)), file);
        // Every shipped file as the build tree has it, whatever made it.
        const QString data = installed("share/corvanta");
        // The skins are built from their own sources beside data/.
        QStringList entries =
            QDir(SourceDir() + "/data").entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        QVERIFY(entries.contains("Language.ini"));
        entries << QStringLiteral("skins");
        QVERIFY(FilesUnder(BinDir() + "/skins").contains("default.css"));
        for (const QString& entry : entries) {
            const QString built = BinDir() + u'/' + entry;
            const QStringList files =
                QFileInfo(built).isDir() ? FilesUnder(built) : QStringList{""};
            for (const QString& file : files) {
                const QString relative = file.isEmpty() ? entry : entry + u'/' + file;
                const QString copy = data + u'/' + relative;
                QVERIFY2(QFileInfo(copy).isFile() &&
                             ReadFileBytes(copy) == ReadFileBytes(BinDir() + u'/' + relative),
                         qPrintable(relative));
            }
        }
    }

    // --version needs no display.
    void versionOptions() {
        QProcessEnvironment env = CleanEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        for (const QString& program :
             {QStringLiteral("corvanta"), QStringLiteral("corvanta-cli")}) {
            const TRun run = Run(installed("bin/" + program), {QStringLiteral("--version")}, env);
            QCOMPARE(run.status, 0);
            QCOMPARE(QString::fromUtf8(run.out),
                     program + u' ' + ProgramVersion() + u'\n' + ProgramLicenseNotice());
        }
    }

    // The installed program itself starts and stays up with its welcome
    // window.
    void programStarts() {
        QProcess program;
        QProcessEnvironment env = CleanEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("CORVANTA_STORE"), dir_.filePath(QStringLiteral("store.json")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir_.filePath(QStringLiteral("home")));
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(installed("bin/corvanta"), {});
        QVERIFY(program.waitForStarted());
        QVERIFY2(!program.waitForFinished(1500), program.readAll().constData());
        program.kill();
        program.waitForFinished();
    }

    void windowsFindDataThere() {
        const QString copy =
            installed("bin/") + QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), copy));
        QProcessEnvironment env = CleanEnvironment();
        env.insert(QString::fromLatin1(kChildMark), QStringLiteral("1"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        const TRun run = Run(copy, {}, env, 300000);
        QFile::remove(copy);
        QVERIFY2(run.status == 0, run.out.constData());
    }

    void removalHint() {
        QTemporaryDir root;
        const QString program = root.filePath(QStringLiteral("usr/bin/corvanta"));
        WriteFileBytes(program, "x");
        const QString list = root.filePath(QStringLiteral("corvanta.list"));
        WriteFileBytes(list, "/.\n/usr\n" + program.toUtf8() + "\n");
        QVERIFY(
            ProgramRemovalHint(program, list).contains(QStringLiteral("sudo apt remove corvanta")));
        // Another copy, or no list at all: not the package's to remove.
        WriteFileBytes(list, "/usr/bin/corvanta-other\n");
        QVERIFY(!ProgramRemovalHint(program, list).contains(QStringLiteral("apt")));
        const QString built = ProgramRemovalHint(BinDir() + "/corvanta", root.filePath("none"));
        QVERIFY2(built.contains(QStringLiteral("runs from ") + BinDir()), qPrintable(built));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(kChildMark)) {
        TInstalledWindows windows;
        return QTest::qExec(&windows, argc, argv);
    }
    TestInstalledTree test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestInstalledTree.moc"

#include "common/TestSupport.h"
#include "common/WindowTestSupport.h"

#include "deploy/ScriptedPort.h"
#include "model/DataFiles.h"
#include "model/ProjectStore.h"
#include "ui/HelpLauncher.h"
#include "ui/HowTos.h"
#include "ui/Settings.h"
#include "ui/SkinPreview.h"
#include "ui/Steps.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

QStringList lines(const QString& path) {
    return QString::fromUtf8(ReadFileBytes(path)).split(u'\n');
}

void writeText(const QString& path, const QString& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    WriteFileBytes(path, text.toUtf8());
}

const QString kSheet = QStringLiteral("body {\n"
                                      "    color: black;\n"
                                      "    background-image: url(old.gif);\n"
                                      "}\n"
                                      "div.menu {\n"
                                      "    background-image: url(menu.gif);\n"
                                      "}\n");

} // namespace

class TestHelpPreview : public QObject {
    Q_OBJECT
private slots:
    // --- Help

    // With the manual in place each request opens its page; the settings
    // dialog's help follows its page, and the Password page has none.
    void helpOpensTopics() {
        QTemporaryDir data;
        for (const char* page : {"Intro.htm", "PropCounter.htm", "FieldsWin.htm"})
            writeText(QDir(data.path()).filePath(QStringLiteral("help/") + page), "<p>x</p>");
        TEnvVar dataDir("CORVANTA_DATA_DIR", data.path());
        TTempStore temp;
        TScriptedPort port;
        TMainF main(temp.Store(), &port);
        QStringList opened;
        main.Help().OpenUrl = [&](const QUrl& url) { opened.append(url.toLocalFile()); };

        main.HelpA->trigger();
        main.Settings->SelectPage(TSettingsF::CounterPage);
        main.Settings->HelpBtn->click();
        main.Settings->SelectPage(TSettingsF::PasswordPage);
        main.Settings->HelpBtn->click();
        emit main.Steps->HelpRequested(QStringLiteral("FieldsWin.htm"));
        const QString help = QDir(data.path()).filePath(QStringLiteral("help/"));
        QCOMPARE(opened, (QStringList{help + "Intro.htm", help + "PropCounter.htm",
                                      help + "FieldsWin.htm"}));
        QVERIFY(port.Messages().isEmpty());
    }

    // Without the manual the user is asked to locate it; the folder found is
    // kept in the store and used without asking from then on.
    void helpLocated() {
        QTemporaryDir data;
        TEnvVar dataDir("CORVANTA_DATA_DIR", data.path());
        QTemporaryDir elsewhere;
        writeText(QDir(elsewhere.path()).filePath(QStringLiteral("Intro.htm")), "<p>x</p>");
        writeText(QDir(elsewhere.path()).filePath(QStringLiteral("Security.htm")), "<p>x</p>");
        TTempStore temp;
        TScriptedPort port;
        QStringList opened;
        QStringList presets;
        THelpLauncher help(temp.Store(), port);
        help.OpenUrl = [&](const QUrl& url) { opened.append(url.toLocalFile()); };
        help.LocateFile = [&](const QString& preset, const QString&) {
            presets.append(preset);
            return QDir(elsewhere.path()).filePath(QStringLiteral("Intro.htm"));
        };

        port.Queue(QStringLiteral("No"));
        help.Show();
        QCOMPARE(port.Messages(), QStringList{"Help file not found. Do you want to locate it?"});
        QVERIFY(opened.isEmpty() && presets.isEmpty());

        port.Queue(QStringLiteral("Yes"));
        help.Show(QStringLiteral("Security.htm"));
        QCOMPARE(presets, QStringList{"Intro.htm"});
        QCOMPARE(opened, QStringList{QDir(elsewhere.path()).filePath("Security.htm")});
        QCOMPARE(ProjectStore::HelpPath(temp.Store()), elsewhere.path());

        // The next run reads the folder from the store.
        THelpLauncher next(temp.Store(), port);
        next.OpenUrl = help.OpenUrl;
        next.Show();
        QCOMPARE(port.Messages().size(), 2);
        QCOMPARE(opened.last(), QDir(elsewhere.path()).filePath("Intro.htm"));
    }

    // A "?" button of the settings dialog shows its title and text in the
    // explanation window.
    void explanationWindow() {
        TTempStore temp;
        TScriptedPort port;
        TDialogScript dialogs;
        TMainF main(temp.Store(), &port);
        main.SetDialogRunner(dialogs.Runner());
        QSignalSpy asked(main.Settings, &TSettingsF::ExplanationRequested);
        QString title;
        QString text;
        dialogs.Then([&](QDialog& d) {
            auto& howTo = dynamic_cast<THowTosF&>(d);
            title = howTo.HTTitel->text();
            text = howTo.HowtoText->text();
            howTo.CloseBtn->click();
        });
        QToolButton* button = nullptr;
        for (QToolButton* b :
             main.Settings->DatabaseServer->parentWidget()->findChildren<QToolButton*>())
            if (b->text() == QStringLiteral("?"))
                button = b;
        QVERIFY(button);
        button->click();
        QCOMPARE(asked.size(), 1);
        QVERIFY(!title.isEmpty());
        QCOMPARE(title, asked.first().at(0).toString());
        QCOMPARE(text, asked.first().at(1).toString());
        QCOMPARE(dialogs.Pending(), 0);
    }

    // --- Replacing a line

    void replaceFirstMatchingLineOnly() {
        QTemporaryDir temp;
        const QString css = QDir(temp.path()).filePath(QStringLiteral("site.css"));
        writeText(css, kSheet);
        QVERIFY(TSkinPreview::ReplaceLine(css, QStringLiteral("background-image"),
                                          QStringLiteral("background-image: none;")));
        const QStringList result = lines(css);
        QCOMPARE(result.at(2), QStringLiteral("background-image: none;"));
        QCOMPARE(result.at(5), QStringLiteral("    background-image: url(menu.gif);"));
        QCOMPARE(result.size(), kSheet.split(u'\n').size());

        // Line ends stay as they were.
        writeText(css, QStringLiteral("a {\r\n  background-image: x;\r\n}\r\n"));
        TSkinPreview::ReplaceLine(css, QStringLiteral("background-image"), QStringLiteral("y"));
        QCOMPARE(ReadFileBytes(css), QByteArray("a {\r\ny\r\n}\r\n"));
    }

    void replaceWithoutMarkerLeavesFile() {
        QTemporaryDir temp;
        const QString css = QDir(temp.path()).filePath(QStringLiteral("site.css"));
        writeText(css, QStringLiteral("body { color: red }"));
        QFile::setPermissions(css, QFileDevice::ReadOwner); // a write would fail
        QVERIFY(!TSkinPreview::ReplaceLine(css, QStringLiteral("Background-image"),
                                           QStringLiteral("x")));
        QCOMPARE(ReadFileBytes(css), QByteArray("body { color: red }"));
        writeText(QDir(temp.path()).filePath("empty.css"), {});
        QVERIFY(!TSkinPreview::ReplaceLine(QDir(temp.path()).filePath("empty.css"),
                                           QStringLiteral("a"), QStringLiteral("x")));
        QVERIFY_THROWS_EXCEPTION(
            TSkinPreview::EFileError,
            TSkinPreview::ReplaceLine(QDir(temp.path()).filePath("missing.css"), "a", "x"));
    }

    // --- The preview operations

    // Choosing a style sheet points the page at it and shows logo and title;
    // every other line of the shipped page stays.
    void skinChosenUpdatesPage() {
        QTemporaryDir temp;
        TSkinPreview preview(temp.path());
        const QString shipped = DataFilePath(QStringLiteral("preview.htm"));
        QVERIFY(!shipped.isEmpty());
        preview.SkinChosen(QStringLiteral("/home/ann/skins/green.css"),
                           QStringLiteral("/home/ann/my logo.gif"), QStringLiteral("Tom & Jerry"));
        const QStringList before = lines(shipped);
        const QStringList after = lines(preview.PagePath());
        QCOMPARE(after.size(), before.size());
        QStringList changed;
        for (int i = 0; i < after.size(); ++i)
            if (after.at(i) != before.at(i))
                changed.append(after.at(i));
        QCOMPARE(changed,
                 (QStringList{"<link rel=\"stylesheet\" href=\"green.css\" type=\"text/css\" />",
                              "<img SRC=File:///home/ann/my%20logo.gif alt=\"\">",
                              "<H1>Tom &amp; Jerry</H1>"}));
        // The shipped page itself is never written.
        QCOMPARE(lines(shipped), before);
    }

    void bgImageChosen() {
        QTemporaryDir temp;
        TSkinPreview preview(temp.path());
        const QString own = QDir(temp.path()).filePath(QStringLiteral("mine/site.css"));
        writeText(own, kSheet);
        QCOMPARE(preview.BGImageChosen(own, QStringLiteral("/pics/paper.jpg")), own);
        QCOMPARE(lines(own).at(2), QStringLiteral("background-image: url(paper.jpg);"));
        QCOMPARE(lines(own).at(5), QStringLiteral("    background-image: url(menu.gif);"));

        // A shipped skin is not written: the user gets an own copy naming the picture.
        const QString shipped = DataFilePath(QStringLiteral("skins/default.css"));
        const QByteArray shippedBytes = ReadFileBytes(shipped);
        const QString copy =
            preview.BGImageChosen(QStringLiteral("default.css"), QStringLiteral("/p/a b.jpg"));
        QCOMPARE(copy, QDir(temp.path()).filePath(QStringLiteral("skins/default.css")));
        QCOMPARE(ReadFileBytes(shipped), shippedBytes);
        QVERIFY(lines(copy).contains(QStringLiteral("background-image: url(\"a b.jpg\");")));
    }

    // Without a picture the user's own style sheet on disk says "none", and
    // the copy beside the page too.
    void previewWithoutImage() {
        QTemporaryDir temp;
        TSkinPreview preview(temp.path());
        QList<QUrl> opened;
        preview.OpenUrl = [&](const QUrl& url) { opened.append(url); };
        const QString own = QDir(temp.path()).filePath(QStringLiteral("mine/site.css"));
        writeText(own, kSheet);
        preview.Preview(own, {}, QStringLiteral("/l/logo.gif"), QStringLiteral("Books"));
        QCOMPARE(lines(own).at(2), QStringLiteral("background-image: none;"));
        QCOMPARE(ReadFileBytes(QDir(temp.path()).filePath("site.css")), ReadFileBytes(own));
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(preview.PagePath())});
        const QStringList page = lines(preview.PagePath());
        QVERIFY(page.contains("<link rel=\"stylesheet\" href=\"site.css\" type=\"text/css\" />"));
        QVERIFY(page.contains("<img SRC=File:///l/logo.gif alt=\"\">"));
        QVERIFY(page.contains("<H1>Books</H1>"));
    }

    void previewWithImage() {
        QTemporaryDir temp;
        TSkinPreview preview(temp.path());
        QStringList notices;
        preview.ShowInformation = [&](const QString& text) { notices.append(text); };
        preview.OpenUrl = [](const QUrl&) {};
        const QString own = QDir(temp.path()).filePath(QStringLiteral("mine/site.css"));
        const QString image = QDir(temp.path()).filePath(QStringLiteral("mine/paper.jpg"));
        writeText(own, kSheet);
        writeText(image, QStringLiteral("first"));
        preview.Preview(own, image, {}, QStringLiteral("Books"));
        QCOMPARE(notices.size(), 1);
        QCOMPARE(notices.first(),
                 "For the preview the background image must be in the same folder as the "
                 "style sheet.\rCopying site.css and paper.jpg to Corvanta's preview folder:\r" +
                     temp.path());
        QCOMPARE(lines(own).at(2), QStringLiteral("background-image: url(paper.jpg);"));
        QCOMPARE(ReadFileBytes(QDir(temp.path()).filePath("paper.jpg")), QByteArray("first"));

        // The second time no notice, and the copy follows a changed picture.
        writeText(image, QStringLiteral("second"));
        preview.Preview(own, image, {}, QStringLiteral("Books"));
        QCOMPARE(notices.size(), 1);
        QCOMPARE(ReadFileBytes(QDir(temp.path()).filePath("paper.jpg")), QByteArray("second"));
    }

    // A page without the marker lines is opened as it is.
    void previewPageWithoutMarkers() {
        QTemporaryDir temp;
        TSkinPreview preview(temp.path());
        const QByteArray page("<html><body>plain</body></html>\n");
        WriteFileBytes(preview.PagePath(), page);
        const QString own = QDir(temp.path()).filePath(QStringLiteral("mine/site.css"));
        writeText(own, kSheet);
        int opened = 0;
        preview.OpenUrl = [&](const QUrl&) { ++opened; };
        preview.Preview(own, {}, QStringLiteral("/l.gif"), QStringLiteral("T"));
        QCOMPARE(ReadFileBytes(preview.PagePath()), page);
        QCOMPARE(opened, 1);
    }

    void previewMissingSheetStops() {
        QTemporaryDir temp;
        TSkinPreview preview(temp.path());
        int opened = 0;
        preview.OpenUrl = [&](const QUrl&) { ++opened; };
        QVERIFY_THROWS_EXCEPTION(
            TSkinPreview::EFileError,
            preview.Preview(QDir(temp.path()).filePath("none.css"), {}, {}, QStringLiteral("T")));
        QCOMPARE(opened, 0);
    }

    // The settings dialog's buttons reach the preview through the main
    // window; a background picture for a shipped skin moves the project to
    // its own copy of the skin.
    void settingsButtonsReachPreview() {
        QTemporaryDir home;
        TEnvVar dataHome("XDG_DATA_HOME", home.path());
        TTempStore temp;
        TScriptedPort port;
        TMainF main(temp.Store(), &port);
        TSettingsF& settings = *main.Settings;
        QList<QUrl> opened;
        settings.OpenUrl = [&](const QUrl& url) { opened.append(url); };
        TBTable t = TBTable::New();
        settings.LoadFrom(t);
        const QString picture = QDir(home.path()).filePath(QStringLiteral("paper.jpg"));
        writeText(picture, QStringLiteral("jpg"));
        settings.ChooseFile = [&](const QString&, const QString&, const QString&) {
            return picture;
        };
        settings.BrowseBGimgButton->click();
        const QString own = QDir(UserDataFolder()).filePath(QStringLiteral("skins/default.css"));
        QCOMPARE(settings.SkinPath(), own);
        QVERIFY(lines(own).contains(QStringLiteral("background-image: url(paper.jpg);")));

        settings.PreviewCssButton->setEnabled(true);
        settings.PreviewCssButton->click();
        QCOMPARE(opened.size(), 1);
        QVERIFY(QFileInfo::exists(QDir(UserDataFolder()).filePath(QStringLiteral("paper.jpg"))));
        QCOMPARE(port.EventsOf(QStringLiteral("information")).size(), 1);

        // A failing preview ends in the error box.
        settings.SetSkinPath(QDir(home.path()).filePath(QStringLiteral("gone.css")));
        settings.PreviewCssButton->click();
        QCOMPARE(port.EventsOf(QStringLiteral("error")).size(), 1);
        QCOMPARE(opened.size(), 1);
    }
};

QTEST_MAIN(TestHelpPreview)
#include "TestHelpPreview.moc"

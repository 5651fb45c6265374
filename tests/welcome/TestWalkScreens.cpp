// The demo, both ways. A person goes from the welcome window to a working
// site on the demo web host using only the windows: a new database, its
// fields, the settings with the demo button, Generate and Upload. Each window
// is photographed on the way into <build>/screenshots (walk-*.png), and at the
// end the site itself in Chromium, where a book is added and found. Without a display, ./run runs
// the headless demo script against the same kind of host.
#include "common/TestSupport.h"
#include "common/WebHost.h"
#include "common/WindowTestSupport.h"
#include "common/WindowUser.h"

#include "model/DataFiles.h"
#include "model/ProjectStore.h"
#include "model/TableFields.h"
#include "ui/FieldDetails.h"
#include "ui/Log.h"
#include "ui/SaveAs.h"
#include "ui/Settings.h"
#include "ui/TablePlan.h"
#include "ui/Warning.h"
#include "ui/Welcome.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

QString shotPath(const QString& name) {
    return ShotPath(QStringLiteral("walk-"), name);
}

// Waits for the window to be painted, then saves its picture.
void shoot(QWidget* window, const QString& name) {
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTest::qWait(250);
    window->grab().save(shotPath(name));
}

void shootScreen(QWidget* window, const QString& name) {
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTest::qWait(250);
    window->screen()->grabWindow(0).save(shotPath(name));
}

void enterField(TFieldDetailsF& d, const QString& name, const QString& type, bool required,
                bool searchable) {
    d.NameEdit->setText(name);
    d.FieldTypeCombo->setCurrentText(type);
    d.InputTypeCombo->setCurrentText(InputTypes::Text);
    if (required)
        d.ReqCh->setChecked(true);
    d.SearchCh->setChecked(searchable);
    d.VisibleCh->setChecked(true);
}

void click(QPushButton* button) {
    QTest::mouseClick(button, Qt::LeftButton);
}

} // namespace

class TestWalkScreens : public QObject {
    Q_OBJECT
private slots:
    void fromWelcomeToSite() {
        TWebHost& host = TWebHost::Instance();
        QVERIFY2(host.Running(), qPrintable(host.Error()));
        QTemporaryDir home;
        qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
        // The demo button finds the host where ./run would have started it.
        qputenv("CORVANTA_DEMO_HOST", QFileInfo(host.DocumentRoot()).absolutePath().toLocal8Bit());
        TTempStore temp;

        TWelcomeF welcome(temp.Store());
        TMainF& main = *welcome.MainF;
        TSettingsF& settings = *main.Settings;
        // The style sheet the user picks in the file dialog.
        const QString skin = DataFilePath(QStringLiteral("skins/ocean.css"));
        settings.ChooseFile = [skin](const QString&, const QString&, const QString&) {
            return skin;
        };
        const auto mainInFront = [&main]() -> QWidget* {
            return QApplication::activeModalWidget() ? nullptr : &main;
        };

        TUser user;
        user.Then(
            "name dialog", modal<TSaveAsF>(),
            [](QWidget* w) {
                auto* d = static_cast<TSaveAsF*>(w);
                d->DbName->setText(QStringLiteral("Bookshop"));
                shoot(d, QStringLiteral("02-new-database"));
            },
            [](QWidget* w) { click(static_cast<TSaveAsF*>(w)->OKBtn); });
        user.Then(
            "empty main window", mainInFront,
            [&](QWidget*) { shootScreen(&main, QStringLiteral("03-main-window")); },
            [&](QWidget*) { main.FieldCreateA->trigger(); });
        struct TNewField {
            const char* name;
            QString type;
            bool required;
            bool searchable;
        };
        const TNewField fields[] = {{"Title", FieldTypes::Text, true, true},
                                    {"Author", FieldTypes::Text, false, true},
                                    {"Year", FieldTypes::Integer, false, true},
                                    {"Price", FieldTypes::Real, false, false}};
        for (size_t i = 0; i < std::size(fields); ++i) {
            const TNewField f = fields[i];
            const bool last = i + 1 == std::size(fields);
            user.Then(
                QStringLiteral("field ") + f.name, modal<TFieldDetailsF>(),
                [f, i](QWidget* w) {
                    auto* d = static_cast<TFieldDetailsF*>(w);
                    enterField(*d, QString::fromLatin1(f.name), f.type, f.required, f.searchable);
                    if (i == 0)
                        shoot(d, QStringLiteral("04-field-details"));
                },
                [](QWidget* w) { click(static_cast<TFieldDetailsF*>(w)->OKBtn); });
            user.Then(
                QStringLiteral("main window after ") + f.name, mainInFront,
                [&, last](QWidget*) {
                    if (last)
                        shoot(&main, QStringLiteral("05-fields"));
                },
                [&, last](QWidget*) {
                    if (last)
                        main.SettingsA->trigger();
                    else
                        main.FieldCreateA->trigger();
                });
        }
        user.Then(
            "settings, appearance", modal<TSettingsF>(),
            [&](QWidget*) {
                settings.DatabaseDisplayNameEdit->setText(QStringLiteral("Second-hand bookshop"));
                click(settings.BrowseCssButton);
                shoot(&settings, QStringLiteral("06-settings-appearance"));
                settings.SelectPage(TSettingsF::ConnectionPage);
            },
            [&](QWidget*) { click(settings.Def); });
        user.Then(
            "demo settings filled in", messageBox(QStringLiteral("demo web host")),
            [](QWidget* w) { shoot(w, QStringLiteral("07-demo-settings")); },
            [](QWidget* w) { static_cast<QMessageBox*>(w)->accept(); });
        user.Then(
            "settings, connection and database", modal<TSettingsF>(),
            [&](QWidget*) {
                shoot(&settings, QStringLiteral("08-settings-connection"));
                settings.SelectPage(TSettingsF::DatabasePage);
                shoot(&settings, QStringLiteral("09-settings-database"));
                settings.SelectPage(TSettingsF::AdministratorPage);
                settings.AdminPasswordEdit->setText(QStringLiteral("shop-admin-7"));
                shoot(&settings, QStringLiteral("10-settings-administrator"));
            },
            [&](QWidget*) { click(settings.OKBtn); });
        user.Then(
            "save and generate", mainInFront, [&](QWidget*) { main.SaveA->trigger(); },
            [&](QWidget*) { main.GenerateA->trigger(); });
        user.Then(
            "generate report", modal<TLogF>(),
            [](QWidget* w) { shoot(w, QStringLiteral("11-generate-report")); },
            [](QWidget* w) { click(static_cast<TLogF*>(w)->CloseBtn); });
        user.Then(
            "upload", mainInFront, [](QWidget*) {}, [&](QWidget*) { main.UploadA->trigger(); });
        user.Then(
            "the tables' plan", modal<TTablePlanF>(),
            [](QWidget* w) { shoot(w, QStringLiteral("12-create-database")); },
            [](QWidget* w) { click(static_cast<TTablePlanF*>(w)->CreateBtn); });
        user.Then(
            "upload report", modal<TLogF>(),
            [](QWidget* w) { shoot(w, QStringLiteral("13-upload-report")); },
            [](QWidget* w) { click(static_cast<TLogF*>(w)->CloseBtn); });
        user.Then(
            "back to the welcome window", mainInFront, [](QWidget*) {},
            [&](QWidget*) { main.BackA->trigger(); });

        welcome.show();
        shoot(&welcome, QStringLiteral("01-welcome"));
        QTimer::singleShot(0, &welcome, [&] { click(welcome.CreateBtn); });
        QTRY_VERIFY2_WITH_TIMEOUT(user.Finished() && welcome.isVisible() && !main.isVisible(),
                                  qPrintable(QStringLiteral("waiting for: ") + user.Waiting() +
                                             QStringLiteral("; done: ") +
                                             user.Done().join(QStringLiteral(", "))),
                                  300000);

        // What the windows did: the project is stored with the demo host's
        // settings, and its site answers.
        const TBTable t = ProjectStore::Load(temp.Store(), QStringLiteral("Bookshop"));
        QCOMPARE(t.Fields.size(), size_t(6));
        QCOMPARE(t.URL, host.Url() + QStringLiteral("bookshop/"));
        QVERIFY(ProjectStore::ReadUploaded(temp.Store(), QStringLiteral("Bookshop")));
        host.ClearPhpErrors();
        const THttpReply search = host.Get(QStringLiteral("bookshop/search.php"));
        QCOMPARE(search.status, 200);
        QVERIFY2(host.PhpErrors().isEmpty(), host.PhpErrors().constData());

        // The site in the browser: visitors, the administrator adding a book,
        // a visitor finding it.
        QString output;
        QVERIFY2(WalkSiteInBrowser({{QStringLiteral("WALK_SITE_URL"), t.URL},
                                    {QStringLiteral("WALK_ADMIN_PASSWORD"), t.AdminPassword}},
                                   &output),
                 qPrintable(output));
    }

    // As ./run starts it: pages on http://127.0.0.1, the site sent by FTP over TLS.
    void headlessDemo() {
        QTemporaryDir hostDir;
        const QString webhost = QDir(SourceDir()).filePath(QStringLiteral("scripts/webhost"));
        const auto run = [](const QString& program, const QStringList& arguments) {
            QProcess p;
            p.setProcessChannelMode(QProcess::MergedChannels);
            p.start(program, arguments);
            const bool done = p.waitForFinished(300000);
            const QString output = QString::fromUtf8(p.readAll());
            return std::pair{done && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0,
                             output};
        };
        const auto [started, startOutput] =
            run(webhost,
                {QStringLiteral("start"), hostDir.path(), QStringLiteral("--demo"),
                 QStringLiteral("--owner"), QString::number(QCoreApplication::applicationPid())});
        QVERIFY2(started, qPrintable(startOutput));
        const auto stop = qScopeGuard([&] {
            run(webhost, {QStringLiteral("stop"), hostDir.path()});
        });

        const auto [ok, output] =
            run(QDir(SourceDir()).filePath(QStringLiteral("scripts/demo/headless")),
                {hostDir.path(), BinDir()});
        QVERIFY2(ok, qPrintable(output));
        QVERIFY2(output.contains(QRegularExpression(
                     QStringLiteral("visitors: +http://127\\.0\\.0\\.1:\\d+/bookshop/"))),
                 qPrintable(output));
        QVERIFY2(output.contains(QStringLiteral("12 records have been exported")),
                 qPrintable(output));
        // The visitor's search the demo makes lists them.
        QVERIFY2(output.contains(QStringLiteral("Records found: 12")), qPrintable(output));
        QVERIFY2(output.contains(QRegularExpression(
                     QStringLiteral("Persuasion +Jane Austen +1817 +6.8 +Novel +Yes"))),
                 qPrintable(output));
        // It went by FTP over TLS, and the demo says where the test authority is.
        QVERIFY2(ReadFileBytes(QDir(hostDir.path()).filePath(QStringLiteral("log/ftps.log")))
                     .contains("logged in"),
                 "the site was not sent by FTP over TLS");
        QVERIFY2(output.contains(QDir(hostDir.path()).filePath(QStringLiteral("tls/ca.pem"))),
                 qPrintable(output));
        // The command it prints works as printed.
        const QRegularExpressionMatch curl =
            QRegularExpression(QStringLiteral("^ *(curl .*)$"), QRegularExpression::MultilineOption)
                .match(output);
        QVERIFY2(curl.hasMatch(), qPrintable(output));
        const auto [fetched, page] =
            run(QStringLiteral("bash"), {QStringLiteral("-c"), curl.captured(1)});
        QVERIFY2(fetched && page.contains(QStringLiteral("Middlemarch")), qPrintable(page));
        // The user's store was not touched.
        QVERIFY(
            QFileInfo::exists(QDir(hostDir.path()).filePath(QStringLiteral("demo/store.json"))));
    }
};

QTEST_MAIN(TestWalkScreens)
#include "TestWalkScreens.moc"

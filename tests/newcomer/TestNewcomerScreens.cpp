// A newcomer's first site on a 1366x768 screen, answering every question
// with Enter: a new database, three fields given only a name and a type, the
// settings with only the demo button pressed, Generate (which offers to save)
// and Upload (which creates the tables), on a demo host started as ./run
// starts it. Then, in Chromium, a record added by the administrator is
// found by a visitor: the search offers the field and the results show the
// columns, and no page shows a certificate warning. Each window is
// photographed with a drawn title bar into <build>/screenshots
// (newcomer-*.png); no title may be cut and the Steps window may not cover
// the field grid or leave the screen.
#include "common/TestSupport.h"
#include "common/WebHost.h"
#include "common/WindowTestSupport.h"
#include "common/WindowUser.h"

#include "model/ProjectStore.h"
#include "model/TableFields.h"
#include "ui/FieldDetails.h"
#include "ui/FieldGrid.h"
#include "ui/Log.h"
#include "ui/SaveAs.h"
#include "ui/Settings.h"
#include "ui/Steps.h"
#include "ui/TablePlan.h"
#include "ui/TitleFit.h"
#include "ui/Warning.h"
#include "ui/Welcome.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

QString shotPath(const QString& name) {
    return ShotPath(QStringLiteral("newcomer-"), name);
}

// Windows whose title did not fit, as "name: title (width < needed)".
QStringList cutTitles;

// The picture of a window below a title bar as a desktop draws it: the
// title cut where the frame's buttons begin. Windows too narrow for their
// title are noted.
void shoot(QWidget* window, const QString& name) {
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTest::qWait(150);
    const QPixmap body = window->grab();
    const QString title = ShownTitle(*window);
    const int needed = TitleBarWidth(title);
    if (window->width() < needed)
        cutTitles
            << QStringLiteral("%1: %2 (%3 < %4)").arg(name, title).arg(window->width()).arg(needed);
    const int bar = 28;
    QPixmap shot(body.width(), body.height() + bar);
    shot.fill(QColor(0x30, 0x34, 0x3c));
    QPainter painter(&shot);
    painter.drawPixmap(0, bar, body);
    QFont font = QApplication::font();
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    const int buttons = needed - QFontMetrics(font).horizontalAdvance(title);
    const QString shown =
        QFontMetrics(font).elidedText(title, Qt::ElideRight, std::max(0, body.width() - buttons));
    painter.drawText(QRect(12, 0, body.width(), bar), Qt::AlignVCenter | Qt::AlignLeft, shown);
    for (int i = 1; i <= 3; ++i)
        painter.drawRect(body.width() - 30 * i, 7, 14, 14);
    painter.end();
    shot.save(shotPath(name));
}

// Enter, where the keyboard focus of the window is.
void pressEnter(QWidget* window) {
    QWidget* focus = window->focusWidget();
    QTest::keyClick(focus && focus->isVisible() ? focus : window, Qt::Key_Return);
}

void typeField(TFieldDetailsF& d, const QString& name, const QString& type) {
    QTest::keyClicks(d.NameEdit, name);
    d.FieldTypeCombo->setCurrentText(type);
}

} // namespace

class TestNewcomerScreens : public QObject {
    Q_OBJECT
private slots:
    void firstSiteWithEnterOnly() {
        TWebHost& host = TWebHost::SecureInstance();
        QVERIFY2(host.Running(), qPrintable(host.Error()));
        QApplication::setApplicationDisplayName(QStringLiteral("Corvanta"));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        if (QGuiApplication::platformName() == QLatin1String("xcb"))
            QCOMPARE(screen.size(), QSize(1366, 768));
        QTemporaryDir home;
        qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
        qputenv("CORVANTA_DEMO_HOST", QFileInfo(host.DocumentRoot()).absolutePath().toLocal8Bit());
        TTempStore temp;

        TWelcomeF welcome(temp.Store());
        TMainF& main = *welcome.MainF;
        TSettingsF& settings = *main.Settings;
        const auto mainInFront = [&main]() -> QWidget* {
            return QApplication::activeModalWidget() ? nullptr : &main;
        };
        QRect grid, steps;
        QStringList asked;

        TUser user;
        user.Then(
            "name dialog", modal<TSaveAsF>(),
            [](QWidget* w) {
                QTest::keyClicks(static_cast<TSaveAsF*>(w)->DbName, QStringLiteral("Club Members"));
                shoot(w, QStringLiteral("01-name"));
            },
            pressEnter);
        user.Then(
            "empty main window", mainInFront,
            [&](QWidget*) {
                shoot(&main, QStringLiteral("02-main"));
                grid = QRect(main.FieldGrid->mapToGlobal(QPoint(0, 0)), main.FieldGrid->size());
                steps = main.Steps->frameGeometry();
                shoot(main.Steps, QStringLiteral("02-steps"));
                main.screen()->grabWindow(0).save(shotPath(QStringLiteral("02-screen")));
            },
            [&](QWidget*) { main.FieldCreateA->trigger(); });
        const std::pair<QString, QString> fields[] = {{"Name", FieldTypes::Text},
                                                      {"Age", FieldTypes::Integer},
                                                      {"Joined", FieldTypes::DateTime}};
        for (const auto& [name, type] : fields) {
            const bool last = name == QLatin1String("Joined");
            user.Then(
                QStringLiteral("field ") + name, modal<TFieldDetailsF>(),
                [name, type](QWidget* w) {
                    auto* d = static_cast<TFieldDetailsF*>(w);
                    typeField(*d, name, type);
                    shoot(d, QStringLiteral("03-field-") + name.toLower());
                },
                pressEnter);
            user.Then(
                QStringLiteral("main window after ") + name, mainInFront, [](QWidget*) {},
                [&main, last](QWidget*) {
                    (last ? main.SettingsA : main.FieldCreateA)->trigger();
                });
        }
        user.Then(
            "settings", modal<TSettingsF>(),
            [&](QWidget*) {
                shoot(&settings, QStringLiteral("04-settings"));
                settings.SelectPage(TSettingsF::ConnectionPage);
            },
            [&](QWidget*) { QTest::mouseClick(settings.Def, Qt::LeftButton); });
        QString demoMessage;
        user.Then(
            "demo settings filled in", messageBox(QStringLiteral("demo web host")),
            [&](QWidget* w) {
                demoMessage = static_cast<QMessageBox*>(w)->text();
                shoot(w, QStringLiteral("05-demo"));
            },
            pressEnter);
        // Enter goes to OK now, not to the demo button again.
        QWidget* focusAfterDemo = nullptr;
        user.Then(
            "settings, OK at the first try", modal<TSettingsF>(),
            [&](QWidget*) {
                focusAfterDemo = settings.focusWidget();
                shoot(&settings, QStringLiteral("06-connection"));
            },
            pressEnter);
        user.Then(
            "generate", mainInFront, [&](QWidget*) { shoot(&main, QStringLiteral("07-fields")); },
            [&](QWidget*) { main.GenerateA->trigger(); });
        user.Then(
            "generate offers to save", modal<QMessageBox>(),
            [&](QWidget* w) {
                asked << static_cast<QMessageBox*>(w)->text();
                shoot(w, QStringLiteral("08-save"));
            },
            pressEnter);
        user.Then(
            "generate report", modal<TLogF>(),
            [](QWidget* w) { shoot(w, QStringLiteral("09-generated")); }, pressEnter);
        user.Then(
            "upload", mainInFront, [](QWidget*) {}, [&](QWidget*) { main.UploadA->trigger(); });
        user.Then(
            "the tables' plan", modal<TTablePlanF>(),
            [&](QWidget* w) {
                const auto* plan = static_cast<TTablePlanF*>(w);
                asked << plan->Heading->text() + u'\n' + plan->PlanText->toPlainText();
                shoot(w, QStringLiteral("10-create-database"));
            },
            pressEnter);
        user.Then(
            "upload report", modal<TLogF>(),
            [](QWidget* w) { shoot(w, QStringLiteral("11-uploaded")); }, pressEnter);
        user.Then(
            "back to the welcome window", mainInFront, [](QWidget*) {},
            [&](QWidget*) { main.BackA->trigger(); });

        welcome.show();
        shoot(&welcome, QStringLiteral("00-welcome"));
        QTimer::singleShot(0, &welcome,
                           [&] { QTest::mouseClick(welcome.CreateBtn, Qt::LeftButton); });
        QTRY_VERIFY2_WITH_TIMEOUT(user.Finished() && welcome.isVisible() && !main.isVisible(),
                                  qPrintable(QStringLiteral("waiting for: ") + user.Waiting() +
                                             QStringLiteral("; done: ") +
                                             user.Done().join(QStringLiteral(", "))),
                                  240000);

        // Enter said Yes to saving, and took the plan's default: the site's
        // tables are made.
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked.at(0), QStringLiteral("Save changes of current Database?"));
        QVERIFY2(asked.at(1).startsWith(QStringLiteral("The tables on the server\nThe site has no "
                                                       "table")),
                 qPrintable(asked.at(1)));
        QCOMPARE(focusAfterDemo, static_cast<QWidget*>(settings.OKBtn));
        const QString name = QStringLiteral("Club Members");
        const TBTable t = ProjectStore::Load(temp.Store(), name);
        QCOMPARE(t.Fields.size(), size_t(5));
        QCOMPARE(t.Fields.back().DateTimeFormat, DateTimeFormats().first());
        // Fields given a name and a type can be searched and are shown.
        for (size_t i = 2; i < t.Fields.size(); ++i)
            QVERIFY(t.Fields[i].Searchable && t.Fields[i].Visible && t.Fields[i].Editable);
        QCOMPARE(t.Fields[2].MaxLength, 100);
        QCOMPARE(t.Layout, Layouts::OnePage);
        // The files went by FTP over TLS; the pages come over plain http on
        // the loopback address, which the browser trusts without a certificate,
        // and the demo's message says what the demo host is.
        QCOMPARE(t.Transfer, TransferModes::Ftps);
        QVERIFY2(t.URL.startsWith(QStringLiteral("http://127.0.0.1:")), qPrintable(t.URL));
        QVERIFY2(demoMessage.contains(QStringLiteral("runs on this computer")),
                 qPrintable(demoMessage));
        QVERIFY(ProjectStore::ReadUploaded(temp.Store(), name));
        QVERIFY(!t.AdminPassword.isEmpty());
        QCOMPARE(t.Skin, QStringLiteral("default.css"));

        // The visitor's search page answers without an error.
        host.ClearPhpErrors();
        const THttpReply search = host.Get(t.URL + QStringLiteral("search.php"));
        QCOMPARE(search.status, 200);
        QVERIFY2(!search.body.contains("Error") && !search.body.contains("failed"),
                 search.body.constData());
        QVERIFY2(host.PhpErrors().isEmpty(), host.PhpErrors().constData());

        // The picture of 1366x768: nothing cut, the guide beside the grid.
        QVERIFY2(cutTitles.isEmpty(), qPrintable(cutTitles.join(QStringLiteral("\n"))));
        QVERIFY2(!steps.intersects(grid),
                 qPrintable(QStringLiteral("Steps %1,%2 %3x%4 over the grid %5,%6 %7x%8")
                                .arg(steps.x())
                                .arg(steps.y())
                                .arg(steps.width())
                                .arg(steps.height())
                                .arg(grid.x())
                                .arg(grid.y())
                                .arg(grid.width())
                                .arg(grid.height())));
        QVERIFY(screen.contains(steps));

        // The administrator adds a member, a visitor finds her by her name.
        QString output;
        QVERIFY2(WalkSiteInBrowser(
                     {{QStringLiteral("WALK_SITE_URL"), t.URL},
                      {QStringLiteral("WALK_ADMIN_PASSWORD"), t.AdminPassword},
                      {QStringLiteral("WALK_VALUES"), QStringLiteral("[\"Ada Lovelace\", \"36\"]")},
                      {QStringLiteral("WALK_SEARCH_FIELD"), QStringLiteral("Name")},
                      {QStringLiteral("WALK_SEARCH_VALUE"), QStringLiteral("ada")},
                      {QStringLiteral("WALK_ROW"), QStringLiteral("Ada Lovelace\\s+36")},
                      {QStringLiteral("WALK_COLUMNS"),
                       QStringLiteral("[\"Name\", \"Age\", \"Joined\"]")},
                      {QStringLiteral("WALK_TITLE"), QString()},
                      {QStringLiteral("WALK_SHOTS"), QStringLiteral("newcomer-")},
                      {QStringLiteral("WALK_SHOT_FIRST"), QStringLiteral("12")}},
                     &output),
                 qPrintable(output));
    }
};

QTEST_MAIN(TestNewcomerScreens)
#include "TestNewcomerScreens.moc"

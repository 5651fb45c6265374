#include "common/TestSupport.h"
#include "common/WindowTestSupport.h"

#include "deploy/ScriptedPort.h"
#include "model/ProjectStore.h"
#include "model/TableFields.h"
#include "ui/About.h"
#include "ui/HelpLauncher.h"
#include "ui/ProgramRemoval.h"
#include "ui/SaveAs.h"
#include "ui/SelectDB.h"
#include "ui/Welcome.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

namespace {

// A welcome window on a temporary store. The main window is not really
// shown: RunMain records the project it was given and answers with the next
// queued result (Back when none is queued).
struct TWelcomeFixture {
    TTempStore temp;
    TScriptedPort port;
    TDialogScript dialogs;
    TWelcomeF welcome{temp.Store(), &port};
    QStringList opened;
    QList<TMainF::TMainResult> results;
    QList<QUrl> urls;

    TWelcomeFixture() {
        welcome.SetDialogRunner(dialogs.Runner());
        welcome.RunMain = [this](TMainF& main) {
            opened.append(main.Table().DbName);
            // The welcome window is out of the way while a project is open.
            if (welcome.isVisible())
                opened.append(QStringLiteral("<welcome still shown>"));
            return results.isEmpty() ? TMainF::ResultBack : results.takeFirst();
        };
        welcome.MainF->Help().OpenUrl = [this](const QUrl& url) { urls.append(url); };
        welcome.show();
        QCoreApplication::processEvents();
    }

    void store(const QString& name, const QString& tableName = {}) {
        TBTable t = TBTable::New();
        t.DbName = name;
        t.TableName = tableName;
        ProjectStore::Save(temp.Store(), t);
    }
    bool manageShown() const { return welcome.ManageBtn->isVisibleTo(&welcome); }
    bool manageNoteShown() const { return welcome.ManageNote->isVisibleTo(&welcome); }

    // The name dialog: types name, presses OK.
    void nameDialog(const QString& name) {
        dialogs.Then([name](QDialog& d) {
            auto& saveAs = dynamic_cast<TSaveAsF&>(d);
            saveAs.DbName->setText(name);
            saveAs.OKBtn->click();
        });
    }
};

} // namespace

class TestWelcome : public QObject {
    Q_OBJECT
private slots:
    void firstWindowCaptions() {
        TWelcomeFixture fx;
        QCOMPARE(fx.welcome.windowTitle(), "Welcome to Corvanta Generator v " + ProgramVersion());
        QCOMPARE(fx.welcome.VersionLabel->text(), "Version: " + ProgramVersion());
        QVERIFY(!fx.welcome.LanguageBtn->isEnabled());
        QCOMPARE(fx.welcome.SaveAs->windowTitle(), QStringLiteral("Create New Database..."));
    }

    // An empty store offers no "Manage Databases"; the first project created
    // brings it, and the welcome window comes back after the main window.
    void createFirstProject() {
        TWelcomeFixture fx;
        QVERIFY(!fx.manageShown());
        QVERIFY(!fx.manageNoteShown()); // no note beside a missing button
        fx.nameDialog(QStringLiteral("Books"));
        fx.welcome.CreateBtn->click();
        QCOMPARE(fx.opened, QStringList{"Books"});
        QVERIFY(fx.port.Messages().isEmpty());
        QVERIFY(ProjectStore::Exists(fx.temp.Store(), QStringLiteral("Books")));
        QVERIFY(fx.welcome.isVisible());
        QVERIFY(fx.manageShown());
        QVERIFY(fx.manageNoteShown());
        // The project was released with the main window.
        QVERIFY(fx.welcome.MainF->Table().DbName.isEmpty());
        // A new named project gets the stored defaults.
        const TBTable t = ProjectStore::Load(fx.temp.Store(), QStringLiteral("Books"));
        QCOMPARE(t.NumOfFilterFields, 3);
        // ... and the shipped skin, so its settings can be confirmed at once.
        QCOMPARE(t.Skin, QStringLiteral("default.css"));
    }

    // The name of a stored project: the name dialog asks to overwrite, then
    // the welcome window says the database exists and opens it unchanged.
    void createWithExistingName() {
        TWelcomeFixture fx;
        fx.store(QStringLiteral("Books"), QStringLiteral("books"));
        fx.port.AnswerTo(QStringLiteral("Overwrite"), QStringLiteral("OK"));
        fx.nameDialog(QStringLiteral("Books"));
        fx.welcome.CreateBtn->click();
        QCOMPARE(fx.port.Messages(), (QStringList{"Database already present. Overwrite it?",
                                                  "Database already exists."}));
        QCOMPARE(fx.port.EventsOf(QStringLiteral("warning")),
                 QStringList{"Database already exists."});
        QCOMPARE(fx.opened, QStringList{"Books"});
        QCOMPARE(ProjectStore::Load(fx.temp.Store(), QStringLiteral("Books")).TableName,
                 QStringLiteral("books"));
    }

    // "books" beside "Books" would be a second project where other stores
    // keep one: the name dialog refuses it and stays open at the name.
    void nameTakenInAnotherCase() {
        TWelcomeFixture fx;
        fx.store(QStringLiteral("Books"));
        fx.dialogs.Then([&](QDialog& d) {
            auto& saveAs = dynamic_cast<TSaveAsF&>(d);
            saveAs.DbName->setText(QStringLiteral("BOOKS"));
            saveAs.OKBtn->click();
            QVERIFY(saveAs.isVisible());
            QCOMPARE(saveAs.focusWidget(), saveAs.DbName);
            saveAs.reject();
        });
        fx.welcome.CreateBtn->click();
        QCOMPARE(fx.port.EventsOf(QStringLiteral("warning")).size(), 1);
        QVERIFY(fx.port.Messages().value(0).contains(QStringLiteral("\"Books\"")));
        QVERIFY(fx.opened.isEmpty());
        QCOMPARE(ProjectStore::List(fx.temp.Store()), QStringList{"Books"});
    }

    void nameDialogRefusals() {
        TWelcomeFixture fx;
        fx.store(QStringLiteral("Books"));
        fx.dialogs.Then([&](QDialog& d) {
            auto& saveAs = dynamic_cast<TSaveAsF&>(d);
            QVERIFY(saveAs.DbName->text().isEmpty());
            saveAs.OKBtn->click(); // empty: refused with a word
            QVERIFY(saveAs.isVisible());
            saveAs.DbName->setText(QStringLiteral("Books"));
            fx.port.Queue(QStringLiteral("Cancel"));
            saveAs.OKBtn->click(); // not overwritten: stays open
            QVERIFY(saveAs.isVisible());
        });
        fx.welcome.CreateBtn->click();
        QCOMPARE(fx.port.Messages(), (QStringList{"Please enter a name for the database.",
                                                  "Database already present. Overwrite it?"}));
        QVERIFY(fx.opened.isEmpty());
        // Emptied on every show.
        fx.dialogs.Then(
            [](QDialog& d) { QVERIFY(dynamic_cast<TSaveAsF&>(d).DbName->text().isEmpty()); });
        fx.welcome.CreateBtn->click();
        QVERIFY(fx.opened.isEmpty());
    }

    void manageOpensSelected() {
        TWelcomeFixture fx;
        fx.store(QStringLiteral("Alpha"));
        fx.store(QStringLiteral("beta"));
        fx.welcome.hide();
        fx.welcome.show();
        QVERIFY(fx.manageShown());
        fx.dialogs.Then([&](QDialog& d) {
            auto& select = dynamic_cast<TSelectDBF&>(d);
            QCOMPARE(select.windowTitle(), QStringLiteral("Existing Databases"));
            QVERIFY(!select.OKBtn->isVisibleTo(&select));
            QVERIFY(select.OpenBtn->isVisibleTo(&select));
            QCOMPARE(select.TableList->count(), 2);
            // The first name is chosen, so Enter would open it.
            QCOMPARE(select.SelectedName(), QStringLiteral("Alpha"));
            select.TableList->clearSelection();
            select.OpenBtn->click(); // nothing selected
            QVERIFY(select.isVisible());
            select.TableList->setCurrentRow(1);
            select.OpenBtn->click();
        });
        fx.welcome.ManageBtn->click();
        QCOMPARE(fx.port.Messages(), QStringList{"Please select a Database!"});
        QCOMPARE(fx.opened, QStringList{"beta"});

        // Enter on a name opens it too.
        fx.dialogs.Then([](QDialog& d) {
            auto& select = dynamic_cast<TSelectDBF&>(d);
            QTest::keyClick(select.TableList, Qt::Key_Return);
        });
        fx.welcome.ManageBtn->click();
        QCOMPARE(fx.opened, (QStringList{"beta", "Alpha"}));
    }

    // "Remove" hands the name to the remove operation with the list disabled,
    // then shows what is left.
    void manageRemoves() {
        TWelcomeFixture fx;
        fx.store(QStringLiteral("Alpha"));
        fx.store(QStringLiteral("Beta"));
        QStringList removed;
        bool disabledMeanwhile = false;
        fx.dialogs.Then([&](QDialog& d) {
            auto& select = dynamic_cast<TSelectDBF&>(d);
            fx.welcome.RemoveDatabase = [&](const QString& name) {
                disabledMeanwhile = !select.isEnabled();
                removed.append(name);
                ProjectStore::Remove(fx.temp.Store(), name);
            };
            select.TableList->clearSelection();
            select.RemoveBtn->click(); // nothing selected
            select.TableList->setCurrentRow(0);
            select.RemoveBtn->click();
            QVERIFY(select.isEnabled());
            QCOMPARE(select.TableList->count(), 1);
            QCOMPARE(select.TableList->item(0)->text(), QStringLiteral("Beta"));
            select.CloseBtn->click();
        });
        fx.welcome.ManageBtn->click();
        QCOMPARE(fx.port.Messages(), QStringList{"Please select a Database!"});
        QCOMPARE(removed, QStringList{"Alpha"});
        QVERIFY(disabledMeanwhile);
        QVERIFY(fx.opened.isEmpty());
        QVERIFY(fx.manageShown());

        // Once the last one is gone the list offers nothing to open or
        // remove, and the button goes too.
        bool emptyListOffersNothing = false;
        fx.dialogs.Then([&](QDialog& d) {
            auto& select = dynamic_cast<TSelectDBF&>(d);
            select.TableList->setCurrentRow(0);
            QVERIFY(select.OpenBtn->isEnabled() && select.RemoveBtn->isEnabled());
            select.RemoveBtn->click();
            emptyListOffersNothing = !select.OpenBtn->isEnabled() && !select.RemoveBtn->isEnabled();
            select.CloseBtn->click();
        });
        fx.welcome.ManageBtn->click();
        QVERIFY(emptyListOffersNothing);
        QVERIFY(!fx.manageShown());
    }

    // Without a replacement, "Remove" runs the main window's removal: the
    // remove dialog's "Settings Only" takes the project off this computer.
    void manageRemovesForReal() {
        TWelcomeFixture fx;
        fx.store(QStringLiteral("Alpha"));
        fx.store(QStringLiteral("Beta"));
        fx.port.AnswerTo(QStringLiteral("Remove Database Alpha"), QStringLiteral("Settings Only"));
        fx.port.AnswerTo(QStringLiteral("remove the Database from your PC"), QStringLiteral("Yes"));
        fx.dialogs.Then([](QDialog& d) {
            auto& select = dynamic_cast<TSelectDBF&>(d);
            select.TableList->setCurrentRow(0);
            select.RemoveBtn->click();
            QCOMPARE(select.TableList->count(), 1);
            select.CloseBtn->click();
        });
        fx.welcome.ManageBtn->click();
        QCOMPARE(ProjectStore::List(fx.temp.Store()), QStringList{"Beta"});
        QVERIFY(fx.port.Messages().contains(
            QStringLiteral("Database Alpha has been removed successfully.")));
    }

    // Exit in the main window ends the program; Back returns.
    void exitEndsProgram() {
        TWelcomeFixture fx;
        fx.store(QStringLiteral("Books"));
        QSignalSpy ended(&fx.welcome, &TWelcomeF::ProgramEnd);
        fx.welcome.OpenDatabase(QStringLiteral("Books"));
        QCOMPARE(ended.count(), 0);
        QVERIFY(fx.welcome.isVisible());
        fx.results.append(TMainF::ResultExit);
        fx.welcome.OpenDatabase(QStringLiteral("Books"));
        QCOMPARE(ended.count(), 1);
        QVERIFY(!fx.welcome.isVisible());

        TWelcomeFixture closing;
        QSignalSpy closed(&closing.welcome, &TWelcomeF::ProgramEnd);
        closing.welcome.CloseBtn->click();
        QCOMPARE(closed.count(), 1);
    }

    void uninstallDeletesEveryProject() {
        TWelcomeFixture fx;
        fx.store(QStringLiteral("Alpha"));
        fx.store(QStringLiteral("Beta"));
        ProjectStore::SetHelpPath(fx.temp.Store(), QStringLiteral("/opt/help"));
        fx.welcome.hide();
        fx.welcome.show();
        fx.port.Queue(QStringLiteral("Cancel"));
        fx.welcome.UninstallBtn->click();
        QCOMPARE(ProjectStore::List(fx.temp.Store()).size(), 2);
        fx.port.Queue(QStringLiteral("OK"));
        fx.welcome.UninstallBtn->click();
        // Both the question and the closing notice say how the program goes.
        const QStringList messages = fx.port.Messages();
        QCOMPARE(messages.size(), 3);
        for (const QString& message : messages)
            QVERIFY2(message.contains(ProgramRemovalHint()), qPrintable(message));
        QVERIFY(ProjectStore::List(fx.temp.Store()).isEmpty());
        QVERIFY(ProjectStore::HelpPath(fx.temp.Store()).isEmpty());
        QVERIFY(!fx.manageShown());
    }

    void linksAndAbout() {
        TWelcomeFixture fx;
        for (QPushButton* b : {fx.welcome.FaqBtn, fx.welcome.NewsBtn, fx.welcome.WebSiteBtn,
                               fx.welcome.AddDbBtn, fx.welcome.BugBtn})
            b->click();
        // Pages of the manual that comes with the program, each section there.
        QCOMPARE(fx.urls.size(), 5);
        // Sections open through a page that leads on to them (desktops drop
        // the "#section" of a file); every address is checked by TestProgramTexts.
        for (const QUrl& url : fx.urls)
            QVERIFY2(url.isLocalFile() && QFileInfo::exists(url.toLocalFile()),
                     qPrintable(url.toString()));
        QVERIFY(ReadFileBytes(fx.urls.at(2).toLocalFile()).contains("Intro.htm#contents\""));
        fx.dialogs.Then([](QDialog& d) {
            auto& about = dynamic_cast<TAboutF&>(d);
            QCOMPARE(about.windowTitle(), QStringLiteral("About Corvanta"));
            QCOMPARE(about.Version->text(), "Version: " + ProgramVersion());
            QVERIFY(about.License->text().contains(QStringLiteral("GPL-3.0-or-later")));
            about.CloseBtn->click();
        });
        fx.welcome.AboutBtn->click();
        QCOMPARE(fx.dialogs.Titles(), QStringList{"About Corvanta"});
    }
};

QTEST_MAIN(TestWelcome)
#include "TestWelcome.moc"

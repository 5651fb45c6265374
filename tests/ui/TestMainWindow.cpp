#include "common/TestSupport.h"
#include "common/WindowTestSupport.h"
#include "common/WindowUser.h"

#include "deploy/ScriptedPort.h"
#include "model/ProjectStore.h"
#include "model/TableFields.h"
#include "ui/EditGuard.h"
#include "ui/FieldDetails.h"
#include "ui/FieldGrid.h"
#include "ui/SaveAs.h"
#include "ui/SelectDB.h"
#include "ui/Settings.h"
#include "ui/SettingsFontDialog.h"
#include "ui/Steps.h"
#include "ui/VisitorOptions.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

namespace {

// A main window on a store in a temporary folder, answering through a
// scripted port and scripted dialogs.
struct TMainFixture {
    TTempStore temp;
    TScriptedPort port;
    TDialogScript dialogs;
    TMainF main{temp.Store(), &port};

    explicit TMainFixture(int fields = 0) {
        main.SetDialogRunner(dialogs.Runner());
        TBTable table = TBTable::New();
        for (int i = 1; i <= fields; ++i)
            table.AddField(
                EnteredField(QStringLiteral("F%1").arg(i), FieldTypes::Text, InputTypes::Text));
        main.SetTable(std::move(table));
        main.show();
        QCoreApplication::processEvents();
    }

    QString cell(int row, int column) const {
        const QTableWidgetItem* item = main.FieldGrid->item(row - 1, column);
        return item ? item->text() : QString();
    }
    QStringList names() const {
        QStringList result;
        for (int r = 1; r <= main.FieldGrid->rowCount(); ++r)
            result.append(cell(r, 1));
        return result;
    }
    // The name dialog answers with name (empty: Cancel).
    void nameDialog(const QString& name) {
        dialogs.Then([name](QDialog& d) {
            auto& saveAs = dynamic_cast<TSaveAsF&>(d);
            if (name.isEmpty()) {
                saveAs.CancelBtn->click();
                return;
            }
            saveAs.DbName->setText(name);
            saveAs.OKBtn->click();
        });
    }
    void fieldDialog(const std::function<void(TFieldDetailsF&)>& edit) {
        dialogs.Then([edit](QDialog& d) {
            auto& f = dynamic_cast<TFieldDetailsF&>(d);
            edit(f);
            f.OKBtn->click();
        });
    }
};

void fillNewField(TFieldDetailsF& f, const QString& name) {
    f.NameEdit->setText(name);
    f.FieldTypeCombo->setCurrentText(FieldTypes::Integer);
    f.InputTypeCombo->setCurrentText(InputTypes::Radio);
}

QStringList menuTexts(QMenu* menu) {
    QStringList texts;
    for (QAction* a : menu->actions())
        texts.append(a->isSeparator() ? QStringLiteral("-") : a->text());
    return texts;
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void captionsMenusAndToolbar() {
        TTempStore temp;
        TScriptedPort port;
        TMainF main(temp.Store(), &port);
        QCOMPARE(main.windowTitle(), QStringLiteral("Corvanta Generator"));

        const QList<QAction*> menus = main.menuBar()->actions();
        QStringList titles;
        for (QAction* m : menus)
            titles.append(m->text());
        // Every title and entry answers to Alt and its letter.
        QCOMPARE(titles, (QStringList{"&File", "F&ield", "&Tools", "&Help"}));
        QCOMPARE(
            menuTexts(menus[0]->menu()),
            (QStringList{"&New Database", "&Open Database...", "&Save Database",
                         "Save Database &As...", "-", "&Back to the Welcome window", "E&xit"}));
        QCOMPARE(menuTexts(menus[1]->menu()),
                 (QStringList{"&Create", "&Modify", "&Delete", "-", "&Up", "Do&wn"}));
        QCOMPARE(menuTexts(menus[2]->menu()),
                 (QStringList{"&Settings...", "-", "&Generate", "&Upload", "-",
                              "&Import from Database...", "&Export to Database...", "-",
                              "Import from s&preadsheet...", "Export to sp&readsheet..."}));
        QCOMPARE(menuTexts(menus[3]->menu()),
                 (QStringList{"Corvanta &Help", "&Steps of Database Creation", "-", "&About..."}));

        QStringList hints;
        for (QAction* a : main.ToolBar->actions())
            hints.append(a->isSeparator() ? QStringLiteral("-") : a->toolTip());
        QCOMPARE(hints, (QStringList{"Back to the Welcome window",
                                     "-",
                                     "Save Database",
                                     "-",
                                     "Create new field",
                                     "Modify selected field",
                                     "Delete selected field",
                                     "Move up selected field",
                                     "Move down selected field",
                                     "-",
                                     "Settings",
                                     "-",
                                     "Generate PHP files",
                                     "Upload the site",
                                     "-",
                                     "Download the records from the site",
                                     "Send records to the site",
                                     "-",
                                     "Corvanta Help",
                                     "Steps of Database Creation"}));

        QCOMPARE(main.FieldCreateA->shortcut(), QKeySequence(QStringLiteral("Ctrl+C")));
        QCOMPARE(main.SettingsA->shortcut(), QKeySequence(QStringLiteral("Ctrl+T")));
        QCOMPARE(main.SaveAsA->shortcut(), QKeySequence(QStringLiteral("Ctrl+A")));
        QCOMPARE(main.HelpA->shortcut(), QKeySequence(Qt::Key_F1));
        QCOMPARE(main.GenerateUploadA->shortcut(), QKeySequence(QStringLiteral("Ctrl+R")));
        QVERIFY(!main.SaveA->isEnabled());
    }

    void showing() {
        TTempStore temp;
        TScriptedPort port;
        TMainF main(temp.Store(), &port);
        TBTable table = TBTable::New();
        table.DbName = QStringLiteral("Shop");
        main.SetTable(table);
        main.SetChanged(true);
        main.show();
        QCoreApplication::processEvents();
        QCOMPARE(main.windowTitle(), "Corvanta Generator v " + ProgramVersion());
        QVERIFY(main.Heading->text().contains(QStringLiteral("Database Fields - Shop")));
        QVERIFY(!main.Changed());

        // An empty project: the header and one empty row, not chosen.
        QCOMPARE(main.FieldGrid->rowCount(), 1);
        QVERIFY(main.FieldGrid->selectedItems().isEmpty());
        QCOMPARE(main.FieldGrid->Row(), 0);
        QCOMPARE(main.FieldGrid->horizontalHeaderItem(0)->text(), QStringLiteral("Seq."));
        QCOMPARE(main.FieldGrid->verticalHeader()->defaultSectionSize(), 18);
        QVERIFY(main.FieldGrid->columnWidth(1) >= 150);

        const QRect screen = main.screen()->geometry();
        const QRect frame = main.frameGeometry();
        const QRect steps = main.Steps->frameGeometry();
        const QRect area = main.screen()->availableGeometry();
        QCOMPARE(frame.top(), (screen.height() - (frame.height() + 28)) / 2);
        // Centred, unless the steps window would then leave the screen: the
        // pair is centred instead.
        const int centred = (screen.width() - frame.width()) / 2;
        if (centred + frame.width() + steps.width() <= area.right() + 1)
            QCOMPARE(frame.left(), centred);
        else
            QCOMPARE(frame.left(),
                     area.left() + std::max(0, (area.width() - steps.width() - frame.width()) / 2));
        // The steps window stands against the right edge, centred vertically,
        // never over the main window and never off the screen.
        QVERIFY(main.Steps->isVisible());
        QCOMPARE(steps.left(), frame.left() + frame.width());
        QVERIFY(area.contains(steps));
        QVERIFY(!steps.intersects(frame));
        QCOMPARE(steps.top(), frame.top() + (frame.height() - steps.height()) / 2);

        main.StepsA->trigger();
        QVERIFY(!main.Steps->isVisible());
        main.StepsA->trigger();
        QVERIFY(main.Steps->isVisible());
        main.close();
        QVERIFY(!main.Steps->isVisible());
    }

    void createWithCtrlC() {
        TMainFixture fx;
        fx.fieldDialog([](TFieldDetailsF& f) { fillNewField(f, QStringLiteral("Age")); });
        QTest::keyClick(fx.main.FieldGrid, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(fx.dialogs.Titles(), QStringList{"Create new field"});
        QCOMPARE(fx.names(), QStringList{"Age"});
        QCOMPARE(fx.cell(1, 0), QStringLiteral("1"));
        QCOMPARE(fx.cell(1, 2), FieldTypes::Integer);
        QCOMPARE(fx.cell(1, 3), InputTypes::Radio);
        QVERIFY(fx.main.Changed());
        QVERIFY(fx.main.Steps->isVisible()); // Ctrl+C is not the steps window's

        // Cancelled: nothing added.
        fx.dialogs.Then([](QDialog& d) { d.reject(); });
        fx.main.FieldCreateA->trigger();
        QCOMPARE(fx.main.Table().Fields.size(), size_t(3));
    }

    // Add a field, open it, save, generate and delete it, with keys only.
    void keyboardAlone() {
        TMainFixture fx;
        QTemporaryDir local;
        TBTable& t = fx.main.Table();
        t.LocalPath = local.path() + QStringLiteral("/");
        t.TableName = t.DatabaseServer = t.AdminPassword = QStringLiteral("books");
        // Keys on the grid, the main window in front again after a dialog.
        const auto press = [&fx](int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
            QApplication::setActiveWindow(&fx.main);
            fx.main.FieldGrid->setFocus();
            QTest::keyClick(fx.main.FieldGrid, Qt::Key(k), modifiers);
        };
        const auto type = [](QDialog& d, const QString& text, QList<int> keys) {
            QTest::keyClicks(d.focusWidget(), text);
            for (int k : keys)
                QTest::keyClick(d.focusWidget(), Qt::Key(k),
                                k == Qt::Key_PageDown ? Qt::ControlModifier : Qt::NoModifier);
        };
        // The name, Tab to the field type, its first item (Text), Enter for OK.
        fx.dialogs.Then([&](QDialog& d) {
            type(d, QStringLiteral("Title"), {Qt::Key_Tab, Qt::Key_Down, Qt::Key_Return});
        });
        press(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(fx.cell(1, 3), InputTypes::Text);
        // Enter opens the row; Ctrl+PgDn turns the page even from a list.
        fx.dialogs.Then([&](QDialog& d) {
            auto& f = dynamic_cast<TFieldDetailsF&>(d);
            f.FieldTypeCombo->setFocus();
            type(d, {}, {Qt::Key_PageDown});
            QCOMPARE(f.Pages->currentIndex(), 1);
            QCOMPARE(f.FieldTypeCombo->currentText(), FieldTypes::Text);
            type(d, {}, {Qt::Key_Escape}); // unchanged: no question
            QVERIFY(!d.isVisible());
        });
        press(Qt::Key_Return);
        fx.dialogs.Then([&](QDialog& d) { type(d, QStringLiteral("Books"), {Qt::Key_Return}); });
        press(Qt::Key_S, Qt::ControlModifier);
        press(Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(ProjectStore::List(fx.temp.Store()), QStringList{"Books"});
        QCOMPARE(fx.port.EventsOf(QStringLiteral("report")),
                 QStringList{"Generating report"});
        // Delete asks; its default keeps the field.
        press(Qt::Key_Delete);
        QCOMPARE(fx.names(), QStringList{"Title"});
        fx.port.Queue(QStringLiteral("Yes"));
        press(Qt::Key_Delete);
        QVERIFY(!fx.main.Table().HasFields() && fx.main.FieldGrid->selectedItems().isEmpty());
        QCOMPARE(fx.dialogs.Titles(),
                 (QStringList{"Create new field", "Modify field", "Create New Database..."}));

        // Tab leaves the grid for the buttons and comes back; Alt and a
        // title's letter open its menu, F10 the menu bar.
        press(Qt::Key_Tab);
        QVERIFY(fx.main.ToolBar->isAncestorOf(QApplication::focusWidget()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), fx.main.FieldGrid);
        QTest::keyClick(&fx.main, Qt::Key_I, Qt::AltModifier);
        QTRY_COMPARE(QApplication::activePopupWidget(), fx.main.menuBar()->actions().at(1)->menu());
        QApplication::activePopupWidget()->close();
        press(Qt::Key_F10);
        QCOMPARE(fx.main.menuBar()->activeAction(), fx.main.menuBar()->actions().at(0));
    }

    // Escape after a change asks before it is lost, in every dialog that
    // edits something, and No, the default, keeps the dialog open.
    void escapeAsksBeforeEditsAreLost() {
        TMainFixture fx;
        const auto escape = [](QDialog& d, QWidget* focus) {
            focus->setFocus();
            QTest::keyClick(focus, Qt::Key_Escape);
            return d.isVisible();
        };
        // Through the port: the field and name dialogs; unchanged, no question.
        TFieldDetailsF field(fx.port);
        field.open();
        QVERIFY(!escape(field, field.NameEdit));
        field.open();
        field.NameEdit->setText(QStringLiteral("Price"));
        QVERIFY(escape(field, field.NameEdit));
        fx.port.Queue(QStringLiteral("Yes"));
        QVERIFY(!escape(field, field.NameEdit));
        fx.dialogs.Then([&](QDialog& d) {
            auto& saveAs = dynamic_cast<TSaveAsF&>(d);
            saveAs.DbName->setText(QStringLiteral("Half typed"));
            QVERIFY(escape(d, saveAs.DbName));
            fx.port.Queue(QStringLiteral("Yes"));
            QVERIFY(!escape(d, saveAs.DbName));
        });
        fx.main.SaveAsA->trigger();
        QCOMPARE(fx.port.EventsOf(QStringLiteral("confirm")),
                 QStringList(4, EditGuard::DiscardQuestion));

        // The settings; a change undone is no change.
        TSettingsF& settings = *fx.main.Settings;
        QStringList asked;
        settings.ConfirmDiscard = [&](const QString& text) { return asked << text, false; };
        settings.LoadFrom(fx.main.Table());
        settings.open();
        settings.TableName->setText(QStringLiteral("books"));
        QVERIFY(escape(settings, settings.TableName));
        settings.TableName->clear();
        QVERIFY(!escape(settings, settings.URL));
        QCOMPARE(asked, QStringList{EditGuard::DiscardQuestion});

        // Opened from the settings: visitor options and the font chooser.
        TVisitorOptionsF& options = *settings.VisitorOptions();
        TCounterFontDialog chooser(TCounterFont{0, QStringLiteral("Arial"), 10});
        const auto changes = {std::pair<QDialog*, std::function<void()>>{
                                  &options, [&] { options.OnlyMembersCanAddCh->click(); }},
                              {&chooser, [&] {
                                   chooser.findChild<QFontDialog*>()->setCurrentFont(
                                       QFont(QStringLiteral("Serif"), 20));
                               }}};
        for (const auto& [dialog, change] : changes) {
            dialog->open();
            change();
            for (const bool discard : {false, true}) {
                TBoxAnswers answer(discard ? QMessageBox::Yes : QMessageBox::No);
                QCOMPARE(escape(*dialog, dialog->findChild<QPushButton*>()), !discard);
                QCOMPARE(answer.Texts, QStringList{EditGuard::DiscardQuestion});
            }
        }
    }

    void ctrlRDoesNothing() {
        TMainFixture fx(2);
        QTest::keyClick(fx.main.FieldGrid, Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(fx.dialogs.Titles(), QStringList{});
        QVERIFY(fx.port.Events().isEmpty());
        QVERIFY(!fx.main.Changed());
        QVERIFY(fx.main.isVisible());
    }

    void generateAndUploadOfferToSave() {
        TMainFixture fx(1);
        QTemporaryDir local;
        TBTable& t = fx.main.Table();
        t.LocalPath = local.path() + QStringLiteral("/");
        t.TableName = QStringLiteral("books");
        t.DatabaseServer = QStringLiteral("localhost");
        t.AdminPassword = QStringLiteral("secret");
        fx.main.SetChanged(true);
        const QString ask = QStringLiteral("Save changes of current Database?");

        // Cancel: nothing happens.
        fx.port.Queue(QStringLiteral("Cancel"));
        fx.main.GenerateA->trigger();
        QCOMPARE(fx.port.Messages(), QStringList{ask});
        QVERIFY(fx.port.EventsOf(QStringLiteral("report")).isEmpty());
        // No: the site is made from the definition as shown, nothing saved.
        fx.port.Queue(QStringLiteral("No"));
        fx.main.GenerateA->trigger();
        QCOMPARE(fx.port.EventsOf(QStringLiteral("report")), QStringList{"Generating report"});
        QVERIFY(fx.main.Changed());
        QVERIFY(ProjectStore::List(fx.temp.Store()).isEmpty());
        // An upload marks the project in the store: without a name it must
        // be saved first.
        fx.port.Queue(QStringLiteral("No"));
        fx.main.UploadA->trigger();
        QCOMPARE(fx.port.Messages().last(), QStringLiteral("Save the database first."));
        // Yes saves, asking for the name, and goes on.
        fx.nameDialog(QStringLiteral("Shop"));
        fx.port.Queue(QStringLiteral("Yes"));
        fx.main.GenerateA->trigger();
        QVERIFY(!fx.main.Changed());
        QCOMPARE(ProjectStore::List(fx.temp.Store()), QStringList{"Shop"});
        QCOMPARE(fx.port.EventsOf(QStringLiteral("report")).size(), 2);
        QCOMPARE(fx.port.Messages().count(ask), 4);
    }

    void badNumberKeepsTheFieldDialogOpen() {
        // The dialog does not close on a bad number: the field is neither
        // created half nor lost, the user corrects the box.
        TMainFixture fx;
        bool stayedOpen = false;
        fx.fieldDialog([&stayedOpen](TFieldDetailsF& f) {
            fillNewField(f, QStringLiteral("Age"));
            f.TextareaLines->setText(QStringLiteral("many"));
            f.OKBtn->click();
            stayedOpen = f.isVisible();
            f.TextareaLines->setText(QStringLiteral("3"));
        });
        fx.main.FieldCreateA->trigger();
        QVERIFY(stayedOpen);
        QCOMPARE(fx.port.EventsOf(QStringLiteral("information")),
                 QStringList{"Textarea lines must be a whole number."});
        QVERIFY(fx.port.EventsOf(QStringLiteral("error")).isEmpty());
        QVERIFY(fx.main.Table().HasFields());
        QCOMPARE(fx.main.Table().FieldBySeqNo(1)->TextAreaLines, 3);
    }

    void modifyByDoubleClick() {
        TMainFixture fx(3);
        const QString column = fx.main.Table().FieldBySeqNo(2)->FieldName;
        fx.fieldDialog([](TFieldDetailsF& f) {
            QCOMPARE(f.NameEdit->text(), QStringLiteral("F2"));
            f.NameEdit->setText(QStringLiteral("Renamed"));
        });
        const QPoint row2 =
            fx.main.FieldGrid->visualItemRect(fx.main.FieldGrid->item(1, 1)).center();
        QTest::mouseClick(fx.main.FieldGrid->viewport(), Qt::LeftButton, {}, row2);
        QTest::mouseDClick(fx.main.FieldGrid->viewport(), Qt::LeftButton, {}, row2);
        QCOMPARE(fx.dialogs.Titles(), QStringList{"Modify field"});
        QCOMPARE(fx.names(), (QStringList{"F1", "Renamed", "F3"}));
        QCOMPARE(fx.main.Table().FieldBySeqNo(2)->FieldName, column);
        QVERIFY(fx.main.Changed());
    }

    void modifyWithoutChangeLeavesProject() {
        TMainFixture fx(1);
        // An image field stored as key: the dialog clears the box on screen,
        // which is not a change of the user's.
        fx.main.Table().Fields[2].Key = true;
        fx.main.Table().Fields[2].FieldType = FieldTypes::Image;
        fx.main.Table().Fields[2].InputType = InputTypes::Image;
        const TBField before = fx.main.Table().Fields[2];
        fx.fieldDialog([](TFieldDetailsF&) {});
        fx.main.FieldModifyA->trigger();
        QCOMPARE(fx.main.Table().Fields[2], before);
        QVERIFY(!fx.main.Changed());
    }

    void deleteAsksFirst() {
        TMainFixture fx(4);
        fx.main.FieldGrid->SetRow(2);
        fx.port.Queue(QStringLiteral("No"));
        fx.main.FieldDeleteA->trigger();
        QCOMPARE(fx.port.EventsOf(QStringLiteral("confirm")),
                 QStringList{"Are you sure you want to delete the field \"F2\"?"});
        QCOMPARE(fx.names().size(), 4);
        QVERIFY(!fx.main.Changed());

        fx.port.Queue(QStringLiteral("Yes"));
        fx.main.FieldDeleteA->trigger();
        QCOMPARE(fx.names(), (QStringList{"F1", "F3", "F4"}));
        QCOMPARE(fx.cell(3, 0), QStringLiteral("3"));
        QVERIFY(fx.main.Changed());
    }

    void selectionFollowsUpAndDown() {
        TMainFixture fx(4);
        fx.main.FieldGrid->SetRow(3);
        fx.main.FieldUpA->trigger();
        QCOMPARE(fx.main.FieldGrid->Row(), 2);
        QCOMPARE(fx.cell(2, 1), QStringLiteral("F3"));
        QVERIFY(fx.main.Changed());
        fx.main.FieldDownA->trigger();
        fx.main.FieldDownA->trigger();
        QCOMPARE(fx.main.FieldGrid->Row(), 4);
        QCOMPARE(fx.names(), (QStringList{"F1", "F2", "F4", "F3"}));
        // At the ends nothing moves.
        fx.main.FieldDownA->trigger();
        QCOMPARE(fx.main.FieldGrid->Row(), 4);
        fx.main.FieldGrid->SetRow(1);
        fx.main.FieldUpA->trigger();
        QCOMPARE(fx.main.FieldGrid->Row(), 1);
        QCOMPARE(fx.names(), (QStringList{"F1", "F2", "F4", "F3"}));
    }

    void saveAsksForAName() {
        TMainFixture fx(1);
        fx.main.SetChanged(true);
        fx.nameDialog({});
        fx.main.SaveA->trigger();
        QVERIFY(fx.main.Changed());
        QVERIFY(ProjectStore::List(fx.temp.Store()).isEmpty());

        // An empty name is refused with a word, blanks too; the dialog stays open.
        fx.dialogs.Then([](QDialog& d) {
            auto& saveAs = dynamic_cast<TSaveAsF&>(d);
            saveAs.OKBtn->click();
            QVERIFY(saveAs.isVisible());
            saveAs.DbName->setText(QStringLiteral("  "));
            saveAs.OKBtn->click();
            QVERIFY(saveAs.isVisible());
            saveAs.DbName->setText(QStringLiteral("Shop"));
            saveAs.OKBtn->click();
        });
        fx.main.SaveA->trigger();
        QVERIFY(!fx.main.Changed());
        QCOMPARE(fx.port.Messages(), QStringList(2, "Please enter a name for the database."));
        const TBTable stored = ProjectStore::Load(fx.temp.Store(), QStringLiteral("Shop"));
        QCOMPARE(stored.FieldBySeqNo(1)->Name, QStringLiteral("F1"));

        // A named project is saved without asking.
        fx.main.SetChanged(true);
        fx.main.SaveA->trigger();
        QCOMPARE(fx.dialogs.Titles().size(), 2);
        QVERIFY(!fx.main.Changed());
    }

    void saveAsOverExistingProject() {
        TMainFixture fx(1);
        ProjectStore::Create(fx.temp.Store(), QStringLiteral("Old"));
        fx.dialogs.Then([&](QDialog& d) {
            auto& saveAs = dynamic_cast<TSaveAsF&>(d);
            saveAs.DbName->setText(QStringLiteral("Old"));
            fx.port.Queue(QStringLiteral("Cancel"));
            saveAs.OKBtn->click();
            QVERIFY(saveAs.isVisible());
            fx.port.Queue(QStringLiteral("OK"));
            saveAs.OKBtn->click();
        });
        fx.main.SaveAsA->trigger();
        QCOMPARE(fx.port.EventsOf(QStringLiteral("confirm")),
                 (QStringList{"Database already present. Overwrite it?",
                              "Database already present. Overwrite it?"}));
        QCOMPARE(fx.main.windowTitle(), "Corvanta Generator v " + ProgramVersion() + " - Old");
        QCOMPARE(ProjectStore::Load(fx.temp.Store(), QStringLiteral("Old")).Fields.size(),
                 size_t(3));
        QVERIFY(!fx.main.Changed());
    }

    void newProject() {
        TMainFixture fx(2);
        fx.main.SetChanged(true);
        fx.port.Queue(QStringLiteral("Cancel"));
        fx.main.NewA->trigger();
        QCOMPARE(fx.names().size(), 2);

        // Yes, but the name dialog is cancelled: the changes stay.
        fx.port.Queue(QStringLiteral("Yes"));
        fx.nameDialog({});
        fx.main.NewA->trigger();
        QCOMPARE(fx.names().size(), 2);
        QVERIFY(fx.main.Changed());

        fx.port.Queue(QStringLiteral("No"));
        fx.main.NewA->trigger();
        QCOMPARE(fx.port.EventsOf(QStringLiteral("confirm")).last(),
                 QStringLiteral("Save changes of current Database?"));
        QCOMPARE(fx.main.FieldGrid->rowCount(), 1);
        QCOMPARE(fx.names(), QStringList{QString()});
        QVERIFY(!fx.main.Changed());
        QCOMPARE(fx.main.windowTitle(), "Corvanta Generator v " + ProgramVersion() + " - ");
        QCOMPARE(fx.main.Table().Skin, QStringLiteral("default.css"));
    }

    void openProject() {
        TMainFixture fx(1);
        fx.main.OpenA->trigger();
        QCOMPARE(fx.port.Messages(), QStringList{"No Database found."});

        TBTable other = TBTable::New();
        other.DbName = QStringLiteral("Books");
        other.AddField(EnteredField(QStringLiteral("Title"), FieldTypes::Text, InputTypes::Text));
        ProjectStore::Save(fx.temp.Store(), other);
        ProjectStore::Create(fx.temp.Store(), QStringLiteral("Albums"));

        // Closing the list changes nothing.
        fx.dialogs.Then([](QDialog& d) { dynamic_cast<TSelectDBF&>(d).CloseBtn->click(); });
        fx.main.OpenA->trigger();
        QCOMPARE(fx.names(), QStringList{"F1"});

        fx.main.SetChanged(true);
        fx.dialogs.Then([](QDialog& d) {
            auto& select = dynamic_cast<TSelectDBF&>(d);
            QVERIFY(select.OpenBtn->isHidden() && select.RemoveBtn->isHidden());
            QCOMPARE(select.TableList->count(), 2);
            QCOMPARE(select.TableList->item(0)->text(), QStringLiteral("Albums"));
            select.TableList->setCurrentRow(1);
            select.OKBtn->click();
        });
        fx.port.Queue(QStringLiteral("No"));
        fx.main.OpenA->trigger();
        QCOMPARE(fx.names(), QStringList{"Title"});
        QCOMPARE(fx.main.Table().DbName, QStringLiteral("Books"));
        QCOMPARE(fx.main.windowTitle(), "Corvanta Generator v " + ProgramVersion() + " - Books");
        QVERIFY(fx.main.Heading->text().contains(QStringLiteral("Books")));
        QVERIFY(!fx.main.Changed());
    }

    void closing() {
        TMainFixture fx(1);
        QSignalSpy closed(&fx.main, &TMainF::Closed);
        fx.main.SetChanged(true);
        fx.port.Queue(QStringLiteral("Cancel"));
        QVERIFY(!fx.main.close());
        QVERIFY(fx.main.isVisible());
        QVERIFY(fx.main.Changed());
        QCOMPARE(fx.port.EventsOf(QStringLiteral("confirm")),
                 QStringList{"Do you want to save changes?"});

        // Yes with the name dialog cancelled: nothing was saved, so stay.
        fx.port.Queue(QStringLiteral("Yes"));
        fx.nameDialog({});
        QVERIFY(!fx.main.close());
        QVERIFY(fx.main.Changed());

        fx.port.Queue(QStringLiteral("Yes"));
        fx.nameDialog(QStringLiteral("Kept"));
        fx.main.BackA->trigger();
        QVERIFY(!fx.main.isVisible());
        QVERIFY(ProjectStore::Exists(fx.temp.Store(), QStringLiteral("Kept")));
        QCOMPARE(closed.size(), 1);
        QCOMPARE(closed[0][0].value<TMainF::TMainResult>(), TMainF::ResultBack);
    }

    void closingWithNoAndExit() {
        TMainFixture fx(1);
        fx.main.SetChanged(true);
        fx.port.Queue(QStringLiteral("No"));
        fx.main.ExitA->trigger();
        QVERIFY(!fx.main.isVisible());
        QCOMPARE(fx.main.Result(), TMainF::ResultExit);
        QVERIFY(ProjectStore::List(fx.temp.Store()).isEmpty());
    }

    void storeErrorsAreShown() {
        TMainFixture fx(1);
        WriteFileBytes(fx.temp.Store().path(), "this is not a store");
        fx.main.OpenA->trigger();
        QCOMPARE(fx.port.EventsOf(QStringLiteral("error")).size(), 1);
        QVERIFY(fx.port.EventsOf(QStringLiteral("error"))[0].contains(fx.temp.Store().path()));
        QVERIFY(fx.main.isEnabled());
    }
};

QTEST_MAIN(TestMainWindow)
#include "TestMainWindow.moc"

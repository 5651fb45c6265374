#include "common/WindowTestSupport.h"

#include "deploy/ScriptedPort.h"
#include "model/Convert.h"
#include "model/TableFields.h"
#include "ui/FieldDetails.h"
#include "ui/InputNote.h"
#include "ui/NumberBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTest>

namespace {

const QString kNone = QStringLiteral("-");

void choose(QComboBox* combo, const QString& text) {
    combo->setCurrentIndex(text == kNone ? -1 : combo->findText(text));
    QVERIFY(text == kNone || combo->currentIndex() >= 0);
}

struct TShownDialog {
    TScriptedPort port;
    TFieldDetailsF dialog{port};
    TShownDialog() {
        dialog.show();
        QCoreApplication::processEvents();
    }
};

} // namespace

class TestFieldDetails : public QObject {
    Q_OBJECT
private slots:
    void emptyDialog() {
        TShownDialog d;
        QCOMPARE(d.dialog.Pages->currentIndex(), 0);
        QCOMPARE(d.dialog.Pages->tabText(0), QStringLiteral("&Database"));
        QCOMPARE(d.dialog.Pages->tabText(1), QStringLiteral("&Appearance on the web"));
        QCOMPARE(d.dialog.FieldTypeCombo->currentIndex(), -1);
        QCOMPARE(d.dialog.InputTypeCombo->currentIndex(), -1);
        // A new field is shown, searched and editable, its text up to 100.
        QCOMPARE(d.dialog.MaxLengthEdit->text(), QStringLiteral("100"));
        QVERIFY(d.dialog.VisibleCh->isChecked() && d.dialog.SearchCh->isChecked() &&
                d.dialog.UmodCh->isChecked());
        QCOMPARE(d.dialog.ImageWidthEdit->text(), QStringLiteral("50"));
        QCOMPARE(d.dialog.TextareaLines->text(), QStringLiteral("1"));
        QVERIFY(!d.dialog.Changed());
        QVERIFY(d.dialog.OKBtn->isDefault());
    }

    // Each OK check in order, with the combination that makes it the first to fail.
    void okChecks_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("fieldType");
        QTest::addColumn<QString>("inputType");
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("noDupl");
        QTest::addColumn<bool>("key");
        QTest::addColumn<QString>("maxLength");
        QTest::addColumn<QString>("message"); // empty: OK closes the dialog

        const QString text = FieldTypes::Text;
        QTest::newRow("1 name") << "" << text << "Text" << kNone << false << false << "30"
                                << "Fill in the Field Name.";
        QTest::newRow("2 field type") << "A" << kNone << "Text" << kNone << false << false << "30"
                                      << "Fill in the Field Type.";
        QTest::newRow("3 input type") << "A" << text << kNone << kNone << false << false << "30"
                                      << "Fill in the Input Type.";
        QTest::newRow("9 format") << "A"
                                  << "Date & time"
                                  << "Date & time" << kNone << false << false << "30"
                                  << "Select a Date & time format.";
        QTest::newRow("14 no duplicates, empty length")
            << "A" << text << "Text" << kNone << true << false << ""
            << "Maximal length must be positive if no duplicates allowed.";
        QTest::newRow("15 key, empty length")
            << "A" << text << "Text" << kNone << false << true << ""
            << "Maximal length must be positive if key is checked.";
        QTest::newRow("16 no duplicates, 256")
            << "A" << text << "Text" << kNone << true << false << "256"
            << "Maximal length cannot be greater than 255 if no duplicates allowed.";
        QTest::newRow("17 key, 256")
            << "A" << text << "Text" << kNone << false << true << "256"
            << "Maximal length cannot be greater than 255 if key is checked.";
        QTest::newRow("both at 0: no duplicates first")
            << "A" << text << "Text" << kNone << true << true << "0"
            << "Maximal length must be positive if no duplicates allowed.";
        QTest::newRow("key at 255 passes")
            << "A" << text << "Text" << kNone << false << true << "255"
            << "";
        QTest::newRow("date with a format passes") << "A"
                                                   << "Date & time"
                                                   << "Date & time"
                                                   << "hh:mm" << false << false << "30"
                                                   << "";
        QTest::newRow("integer select passes") << "A"
                                               << "Integer"
                                               << "Select" << kNone << false << false << "30"
                                               << "";
        QTest::newRow("text area passes")
            << "A" << text << "Text area" << kNone << false << false << "30"
            << "";
        QTest::newRow("real number without its symbol")
            << "A"
            << "Real number"
            << "Text" << kNone << false << false << "30"
            << "Choose the Decimal Symbol of the Real number: \".\" or \",\".";
        QTest::newRow("format only asked for dates") << "A"
                                                     << "Mailto"
                                                     << "Mailto" << kNone << false << false << ""
                                                     << "";
    }
    void okChecks() {
        QFETCH(QString, name);
        QFETCH(QString, fieldType);
        QFETCH(QString, inputType);
        QFETCH(QString, format);
        QFETCH(bool, noDupl);
        QFETCH(bool, key);
        QFETCH(QString, maxLength);
        QFETCH(QString, message);

        TShownDialog d;
        TFieldDetailsF& f = d.dialog;
        f.NameEdit->setText(name);
        choose(f.FieldTypeCombo, fieldType); // may force an input type ...
        choose(f.InputTypeCombo, inputType); // ... which the user then overrides
        choose(f.DateTimeFormatCombo, format);
        // A real number gets "." when chosen; the row without it clears it.
        if (fieldType == FieldTypes::Real) {
            QCOMPARE(f.DecimalSymbolCombo->currentText(), QStringLiteral("."));
            const QSignalBlocker quiet(f.DecimalSymbolCombo);
            f.DecimalSymbolCombo->setCurrentIndex(-1);
        }
        f.NoDuplCh->setChecked(noDupl);
        f.KeyCh->setChecked(key);
        f.MaxLengthEdit->setText(maxLength);
        f.Pages->setCurrentIndex(1);
        QTest::mouseClick(f.OKBtn, Qt::LeftButton);

        if (message.isEmpty()) {
            QVERIFY(!f.isVisible());
            QCOMPARE(f.result(), int(QDialog::Accepted));
            QVERIFY(d.port.Events().isEmpty());
        } else {
            QCOMPARE(d.port.EventsOf(QStringLiteral("information")), QStringList{message});
            QVERIFY(f.isVisible());
            // The dialog stays as entered, on the page the user was on.
            QCOMPARE(f.Pages->currentIndex(), 1);
            QCOMPARE(f.NameEdit->text(), name);
            QCOMPARE(f.MaxLengthEdit->text(), maxLength);
        }
    }

    void numberTypoKeepsTheDialogOpen() {
        // Boxes take digits only; a bad value that gets in all the same
        // (pasted by a program, empty, too large) is named, its page shown
        // and the cursor put into it, with every other entry kept.
        TShownDialog d;
        TFieldDetailsF& f = d.dialog;
        QTest::keyClicks(f.NameEdit, QStringLiteral("Price"));
        choose(f.FieldTypeCombo, FieldTypes::Text);
        choose(f.InputTypeCombo, InputTypes::TextArea);
        f.TextareaCols->clear();
        f.Pages->setCurrentIndex(1);
        QTest::keyClicks(f.TextareaCols, QStringLiteral("4o"));
        QCOMPARE(f.TextareaCols->text(), QStringLiteral("4"));
        // The refused letter is not lost in silence: the box says why.
        QLabel* note = InputNote::Shown(*f.TextareaCols);
        QVERIFY(note);
        QCOMPARE(note->text(), NumberBox::Refusal);
        QTest::keyClicks(f.TextareaCols, QStringLiteral("0"));
        QVERIFY(!InputNote::Shown(*f.TextareaCols));
        f.TextareaCols->setText(QStringLiteral("4"));
        // 0 is a text without limit, and the dialog says so.
        f.MaxLengthEdit->setText(QStringLiteral("0"));
        QCOMPARE(f.MaxLengthNote->text(), QStringLiteral("no limit"));
        f.MaxLengthEdit->setText(QStringLiteral("30"));
        QVERIFY(f.MaxLengthNote->text().isEmpty());
        struct TTypo {
            QLineEdit* box;
            QString text;
            QString message;
            int page;
        };
        const QList<TTypo> typos = {
            {f.MaxLengthEdit, QStringLiteral("ten"), "Max length must be a whole number.", 0},
            {f.TextareaLines, QString(), "Textarea lines must be a whole number.", 1},
            {f.TextareaCols, QStringLiteral("99999999999"),
             "Textarea columns must be a whole number.", 1},
        };
        for (const TTypo& typo : typos) {
            const QString good = typo.box->text();
            typo.box->setText(typo.text);
            f.KeyCh->setChecked(typo.box == f.MaxLengthEdit);
            f.Pages->setCurrentIndex(1 - typo.page);
            f.OKBtnClick();
            QVERIFY(f.isVisible());
            QCOMPARE(d.port.Messages().last(), typo.message);
            QCOMPARE(f.Pages->currentIndex(), typo.page);
            QCOMPARE(f.focusWidget(), typo.box);
            QCOMPARE(typo.box->selectedText(), typo.text);
            QCOMPARE(f.NameEdit->text(), QStringLiteral("Price"));
            QCOMPARE(f.InputTypeCombo->currentText(), InputTypes::TextArea);
            typo.box->setText(good);
        }
        // Without key or no-duplicates a bad length is the box's own matter.
        f.MaxLengthEdit->setText(QStringLiteral("-5"));
        f.KeyCh->setChecked(false);
        f.OKBtnClick();
        QCOMPARE(d.port.Messages().last(), QStringLiteral("Max length must be a whole number."));
        f.MaxLengthEdit->setText(QStringLiteral("12"));
        f.OKBtnClick();
        QVERIFY(!f.isVisible());
        QCOMPARE(f.Field().TextAreaColumns, 4);
        QCOMPARE(d.port.EventsOf(QStringLiteral("error")), QStringList());
    }

    void inputTypesFollowTheFieldType_data() {
        QTest::addColumn<QString>("fieldType");
        QTest::addColumn<QStringList>("offered");
        const QStringList numbers{InputTypes::Text, InputTypes::Radio, InputTypes::Select};
        QTest::newRow("text") << FieldTypes::Text << numbers + QStringList{InputTypes::TextArea};
        QTest::newRow("integer") << FieldTypes::Integer << numbers;
        QTest::newRow("real") << FieldTypes::Real << numbers;
        QTest::newRow("yes/no") << FieldTypes::YesNo << QStringList{InputTypes::Checkbox};
        QTest::newRow("date") << FieldTypes::DateTime << QStringList{InputTypes::DateTime};
        QTest::newRow("image") << FieldTypes::Image << QStringList{InputTypes::Image};
        QTest::newRow("mailto") << FieldTypes::Mailto << QStringList{InputTypes::Mailto};
    }
    void inputTypesFollowTheFieldType() {
        // Only what the field type allows is offered, the first one chosen:
        // the second page never has to ask for an input type.
        QFETCH(QString, fieldType);
        QFETCH(QStringList, offered);
        TShownDialog d;
        TFieldDetailsF& f = d.dialog;
        QCOMPARE(f.InputTypeCombo->count(), InputTypes::All().size());
        f.NameEdit->setText(QStringLiteral("A"));
        choose(f.FieldTypeCombo, fieldType);
        QStringList items;
        for (int i = 0; i < f.InputTypeCombo->count(); ++i)
            items << f.InputTypeCombo->itemText(i);
        QCOMPARE(items, offered);
        QCOMPARE(f.InputTypeCombo->currentText(), offered.first());
        // A date gets the first format until another is picked.
        QCOMPARE(f.DateTimeFormatCombo->currentIndex(), fieldType == FieldTypes::DateTime ? 0 : -1);
        f.OKBtnClick();
        QVERIFY2(!f.isVisible(), qPrintable(d.port.Messages().join(u'\n')));
    }

    // Given its project, OK also runs the project checks on the field there:
    // the dialog stays open at the value concerned.
    void projectChecks() {
        TBTable small = TBTable::New();
        {
            TShownDialog d;
            TFieldDetailsF& f = d.dialog;
            f.SetProject(small, 0);
            f.NameEdit->setText(QStringLiteral("Count"));
            choose(f.FieldTypeCombo, FieldTypes::Text);
            choose(f.InputTypeCombo, InputTypes::Text);
            f.MaxLengthEdit->setText(QStringLiteral("70000"));
            f.Pages->setCurrentIndex(1);
            f.OKBtnClick();
            QCOMPARE(d.port.Messages().size(), 1);
            // Named as the dialog labels it, without the store's name.
            QVERIFY2(d.port.Messages().first().contains(QStringLiteral("Max length 70000")),
                     qPrintable(d.port.Messages().first()));
            QVERIFY(f.isVisible());
            QCOMPARE(f.Pages->currentIndex(), 0);
            QCOMPARE(f.focusWidget(), f.MaxLengthEdit);

            choose(f.FieldTypeCombo, FieldTypes::Text);
            choose(f.InputTypeCombo, InputTypes::TextArea);
            f.MaxLengthEdit->setText(QStringLiteral("0"));
            f.TextareaLines->setText(QStringLiteral("-1"));
            f.OKBtnClick();
            QCOMPARE(f.Pages->currentIndex(), 1);
            QCOMPARE(f.focusWidget(), f.TextareaLines);
            f.TextareaLines->setText(QStringLiteral("4"));
            f.OKBtnClick();
            QVERIFY(!f.isVisible());
        }

        // 506 number fields fill the columns a table may have.
        TBTable full = TBTable::New();
        TBField number;
        number.FieldType = FieldTypes::Integer;
        number.InputType = InputTypes::Text;
        for (int i = 1; i <= 506; ++i) {
            number.Name = QStringLiteral("N%1").arg(i);
            number.SeqNo = i;
            number.FieldName = QStringLiteral("a%1").arg(i);
            number.FieldName2 = QStringLiteral("b%1").arg(i);
            full.Fields.push_back(number);
        }
        TShownDialog more;
        more.dialog.SetProject(full, 0);
        more.dialog.NameEdit->setText(QStringLiteral("One more"));
        choose(more.dialog.FieldTypeCombo, FieldTypes::Integer);
        choose(more.dialog.InputTypeCombo, InputTypes::Text);
        more.dialog.OKBtnClick();
        QVERIFY(more.dialog.isVisible());
        QVERIFY2(more.port.Messages().value(0).contains(QStringLiteral("1018 columns")),
                 qPrintable(more.port.Messages().value(0)));
        // Changing a field of that table adds no column.
        TShownDialog change;
        change.dialog.SetProject(full, 7);
        change.dialog.SetField(*full.FieldBySeqNo(7));
        change.dialog.NameEdit->setText(QStringLiteral("Renamed"));
        change.dialog.OKBtnClick();
        QVERIFY(!change.dialog.isVisible());
    }

    void forcedInputTypes_data() {
        QTest::addColumn<QString>("fieldType");
        QTest::addColumn<QString>("expected");
        QTest::newRow("yes/no") << "Yes/No"
                                << "Checkbox";
        QTest::newRow("date") << "Date & time"
                              << "Date & time";
        QTest::newRow("image") << "Image"
                               << "Image";
        QTest::newRow("image link") << "Image link"
                                    << "Image link";
        QTest::newRow("mailto") << "Mailto"
                                << "Mailto";
        QTest::newRow("hyperlink") << "Hyperlink"
                                   << "Hyperlink";
        QTest::newRow("text keeps") << "Text"
                                    << "Radio";
        QTest::newRow("integer keeps") << "Integer"
                                       << "Radio";
        QTest::newRow("real keeps") << "Real number"
                                    << "Radio";
    }
    void forcedInputTypes() {
        QFETCH(QString, fieldType);
        QFETCH(QString, expected);
        TShownDialog d;
        choose(d.dialog.InputTypeCombo, InputTypes::Radio);
        choose(d.dialog.FieldTypeCombo, fieldType);
        QCOMPARE(d.dialog.InputTypeCombo->currentText(), expected);
    }

    void switchingBackOffersTheTypesAgain() {
        TShownDialog d;
        TFieldDetailsF& f = d.dialog;
        f.NameEdit->setText(QStringLiteral("Paid"));
        choose(f.InputTypeCombo, InputTypes::Text);
        choose(f.FieldTypeCombo, FieldTypes::YesNo);
        QCOMPARE(f.InputTypeCombo->currentText(), InputTypes::Checkbox);
        choose(f.FieldTypeCombo, FieldTypes::Text);
        QCOMPARE(f.InputTypeCombo->currentText(), InputTypes::Text);
        f.OKBtnClick();
        QVERIFY(d.port.Messages().isEmpty());
        QVERIFY(!f.isVisible());
    }

    void enablingByFieldType_data() {
        QTest::addColumn<QString>("fieldType");
        QTest::addColumn<bool>("maxLength");
        QTest::addColumn<bool>("decimal");
        QTest::addColumn<bool>("keyable");
        QTest::newRow("none") << "-" << false << false << true;
        QTest::newRow("text") << "Text" << true << false << true;
        QTest::newRow("integer") << "Integer" << true << false << true;
        QTest::newRow("real") << "Real number" << false << true << true;
        QTest::newRow("yes/no") << "Yes/No" << false << false << true;
        QTest::newRow("image") << "Image" << false << false << false;
        QTest::newRow("mailto") << "Mailto" << false << false << true;
    }
    void enablingByFieldType() {
        QFETCH(QString, fieldType);
        QFETCH(bool, maxLength);
        QFETCH(bool, decimal);
        QFETCH(bool, keyable);
        TShownDialog d;
        TFieldDetailsF& f = d.dialog;
        choose(f.FieldTypeCombo, FieldTypes::Text);
        f.KeyCh->setChecked(true);
        f.NoDuplCh->setChecked(true);
        choose(f.FieldTypeCombo, fieldType);
        QCOMPARE(f.MaxLengthEdit->isEnabled(), maxLength);
        QCOMPARE(TFieldDetailsF::PaintedInactive(f.MaxLengthEdit), !maxLength);
        QCOMPARE(f.DecimalSymbolCombo->isEnabled(), decimal);
        QCOMPARE(f.KeyCh->isEnabled(), keyable);
        QCOMPARE(f.NoDuplCh->isEnabled(), keyable);
        QCOMPARE(f.KeyCh->isChecked(), keyable);
        QCOMPARE(f.NoDuplCh->isChecked(), keyable);
    }

    void enablingByInputType_data() {
        QTest::addColumn<QString>("inputType");
        QTest::addColumn<bool>("textLength");
        QTest::addColumn<bool>("format");
        QTest::addColumn<bool>("image");
        QTest::addColumn<bool>("memo");
        QTest::addColumn<bool>("textArea");
        QTest::newRow("none") << "-" << false << false << false << false << false;
        QTest::newRow("text") << "Text" << true << false << false << false << false;
        QTest::newRow("radio") << "Radio" << false << false << false << true << false;
        QTest::newRow("select") << "Select" << false << false << false << true << false;
        QTest::newRow("checkbox") << "Checkbox" << false << false << false << false << false;
        QTest::newRow("text area") << "Text area" << false << false << false << false << true;
        QTest::newRow("date") << "Date & time" << false << true << false << false << false;
        QTest::newRow("image") << "Image" << false << false << true << false << false;
        QTest::newRow("image link") << "Image link" << true << false << false << false << false;
        QTest::newRow("mailto") << "Mailto" << true << false << false << false << false;
        QTest::newRow("hyperlink") << "Hyperlink" << true << false << false << false << false;
    }
    void enablingByInputType() {
        QFETCH(QString, inputType);
        QFETCH(bool, textLength);
        QFETCH(bool, format);
        QFETCH(bool, image);
        QFETCH(bool, memo);
        QFETCH(bool, textArea);
        TShownDialog d;
        TFieldDetailsF& f = d.dialog;
        choose(f.InputTypeCombo, inputType);
        QCOMPARE(f.TextLengthEdit->isEnabled(), textLength);
        QCOMPARE(f.DateTimeFormatCombo->isEnabled(), format);
        QCOMPARE(f.ImageWidthEdit->isEnabled(), image);
        QCOMPARE(f.ImageHeightEdit->isEnabled(), image);
        // The memo and the text area edits are only painted as not applying.
        for (QWidget* w :
             std::initializer_list<QWidget*>{f.EnumValuesMemo, f.TextareaCols, f.TextareaLines})
            QVERIFY(w->isEnabled());
        QCOMPARE(TFieldDetailsF::PaintedInactive(f.EnumValuesMemo), !memo);
        QCOMPARE(TFieldDetailsF::PaintedInactive(f.TextareaCols), !textArea);
        QCOMPARE(TFieldDetailsF::PaintedInactive(f.TextareaLines), !textArea);
        QCOMPARE(TFieldDetailsF::PaintedInactive(f.ImageWidthEdit), !image);
    }

    void existingImageFieldCannotBeKey() {
        TScriptedPort port;
        TFieldDetailsF f(port);
        TBField stored =
            EnteredField(QStringLiteral("Photo"), FieldTypes::Image, InputTypes::Image);
        stored.Key = true;
        stored.NoDuplicates = true;
        f.SetField(stored);
        f.show();
        QVERIFY(!f.KeyCh->isChecked() && !f.KeyCh->isEnabled());
        QVERIFY(!f.NoDuplCh->isChecked() && !f.NoDuplCh->isEnabled());
        // The rules' own adjustments are not the user's changes.
        QVERIFY(!f.Changed());
    }

    void changedFlag() {
        TScriptedPort port;
        TFieldDetailsF f(port);
        f.SetField(EnteredField(QStringLiteral("Title"), FieldTypes::Text, InputTypes::Text));
        f.show();
        QVERIFY(!f.Changed());
        f.OKBtnClick();
        QVERIFY(!f.isVisible());
        QVERIFY(!f.Changed());

        f.show();
        QVERIFY(!f.Changed());
        f.NameEdit->setFocus();
        f.NameEdit->end(false);
        QTest::keyClick(f.NameEdit, Qt::Key_X);
        QTest::keyClick(f.NameEdit, Qt::Key_Backspace);
        QCOMPARE(f.NameEdit->text(), QStringLiteral("Title"));
        QVERIFY(f.Changed());

        // Every kind of control counts.
        const QList<std::function<void()>> edits = {
            [&] { f.ReqCh->click(); },
            [&] { f.DecimalSymbolCombo->setCurrentIndex(1); },
            [&] { f.EnumValuesMemo->setPlainText(QStringLiteral("a")); },
            [&] { f.ImageHeightEdit->setText(QStringLiteral("7")); },
            [&] { f.DateTimeFormatCombo->setCurrentIndex(2); },
        };
        for (const auto& edit : edits) {
            f.hide();
            f.show();
            QVERIFY(!f.Changed());
            edit();
            QVERIFY(f.Changed());
        }
    }

    void nameMirroring() {
        TShownDialog d;
        TFieldDetailsF& f = d.dialog;
        QTest::keyClicks(f.NameEdit, QStringLiteral("Price"));
        QCOMPARE(f.NameEdit2->text(), QStringLiteral("Price"));
        f.Pages->setCurrentIndex(1);
        f.NameEdit2->setFocus();
        QTest::keyClick(f.NameEdit2, Qt::Key_Backspace);
        QCOMPARE(f.NameEdit->text(), QStringLiteral("Pric"));
        QVERIFY(f.Changed());
    }

    void fillAndRead() {
        TScriptedPort port;
        TFieldDetailsF f(port);
        TBField stored =
            EnteredField(QStringLiteral("Colour"), FieldTypes::Text, InputTypes::Select);
        stored.EnumValues = QStringList{QStringLiteral("red"), QString(), QStringLiteral("blue")};
        stored.MaxLength = 12;
        stored.DecimalSymbol = QStringLiteral(",");
        stored.DateTimeFormat = QStringLiteral("hh:mm");
        stored.Required = stored.Visible = stored.Searchable = stored.Hidden = stored.Editable =
            true;
        stored.TextAreaLines = 4;
        f.SetField(stored);
        f.show();
        QCOMPARE(f.Field(), stored);
        f.EnumValuesMemo->setPlainText(QStringLiteral("one\ntwo\n"));
        QCOMPARE(f.Field().EnumValues, (QStringList{QStringLiteral("one"), QStringLiteral("two")}));

        // A box that does not apply to the field is not read; one that does
        // must hold a number.
        f.ImageWidthEdit->setText(QString());
        QCOMPARE(f.Field().ImageWidth, 0);
        f.TextareaLines->setText(QString());
        QVERIFY_THROWS_EXCEPTION(EConvertError, f.Field());
    }

    void unknownStoredTypes() {
        TScriptedPort port;
        TFieldDetailsF f(port);
        TBField stored =
            EnteredField(QStringLiteral("Odd"), QStringLiteral("Blob"), QStringLiteral("Slider"));
        f.SetField(stored);
        f.show();
        QCOMPARE(f.FieldTypeCombo->currentIndex(), -1);
        f.OKBtnClick();
        QCOMPARE(port.Messages(), QStringList{"Fill in the Field Type."});
        // Choosing a field type offers its input types, the first chosen.
        f.FieldTypeCombo->setCurrentIndex(0);
        QCOMPARE(f.InputTypeCombo->currentText(), InputTypes::Text);
        // A stored combination the field type does not allow opens with no
        // input type chosen, and OK asks for one.
        stored.FieldType = FieldTypes::YesNo;
        stored.InputType = InputTypes::Text;
        f.SetField(stored);
        QCOMPARE(f.InputTypeCombo->currentIndex(), -1);
        QCOMPARE(f.InputTypeCombo->count(), 1);
        f.OKBtnClick();
        QCOMPARE(port.Messages().last(), QStringLiteral("Fill in the Input Type."));
    }

    void centredOnScreen() {
        TShownDialog d;
        QCoreApplication::processEvents();
        const QRect screen = d.dialog.screen()->geometry();
        const QRect frame = d.dialog.frameGeometry();
        QCOMPARE(frame.left(), (screen.width() - frame.width()) / 2);
        QCOMPARE(frame.top(), (screen.height() - (frame.height() + 28)) / 2);
    }
};

QTEST_MAIN(TestFieldDetails)
#include "TestFieldDetails.moc"

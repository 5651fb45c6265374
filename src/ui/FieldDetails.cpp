#include "FieldDetails.h"

#include "Centring.h"
#include "EditGuard.h"
#include "Keyboard.h"
#include "NumberBox.h"
#include "deploy/UserPort.h"
#include "model/Convert.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const char* const kInactive = "inactive";

// The one input type each special field type allows.
QString forcedInputType(const QString& fieldType) {
    if (fieldType == FieldTypes::YesNo)
        return InputTypes::Checkbox;
    if (fieldType == FieldTypes::DateTime)
        return InputTypes::DateTime;
    if (fieldType == FieldTypes::Image)
        return InputTypes::Image;
    if (fieldType == FieldTypes::ImageLink)
        return InputTypes::ImageLink;
    if (fieldType == FieldTypes::Mailto)
        return InputTypes::Mailto;
    if (fieldType == FieldTypes::Hyperlink)
        return InputTypes::Hyperlink;
    return {};
}

// The input types a field type can be entered with, in list order; every
// input type while no field type is chosen.
QStringList allowedInputTypes(const QString& fieldType) {
    if (fieldType == FieldTypes::Text)
        return {InputTypes::Text, InputTypes::Radio, InputTypes::Select, InputTypes::TextArea};
    if (fieldType == FieldTypes::Integer || fieldType == FieldTypes::Real)
        return {InputTypes::Text, InputTypes::Radio, InputTypes::Select};
    const QString forced = forcedInputType(fieldType);
    return forced.isEmpty() ? InputTypes::All() : QStringList{forced};
}

QString onlyInputTypeMessage(const QString& fieldType, const QString& inputType) {
    return QStringLiteral("The Field Type ") + fieldType +
           QStringLiteral(" can have only the Input Type ") + inputType + QStringLiteral(".");
}

QLineEdit* numberEdit(const QString& text, QWidget* parent) {
    auto* edit = new QLineEdit(text, parent);
    edit->setFixedWidth(80);
    NumberBox::Restrict(*edit);
    return edit;
}

QComboBox* listCombo(const QStringList& items, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->addItems(items);
    combo->setCurrentIndex(-1);
    return combo;
}

void selectText(QComboBox* combo, const QString& text) {
    combo->setCurrentIndex(combo->findText(text));
}

// A control that does not apply is painted in the inactive colour; most are
// also disabled, some stay editable (keepEnabled).
void switchControl(QWidget* control, bool on, bool keepEnabled = false) {
    if (!keepEnabled)
        control->setEnabled(on);
    control->setProperty(kInactive, !on);
    QPalette palette = control->palette();
    const QPalette standard = QApplication::palette(control);
    palette.setColor(QPalette::Base,
                     on ? standard.color(QPalette::Base) : standard.color(QPalette::Window));
    control->setPalette(palette);
}

} // namespace

TFieldDetailsF::TFieldDetailsF(TUserPort& port, QWidget* parent) : QDialog(parent), port_(port) {
    Pages = new QTabWidget(this);
    Pages->setMinimumWidth(440);
    buildDatabasePage();
    buildAppearancePage();
    Pages->setCurrentIndex(0);
    const TBField fresh = TBField::NewField();
    MaxLengthEdit->setText(QString::number(fresh.MaxLength));
    VisibleCh->setChecked(fresh.Visible);
    SearchCh->setChecked(fresh.Searchable);
    UmodCh->setChecked(fresh.Editable);
    TextLengthEdit->setText(QString::number(fresh.TextLength));
    ImageWidthEdit->setText(QString::number(fresh.ImageWidth));
    ImageHeightEdit->setText(QString::number(fresh.ImageHeight));
    TextareaCols->setText(QString::number(fresh.TextAreaColumns));
    TextareaLines->setText(QString::number(fresh.TextAreaLines));

    auto* buttons = new QDialogButtonBox(this);
    OKBtn = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    CancelBtn = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &TFieldDetailsF::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Pages);
    layout->addWidget(buttons);
    watchChanges();
    layout->setSizeConstraint(QLayout::SetFixedSize);
    Keyboard::GiveMnemonics(*this);
    Keyboard::AddPageKeys(*this, *Pages);
}

void TFieldDetailsF::reject() {
    if (changed_ && !port_.AskYesNo(EditGuard::DiscardQuestion))
        return;
    QDialog::reject();
}

void TFieldDetailsF::buildDatabasePage() {
    auto* page = new QWidget;
    NameEdit = new QLineEdit(page);
    FieldTypeCombo = listCombo(FieldTypes::All(), page);
    MaxLengthEdit = numberEdit(QString(), page);
    MaxLengthEdit->setToolTip(QStringLiteral("0 means no limit"));
    MaxLengthNote = new QLabel(page);
    MaxLengthNote->setObjectName(QStringLiteral("MaxLengthNote"));
    DecimalSymbolCombo = listCombo({QStringLiteral("."), QStringLiteral(",")}, page);
    DecimalSymbolCombo->setFixedWidth(80);
    NoDuplCh = new QCheckBox(page);
    ReqCh = new QCheckBox(page);
    KeyCh = new QCheckBox(page);
    FieldTypeCombo->setMinimumWidth(180);

    auto* form = new QFormLayout(page);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->addRow(QStringLiteral("Name:"), NameEdit);
    form->addRow(QStringLiteral("Field Type:"), FieldTypeCombo);
    auto* maxLength = new QHBoxLayout;
    maxLength->addWidget(MaxLengthEdit);
    maxLength->addWidget(MaxLengthNote, 1);
    form->addRow(QStringLiteral("Max length:"), maxLength);
    // The label of a row with a layout has no buddy of its own.
    if (auto* label = qobject_cast<QLabel*>(form->labelForField(maxLength)))
        label->setBuddy(MaxLengthEdit);
    form->addRow(QStringLiteral("Decimal Symbol:"), DecimalSymbolCombo);
    form->addRow(QStringLiteral("No duplicates:"), NoDuplCh);
    form->addRow(QStringLiteral("Required:"), ReqCh);
    form->addRow(QStringLiteral("Key field:"), KeyCh);
    Pages->addTab(page, QStringLiteral("Database"));
}

void TFieldDetailsF::buildAppearancePage() {
    auto* page = new QWidget;
    NameEdit2 = new QLineEdit(page);
    VisibleCh = new QCheckBox(page);
    SearchCh = new QCheckBox(page);
    HiddenCh = new QCheckBox(QStringLiteral("(visible for Administrator only)"), page);
    UmodCh = new QCheckBox(QStringLiteral("User can modify this Field"), page);
    InputTypeCombo = listCombo(InputTypes::All(), page);
    InputTypeCombo->setMinimumWidth(180);
    TextLengthEdit = numberEdit(QString(), page);
    EnumValuesMemo = new QPlainTextEdit(page);
    EnumValuesMemo->setFixedHeight(84);
    EnumValuesMemo->setTabChangesFocus(true);
    DateTimeFormatCombo = listCombo(DateTimeFormats(), page);
    DateTimeFormatCombo->setMinimumWidth(180);
    ImageWidthEdit = numberEdit(QString(), page);
    ImageHeightEdit = numberEdit(QString(), page);
    TextareaCols = numberEdit(QString(), page);
    TextareaLines = numberEdit(QString(), page);

    auto* form = new QFormLayout(page);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->addRow(QStringLiteral("Name:"), NameEdit2);
    form->addRow(QStringLiteral("Visible in result:"), VisibleCh);
    form->addRow(QStringLiteral("Searchable:"), SearchCh);
    form->addRow(QStringLiteral("Hidden:"), HiddenCh);
    form->addRow(QStringLiteral("Editable:"), UmodCh);
    form->addRow(QStringLiteral("Input Type:"), InputTypeCombo);
    form->addRow(QStringLiteral("Default length:"), TextLengthEdit);
    form->addRow(QStringLiteral("Radio/Select values:"), EnumValuesMemo);
    // "&&" is one ampersand on a label with a buddy.
    form->addRow(QStringLiteral("Date && time format:"), DateTimeFormatCombo);
    form->addRow(QStringLiteral("Image width:"), ImageWidthEdit);
    form->addRow(QStringLiteral("Image height:"), ImageHeightEdit);
    form->addRow(QStringLiteral("Textarea columns:"), TextareaCols);
    form->addRow(QStringLiteral("Textarea lines:"), TextareaLines);
    Pages->addTab(page, QStringLiteral("Appearance on the web"));
}

void TFieldDetailsF::watchChanges() {
    connect(NameEdit, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (NameEdit2->text() != text)
            NameEdit2->setText(text);
        markChanged();
    });
    connect(NameEdit2, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (NameEdit->text() != text)
            NameEdit->setText(text);
        markChanged();
    });
    connect(FieldTypeCombo, &QComboBox::currentIndexChanged, this, [this] { fieldTypeChange(); });
    connect(DecimalSymbolCombo, &QComboBox::currentIndexChanged, this,
            [this] { fieldTypeChange(); });
    for (QComboBox* combo : {InputTypeCombo, DateTimeFormatCombo})
        connect(combo, &QComboBox::currentIndexChanged, this, [this] {
            markChanged();
            applyEnablingRules();
        });
    for (QCheckBox* box : {SearchCh, HiddenCh})
        connect(box, &QCheckBox::clicked, this, [this] { applyEnablingRules(); });
    for (QCheckBox* box : {NoDuplCh, ReqCh, KeyCh, VisibleCh, SearchCh, HiddenCh, UmodCh})
        connect(box, &QCheckBox::toggled, this, [this] { markChanged(); });
    for (QLineEdit* edit : {MaxLengthEdit, TextLengthEdit, ImageWidthEdit, ImageHeightEdit,
                            TextareaCols, TextareaLines})
        connect(edit, &QLineEdit::textChanged, this, [this] { markChanged(); });
    connect(MaxLengthEdit, &QLineEdit::textChanged, this, [this] { showMaxLength(); });
    connect(EnumValuesMemo, &QPlainTextEdit::textChanged, this, [this] { markChanged(); });
}

void TFieldDetailsF::markChanged() {
    if (!filling_)
        changed_ = true;
}

void TFieldDetailsF::fieldTypeChange() {
    if (filling_)
        return;
    changed_ = true;
    // Only the input types the field type allows are offered; the one chosen
    // stays when it is allowed, otherwise the first allowed one is taken.
    const QString input =
        InputTypeCombo->currentIndex() < 0 ? QString() : InputTypeCombo->currentText();
    offerInputTypes();
    if (InputTypeCombo->findText(input) >= 0)
        selectText(InputTypeCombo, input);
    else if (FieldTypeCombo->currentIndex() >= 0)
        InputTypeCombo->setCurrentIndex(0);
    // A date needs a format; the first one serves until the user picks another.
    if (InputTypeCombo->currentText() == InputTypes::DateTime &&
        DateTimeFormatCombo->currentIndex() < 0)
        DateTimeFormatCombo->setCurrentIndex(0);
    // A real number needs its decimal symbol; "." until the user picks ",".
    if (FieldTypeCombo->currentText() == FieldTypes::Real && DecimalSymbolCombo->currentIndex() < 0)
        DecimalSymbolCombo->setCurrentIndex(0);
    applyEnablingRules();
}

void TFieldDetailsF::showMaxLength() {
    const QString text = MaxLengthEdit->text();
    const bool none =
        MaxLengthEdit->isEnabled() && NumberBox::Holds(text, true) && ZeroStrToInt(text) == 0;
    MaxLengthNote->setText(none ? QStringLiteral("no limit") : QString());
}

void TFieldDetailsF::offerInputTypes() {
    const QString fieldType =
        FieldTypeCombo->currentIndex() < 0 ? QString() : FieldTypeCombo->currentText();
    const QStringList allowed = allowedInputTypes(fieldType);
    QStringList offered;
    for (int i = 0; i < InputTypeCombo->count(); ++i)
        offered << InputTypeCombo->itemText(i);
    if (offered == allowed)
        return;
    const QSignalBlocker quiet(InputTypeCombo);
    InputTypeCombo->clear();
    InputTypeCombo->addItems(allowed);
    InputTypeCombo->setCurrentIndex(-1);
}

void TFieldDetailsF::applyEnablingRules() {
    const QString fieldType =
        FieldTypeCombo->currentIndex() < 0 ? QString() : FieldTypeCombo->currentText();
    const QString input =
        InputTypeCombo->currentIndex() < 0 ? QString() : InputTypeCombo->currentText();

    switchControl(MaxLengthEdit, fieldType == FieldTypes::Text || fieldType == FieldTypes::Integer);
    switchControl(DecimalSymbolCombo, fieldType == FieldTypes::Real);
    const bool keyable = fieldType != FieldTypes::Image;
    for (QCheckBox* box : {KeyCh, NoDuplCh}) {
        if (!keyable)
            box->setChecked(false);
        box->setEnabled(keyable);
    }
    switchControl(TextLengthEdit, input == InputTypes::Text || input == InputTypes::ImageLink ||
                                      input == InputTypes::Mailto ||
                                      input == InputTypes::Hyperlink);
    switchControl(DateTimeFormatCombo, input == InputTypes::DateTime);
    switchControl(ImageWidthEdit, input == InputTypes::Image);
    switchControl(ImageHeightEdit, input == InputTypes::Image);
    switchControl(EnumValuesMemo, input == InputTypes::Radio || input == InputTypes::Select, true);
    switchControl(TextareaCols, input == InputTypes::TextArea, true);
    switchControl(TextareaLines, input == InputTypes::TextArea, true);
    showMaxLength();
}

bool TFieldDetailsF::PaintedInactive(const QWidget* control) {
    return control->property(kInactive).toBool();
}

void TFieldDetailsF::SetField(const TBField& field) {
    filling_ = true;
    NameEdit->setText(field.Name);
    selectText(FieldTypeCombo, field.FieldType);
    MaxLengthEdit->setText(QString::number(field.MaxLength));
    selectText(DecimalSymbolCombo, field.DecimalSymbol);
    // The site reads a real number without a symbol with ".": show that.
    if (field.FieldType == FieldTypes::Real && DecimalSymbolCombo->currentIndex() < 0)
        DecimalSymbolCombo->setCurrentIndex(0);
    NoDuplCh->setChecked(field.NoDuplicates);
    ReqCh->setChecked(field.Required);
    KeyCh->setChecked(field.Key);
    VisibleCh->setChecked(field.Visible);
    SearchCh->setChecked(field.Searchable);
    HiddenCh->setChecked(field.Hidden);
    UmodCh->setChecked(field.Editable);
    offerInputTypes();
    selectText(InputTypeCombo, field.InputType);
    TextLengthEdit->setText(QString::number(field.TextLength));
    EnumValuesMemo->setPlainText(field.EnumValues.join(QLatin1Char('\n')));
    selectText(DateTimeFormatCombo, field.DateTimeFormat);
    ImageWidthEdit->setText(QString::number(field.ImageWidth));
    ImageHeightEdit->setText(QString::number(field.ImageHeight));
    TextareaCols->setText(QString::number(field.TextAreaColumns));
    TextareaLines->setText(QString::number(field.TextAreaLines));
    filling_ = false;
}

TBField TFieldDetailsF::Field() const {
    auto listText = [](const QComboBox* combo) {
        return combo->currentIndex() < 0 ? QString() : combo->currentText();
    };
    // A box that does not apply to the field may hold anything; it is not
    // used, so a bad value there counts as 0 instead of losing the field.
    auto number = [](const QLineEdit* edit) {
        if (!edit->isEnabled() && !NumberBox::Holds(edit->text(), false))
            return 0;
        return StrToInt(edit->text());
    };
    TBField f;
    f.FieldType = listText(FieldTypeCombo);
    f.MaxLength = number(MaxLengthEdit);
    f.DecimalSymbol = listText(DecimalSymbolCombo);
    f.NoDuplicates = NoDuplCh->isChecked();
    f.Required = ReqCh->isChecked();
    f.Key = KeyCh->isChecked();
    f.Name = NameEdit->text();
    f.Visible = VisibleCh->isChecked();
    f.Searchable = SearchCh->isChecked();
    f.Hidden = HiddenCh->isChecked();
    f.Editable = UmodCh->isChecked();
    f.InputType = listText(InputTypeCombo);
    f.TextLength = number(TextLengthEdit);
    const QString values = EnumValuesMemo->toPlainText();
    if (!values.isEmpty()) {
        f.EnumValues = values.split(QLatin1Char('\n'));
        if (f.EnumValues.last().isEmpty()) // a closing line break starts no value
            f.EnumValues.removeLast();
    }
    f.DateTimeFormat = listText(DateTimeFormatCombo);
    f.ImageWidth = number(ImageWidthEdit);
    f.ImageHeight = number(ImageHeightEdit);
    f.TextAreaColumns = number(TextareaCols);
    f.TextAreaLines = number(TextareaLines);
    return f;
}

QString TFieldDetailsF::FailedCheck(QLineEdit** box) const {
    const bool typeChosen = FieldTypeCombo->currentIndex() >= 0;
    const bool inputChosen = InputTypeCombo->currentIndex() >= 0;
    const QString type = FieldTypeCombo->currentText();
    const QString input = InputTypeCombo->currentText();

    if (NameEdit->text().isEmpty())
        return QStringLiteral("Fill in the Field Name.");
    if (!typeChosen)
        return QStringLiteral("Fill in the Field Type.");
    if (!inputChosen)
        return QStringLiteral("Fill in the Input Type.");
    const bool textLike =
        input == InputTypes::Text || input == InputTypes::Radio || input == InputTypes::Select;
    if (type == FieldTypes::Text && !textLike && input != InputTypes::TextArea)
        return QStringLiteral(
            "The Field Type Text can have the Input Types: Text, Radio, Select and Text area.");
    if (type == FieldTypes::Integer && !textLike)
        return QStringLiteral(
            "The Field Type Integer can have the Input Types: Text, Radio and Select.");
    if (type == FieldTypes::Real && !textLike)
        return QStringLiteral(
            "The Field Type Real number can have the Input Types: Text, Radio and Select.");
    if (type == FieldTypes::Real && DecimalSymbolCombo->currentIndex() < 0)
        return QStringLiteral("Choose the Decimal Symbol of the Real number: \".\" or \",\".");
    if (type == FieldTypes::YesNo && input != InputTypes::Checkbox)
        return onlyInputTypeMessage(type, InputTypes::Checkbox);
    if (type == FieldTypes::DateTime && input != InputTypes::DateTime)
        return onlyInputTypeMessage(type, InputTypes::DateTime);
    if (input == InputTypes::DateTime && DateTimeFormatCombo->currentIndex() < 0)
        return QStringLiteral("Select a Date & time format.");
    for (const QString& special :
         {FieldTypes::Image, FieldTypes::ImageLink, FieldTypes::Mailto, FieldTypes::Hyperlink})
        if (type == special && input != forcedInputType(special))
            return onlyInputTypeMessage(type, forcedInputType(special));

    // A bad number names its box, which the caller focuses; the dialog
    // stays open with every entry.
    const auto badBox = [box](QLineEdit* edit, const QString& name) {
        if (box)
            *box = edit;
        return NumberBox::Message(name);
    };
    const bool noDupl = NoDuplCh->isChecked();
    const bool key = KeyCh->isChecked();
    if ((noDupl || key) && !NumberBox::Holds(MaxLengthEdit->text(), true))
        return badBox(MaxLengthEdit, QStringLiteral("Max length"));
    const qint32 maxLength = noDupl || key ? ZeroStrToInt(MaxLengthEdit->text()) : 0;
    if (noDupl && maxLength == 0)
        return QStringLiteral("Maximal length must be positive if no duplicates allowed.");
    if (key && maxLength == 0)
        return QStringLiteral("Maximal length must be positive if key is checked.");
    if (noDupl && maxLength > 255)
        return QStringLiteral(
            "Maximal length cannot be greater than 255 if no duplicates allowed.");
    if (key && maxLength > 255)
        return QStringLiteral("Maximal length cannot be greater than 255 if key is checked.");
    // The boxes the field is built from; one that does not apply is not read.
    const std::pair<QLineEdit*, const char*> numbers[] = {
        {MaxLengthEdit, "Max length"},      {TextLengthEdit, "Default length"},
        {ImageWidthEdit, "Image width"},    {ImageHeightEdit, "Image height"},
        {TextareaCols, "Textarea columns"}, {TextareaLines, "Textarea lines"}};
    for (const auto& [edit, name] : numbers)
        if (edit->isEnabled() && !NumberBox::Holds(edit->text(), false))
            return badBox(edit, QString::fromLatin1(name));
    return {};
}

void TFieldDetailsF::OKBtnClick() {
    QLineEdit* box = nullptr;
    const QString message = FailedCheck(&box);
    if (message.isEmpty()) {
        if (checkInProject())
            accept();
        return;
    }
    port_.ShowInformation(message);
    if (box) {
        Pages->setCurrentWidget(box->parentWidget());
        NumberBox::Focus(*box);
    }
}

void TFieldDetailsF::showEvent(QShowEvent* event) {
    CentreOnScreen(*this);
    QDialog::showEvent(event);
    applyEnablingRules();
    changed_ = false;
    NameEdit->setFocus();
}

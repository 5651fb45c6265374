// The text pages: change-notification e-mail, record file delimiters, the
// logos and intro texts of both sites, and the password e-mail.
#include "Settings.h"
#include "SettingsLayout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

using namespace SettingsUi;

namespace {

QPlainTextEdit* Memo(const QString& name, QWidget* parent, int minimumHeight = 48) {
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(name);
    memo->setTabChangesFocus(true);
    memo->setMinimumHeight(minimumHeight);
    return memo;
}

QLineEdit* CharEdit(const QString& name, QWidget* parent) {
    QLineEdit* edit = Edit(name, parent, 32);
    edit->setMaxLength(1);
    edit->setAlignment(Qt::AlignCenter);
    return edit;
}

// A caption placed at the top of a tall entry.
QLabel* TopCaption(const QString& text, QWidget* parent) {
    QLabel* label = Caption(text, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setContentsMargins(0, 4, 0, 0);
    return label;
}

// The memos of a logo-and-text page: two columns, each memo under its caption.
class TMemoGrid {
public:
    explicit TMemoGrid(QGridLayout* grid) : grid_(grid) {
        grid_->setColumnStretch(0, 1);
        grid_->setColumnStretch(1, 1);
    }
    void Add(QLabel* caption, QPlainTextEdit* memo, QToolButton* howTo = nullptr,
             bool wide = false) {
        const int row = (count_ / 2) * 2;
        const int column = count_ % 2;
        const int span = wide ? 2 : 1;
        caption->setBuddy(memo);
        auto* head = Row({caption}, true);
        if (howTo)
            head->addWidget(howTo);
        grid_->addLayout(head, row, column, 1, span);
        grid_->addWidget(memo, row + 1, column, 1, span);
        grid_->setRowStretch(row + 1, 1);
        count_ += span;
    }

private:
    QGridLayout* grid_;
    int count_ = 0;
};

const QString LogoTooltip = QStringLiteral("A picture file: JPEG or GIF only");

} // namespace

QWidget* TSettingsF::BuildEmailPage() {
    auto* page = new QWidget;
    SendEmailCh = new QCheckBox(QStringLiteral("Send an e-mail when a record changes"), page);
    SendEmailCh->setObjectName(QStringLiteral("SendEmailCh"));
    EmailSenderEdit = Edit(QStringLiteral("EmailSenderEdit"), page);
    EmailCcEdit = Edit(QStringLiteral("EmailCcEdit"), page);
    EmailSubjectEdit = Edit(QStringLiteral("EmailSubjectEdit"), page);
    EmailBodyMemo = Memo(QStringLiteral("EmailBodyMemo"), page, 120);

    auto* grid = new QGridLayout;
    TForm form(grid);
    form.Add(nullptr, Row({SendEmailCh}));
    form.Add(Caption(QStringLiteral("Sender's e-mail:"), page), EmailSenderEdit);
    form.Add(Caption(QStringLiteral("Copy to:"), page), EmailCcEdit);
    form.Add(Caption(QStringLiteral("Subject:"), page), EmailSubjectEdit);
    form.Add(TopCaption(QStringLiteral("Text:"), page), EmailBodyMemo);
    grid->setRowStretch(4, 1);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Heading(QStringLiteral("E-mail on changes"), page));
    layout->addWidget(
        Note(QStringLiteral("This e-mail goes to the visitor who has added, modified or "
                            "deleted a record. It works only when the table has a field of the "
                            "type \"Mailto\", which holds the visitor's address."),
             page));
    layout->addSpacing(6);
    layout->addLayout(grid, 1);

    connect(SendEmailCh, &QCheckBox::clicked, this, &TSettingsF::SendEmailChClick);
    return page;
}

QWidget* TSettingsF::BuildImportExportPage() {
    auto* page = new QWidget;
    FieldDelimiterEdit = CharEdit(QStringLiteral("FieldDelimiterEdit"), page);
    RecordDelimiterCombo = new QComboBox(page);
    RecordDelimiterCombo->setObjectName(QStringLiteral("RecordDelimiterCombo"));
    RecordDelimiterCombo->addItems({QStringLiteral("End of line"), QStringLiteral("Other")});
    RecordDelimiterEdit = CharEdit(QStringLiteral("RecordDelimiterEdit"), page);
    ReplaceDelimiterWithEdit = CharEdit(QStringLiteral("ReplaceDelimiterWithEdit"), page);

    auto* grid = new QGridLayout;
    TForm form(grid);
    form.Add(Caption(QStringLiteral("Delimiter of fields:"), page), Row({FieldDelimiterEdit}));
    form.Add(Caption(QStringLiteral("Delimiter of records:"), page),
             Row({RecordDelimiterCombo, RecordDelimiterEdit}));
    form.Add(Caption(QStringLiteral("Replace delimiter with:"), page),
             Row({ReplaceDelimiterWithEdit}));

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Heading(QStringLiteral("Import and export of the records"), page));
    layout->addWidget(
        Note(QStringLiteral("Records are downloaded into text files and sent back from them "
                            "with these delimiters. A delimiter found inside a value is "
                            "replaced by the replacement character."),
             page));
    layout->addSpacing(6);
    layout->addLayout(grid);
    layout->addStretch(1);

    connect(RecordDelimiterCombo, &QComboBox::currentIndexChanged, this,
            &TSettingsF::RecordDelimiterComboChange);
    return page;
}

QWidget* TSettingsF::BuildLogoTextPage() {
    auto* page = new QWidget;
    LogoEdit = Edit(QStringLiteral("LogoEdit"), page);
    Button3 = Button(QStringLiteral("Button3"), QStringLiteral("Browse..."), page);
    LoginTextMemo = Memo(QStringLiteral("LoginTextMemo"), page);
    LoginTextMemo->setToolTip(QStringLiteral("Appears on the login page."));
    MenuTextMemo = Memo(QStringLiteral("MenuTextMemo"), page);
    SearchRecordTextMemo = Memo(QStringLiteral("SearchRecordTextMemo"), page);
    AddRecordTextMemo = Memo(QStringLiteral("AddRecordTextMemo"), page);
    ModifyRecordTextMemo = Memo(QStringLiteral("ModifyRecordTextMemo"), page);
    DeleteRecordTextMemo = Memo(QStringLiteral("DeleteRecordTextMemo"), page);
    RequestIdPasswordTextMemo = Memo(QStringLiteral("RequestIdPasswordTextMemo"), page);

    auto* logoGrid = new QGridLayout;
    TForm form(logoGrid);
    form.Add(Caption(QStringLiteral("Logo file:"), page, LogoTooltip),
             Row({LogoEdit, Button3}, false));

    auto* grid = new QGridLayout;
    TMemoGrid memos(grid);
    const auto add = [&](const QString& caption, QPlainTextEdit* memo, const QString& text,
                         bool wide = false) {
        memos.Add(Caption(caption, page), memo, HowTo(caption, text), wide);
    };
    add(QStringLiteral("Login text:"), LoginTextMemo,
        QStringLiteral("Shown when the user ID and password are requested."));
    add(QStringLiteral("Menu text:"), MenuTextMemo,
        QStringLiteral("Shown in the menu at the top of every page: a place for a slogan or a "
                       "letterhead."));
    add(QStringLiteral("Search record text:"), SearchRecordTextMemo,
        QStringLiteral("Shown in the main part of the search form."));
    add(QStringLiteral("Add record text:"), AddRecordTextMemo,
        QStringLiteral("Shown when someone adds a record."));
    add(QStringLiteral("Modify record text:"), ModifyRecordTextMemo,
        QStringLiteral("Shown when someone modifies a record."));
    add(QStringLiteral("Delete record text:"), DeleteRecordTextMemo,
        QStringLiteral("Shown when someone deletes a record."));
    add(QStringLiteral("Request ID and password text:"), RequestIdPasswordTextMemo,
        QStringLiteral("Shown on the login page when sending a forgotten password is allowed."),
        true);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Heading(QStringLiteral("Logo and text of the visitors' site"), page));
    layout->addLayout(logoGrid);
    layout->addLayout(grid, 1);

    connect(Button3, &QPushButton::clicked, this, &TSettingsF::Button3Click);
    return page;
}

QWidget* TSettingsF::BuildAdminLogoTextPage() {
    auto* page = new QWidget;
    AdminLogoEdit = Edit(QStringLiteral("AdminLogoEdit"), page);
    Button4 = Button(QStringLiteral("Button4"), QStringLiteral("Browse..."), page);
    AdminLoginTextMemo = Memo(QStringLiteral("AdminLoginTextMemo"), page);
    AdminLoginTextMemo->setToolTip(QStringLiteral("Appears on the login page."));
    AdminMenuTextMemo = Memo(QStringLiteral("AdminMenuTextMemo"), page);
    AdminSearchRecordTextMemo = Memo(QStringLiteral("AdminSearchRecordTextMemo"), page);
    AdminAddRecordTextMemo = Memo(QStringLiteral("AdminAddRecordTextMemo"), page);
    AdminModifyRecordTextMemo = Memo(QStringLiteral("AdminModifyRecordTextMemo"), page);
    AdminDeleteRecordTextMemo = Memo(QStringLiteral("AdminDeleteRecordTextMemo"), page);

    auto* logoGrid = new QGridLayout;
    TForm form(logoGrid);
    form.Add(Caption(QStringLiteral("Logo file:"), page, LogoTooltip),
             Row({AdminLogoEdit, Button4}, false));

    auto* grid = new QGridLayout;
    TMemoGrid memos(grid);
    memos.Add(Caption(QStringLiteral("Login text:"), page), AdminLoginTextMemo);
    memos.Add(Caption(QStringLiteral("Menu text:"), page), AdminMenuTextMemo);
    memos.Add(Caption(QStringLiteral("Search record text:"), page), AdminSearchRecordTextMemo);
    memos.Add(Caption(QStringLiteral("Add record text:"), page), AdminAddRecordTextMemo);
    memos.Add(Caption(QStringLiteral("Modify record text:"), page), AdminModifyRecordTextMemo);
    memos.Add(Caption(QStringLiteral("Delete record text:"), page), AdminDeleteRecordTextMemo);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Heading(QStringLiteral("Logo and text of the administrator's site"), page));
    layout->addLayout(logoGrid);
    layout->addLayout(grid, 1);

    connect(Button4, &QPushButton::clicked, this, &TSettingsF::Button4Click);
    return page;
}

QWidget* TSettingsF::BuildPasswordPage() {
    auto* page = new QWidget;
    PasswordEmailSenderEdit = Edit(QStringLiteral("PasswordEmailSenderEdit"), page);
    PasswordEmailSubjectEdit = Edit(QStringLiteral("PasswordEmailSubjectEdit"), page);
    PasswordEmailBodyMemo = Memo(QStringLiteral("PasswordEmailBodyMemo"), page, 120);

    auto* grid = new QGridLayout;
    TForm form(grid);
    form.Add(Caption(QStringLiteral("Sender's e-mail:"), page), PasswordEmailSenderEdit);
    form.Add(Caption(QStringLiteral("Subject:"), page), PasswordEmailSubjectEdit);
    form.Add(TopCaption(QStringLiteral("Text:"), page), PasswordEmailBodyMemo);
    grid->setRowStretch(2, 1);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Heading(QStringLiteral("Password"), page));
    layout->addWidget(
        Note(QStringLiteral("This e-mail goes to a member when the administrator creates the "
                            "member's account, and when a member who has forgotten the "
                            "password asks for it; the member's password is attached to it."),
             page));
    layout->addSpacing(6);
    layout->addLayout(grid, 1);
    return page;
}

void TSettingsF::SendEmailChClick() {
    ApplyEnabling();
}

void TSettingsF::RecordDelimiterComboChange() {
    RecordDelimiterEdit->setVisible(RecordDelimiterCombo->currentIndex() == 1);
}

void TSettingsF::Button3Click() {
    const QString file =
        ChooseFile(QStringLiteral("Logo file"), FolderOf(LogoEdit->text()),
                   QStringLiteral("Pictures (*.jpg *.jpeg *.gif);;JPEG files (*.jpg *.jpeg);;"
                                  "GIF files (*.gif)"));
    if (!file.isEmpty())
        LogoEdit->setText(file);
}

void TSettingsF::Button4Click() {
    const QString file = ChooseFile(QStringLiteral("Logo file"), FolderOf(AdminLogoEdit->text()),
                                    QStringLiteral("Pictures (*.gif *.jpg)"));
    if (!file.isEmpty())
        AdminLogoEdit->setText(file);
}

// Filling the settings dialog from the project and taking the values back.
#include "Settings.h"

#include "EditGuard.h"
#include "InputNote.h"

#include "model/Convert.h"
#include "model/ProjectCheck.h"
#include "model/TableFields.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

// Memos show lines; the project keeps them with CR LF between lines.
void SetMemoText(QPlainTextEdit* memo, const QString& text) {
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    memo->setPlainText(lines);
}

QString MemoText(const QPlainTextEdit* memo) {
    // The raw text keeps no-break spaces that the plain text would turn into blanks.
    QString text = memo->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return text;
}

void SelectText(QComboBox* combo, const QString& text) {
    const int index = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    combo->setCurrentIndex(index >= 0 ? index : 0);
}

} // namespace

void TSettingsF::LoadFrom(const TBTable& t) {
    projectName_ = t.DbName;
    loaded_ = std::make_shared<const TBTable>(t);
    setWindowTitle(QStringLiteral("Settings - ") + projectName_);

    DatabaseDisplayNameEdit->setText(t.DatabaseDisplayName);
    SelectText(LanguageCombo, t.Language.Name());

    HomeLinkEdit->setText(t.HomeLink);
    HomeCh->setChecked(t.HomeCh);
    MenuHeightEdit->setText(QString::number(t.MenuHeight));
    SelectText(TableAlignCombo, t.TableAlign);
    LayoutCombo->setCurrentIndex(t.OnePage() ? 0 : 1);
    LinesPerPageEdit->setText(QString::number(t.LinesPerPage));
    NumOfFilterFieldsEdit->setText(QString::number(t.NumOfFilterFields));
    NumOfSortFieldsEdit->setText(QString::number(t.NumOfSortFields));
    UserUpdateCh->setChecked(t.UserUpdate);

    options_ = {t.UserMode,    t.AllowSearch,         t.AllowAddModify,   t.OnlyMembersCanAdd,
                t.AllowDelete, t.AllowChangePassword, t.AllowSendPassword};

    SetSkinPath(t.Skin);
    BGimageText->setText(t.BGImage);
    URL->setText(t.URL);
    Server->setText(t.Server);
    User->setText(t.User);
    Password->setText(t.Password);
    PHPPath->setText(t.PHPPath);
    TrustedProxiesEdit->setText(t.TrustedProxies);
    SetTransfer(t.Transfer);
    trustedCertificate_ = t.TrustedCertificate;
    trustedCertificates_ = t.TrustedCertificates;
    trustedHostKey_ = t.TrustedHostKey;
    ShowTrust();
    SetLocalPath(t.LocalPath);
    // The demo button locks the entries it filled; they stay locked each
    // time the settings are opened, until "Clear entries" unlocks them.
    SetConnectionLocked(UsesDemoHost(t.Server, t.URL));

    TableName->setText(t.TableName);
    DatabaseServer->setText(t.DatabaseServer);
    DatabaseName->setText(t.DatabaseName);
    DatabaseUser->setText(t.DatabaseUser);
    DatabasePassword->setText(t.DatabasePassword);
    AdminPasswordEdit->setText(t.AdminPassword);

    SendEmailCh->setChecked(t.SendEmail);
    EmailSenderEdit->setText(t.EmailSender);
    EmailCcEdit->setText(t.EmailCc);
    EmailSubjectEdit->setText(t.EmailSubject);
    SetMemoText(EmailBodyMemo, t.EmailBody);
    PasswordEmailSenderEdit->setText(t.PasswordEmailSender);
    PasswordEmailSubjectEdit->setText(t.PasswordEmailSubject);
    SetMemoText(PasswordEmailBodyMemo, t.PasswordEmailBody);

    FieldDelimiterEdit->setText(t.FieldDelimiter);
    LogoEdit->setText(t.Logo);
    SetMemoText(LoginTextMemo, t.LoginText);
    SetMemoText(MenuTextMemo, t.MenuText);
    SetMemoText(SearchRecordTextMemo, t.SearchRecordText);
    SetMemoText(AddRecordTextMemo, t.AddRecordText);
    SetMemoText(ModifyRecordTextMemo, t.ModifyRecordText);
    SetMemoText(DeleteRecordTextMemo, t.DeleteRecordText);
    SetMemoText(RequestIdPasswordTextMemo, t.RequestIdPasswordText);
    AdminLogoEdit->setText(t.AdminLogo);
    SetMemoText(AdminLoginTextMemo, t.AdminLoginText);
    SetMemoText(AdminMenuTextMemo, t.AdminMenuText);
    SetMemoText(AdminSearchRecordTextMemo, t.AdminSearchRecordText);
    SetMemoText(AdminAddRecordTextMemo, t.AdminAddRecordText);
    SetMemoText(AdminModifyRecordTextMemo, t.AdminModifyRecordText);
    SetMemoText(AdminDeleteRecordTextMemo, t.AdminDeleteRecordText);

    CreateCounterCh->setChecked(t.CreateCounter);
    SelectText(CounterPositionCombo, t.CounterPosition);
    SelectText(CounterAlignmentCombo, t.CounterAlignment);
    CounterTextBeforeEdit->setText(t.CounterTextBefore);
    CounterTextBehindEdit->setText(t.CounterTextBehind);
    CounterBorderEdit->setText(QString::number(t.CounterBorder));
    counterColor_ = t.CounterColor;
    textFont_ = {t.CounterTextFontColor,    t.CounterTextFontName,   t.CounterTextFontSize,
                 t.CounterTextFontBold,     t.CounterTextFontItalic, t.CounterTextFontUnderline,
                 t.CounterTextFontStrikeOut};
    numberFont_ = {t.CounterNumberFontColor,    t.CounterNumberFontName,
                   t.CounterNumberFontSize,     t.CounterNumberFontBold,
                   t.CounterNumberFontItalic,   t.CounterNumberFontUnderline,
                   t.CounterNumberFontStrikeOut};
    StartCounterCh->setChecked(t.UseCounterOffset);
    SetCounter->setText(QString::number(t.CounterOffset));

    const bool endOfLine = t.RecordDelimiter == QStringLiteral("\n");
    RecordDelimiterCombo->setCurrentIndex(endOfLine ? 0 : 1);
    RecordDelimiterEdit->setText(endOfLine ? QString() : t.RecordDelimiter);
    ReplaceDelimiterWithEdit->setText(t.ReplaceDelimiterWith);

    // Loading only brings the enabling up to date; it never changes a value.
    URLNote->setVisible(t.URL.isEmpty());
    ApplyEnabling();
    ServerChange();
    UpdateSample();
    for (QLineEdit* edit : findChildren<QLineEdit*>())
        InputNote::Unmark(*edit);
    loadedState_ = EditGuard::State(*this) + WorkingState();
}

void TSettingsF::ApplyEnabling() {
    const bool userUpdate = UserUpdateCh->isChecked();
    UsersOptionsButton->setEnabled(userUpdate);
    for (QPlainTextEdit* memo : {LoginTextMemo, AddRecordTextMemo, ModifyRecordTextMemo,
                                 DeleteRecordTextMemo, RequestIdPasswordTextMemo})
        memo->setEnabled(userUpdate);
    ShowModeLabel();
    HomeLinkEdit->setEnabled(HomeCh->isChecked());
    for (QWidget* edit : std::initializer_list<QWidget*>{EmailSenderEdit, EmailCcEdit,
                                                         EmailSubjectEdit, EmailBodyMemo})
        edit->setEnabled(SendEmailCh->isChecked());
    SetCounter->setEnabled(StartCounterCh->isChecked());
    RecordDelimiterEdit->setVisible(RecordDelimiterCombo->currentIndex() == 1);
    NoSkinBtn1->setEnabled(!skinPath_.isEmpty());
    PreviewCssButton->setEnabled(!skinPath_.isEmpty());
    ClearBGImage->setEnabled(!BGimageText->text().isEmpty());
}

void TSettingsF::StoreTo(TBTable& t) const {
    t.DatabaseDisplayName = DatabaseDisplayNameEdit->text();
    // Without Language.ini the list is empty and the language stays as it is.
    if (languageFile_ && LanguageCombo->currentText() != t.Language.Name())
        t.Language.Load(LanguageCombo->currentText());

    t.MenuHeight = StrToInt(MenuHeightEdit->text());
    t.TableAlign = TableAlignCombo->currentText();
    t.Layout = LayoutCombo->currentData().toString();
    t.HomeCh = HomeCh->isChecked();
    t.HomeLink = HomeLinkEdit->text();

    t.LinesPerPage = ZeroStrToInt(LinesPerPageEdit->text());
    t.NumOfFilterFields = ZeroStrToInt(NumOfFilterFieldsEdit->text());
    t.NumOfSortFields = ZeroStrToInt(NumOfSortFieldsEdit->text());

    t.UserUpdate = UserUpdateCh->isChecked();
    if (t.UserUpdate) {
        t.UserMode = options_.UserMode;
        t.AllowSearch = options_.AllowSearch;
        t.AllowAddModify = options_.AllowAddModify;
        t.OnlyMembersCanAdd = options_.OnlyMembersCanAdd;
        t.AllowDelete = options_.AllowDelete;
    } else {
        t.UserMode.clear();
        t.AllowSearch = true;
        t.AllowAddModify = false;
        t.OnlyMembersCanAdd = false;
        t.AllowDelete = false;
    }
    // Only members who log in have passwords to change or to be sent.
    const bool login = t.UserMode == QLatin1String("Login");
    t.AllowChangePassword = login && options_.AllowChangePassword;
    t.AllowSendPassword = login && options_.AllowSendPassword;

    t.Skin = skinPath_;
    t.BGImage = BGimageText->text();

    t.URL = WebPath(URL->text());
    t.Server = Server->text();
    t.User = User->text();
    t.Password = Password->text();
    t.PHPPath = WebPath(PHPPath->text());
    t.TrustedProxies = TrustedProxiesEdit->text().trimmed();
    t.Transfer = Transfer();
    t.TrustedCertificate = trustedCertificate_;
    t.TrustedCertificates = trustedCertificates_;
    t.TrustedHostKey = trustedHostKey_;
    t.LocalPath = LocalFolderPath(localPath_);

    t.TableName = TableName->text();
    t.DatabaseServer = DatabaseServer->text();
    t.DatabaseName = DatabaseName->text();
    t.DatabaseUser = DatabaseUser->text();
    t.DatabasePassword = DatabasePassword->text();
    t.AdminPassword = AdminPasswordEdit->text();

    t.SendEmail = SendEmailCh->isChecked();
    t.EmailSender = EmailSenderEdit->text();
    t.EmailCc = EmailCcEdit->text();
    t.EmailSubject = EmailSubjectEdit->text();
    t.EmailBody = MemoText(EmailBodyMemo);
    t.PasswordEmailSender = PasswordEmailSenderEdit->text();
    t.PasswordEmailSubject = PasswordEmailSubjectEdit->text();
    t.PasswordEmailBody = MemoText(PasswordEmailBodyMemo);

    t.FieldDelimiter = FieldDelimiterEdit->text();
    t.RecordDelimiter = RecordDelimiterCombo->currentIndex() == 1 ? RecordDelimiterEdit->text()
                                                                  : QStringLiteral("\n");
    t.ReplaceDelimiterWith = ReplaceDelimiterWithEdit->text();

    t.Logo = LogoEdit->text();
    t.LoginText = MemoText(LoginTextMemo);
    t.MenuText = MemoText(MenuTextMemo);
    t.SearchRecordText = MemoText(SearchRecordTextMemo);
    t.AddRecordText = MemoText(AddRecordTextMemo);
    t.ModifyRecordText = MemoText(ModifyRecordTextMemo);
    t.DeleteRecordText = MemoText(DeleteRecordTextMemo);
    t.RequestIdPasswordText = MemoText(RequestIdPasswordTextMemo);
    t.AdminLogo = AdminLogoEdit->text();
    t.AdminLoginText = MemoText(AdminLoginTextMemo);
    t.AdminMenuText = MemoText(AdminMenuTextMemo);
    t.AdminSearchRecordText = MemoText(AdminSearchRecordTextMemo);
    t.AdminAddRecordText = MemoText(AdminAddRecordTextMemo);
    t.AdminModifyRecordText = MemoText(AdminModifyRecordTextMemo);
    t.AdminDeleteRecordText = MemoText(AdminDeleteRecordTextMemo);

    t.CreateCounter = CreateCounterCh->isChecked();
    t.CounterPosition = CounterPositionCombo->currentText();
    t.CounterAlignment = CounterAlignmentCombo->currentText();
    t.CounterTextBefore = CounterTextBeforeEdit->text();
    t.CounterTextBehind = CounterTextBehindEdit->text();
    t.CounterBorder = ZeroStrToInt(CounterBorderEdit->text());
    t.CounterColor = counterColor_;
    t.CounterTextFontColor = textFont_.Color;
    t.CounterTextFontName = textFont_.Name;
    t.CounterTextFontSize = textFont_.Size;
    t.CounterTextFontBold = textFont_.Bold;
    t.CounterTextFontItalic = textFont_.Italic;
    t.CounterTextFontUnderline = textFont_.Underline;
    t.CounterTextFontStrikeOut = textFont_.StrikeOut;
    t.CounterNumberFontColor = numberFont_.Color;
    t.CounterNumberFontName = numberFont_.Name;
    t.CounterNumberFontSize = numberFont_.Size;
    t.CounterNumberFontBold = numberFont_.Bold;
    t.CounterNumberFontItalic = numberFont_.Italic;
    t.CounterNumberFontUnderline = numberFont_.Underline;
    t.CounterNumberFontStrikeOut = numberFont_.StrikeOut;
    t.UseCounterOffset = StartCounterCh->isChecked();
    t.CounterOffset = ZeroStrToInt(SetCounter->text());
}

bool EditSettings(TSettingsF& dialog, TBTable& table) {
    dialog.LoadFrom(table);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    try {
        dialog.StoreTo(table);
    } catch (const EConvertError& error) {
        dialog.ShowError(error.message());
    }
    return true;
}

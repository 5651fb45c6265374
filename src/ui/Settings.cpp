#include "Settings.h"

#include "SettingsFontDialog.h"
#include "SettingsLayout.h"

#include "model/Convert.h"
#include "model/TableFields.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QStackedWidget>
#include <QToolButton>
#include <algorithm>

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

// Web addresses and remote folders use "/" and end with one, unless empty.
QString WebPath(const QString& text) {
    QString path = text;
    path.replace(u'\\', u'/');
    if (!path.isEmpty() && !path.endsWith(u'/'))
        path += u'/';
    return path;
}

void SelectText(QComboBox* combo, const QString& text) {
    const int index = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    combo->setCurrentIndex(index >= 0 ? index : 0);
}

QString AppTitle() {
    return QGuiApplication::applicationDisplayName();
}

const QStringList& HelpTopics() {
    static const QStringList topics{
        QStringLiteral("PropAppearance.htm"), QStringLiteral("PropConnection.htm"),
        QStringLiteral("PropDatabase.htm"),   QStringLiteral("PropAdministrator.htm"),
        QStringLiteral("PropEmail.htm"),      QStringLiteral("PropImportExport.htm"),
        QStringLiteral("PropLogoText.htm"),   QStringLiteral("PropAdminLogoText.htm"),
        QStringLiteral("PropCounter.htm"),
    };
    return topics;
}

} // namespace

TSettingsF::TSettingsF(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SettingsF"));
    setWindowTitle(QStringLiteral("Settings"));
    InstallDefaultPorts();

    visitorOptions_ = new TVisitorOptionsF(this);
    connect(visitorOptions_, &TVisitorOptionsF::ModeShown, this, &TSettingsF::ModeShown);

    // Ten pages: a list beside them shows every caption at once.
    PageList = new QListWidget(this);
    PageList->setObjectName(QStringLiteral("PageList"));
    PageControl = new QStackedWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    const auto addPage = [this](QWidget* page, const QString& caption) {
        PageControl->addWidget(page);
        auto* item = new QListWidgetItem(caption, PageList);
        item->setSizeHint(QSize(0, PageList->fontMetrics().height() + 10));
    };
    addPage(BuildAppearancePage(), QStringLiteral("Appearance"));
    addPage(BuildConnectionPage(), QStringLiteral("Connection"));
    addPage(BuildDatabasePage(), QStringLiteral("Database"));
    addPage(BuildAdministratorPage(), QStringLiteral("Administrator"));
    addPage(BuildEmailPage(), QStringLiteral("E-mail"));
    addPage(BuildImportExportPage(), QStringLiteral("Import/Export"));
    addPage(BuildLogoTextPage(), QStringLiteral("Logo & Text"));
    addPage(BuildAdminLogoTextPage(), QStringLiteral("Admin Logo & Text"));
    addPage(BuildCounterPage(), QStringLiteral("Counter"));
    addPage(BuildPasswordPage(), QStringLiteral("Password"));
    int listWidth = 0;
    for (int row = 0; row < PageList->count(); ++row)
        listWidth = std::max(
            listWidth, PageList->fontMetrics().horizontalAdvance(PageList->item(row)->text()));
    PageList->setFixedWidth(listWidth + 2 * PageList->frameWidth() + 28);
    connect(PageList, &QListWidget::currentRowChanged, PageControl,
            &QStackedWidget::setCurrentIndex);
    connect(PageControl, &QStackedWidget::currentChanged, this, [this](int page) {
        PageList->setCurrentRow(page);
        if (page == CounterPage)
            UpdateSample();
    });
    PageList->setCurrentRow(AppearancePage);

    HelpBtn = new QPushButton(QStringLiteral("&Help"), this);
    HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    connect(HelpBtn, &QPushButton::clicked, this, &TSettingsF::HelpBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(OKBtn, &QPushButton::clicked, this, &TSettingsF::OKBtnClick);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(HelpBtn);
    buttons->addStretch(1);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(OKBtn);
    auto* pages = new QHBoxLayout;
    pages->addWidget(PageList);
    pages->addWidget(PageControl, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(pages, 1);
    layout->addLayout(buttons);

    // The language list: an empty entry, then the languages of Language.ini.
    languageFile_ = !TWebLanguage::IniPath().isEmpty();
    if (languageFile_) {
        LanguageCombo->addItem(QString());
        LanguageCombo->addItems(TWebLanguage::Languages());
        LanguageCombo->setCurrentIndex(0);
    }
    resize(800, 540);
}

void TSettingsF::InstallDefaultPorts() {
    ShowMessage = [this](const QString& text) {
        QMessageBox box(QMessageBox::NoIcon, AppTitle(), text, QMessageBox::Ok, this);
        box.exec();
    };
    ConfirmWarning = [this](const QString& text) {
        return QMessageBox::warning(this, AppTitle(), text, QMessageBox::Ok | QMessageBox::Cancel,
                                    QMessageBox::Ok) == QMessageBox::Ok;
    };
    ShowError = [this](const QString& text) { QMessageBox::critical(this, AppTitle(), text); };
    ChooseFile = [this](const QString& title, const QString& folder, const QString& filters) {
        return QFileDialog::getOpenFileName(this, title, folder, filters);
    };
    ChooseFolder = [this](const QString& start) {
        return QFileDialog::getExistingDirectory(this, QStringLiteral("Local path"), start);
    };
    ChooseColor = [this](const QColor& current) -> std::optional<QColor> {
        const QColor colour = QColorDialog::getColor(current, this, QStringLiteral("Color"));
        if (!colour.isValid())
            return std::nullopt;
        return colour;
    };
    ChooseFont = [this](TCounterFont& font) { return TCounterFontDialog::Choose(this, font); };
    OpenUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
}

QToolButton* TSettingsF::HowTo(const QString& title, const QString& text, const QString& tooltip) {
    auto* button = new QToolButton(this);
    button->setText(QStringLiteral("?"));
    button->setToolTip(tooltip);
    button->setFocusPolicy(Qt::TabFocus);
    connect(button, &QToolButton::clicked, this,
            [this, title, text] { emit ExplanationRequested(title, text); });
    return button;
}

void TSettingsF::SelectPage(int page) {
    PageControl->setCurrentIndex(page);
}

int TSettingsF::CurrentPage() const {
    return PageControl->currentIndex();
}

void TSettingsF::LoadFrom(const TBTable& t) {
    projectName_ = t.DbName;
    setWindowTitle(QStringLiteral("Settings - ") + projectName_);

    DatabaseDisplayNameEdit->setText(t.DatabaseDisplayName);
    SelectText(LanguageCombo, t.Language.Name());

    HomeLinkEdit->setText(t.HomeLink);
    HomeCh->setChecked(t.HomeCh);
    MenuHeightEdit->setText(QString::number(t.MenuHeight));
    SelectText(TableAlignCombo, t.TableAlign);
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
    SetLocalPath(t.LocalPath);

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
    t.LocalPath =
        localPath_.isEmpty() || localPath_.endsWith(u'/') ? localPath_ : localPath_ + u'/';

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

void TSettingsF::OKBtnClick() {
    const auto refuse = [this](const QString& message, int page = -1) {
        if (page >= 0)
            SelectPage(page);
        ShowMessage(message);
    };
    const auto isNumber = [](const QString& text) {
        try {
            ZeroStrToInt(text);
            return true;
        } catch (const EConvertError&) {
            return false;
        }
    };

    if (!isNumber(NumOfFilterFieldsEdit->text()))
        return refuse(QStringLiteral("Number of filters must be numeric."), AppearancePage);
    if (HomeCh->isChecked() && HomeLinkEdit->text().isEmpty())
        return refuse(
            QStringLiteral("Please, enter link to Homepage or let Home URL check box empty "),
            AppearancePage);
    if (!isNumber(NumOfSortFieldsEdit->text()))
        return refuse(QStringLiteral("Number of filters must be numeric."));
    if (localPath_.isEmpty() || !QFileInfo(localPath_).isDir())
        return refuse(QStringLiteral("Directory not exists for Local path:"), ConnectionPage);
    if (skinPath_.isEmpty())
        return refuse(QStringLiteral("No Skin is selected (recommended)."), AppearancePage);
    const QString tableName = TableName->text();
    if (tableName.isEmpty())
        return refuse(QStringLiteral("Table name is empty. Set the Table name."));
    if (std::any_of(tableName.begin(), tableName.end(),
                    [](QChar c) { return c < u'a' || c > u'z'; }))
        return refuse(QStringLiteral("Table name can contain lowercase characters only."));
    if (options_.AllowSendPassword &&
        (PasswordEmailSenderEdit->text().isEmpty() || PasswordEmailSubjectEdit->text().isEmpty()))
        return refuse(QStringLiteral("The Send Password User mode is checked. Fill the e-mail "
                                     "details on the Password tab or disable the option."),
                      PasswordPage);
    accept();
}

void TSettingsF::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        SettingsUi::CentreDialog(this);
        setWindowTitle(QStringLiteral("Settings - ") + projectName_);
        ClearBGImage->setEnabled(!BGimageText->text().isEmpty());
        ShowModeLabel();
        if (CurrentPage() == CounterPage)
            UpdateSample();
    }
    QDialog::showEvent(event);
}

void TSettingsF::HelpBtnClick() {
    const int page = CurrentPage();
    if (page >= 0 && page < HelpTopics().size())
        emit HelpRequested(HelpTopics().at(page));
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

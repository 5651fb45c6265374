#pragma once

#include "VisitorOptions.h"

#include <QColor>
#include <QDialog>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class TBTable;
namespace SettingsUi {
class TForm;
}
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QToolButton;

// A counter font as the project stores it: colour, face name, size in
// points and the four styles.
struct TCounterFont {
    qint32 Color = 0; // 0x00BBGGRR, or 0x80000000 + a system colour index
    QString Name;
    qint32 Size = 0;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;

    bool operator==(const TCounterFont&) const = default;
};

// The settings dialog: every project setting on its page. Created once and
// reused; each opening loads the controls from the table definition.
class TSettingsF : public QDialog {
    Q_OBJECT
public:
    explicit TSettingsF(QWidget* parent = nullptr);

    // Page indexes, in page order.
    enum Page {
        AppearancePage = 0,
        ConnectionPage = 1,
        DatabasePage = 2,
        AdministratorPage = 3,
        EmailPage = 4,
        ImportExportPage = 5,
        LogoTextPage = 6,
        AdminLogoTextPage = 7,
        CounterPage = 8,
        PasswordPage = 9,
    };
    // Selects a page before the dialog is shown (the deployment commands open
    // the settings on the page their failed check concerns).
    void SelectPage(int page);
    int CurrentPage() const;

    // Fills every control and working value from the table definition.
    void LoadFrom(const TBTable& table);
    // Takes every value back into the table definition, in the fixed order.
    // A number edit that holds no whole number raises EConvertError; what was
    // taken back before it keeps its new value.
    void StoreTo(TBTable& table) const;

    // Working values no control shows directly.
    QString SkinPath() const { return skinPath_; }
    // Sets the style sheet (a shipped skin's name or a file), as Browse does
    // without asking.
    void SetSkinPath(const QString& path);
    QString LocalPath() const { return localPath_; }
    void SetLocalPath(const QString& path);
    const TVisitorOptions& WorkingOptions() const { return options_; }
    qint32 CounterColor() const { return counterColor_; }
    const TCounterFont& CounterTextFont() const { return textFont_; }
    const TCounterFont& CounterNumberFont() const { return numberFont_; }
    TVisitorOptionsF* VisitorOptions() const { return visitorOptions_; }

    // The first number box that holds no whole number as it is read (the
    // number of filters and of sort fields are checked on their own), or
    // nullptr.
    QLineEdit* BadNumberBox() const;

    // Disables the connection and MySQL entries behind the note that "Clear
    // entries" unlocks them (used when demo settings are filled in).
    void SetConnectionLocked(bool locked);
    // Anything differs from what the dialog was filled with.
    bool Edited() const;

    // The local path as the label shows it: whole while it fits, otherwise
    // its first five characters, "...", and as much of its end as fits.
    static QString ShortenPath(const QString& path, const std::function<int(const QString&)>& width,
                               int maxWidth = 299);

    // How the dialog reaches the user and the desktop; each defaults to a Qt
    // box or chooser, and tests replace them.
    std::function<void(const QString&)> ShowMessage;    // plain box with OK
    std::function<bool(const QString&)> ConfirmWarning; // warning, OK and Cancel: true for OK
    std::function<bool(const QString&)> ConfirmDiscard; // Yes and No, No the default: true for Yes
    std::function<void(const QString&)> ShowError;      // the standard error box
    std::function<QString(const QString& title, const QString& folder, const QString& filters)>
        ChooseFile;
    std::function<QString(const QString& start)> ChooseFolder;
    std::function<std::optional<QColor>(const QColor& current)> ChooseColor;
    std::function<bool(TCounterFont& font)> ChooseFont;
    std::function<void(const QUrl& url)> OpenUrl;

    // Page 0, "Appearance"
    QLineEdit* DatabaseDisplayNameEdit;
    QLineEdit* LinesPerPageEdit;
    QLineEdit* NumOfFilterFieldsEdit;
    QLineEdit* NumOfSortFieldsEdit;
    QCheckBox* UserUpdateCh;
    QPushButton* UsersOptionsButton;
    QLabel* ModeLabel;
    QComboBox* TableAlignCombo;
    QComboBox* LayoutCombo;
    QComboBox* LanguageCombo;
    QPushButton* DownloadLanguages;
    QLineEdit* MenuHeightEdit;
    QCheckBox* HomeCh;
    QLineEdit* HomeLinkEdit;
    QLineEdit* SkinText;
    QPushButton* BrowseCssButton;
    QPushButton* NoSkinBtn1;
    QPushButton* EditCssButton;
    QPushButton* PreviewCssButton;
    QPushButton* DownLoadCssButton;
    QLineEdit* BGimageText;
    QPushButton* BrowseBGimgButton;
    QPushButton* ClearBGImage;
    // Page 1, "Connection"
    QLineEdit* URL;
    QLabel* URLNote;
    QLineEdit* Server;
    QLineEdit* User;
    QLineEdit* Password;
    QLineEdit* PHPPath;
    QLineEdit* TrustedProxiesEdit; // the owner's proxies (setting TrustedProxies)
    QLabel* LocalPathText;
    QPushButton* Button2;
    QPushButton* ClearButton;
    QLabel* LockedNote;
    QPushButton* Def;         // fills in the local demo web host's settings
    QComboBox* TransferCombo; // how files reach the server (setting Transfer)
    QLabel* TrustedText;      // the trusted certificate and host key, if any
    QPushButton* ForgetTrustBtn;
    // Page 2, "Database"
    QLineEdit* DatabaseServer;
    QLabel* DBServerLabel;
    QLineEdit* DatabaseName;
    QLineEdit* DatabaseUser;
    QLineEdit* DatabasePassword;
    QLineEdit* TableName;
    // Page 3, "Administrator"
    QLineEdit* AdminPasswordEdit;
    // Page 4, "E-mail"
    QCheckBox* SendEmailCh;
    QLineEdit* EmailSenderEdit;
    QLineEdit* EmailCcEdit;
    QLineEdit* EmailSubjectEdit;
    QPlainTextEdit* EmailBodyMemo;
    // Page 5, "Import/Export"
    QLineEdit* FieldDelimiterEdit;
    QComboBox* RecordDelimiterCombo;
    QLineEdit* RecordDelimiterEdit;
    QLineEdit* ReplaceDelimiterWithEdit;
    // Page 6, "Logo && Text"
    QLineEdit* LogoEdit;
    QPushButton* Button3;
    QPlainTextEdit* LoginTextMemo;
    QPlainTextEdit* MenuTextMemo;
    QPlainTextEdit* SearchRecordTextMemo;
    QPlainTextEdit* AddRecordTextMemo;
    QPlainTextEdit* ModifyRecordTextMemo;
    QPlainTextEdit* DeleteRecordTextMemo;
    QPlainTextEdit* RequestIdPasswordTextMemo;
    // Page 7, "Admin Logo && Text"
    QLineEdit* AdminLogoEdit;
    QPushButton* Button4;
    QPlainTextEdit* AdminLoginTextMemo;
    QPlainTextEdit* AdminMenuTextMemo;
    QPlainTextEdit* AdminSearchRecordTextMemo;
    QPlainTextEdit* AdminAddRecordTextMemo;
    QPlainTextEdit* AdminModifyRecordTextMemo;
    QPlainTextEdit* AdminDeleteRecordTextMemo;
    // Page 8, "Counter"
    QCheckBox* CreateCounterCh;
    QComboBox* CounterPositionCombo;
    QComboBox* CounterAlignmentCombo;
    QLineEdit* CounterTextBeforeEdit;
    QLineEdit* CounterTextBehindEdit;
    QLineEdit* CounterBorderEdit;
    QCheckBox* StartCounterCh;
    QLineEdit* SetCounter;
    QPushButton* ColorBtn;
    QPushButton* CounterTextFontBtn;
    QPushButton* CounterNumberFontBtn;
    QFrame* SampleColor;
    QLabel* SampleTextBefore;
    QLabel* SampleNumber;
    QLabel* SampleTextBehind;
    // Page 9, "Password"
    QLineEdit* PasswordEmailSenderEdit;
    QLineEdit* PasswordEmailSubjectEdit;
    QPlainTextEdit* PasswordEmailBodyMemo;
    // The pages, chosen from the list beside them
    QListWidget* PageList;
    QStackedWidget* PageControl;
    QPushButton* HelpBtn;
    QPushButton* CancelBtn;
    QPushButton* OKBtn;

signals:
    // "&Help": the help topic of the current page ("PropAppearance.htm", ...).
    void HelpRequested(const QString& topic);
    // A "?" button: the explanation window's title and text.
    void ExplanationRequested(const QString& title, const QString& text);
    // Skin "Browse" chose a style sheet: the preview page is to follow it.
    void SkinChosen(const QString& skinPath, const QString& logoPath, const QString& title);
    // Background "Browse" chose a picture: the style sheet is to name it.
    void BGImageChosen(const QString& skinPath, const QString& imagePath);
    // "Preview": show the site's look offline.
    void PreviewRequested(const QString& skinPath, const QString& imagePath,
                          const QString& logoPath, const QString& title);

public slots:
    // Runs the checks; the first that fails shows its message and keeps the
    // dialog open, otherwise the dialog closes with OK.
    void OKBtnClick();
    // Escape, Cancel and the close button ask before edits are lost.
    void reject() override;
    // Repaints the counter sample from the counter page's values.
    void UpdateSample();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* BuildAppearancePage();
    QWidget* BuildConnectionPage();
    QWidget* BuildDatabasePage();
    QWidget* BuildAdministratorPage();
    QWidget* BuildEmailPage();
    QWidget* BuildImportExportPage();
    QWidget* BuildLogoTextPage();
    QWidget* BuildAdminLogoTextPage();
    QWidget* BuildCounterPage();
    QWidget* BuildPasswordPage();
    void InstallDefaultPorts();
    // A "?" button that asks for the explanation window.
    QToolButton* HowTo(const QString& title, const QString& text, const QString& tooltip = {});

    void UserUpdateChClick();
    void HomeChClick();
    void SendEmailChClick();
    void StartCounterChClick();
    void RecordDelimiterComboChange();
    void ServerChange();
    void ShowModeLabel();
    void ModeShown(const QString& mode);
    void UsersOptionsButtonClick();
    void BrowseCssButtonClick();
    void NoSkinBtn1Click();
    void EditCssButtonClick();
    void PreviewCssButtonClick();
    void BrowseBGimgButtonClick();
    void ClearBGImageClick();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void ClearButtonClick();
    void DefClick();
    void ColorBtnClick();
    void CounterTextFontBtnClick();
    void CounterNumberFontBtnClick();
    void HelpBtnClick();
    void ShowLocalPath();
    void ApplyEnabling();
    // The connection entries are those the demo button fills in.
    static bool UsesDemoHost(const QString& server, const QString& url);
    QString numberBoxName(const QLineEdit* box) const;
    int numberBoxPage(const QLineEdit* box) const;
    // The project checks on the values as OK would take them back: false
    // after the refusal was shown on the page of the setting concerned.
    bool CheckDefinition();
    // The "Transfer" choice and the trust shown beneath it.
    void AddTransferRows(SettingsUi::TForm& form, QWidget* page);
    void SetTransfer(const QString& transfer);
    QString Transfer() const;
    void ShowTrust();
    void ForgetTrustBtnClick();
    // The account's captions name FTP unless SFTP is chosen.
    void ShowTransferCaptions();
    // The working values as text, for Edited().
    QStringList WorkingState() const;

    TVisitorOptionsF* visitorOptions_;
    std::shared_ptr<const TBTable> loaded_; // the project the controls were filled from
    QString skinPath_;
    QString localPath_;
    QString projectName_;
    QString trustedCertificate_;
    QString trustedCertificates_; // per server, "host:port=sha256,..."
    QString trustedHostKey_;
    TVisitorOptions options_;
    qint32 counterColor_ = 0;
    TCounterFont textFont_;
    TCounterFont numberFont_;
    bool languageFile_ = false; // Language.ini was found: the language list is in use
    QStringList loadedState_;   // the controls and working values as filled in
    QLabel* serverCaption_ = nullptr;
    QLabel* userCaption_ = nullptr;
    QLabel* passwordCaption_ = nullptr;
};

// Fills the dialog from the table, shows it modally and on OK takes the values
// back into the table. Returns true when values were taken back (also when a
// number conversion stopped the taking back part-way: the error box has then
// told the user, and what was taken before it is in the table).
bool EditSettings(TSettingsF& dialog, TBTable& table);

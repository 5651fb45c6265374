// The settings dialog: its pages, the checks of OK and what it asks of the desktop.
#include "Settings.h"

#include "EditGuard.h"
#include "InputNote.h"
#include "Keyboard.h"
#include "NumberBox.h"
#include "PictureDialog.h"
#include "SettingsFontDialog.h"
#include "SettingsLayout.h"
#include "TitleFit.h"

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

QString AppTitle() {
    const QString name = QGuiApplication::applicationDisplayName();
    return name.isEmpty() ? QStringLiteral("Corvanta") : name;
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
    addPage(BuildLogoTextPage(), QStringLiteral("Logo and text"));
    addPage(BuildAdminLogoTextPage(), QStringLiteral("Admin logo and text"));
    addPage(BuildCounterPage(), QStringLiteral("Counter"));
    addPage(BuildPasswordPage(), QStringLiteral("Password"));
    for (QLineEdit* box : {LinesPerPageEdit, NumOfFilterFieldsEdit, NumOfSortFieldsEdit,
                           MenuHeightEdit, CounterBorderEdit, SetCounter})
        NumberBox::Restrict(*box);
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
    CancelBtn = new QPushButton(QStringLiteral("&Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    OKBtn = new QPushButton(QStringLiteral("&OK"), this);
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
    Keyboard::GiveMnemonics(*this);
    Keyboard::AddPageKeys(*this, *PageControl);
    loadedState_ = EditGuard::State(*this) + WorkingState();
}

QStringList TSettingsF::WorkingState() const {
    const auto font = [](const TCounterFont& f) {
        return QStringList{QString::number(f.Color),    f.Name,
                           QString::number(f.Size),     QString::number(f.Bold),
                           QString::number(f.Italic),   QString::number(f.Underline),
                           QString::number(f.StrikeOut)}
            .join(u'|');
    };
    return {skinPath_,
            localPath_,
            options_.UserMode,
            QString::number(options_.AllowSearch),
            QString::number(options_.AllowAddModify),
            QString::number(options_.OnlyMembersCanAdd),
            QString::number(options_.AllowDelete),
            QString::number(options_.AllowChangePassword),
            QString::number(options_.AllowSendPassword),
            QString::number(counterColor_),
            font(textFont_),
            font(numberFont_),
            trustedCertificate_,
            trustedHostKey_};
}

bool TSettingsF::Edited() const {
    return EditGuard::State(*this) + WorkingState() != loadedState_;
}

void TSettingsF::reject() {
    if (Edited() && !ConfirmDiscard(EditGuard::DiscardQuestion))
        return;
    QDialog::reject();
}

void TSettingsF::InstallDefaultPorts() {
    const auto box = [this](QMessageBox::Icon icon, const QString& text,
                            QMessageBox::StandardButtons buttons) {
        QMessageBox message(icon, AppTitle(), text, buttons, this);
        FitTitle(message);
        return message.exec();
    };
    ShowMessage = [box](const QString& text) { box(QMessageBox::NoIcon, text, QMessageBox::Ok); };
    ConfirmWarning = [box](const QString& text) {
        return box(QMessageBox::Warning, text, QMessageBox::Ok | QMessageBox::Cancel) ==
               QMessageBox::Ok;
    };
    ShowError = [box](const QString& text) { box(QMessageBox::Critical, text, QMessageBox::Ok); };
    ConfirmDiscard = [this](const QString&) { return EditGuard::ConfirmDiscard(*this); };
    ChooseFile = [this](const QString& title, const QString& folder, const QString& filters) {
        if (TPictureDialog::IsPictureFilter(filters))
            return TPictureDialog::Choose(this, title, folder, filters);
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

void TSettingsF::OKBtnClick() {
    const auto refuse = [this](const QString& message, int page = -1) {
        if (page >= 0)
            SelectPage(page);
        ShowMessage(message);
    };
    // A bad number keeps every edit: the box is named, shown and focused.
    const auto refuseNumber = [&](QLineEdit* box, const QString& message, int page) {
        refuse(message, page);
        NumberBox::Focus(*box);
    };
    const auto isNumber = [](const QLineEdit* box) { return NumberBox::Holds(box->text(), true); };

    if (!isNumber(NumOfFilterFieldsEdit))
        return refuseNumber(NumOfFilterFieldsEdit,
                            QStringLiteral("Number of filters must be numeric."), AppearancePage);
    if (HomeCh->isChecked() && HomeLinkEdit->text().isEmpty())
        return refuse(
            QStringLiteral(
                "Please enter the link to your home page or clear the Home URL check box."),
            AppearancePage);
    if (!isNumber(NumOfSortFieldsEdit))
        return refuseNumber(NumOfSortFieldsEdit,
                            QStringLiteral("Number of sort fields must be numeric."),
                            AppearancePage);
    if (QLineEdit* box = BadNumberBox())
        return refuseNumber(box, NumberBox::Message(numberBoxName(box)), numberBoxPage(box));
    if (localPath_.isEmpty() || !QFileInfo(localPath_).isDir())
        return refuse(localPath_.isEmpty()
                          ? QStringLiteral("Choose the local path, the folder for the generated "
                                           "files, with Browse... on the Connection page.")
                          : QStringLiteral("The local path %1 is no folder: choose one with "
                                           "Browse... on the Connection page.")
                                .arg(localPath_),
                      ConnectionPage);
    if (skinPath_.isEmpty())
        return refuse(QStringLiteral("No Skin is selected (recommended)."), AppearancePage);
    const QString tableName = TableName->text();
    if (tableName.isEmpty())
        return refuse(QStringLiteral("Table name is empty. Set the Table name."));
    if (std::any_of(tableName.begin(), tableName.end(),
                    [](QChar c) { return c < u'a' || c > u'z'; }))
        return refuse(QStringLiteral("Table name can contain lowercase characters only."));
    // Only members who log in are sent their passwords (the option is kept
    // in Login mode alone): then the mail needs a sender and a subject.
    const bool login = UserUpdateCh->isChecked() && options_.UserMode == QLatin1String("Login");
    QList<QLineEdit*> missing;
    for (QLineEdit* edit : {PasswordEmailSenderEdit, PasswordEmailSubjectEdit})
        if (edit->text().trimmed().isEmpty())
            missing << edit;
    if (login && options_.AllowSendPassword && !missing.isEmpty()) {
        refuse(QStringLiteral("\"Allow Sending Password when forgotten\" is on, so the password "
                              "e-mail needs %1. Fill in the marked entries on the Password "
                              "page, or turn the option off with the User Mode button.")
                   .arg(missing.size() == 2 ? QStringLiteral("a sender and a subject")
                        : missing.first() == PasswordEmailSenderEdit ? QStringLiteral("a sender")
                                                                     : QStringLiteral("a subject")),
               PasswordPage);
        for (QLineEdit* edit : missing)
            InputNote::Mark(*edit);
        missing.first()->setFocus();
        return;
    }
    if (!CheckDefinition())
        return;
    accept();
}

// The number boxes the checks above do not name, with the names and pages
// their messages give.
namespace {
struct TSettingsNumber {
    QLineEdit* TSettingsF::*box;
    const char* name;
    bool emptyIsZero;
    int page;
};
const TSettingsNumber kNumbers[] = {
    {&TSettingsF::LinesPerPageEdit, "Records per page", true, TSettingsF::AppearancePage},
    {&TSettingsF::MenuHeightEdit, "Menu height", false, TSettingsF::AppearancePage},
    {&TSettingsF::CounterBorderEdit, "Counter border", true, TSettingsF::CounterPage},
    {&TSettingsF::SetCounter, "Counter start value", true, TSettingsF::CounterPage},
};
} // namespace

QLineEdit* TSettingsF::BadNumberBox() const {
    for (const TSettingsNumber& n : kNumbers)
        if (!NumberBox::Holds((this->*n.box)->text(), n.emptyIsZero))
            return this->*n.box;
    return nullptr;
}

QString TSettingsF::numberBoxName(const QLineEdit* box) const {
    for (const TSettingsNumber& n : kNumbers)
        if (this->*n.box == box)
            return QString::fromLatin1(n.name);
    return {};
}

int TSettingsF::numberBoxPage(const QLineEdit* box) const {
    for (const TSettingsNumber& n : kNumbers)
        if (this->*n.box == box)
            return n.page;
    return -1;
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

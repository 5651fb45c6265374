// The "Appearance" page: title, search form sizes, visitor mode, language,
// menu, home link and the skin.
#include "Settings.h"
#include "SettingsLayout.h"

#include "model/DataFiles.h"
#include "model/Table.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

using namespace SettingsUi;

namespace {

// The manual's page on adding a language to the site's texts.
const QString LanguageTopic = QStringLiteral("PropAppearance.htm#language");

// The skins that come with the program.
QString ShippedSkinsFolder() {
    return DataFilePath(QStringLiteral("skins"));
}

// Where the skin chooser starts: at the shipped skins while the project uses
// one of them (or none), else beside the project's own style sheet.
QString SkinFolder(const QString& skin) {
    if (skin.isEmpty() || !skin.contains(u'/') || IsShippedData(skin))
        return ShippedSkinsFolder();
    return FolderOf(skin);
}

const QString PictureFilters = QStringLiteral(
    "Pictures (*.jpg *.jpeg *.gif *.png *.bmp);;JPEG files (*.jpg *.jpeg);;GIF files (*.gif);;"
    "All files (*)");

} // namespace

QWidget* TSettingsF::BuildAppearancePage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout;
    TForm form(grid);
    const auto addRow = [&form](QWidget* caption, QLayout* entry, QToolButton* howTo) {
        form.Add(caption, entry, howTo);
    };

    DatabaseDisplayNameEdit = Edit(QStringLiteral("DatabaseDisplayNameEdit"), page);
    addRow(Caption(QStringLiteral("Database title:"), page,
                   QStringLiteral("Appears on the search page of the site")),
           Row({DatabaseDisplayNameEdit}, false),
           HowTo(QStringLiteral("Database title:"),
                 QStringLiteral("The title appears on top of the search form of your database "
                                "site.")));

    LinesPerPageEdit = Edit(QStringLiteral("LinesPerPageEdit"), page, NumberWidth);
    LinesPerPageEdit->setToolTip(QStringLiteral("Number of records found per page"));
    addRow(Caption(QStringLiteral("Records per page:"), page), Row({LinesPerPageEdit}),
           HowTo(QStringLiteral("Records per page:"),
                 QStringLiteral("The number of records found that one page shows. When more "
                                "records are found, a \"Next\" link leads to the following "
                                "ones.")));

    NumOfFilterFieldsEdit = Edit(QStringLiteral("NumOfFilterFieldsEdit"), page, NumberWidth);
    addRow(Caption(QStringLiteral("Number of filters:"), page), Row({NumOfFilterFieldsEdit}),
           HowTo(QStringLiteral("Number of filters:"),
                 QStringLiteral("Filters let the visitor narrow the search: each filter row "
                                "offers a field, a comparison and a value. With four filters a "
                                "visitor can, for example, look for the members from London "
                                "whose name begins with \"A\", who joined after 2001 and who "
                                "have a home page.")));

    NumOfSortFieldsEdit = Edit(QStringLiteral("NumOfSortFieldsEdit"), page, NumberWidth);
    addRow(Caption(QStringLiteral("Number of sort fields:"), page), Row({NumOfSortFieldsEdit}),
           HowTo(QStringLiteral("Number of sort fields:"),
                 QStringLiteral("Sort fields let the visitor choose the fields by which the "
                                "records found are ordered.")));

    TableAlignCombo = new QComboBox(page);
    TableAlignCombo->setObjectName(QStringLiteral("TableAlignCombo"));
    TableAlignCombo->addItems({QStringLiteral("Left (Default)"), QStringLiteral("Center")});
    addRow(Caption(QStringLiteral("Positioning table:"), page,
                   QStringLiteral("This option works only when you don't use a skin (css file)")),
           Row({TableAlignCombo}),
           HowTo(QStringLiteral("Positioning table:"),
                 QStringLiteral("The position on the page of the search and sort table and of "
                                "the table of records found.")));

    LayoutCombo = new QComboBox(page);
    LayoutCombo->setObjectName(QStringLiteral("LayoutCombo"));
    LayoutCombo->addItem(QStringLiteral("One page"), Layouts::OnePage);
    LayoutCombo->addItem(QStringLiteral("Frames"), Layouts::Frames);
    addRow(Caption(QStringLiteral("Layout:"), page), Row({LayoutCombo}),
           HowTo(QStringLiteral("Layout:"),
                 QStringLiteral("\"One page\": every page of the site carries the menu at its "
                                "top and has an address of its own, so visitors can bookmark and "
                                "share it; it suits phones as well as large screens. "
                                "\"Frames\": the classic site, with the menu in a frame above "
                                "the pages.")));

    LanguageCombo = new QComboBox(page);
    LanguageCombo->setObjectName(QStringLiteral("LanguageCombo"));
    LanguageCombo->setToolTip(QStringLiteral("Language of the generated site"));
    LanguageCombo->setMinimumWidth(140);
    DownloadLanguages =
        Button(QStringLiteral("DownloadLanguages"), QStringLiteral("Download"), page);
    addRow(Caption(QStringLiteral("Language:"), page), Row({LanguageCombo, DownloadLanguages}),
           HowTo(QStringLiteral("Language:"),
                 QStringLiteral("The language of the system messages, button labels and "
                                "navigation bars of the generated site.")));

    MenuHeightEdit = Edit(QStringLiteral("MenuHeightEdit"), page, NumberWidth);
    MenuHeightEdit->setToolTip(
        QStringLiteral("The height of the menu on the database site, e.g. 150"));
    addRow(Caption(QStringLiteral("Menu height (pixels):"), page), Row({MenuHeightEdit}),
           HowTo(QStringLiteral("Menu height:"),
                 QStringLiteral("The height in pixels of the menu at the top of every page. Set "
                                "it between 100 and 400, depending on the size of your logo and "
                                "on whether the hit counter is shown in the menu.")));

    HomeCh = new QCheckBox(QStringLiteral("Home URL"), page);
    HomeCh->setObjectName(QStringLiteral("HomeCh"));
    HomeLinkEdit = Edit(QStringLiteral("HomeLinkEdit"), page);
    HomeLinkEdit->setToolTip(QStringLiteral("For example: http://www.yourhomepage.com/"));
    addRow(HomeCh, Row({HomeLinkEdit}, false),
           HowTo(QStringLiteral("Home URL"),
                 QStringLiteral("Check the box to add a \"Home\" link to the navigation bar of "
                                "the site, and enter the address the link leads to.")));

    UserUpdateCh = new QCheckBox(QStringLiteral("Update records by user:"), page);
    UserUpdateCh->setObjectName(QStringLiteral("UserUpdateCh"));
    UsersOptionsButton =
        Button(QStringLiteral("UsersOptionsButton"), QStringLiteral("User Mode"), page);
    ModeLabel = new QLabel(page);
    ModeLabel->setObjectName(QStringLiteral("ModeLabel"));
    ModeLabel->setMinimumWidth(100);
    addRow(UserUpdateCh, Row({UsersOptionsButton, ModeLabel}), nullptr);

    // Skin management: style sheet and background image of the site.
    auto* skinBox = new QGroupBox(QStringLiteral("Skin management"), page);
    auto* skinGrid = new QGridLayout(skinBox);
    skinGrid->setColumnStretch(1, 1);
    SkinText = Edit(QStringLiteral("SkinText"), skinBox);
    SkinText->setReadOnly(true);
    BrowseCssButton = Button(QStringLiteral("BrowseCssButton"), QStringLiteral("Browse"), skinBox,
                             QStringLiteral("Choose a style sheet (css file) on this computer"));
    NoSkinBtn1 = Button(QStringLiteral("NoSkinBtn1"), QStringLiteral("clear"), skinBox,
                        QStringLiteral("Use no style sheet"));
    EditCssButton = Button(QStringLiteral("EditCssButton"), QStringLiteral("Edit"), skinBox,
                           QStringLiteral("Open a style sheet in your text editor"));
    PreviewCssButton = Button(QStringLiteral("PreviewCssButton"), QStringLiteral("Preview"),
                              skinBox, QStringLiteral("See the look of the site offline"));
    DownLoadCssButton =
        Button(QStringLiteral("DownLoadCssButton"), QStringLiteral("Download"), skinBox,
               QStringLiteral("Open the folder of the skins that come "
                              "with Corvanta"));
    skinGrid->addWidget(Note(QStringLiteral("The look of the site comes from its style sheet "
                                            "and background image."),
                             skinBox),
                        0, 0, 1, 2);
    skinGrid->addWidget(
        HowTo(QStringLiteral("Skin management"),
              QStringLiteral("You can change the look of your site at any time by choosing "
                             "another style sheet and background image, without touching the "
                             "data of the database."),
              QStringLiteral("What is skin management?")),
        0, 2);
    skinGrid->addWidget(Caption(QStringLiteral("Skin (css):"), skinBox), 1, 0);
    skinGrid->addWidget(SkinText, 1, 1);
    skinGrid->addWidget(
        HowTo(QStringLiteral("Skin (css):"),
              QStringLiteral("Colours and fonts of the generated site come from the style sheet "
                             "(css file). Without one, the browser's defaults are used."),
              QStringLiteral("What is a skin?")),
        1, 2);
    skinGrid->addLayout(
        Row({BrowseCssButton, NoSkinBtn1, EditCssButton, PreviewCssButton, DownLoadCssButton}), 2,
        1);

    BGimageText = Edit(QStringLiteral("BGimageText"), skinBox);
    BGimageText->setReadOnly(true);
    BrowseBGimgButton =
        Button(QStringLiteral("BrowseBGimgButton"), QStringLiteral("Browse"), skinBox);
    ClearBGImage = Button(QStringLiteral("ClearBGImage"), QStringLiteral("clear"), skinBox);
    // The skin's captions need no key of their own: their buttons have one.
    skinGrid->addWidget(Caption(QStringLiteral("Background image:"), skinBox), 3, 0);
    auto* imageRow = Row({BGimageText, BrowseBGimgButton, ClearBGImage}, false);
    imageRow->setStretch(0, 1);
    skinGrid->addLayout(imageRow, 3, 1);
    skinGrid->addWidget(
        HowTo(QStringLiteral("Background image:"),
              QStringLiteral("For the preview the background image must lie in the same folder "
                             "as the style sheet; otherwise it appears only online, after the "
                             "upload."),
              QStringLiteral("How to set the background image")),
        3, 2);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Heading(QStringLiteral("Appearance"), page));
    layout->addLayout(grid);
    layout->addWidget(skinBox);
    layout->addStretch(1);

    connect(UserUpdateCh, &QCheckBox::clicked, this, &TSettingsF::UserUpdateChClick);
    connect(UsersOptionsButton, &QPushButton::clicked, this, &TSettingsF::UsersOptionsButtonClick);
    connect(HomeCh, &QCheckBox::clicked, this, &TSettingsF::HomeChClick);
    connect(BrowseCssButton, &QPushButton::clicked, this, &TSettingsF::BrowseCssButtonClick);
    connect(NoSkinBtn1, &QPushButton::clicked, this, &TSettingsF::NoSkinBtn1Click);
    connect(EditCssButton, &QPushButton::clicked, this, &TSettingsF::EditCssButtonClick);
    connect(PreviewCssButton, &QPushButton::clicked, this, &TSettingsF::PreviewCssButtonClick);
    connect(DownLoadCssButton, &QPushButton::clicked, this,
            [this] { OpenUrl(QUrl::fromLocalFile(ShippedSkinsFolder())); });
    connect(DownloadLanguages, &QPushButton::clicked, this,
            [this] { emit HelpRequested(LanguageTopic); });
    connect(BrowseBGimgButton, &QPushButton::clicked, this, &TSettingsF::BrowseBGimgButtonClick);
    connect(ClearBGImage, &QPushButton::clicked, this, &TSettingsF::ClearBGImageClick);
    return page;
}

void TSettingsF::UserUpdateChClick() {
    ApplyEnabling();
}

void TSettingsF::ShowModeLabel() {
    QString text = QStringLiteral("Default mode");
    if (UserUpdateCh->isChecked() && !options_.UserMode.isEmpty())
        text = options_.UserMode + QStringLiteral(" mode");
    ModeLabel->setText(text);
}

void TSettingsF::ModeShown(const QString& mode) {
    ModeLabel->setText(mode + QStringLiteral(" mode"));
}

void TSettingsF::UsersOptionsButtonClick() {
    visitorOptions_->Edit(options_);
    // After Cancel the label shows the mode that is kept, not the last one looked at.
    ShowModeLabel();
}

void TSettingsF::HomeChClick() {
    if (HomeCh->isChecked()) {
        if (HomeLinkEdit->text().isEmpty())
            HomeLinkEdit->setText(QStringLiteral("http://"));
        HomeLinkEdit->setEnabled(true);
        HomeLinkEdit->setFocus();
    } else {
        HomeLinkEdit->clear();
        HomeLinkEdit->setEnabled(false);
    }
}

void TSettingsF::SetSkinPath(const QString& path) {
    skinPath_ = path;
    SkinText->setText(path);
}

void TSettingsF::BrowseCssButtonClick() {
    const QString file =
        ChooseFile(QStringLiteral("Choose a Skin (css file)"), SkinFolder(skinPath_),
                   QStringLiteral("Style files (*.css);;All files (*);;Text Files (*.txt);;"
                                  "Comma separated files (*.csv)"));
    if (file.isEmpty())
        return;
    SetSkinPath(file);
    NoSkinBtn1->setEnabled(true);
    PreviewCssButton->setEnabled(true);
    emit SkinChosen(skinPath_, LogoEdit->text(), DatabaseDisplayNameEdit->text());
}

void TSettingsF::NoSkinBtn1Click() {
    SetSkinPath(QString());
    BGimageText->clear();
    NoSkinBtn1->setEnabled(false);
    ClearBGImage->setEnabled(false);
    PreviewCssButton->setEnabled(false);
}

void TSettingsF::EditCssButtonClick() {
    const QString file = ChooseFile(QStringLiteral("CSS Files"), SkinFolder(skinPath_),
                                    QStringLiteral("Style files (*.css);;All files (*)"));
    if (!file.isEmpty())
        OpenUrl(QUrl::fromLocalFile(file));
}

void TSettingsF::PreviewCssButtonClick() {
    emit PreviewRequested(skinPath_, BGimageText->text(), LogoEdit->text(),
                          DatabaseDisplayNameEdit->text());
}

void TSettingsF::BrowseBGimgButtonClick() {
    const QString file =
        ChooseFile(QStringLiteral("Background image"), FolderOf(skinPath_), PictureFilters);
    if (file.isEmpty())
        return;
    BGimageText->setText(file);
    emit BGImageChosen(skinPath_, file);
    ClearBGImage->setEnabled(true);
}

void TSettingsF::ClearBGImageClick() {
    BGimageText->clear();
    ClearBGImage->setEnabled(false);
}

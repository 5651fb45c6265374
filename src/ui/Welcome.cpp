#include "Welcome.h"

#include "About.h"
#include "Centring.h"
#include "HelpLauncher.h"
#include "Keyboard.h"
#include "ProgramRemoval.h"
#include "SaveAs.h"
#include "SelectDB.h"
#include "deploy/UserPort.h"
#include "model/ProjectStore.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* note(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setMinimumWidth(300);
    QPalette muted = label->palette();
    muted.setColor(QPalette::WindowText, muted.color(QPalette::PlaceholderText));
    label->setPalette(muted);
    return label;
}

} // namespace

TWelcomeF::TWelcomeF(TStore& store, TUserPort* port, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      RunMain([](TMainF& main) { return main.ShowModal(); }), store_(store),
      runDialog_([](QDialog& dialog) { return dialog.exec(); }) {
    setObjectName(QStringLiteral("WelcomeF"));
    setWindowTitle(Caption);
    ownMain_ = std::make_unique<TMainF>(store_, port);
    MainF = ownMain_.get();
    port_ = &MainF->Port();
    SaveAs = new TSaveAsF(store_, *port_, this);
    SaveAs->setWindowFlag(Qt::Dialog);
    RemoveDatabase = [this](const QString& name) { MainF->RemoveDatabase(name); };

    const auto button = [this](const QString& text, const QString& name) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setMinimumWidth(210);
        b->setAutoDefault(false);
        return b;
    };
    CreateBtn = button(QStringLiteral("Create New Database"), QStringLiteral("CreateBtn"));
    ManageBtn = button(QStringLiteral("Manage Databases"), QStringLiteral("ManageBtn"));
    ManualBtn = button(QStringLiteral("User Manual"), QStringLiteral("ManualBtn"));
    LanguageBtn = button(QStringLiteral("Select Language"), QStringLiteral("LanguageBtn"));
    AboutBtn = button(QStringLiteral("About Corvanta"), QStringLiteral("AboutBtn"));
    FaqBtn = button(QStringLiteral("Frequent questions"), QStringLiteral("FaqBtn"));
    NewsBtn = button(QStringLiteral("What is new"), QStringLiteral("NewsBtn"));
    WebSiteBtn = button(QStringLiteral("Contents of the manual"), QStringLiteral("WebSiteBtn"));
    AddDbBtn = button(QStringLiteral("Show your site"), QStringLiteral("AddDbBtn"));
    BugBtn = button(QStringLiteral("Report a problem..."), QStringLiteral("BugBtn"));
    UninstallBtn = button(QStringLiteral("Uninstall"), QStringLiteral("UninstallBtn"));
    CloseBtn = button(QStringLiteral("&Close"), QStringLiteral("CloseBtn"));
    UninstallBtn->setMinimumWidth(0);
    CloseBtn->setMinimumWidth(0);
    CreateBtn->setDefault(true);
    LanguageBtn->setEnabled(false);

    auto* start = new QGroupBox(QStringLiteral("Your databases"), this);
    auto* startGrid = new QGridLayout(start);
    startGrid->setColumnStretch(1, 1);
    const auto addRow = [](QGridLayout* grid, QPushButton* b, QLabel* text) {
        const int row = grid->rowCount();
        grid->addWidget(b, row, 0);
        grid->addWidget(text, row, 1);
    };
    addRow(startGrid, CreateBtn, note(QStringLiteral("Start a new database site."), start));
    ManageNote = note(QStringLiteral("Open or remove one of your databases."), start);
    addRow(startGrid, ManageBtn, ManageNote);
    addRow(startGrid, ManualBtn,
           note(QStringLiteral("Fields, settings, generating and uploading."), start));
    addRow(startGrid, LanguageBtn, note(QStringLiteral("The program speaks English."), start));
    addRow(startGrid, AboutBtn, note(QStringLiteral("Version and vendor."), start));

    auto* web = new QGroupBox(QStringLiteral("In the Corvanta manual"), this);
    auto* webGrid = new QGridLayout(web);
    webGrid->setColumnStretch(1, 1);
    addRow(webGrid, FaqBtn, note(QStringLiteral("Answers to frequent questions."), web));
    addRow(webGrid, NewsBtn, note(QStringLiteral("What is new in this version."), web));
    addRow(webGrid, WebSiteBtn, note(QStringLiteral("Every page of the manual."), web));
    addRow(webGrid, AddDbBtn, note(QStringLiteral("Show your site to other people."), web));
    addRow(
        webGrid, BugBtn,
        note(QStringLiteral("What to do when something goes wrong, and how to report it."), web));

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(UninstallBtn);
    bottom->addStretch();
    bottom->addWidget(CloseBtn);

    auto* body = new QVBoxLayout;
    body->setContentsMargins(16, 12, 16, 12);
    body->addWidget(start);
    body->addWidget(web);
    body->addSpacing(4);
    body->addLayout(bottom);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildBanner());
    layout->addLayout(body);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(CreateBtn, &QPushButton::clicked, this, &TWelcomeF::CreateBtnClick);
    connect(ManageBtn, &QPushButton::clicked, this, &TWelcomeF::ManageBtnClick);
    connect(ManualBtn, &QPushButton::clicked, this, &TWelcomeF::ManualBtnClick);
    connect(AboutBtn, &QPushButton::clicked, this, &TWelcomeF::AboutBtnClick);
    connect(UninstallBtn, &QPushButton::clicked, this, &TWelcomeF::UninstallBtnClick);
    connect(CloseBtn, &QPushButton::clicked, this, &QWidget::close);
    const std::pair<QPushButton*, QString> links[] = {{FaqBtn, FaqTopic},
                                                      {NewsBtn, NewsTopic},
                                                      {WebSiteBtn, HomeTopic},
                                                      {AddDbBtn, AddDbTopic},
                                                      {BugBtn, BugTopic}};
    for (const auto& [b, topic] : links)
        connect(b, &QPushButton::clicked, this, [this, topic] { MainF->ShowHelp(topic); });
    updateManageBtn();
    Keyboard::GiveMnemonics(*this);
}

TWelcomeF::~TWelcomeF() = default;

QWidget* TWelcomeF::buildBanner() {
    auto* banner = new QWidget(this);
    banner->setAutoFillBackground(true);
    QPalette colours = banner->palette();
    colours.setColor(QPalette::Window, QColor(0x00, 0x00, 0x80));
    colours.setColor(QPalette::WindowText, QColor(0xFF, 0xFF, 0xE1));
    banner->setPalette(colours);
    auto* welcome = new QLabel(QStringLiteral("Welcome to Corvanta Generator!"), banner);
    QFont big = welcome->font();
    big.setBold(true);
    big.setPointSize(big.pointSize() + 7);
    welcome->setFont(big);
    VersionLabel = new QLabel(QStringLiteral("Version: ") + ProgramVersion(), banner);
    auto* pitch = new QLabel(QStringLiteral("Define your table and the look of your site; "
                                            "Corvanta writes the PHP and MySQL web application "
                                            "and puts it on your web host."),
                             banner);
    pitch->setWordWrap(true);
    auto* layout = new QVBoxLayout(banner);
    layout->setContentsMargins(18, 16, 18, 14);
    layout->addWidget(welcome);
    layout->addWidget(VersionLabel);
    layout->addSpacing(6);
    layout->addWidget(pitch);
    return banner;
}

QStringList TWelcomeF::projects() {
    try {
        return ProjectStore::List(store_);
    } catch (const TStoreError& e) {
        port_->ShowError(e.message());
        return {};
    }
}

void TWelcomeF::updateManageBtn() {
    const bool any = !projects().isEmpty();
    ManageBtn->setVisible(any);
    ManageNote->setVisible(any);
}

void TWelcomeF::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        updateManageBtn();
        CentreOnScreen(*this);
    }
    QWidget::showEvent(event);
}

void TWelcomeF::closeEvent(QCloseEvent* event) {
    event->accept();
    emit ProgramEnd();
}

void TWelcomeF::OpenDatabase(const QString& name) {
    TBTable table;
    try {
        table = ProjectStore::Load(store_, name);
    } catch (const TStoreError& e) {
        port_->ShowError(e.message());
        return;
    }
    hide();
    MainF->SetTable(std::move(table));
    const TMainF::TMainResult result = RunMain(*MainF);
    // The project is released with the main window.
    MainF->SetTable(TBTable());
    if (result == TMainF::ResultExit) {
        close();
        return;
    }
    show();
}

void TWelcomeF::CreateBtnClick() {
    if (runDialog_(*SaveAs) != QDialog::Accepted)
        return;
    const QString name = SaveAs->EnteredName();
    try {
        if (ProjectStore::Exists(store_, name)) {
            port_->ShowWarning(QStringLiteral("Database already exists."));
        } else {
            ProjectStore::Create(store_, name);
            updateManageBtn();
        }
    } catch (const TStoreError& e) {
        port_->ShowError(e.message());
        return;
    }
    OpenDatabase(name);
}

void TWelcomeF::ManageBtnClick() {
    TSelectDBF dialog(projects(), *port_, this);
    dialog.OKBtn->hide();
    dialog.RemoveDatabase = [this](const QString& name) { RemoveDatabase(name); };
    dialog.ListDatabases = [this] { return projects(); };
    const int result = runDialog_(dialog);
    const QString name = dialog.SelectedName();
    updateManageBtn();
    if (result == QDialog::Accepted && !name.isEmpty())
        OpenDatabase(name);
}

void TWelcomeF::ManualBtnClick() {
    MainF->ShowHelp(QString());
}

void TWelcomeF::AboutBtnClick() {
    runDialog_(*MainF->About);
}

void TWelcomeF::UninstallBtnClick() {
    // The program itself is the package manager's to remove: say how, and
    // offer to delete the projects, which no package removal touches.
    if (!port_->ConfirmDanger(ProgramRemovalHint() +
                              QStringLiteral("\n\nAll your databases will be deleted. Go on?")))
        return;
    try {
        store_.update([](TStoreKey& root) { root.clear(); });
    } catch (const TStoreError& e) {
        port_->ShowError(e.message());
        return;
    }
    updateManageBtn();
    port_->ShowInformation(QStringLiteral("All databases have been deleted.\n\n") +
                           ProgramRemovalHint());
}

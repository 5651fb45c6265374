#include "Main.h"

#include "About.h"
#include "Centring.h"
#include "FieldGrid.h"
#include "HelpLauncher.h"
#include "HowTos.h"
#include "Icons.h"
#include "Settings.h"
#include "SkinPreview.h"
#include "Steps.h"
#include "WindowPort.h"
#include "deploy/Deployment.h"
#include "deploy/UserPort.h"
#include "net/FtpClient.h"
#include "net/HttpClient.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

const QEvent::Type TMainF::Stage2Event = QEvent::Type(QEvent::User + 0x1400);

TMainF::TMainF(TStore& store, TUserPort* port, QWidget* parent)
    : QMainWindow(parent), store_(store), port_(port),
      runDialog_([](QDialog& dialog) { return dialog.exec(); }) {
    if (!port_) {
        ownPort_ = std::make_unique<TWindowPort>(
            this, [this](int page) { return OpenSettingsOnPage(page); });
        port_ = ownPort_.get();
    }
    FTPconn = new TFtpClient(this);
    HTTPconn = new THttpClient(this);
    deploy_ = std::make_unique<TDeployment>(*port_, store_, *FTPconn, *HTTPconn,
                                            [this](const QString& script) { PostStage2(script); });
    // Trust given during a command is stored at once; the open project
    // takes it too, so a later Save keeps it.
    deploy_->OnTrustStored = [this](const QString& project, const QString& setting,
                                    const QString& value) {
        if (project != table_.DbName)
            return;
        (setting == QLatin1String("TrustedHostKey") ? table_.TrustedHostKey
                                                    : table_.TrustedCertificates) = value;
    };
    setWindowTitle(QStringLiteral("Corvanta Generator"));
    createActions();
    createMenus();
    createToolBar();

    auto* central = new QWidget(this);
    Heading = new QLabel(QStringLiteral("  Database Fields"), central);
    QFont headingFont(QStringLiteral("Verdana"));
    headingFont.setBold(true);
    headingFont.setPointSize(headingFont.pointSize() + 1);
    Heading->setFont(headingFont);
    Heading->setAutoFillBackground(true);
    Heading->setContentsMargins(8, 6, 8, 6);
    QPalette headingColours = Heading->palette();
    headingColours.setColor(QPalette::Window, QColor(0x00, 0x00, 0x80));
    headingColours.setColor(QPalette::WindowText, palette().color(QPalette::ToolTipBase));
    Heading->setPalette(headingColours);
    FieldGrid = new TFieldGridView(central);
    connect(FieldGrid, &QTableWidget::cellDoubleClicked, this, [this] { FieldModifyA->trigger(); });
    connect(FieldGrid, &TFieldGridView::OpenRequested, this, [this] { FieldModifyA->trigger(); });
    connect(FieldGrid, &TFieldGridView::DeleteRequested, this, [this] { FieldDeleteA->trigger(); });
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Heading);
    layout->addWidget(FieldGrid, 1);
    setCentralWidget(central);
    statusBar()->setSizeGripEnabled(true);

    Steps = new TStepsF(this);
    Settings = new TSettingsF(this);
    HowTos = new THowTosF(this);
    About = new TAboutF(this);
    help_ = std::make_unique<THelpLauncher>(store_, *port_);
    preview_ = std::make_unique<TSkinPreview>();
    connectSettings();

    table_ = TBTable::New();
    fillGrid();
    SaveA->setEnabled(false);
    resize(700, 480);
}

TMainF::~TMainF() = default;

void TMainF::createActions() {
    struct Entry {
        QAction*& action;
        const char* caption;
        QKeySequence shortcut;
        const char* hint;
        void (TMainF::*slot)();
        TToolIcon icon;
    };
    const Entry actions[] = {
        {FieldCreateA, "&Create", Qt::CTRL | Qt::Key_C, "Create new field",
         &TMainF::FieldCreateAExecute, TToolIcon::Create},
        {FieldModifyA, "&Modify", Qt::CTRL | Qt::Key_M, "Modify selected field",
         &TMainF::FieldModifyAExecute, TToolIcon::Modify},
        {FieldDeleteA, "&Delete", Qt::CTRL | Qt::Key_D, "Delete selected field",
         &TMainF::FieldDeleteAExecute, TToolIcon::Delete},
        {FieldUpA, "&Up", {}, "Move up selected field", &TMainF::FieldUpAExecute, TToolIcon::Up},
        {FieldDownA,
         "Do&wn",
         {},
         "Move down selected field",
         &TMainF::FieldDownAExecute,
         TToolIcon::Down},
        {HelpA, "Corvanta &Help", Qt::Key_F1, "Corvanta Help", &TMainF::HelpAExecute,
         TToolIcon::Help},
        // Ctrl+C would be this action's key too, but it belongs to Create.
        {StepsA,
         "&Steps of Database Creation",
         {},
         "Steps of Database Creation",
         &TMainF::StepsAExecute,
         TToolIcon::Steps},
        {AboutA, "&About...", {}, nullptr, &TMainF::AboutAExecute, TToolIcon::Help},
        {SettingsA, "&Settings...", Qt::CTRL | Qt::Key_T, "Settings", &TMainF::SettingsAExecute,
         TToolIcon::Settings},
        {GenerateA, "&Generate", Qt::CTRL | Qt::Key_G, "Generate PHP files",
         &TMainF::GenerateAExecute, TToolIcon::Generate},
        {UploadA, "&Upload", Qt::CTRL | Qt::Key_U, "Upload the site", &TMainF::UploadAExecute,
         TToolIcon::Upload},
        {ImportA, "&Import from Database...", Qt::CTRL | Qt::Key_I,
         "Download the records from the site", &TMainF::ImportAExecute, TToolIcon::Download},
        {ExportA, "&Export to Database...", Qt::CTRL | Qt::Key_E, "Send records to the site",
         &TMainF::ExportAExecute, TToolIcon::SendData},
        {NewA, "&New Database", Qt::CTRL | Qt::Key_N, "New Database", &TMainF::NewAExecute,
         TToolIcon::New},
        {OpenA, "&Open Database...", Qt::CTRL | Qt::Key_O, "Open Database", &TMainF::OpenAExecute,
         TToolIcon::Open},
        {SaveA, "&Save Database", Qt::CTRL | Qt::Key_S, "Save Database", &TMainF::SaveAExecute,
         TToolIcon::Save},
        {SaveAsA, "Save Database &As...", Qt::CTRL | Qt::Key_A, nullptr, &TMainF::SaveAsAExecute,
         TToolIcon::Save},
        // Ctrl+R is taken by GenerateUploadA, which does nothing.
        {RemoveA,
         "Remove Database...",
         {},
         "Remove Database",
         &TMainF::RemoveAExecute,
         TToolIcon::Remove},
        {BackA, "&Back to the Welcome window", Qt::CTRL | Qt::Key_B, "Back to the Welcome window",
         &TMainF::BackAExecute, TToolIcon::Back},
        {ExitA, "E&xit", {}, nullptr, &TMainF::ExitAExecute, TToolIcon::Back},
    };
    for (const Entry& entry : actions) {
        entry.action = new QAction(QString::fromLatin1(entry.caption), this);
        entry.action->setShortcut(entry.shortcut);
        entry.action->setShortcutContext(Qt::WindowShortcut);
        if (entry.hint) {
            entry.action->setToolTip(QString::fromLatin1(entry.hint));
            entry.action->setStatusTip(QString::fromLatin1(entry.hint));
        }
        entry.action->setIcon(ToolIcon(entry.icon));
        entry.action->setIconVisibleInMenu(false);
        connect(entry.action, &QAction::triggered, this, entry.slot);
        addAction(entry.action);
    }
    GenerateUploadA = new QAction(QStringLiteral("Generate && Upload"), this);
    GenerateUploadA->setShortcut(Qt::CTRL | Qt::Key_R);
    addAction(GenerateUploadA);
    createSheetActions();
}

void TMainF::createMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addActions({NewA, OpenA, SaveA, SaveAsA});
    file->addSeparator();
    file->addActions({BackA, ExitA});
    QMenu* field = menuBar()->addMenu(QStringLiteral("F&ield"));
    field->addActions({FieldCreateA, FieldModifyA, FieldDeleteA});
    field->addSeparator();
    field->addActions({FieldUpA, FieldDownA});
    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    tools->addAction(SettingsA);
    tools->addSeparator();
    tools->addActions({GenerateA, UploadA});
    tools->addSeparator();
    tools->addActions({ImportA, ExportA});
    tools->addSeparator();
    tools->addActions({SheetImportA, SheetExportA});
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addActions({HelpA, StepsA});
    help->addSeparator();
    help->addAction(AboutA);
    // F10 opens the menu bar, as in other desktop programs.
    auto* menuKey = new QAction(this);
    menuKey->setShortcut(Qt::Key_F10);
    connect(menuKey, &QAction::triggered, this, [this] {
        menuBar()->setFocus(Qt::ShortcutFocusReason);
        menuBar()->setActiveAction(menuBar()->actions().value(0));
    });
    addAction(menuKey);
}

void TMainF::createToolBar() {
    ToolBar = addToolBar(QStringLiteral("Tools"));
    ToolBar->setMovable(false);
    ToolBar->setIconSize(QSize(24, 24));

    // New, Open and Remove have no button: they are reached by the menu or
    // the welcome window.
    ToolBar->addAction(BackA);
    ToolBar->addSeparator();
    ToolBar->addAction(SaveA);
    ToolBar->addSeparator();
    ToolBar->addActions({FieldCreateA, FieldModifyA, FieldDeleteA, FieldUpA, FieldDownA});
    ToolBar->addSeparator();
    ToolBar->addAction(SettingsA);
    ToolBar->addSeparator();
    ToolBar->addActions({GenerateA, UploadA});
    ToolBar->addSeparator();
    ToolBar->addActions({ImportA, ExportA});
    ToolBar->addSeparator();
    ToolBar->addActions({HelpA, StepsA});
    // Tab reaches the buttons as well as the grid.
    for (QAction* action : ToolBar->actions())
        if (auto* button = qobject_cast<QToolButton*>(ToolBar->widgetForAction(action)))
            button->setFocusPolicy(Qt::TabFocus);
}

void TMainF::SetTable(TBTable table) {
    table_ = std::move(table);
    fillGrid();
}

bool TMainF::Changed() const {
    return SaveA->isEnabled();
}

void TMainF::SetChanged(bool changed) {
    SaveA->setEnabled(changed);
}

void TMainF::fillGrid() {
    FieldGrid->Fill(table_.FillGrid());
}

void TMainF::showProjectName() {
    setWindowTitle(Caption + QStringLiteral(" - ") + table_.DbName);
    Heading->setText(QStringLiteral("  Database Fields - ") + table_.DbName);
}

void TMainF::placeSteps() {
    Steps->adjustSize();
    const QRect area = screen()->availableGeometry();
    const QRect steps = Steps->frameGeometry();
    QRect main = frameGeometry();
    // The guide stands against the main window's right edge. On a screen
    // too narrow for that, the pair is centred instead (the main window
    // narrowed where even that does not fit), so the guide never covers the
    // grid and never leaves the screen.
    if (!isMaximized() && !isFullScreen() &&
        main.left() + main.width() + steps.width() > area.left() + area.width()) {
        const int spare = area.width() - steps.width();
        if (main.width() > spare)
            resize(std::max(minimumWidth(), width() - (main.width() - spare)), height());
        main = frameGeometry();
        move(area.left() + std::max(0, (spare - main.width()) / 2), main.top());
        main = frameGeometry();
    }
    const int top = std::clamp(main.top() + (main.height() - steps.height()) / 2, area.top(),
                               std::max(area.top(), area.bottom() + 1 - steps.height()));
    Steps->move(main.left() + main.width(), top);
}

TMainF::TMainResult TMainF::ShowModal() {
    result_ = ResultBack;
    QEventLoop loop;
    connect(this, &TMainF::Closed, &loop, &QEventLoop::quit);
    show();
    loop.exec();
    return result_;
}

void TMainF::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (event->spontaneous())
        return;
    SetChanged(false);
    fillGrid();
    setWindowTitle(Caption);
    Heading->setText(QStringLiteral("  Database Fields - ") + table_.DbName);
    CentreOnScreen(*this);
    placeSteps();
    Steps->show();
    // Once more when the frame is known and the window centred.
    QTimer::singleShot(0, this, [this] { placeSteps(); });
}

void TMainF::closeEvent(QCloseEvent* event) {
    if (Changed()) {
        const TAnswer answer = port_->Confirm(QStringLiteral("Do you want to save changes?"));
        if (answer == TAnswer::Yes)
            SaveAExecute();
        // A save that did not happen (name dialog cancelled, store error)
        // must not cost the user his changes.
        if (answer == TAnswer::Cancel || (answer == TAnswer::Yes && Changed())) {
            result_ = ResultBack;
            event->ignore();
            return;
        }
    }
    Steps->hide();
    event->accept();
    emit Closed(result_);
}

bool TMainF::event(QEvent* event) {
    if (event->type() == Stage2Event) {
        runStage2(pendingScript_);
        return true;
    }
    return QMainWindow::event(event);
}

void TMainF::PostStage2(const QString& script) {
    pendingScript_ = script;
    QCoreApplication::postEvent(this, new QEvent(Stage2Event));
}

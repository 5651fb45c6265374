#pragma once

#include "model/Table.h"
#include "model/Version.h"

#include <QEvent>
#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;
class QDialog;
class QLabel;
class QToolBar;
class TAboutF;
class TDeployment;
class TFieldGridView;
class TFtpClient;
class THelpLauncher;
class THowTosF;
class THttpClient;
class TSkinPreview;
class TSettingsF;
class TStepsF;
class TStore;
class TUserPort;

// The main window: the fields of the open project in a grid, and every
// command on it (files, fields, settings, deployment, help).
class TMainF : public QMainWindow {
    Q_OBJECT
public:
    // How the window was closed: Exit ends the program, Back returns to the
    // welcome window.
    enum TMainResult { ResultBack, ResultExit };
    // Runs a modal dialog and returns its result; replaceable for tests.
    using TDialogRunner = std::function<int(QDialog&)>;

    static inline const QString Version = ProgramVersion();
    static inline const QString Caption = QStringLiteral("Corvanta Generator v ") + Version;

    // Without a port the window talks to the user through its own windows.
    explicit TMainF(TStore& store, TUserPort* port = nullptr, QWidget* parent = nullptr);
    ~TMainF() override;

    // --- The open project.
    TBTable& Table() { return table_; }
    // Makes table the open project (before showing, or to replace it).
    void SetTable(TBTable table);
    TStore& Store() { return store_; }
    TUserPort& Port() { return *port_; }
    // Unsaved changes: the state of SaveA.
    bool Changed() const;
    void SetChanged(bool changed);

    // Shows the window and returns when it is closed.
    TMainResult ShowModal();
    TMainResult Result() const { return result_; }

    // Opens the settings dialog on a page; true when OK changed the settings.
    bool OpenSettingsOnPage(int page);

    // --- Deployment: the second stage of a command runs from a queued event
    // after the first stage has returned to the event loop.
    void PostStage2(const QString& script);
    QString PendingScript() const { return pendingScript_; }
    TDeployment& Deployment() { return *deploy_; }
    // Removes the stored project `name` as chosen in the remove dialog; the
    // welcome window's list and the remove command call it (never for the
    // open project).
    void RemoveDatabase(const QString& name);

    void SetDialogRunner(TDialogRunner runner) { runDialog_ = std::move(runner); }
    int RunDialog(QDialog& dialog) { return runDialog_(dialog); }

    // Actions, in the order of the action list.
    QAction* FieldCreateA;
    QAction* FieldModifyA;
    QAction* FieldDeleteA;
    QAction* FieldUpA;
    QAction* FieldDownA;
    QAction* HelpA;
    QAction* StepsA;
    QAction* AboutA;
    QAction* SettingsA;
    QAction* GenerateA;
    QAction* UploadA;
    QAction* ImportA;
    QAction* ExportA;
    QAction* NewA;
    QAction* OpenA;
    QAction* SaveA;
    QAction* SaveAsA;
    QAction* RemoveA;
    QAction* BackA;
    QAction* ExitA;
    QAction* GenerateUploadA;
    // Records from and to spreadsheets (MainSheets.cpp).
    QAction* SheetImportA;
    QAction* SheetExportA;

    QToolBar* ToolBar;
    QLabel* Heading;
    TFieldGridView* FieldGrid;
    TStepsF* Steps;
    TSettingsF* Settings;
    THowTosF* HowTos;
    TAboutF* About;
    // The clients of the deployment commands; their events show the
    // connection failures.
    TFtpClient* FTPconn;
    THttpClient* HTTPconn;

    // Help and the skin preview, shared with the welcome window.
    THelpLauncher& Help() { return *help_; }
    TSkinPreview& Preview() { return *preview_; }
    void ShowHelp(const QString& topic);

signals:
    void Closed(TMainF::TMainResult result);

public slots:
    void FieldCreateAExecute();
    void FieldModifyAExecute();
    void FieldDeleteAExecute();
    void FieldUpAExecute();
    void FieldDownAExecute();
    void HelpAExecute();
    void StepsAExecute();
    void AboutAExecute();
    void SettingsAExecute();
    void NewAExecute();
    void OpenAExecute();
    void SaveAExecute();
    void SaveAsAExecute();
    void BackAExecute();
    void ExitAExecute();
    // The deployment commands (MainDeploy.cpp).
    void GenerateAExecute();
    void UploadAExecute();
    void ImportAExecute();
    void ExportAExecute();
    void RemoveAExecute();
    void SheetImportAExecute();
    void SheetExportAExecute();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    static const QEvent::Type Stage2Event;

    void createActions();
    void createSheetActions();
    void createMenus();
    void createToolBar();
    void runStage2(const QString& script);
    void fillGrid();
    void showProjectName();
    void placeSteps();
    // Help, explanations, folder and picture choosers, the skin preview and
    // the demo button of the settings dialog (MainHelp.cpp).
    void connectSettings();
    bool saveProject();
    // Before Generate and Upload: with unsaved changes, asks "Save changes of
    // current Database?"; Yes saves, No goes on with the definition as shown
    // (for a command that marks the project in the store only when it has a
    // name). False when the command is to end.
    bool offerSave(bool storeNeeded);
    // Asks "Save changes of current Database?"; false when the command is to
    // end (Cancel, or the project is still unsaved after Yes). declined: No
    // was the answer.
    bool saveChangesFirst(bool* declined = nullptr);
    // Runs a command; a failure it raises is shown in the standard error box.
    void guarded(const std::function<void()>& command);

    TStore& store_;
    std::unique_ptr<TUserPort> ownPort_;
    TUserPort* port_;
    TBTable table_;
    TMainResult result_ = ResultBack;
    QString pendingScript_;
    TDialogRunner runDialog_;
    std::unique_ptr<TDeployment> deploy_;
    std::unique_ptr<THelpLauncher> help_;
    std::unique_ptr<TSkinPreview> preview_;
};

#pragma once

#include "deploy/UserPort.h"

#include <functional>
#include <memory>

class QWidget;
class TExportMsgF;
class TLogF;
class TProgressBarF;
class TProgressF;
class TTablePlanF;
class TWarningF;

// The port of the desktop program: message boxes, file dialogs and the
// program's progress, question and report windows, which it creates once and
// reuses.
class TWindowPort : public TUserPort {
public:
    // mainWindow is disabled and focused on request; openSettings opens the
    // settings dialog on a page (true when OK changed them).
    TWindowPort(QWidget* mainWindow, std::function<bool(int page)> openSettings);
    ~TWindowPort() override;

    TProgressF& ProgressWindow() { return *progress_; }
    TProgressBarF& WaitWindow() { return *wait_; }
    TWarningF& WarningWindow() { return *warning_; }
    TExportMsgF& ExportWindow() { return *export_; }
    TLogF& ReportWindow() { return *log_; }
    TTablePlanF& TablesWindow() { return *tables_; }

    void ShowWarning(const QString& text) override;
    void ShowInformation(const QString& text) override;
    void ShowMessage(const QString& text) override;
    void ShowError(const QString& text) override;
    TAnswer Confirm(const QString& text, TConfirmButtons buttons) override;
    bool ConfirmDanger(const QString& text) override;
    bool AskYesNo(const QString& text) override;
    bool AskQuestion(const QString& text, bool yesByDefault = false) override;
    bool TrustServer(const TCertificateInfo& info) override;
    TExportChoice AskExport(const QString& text) override;
    TTablesChoice AskTables(const TTablePlan& plan) override;
    QString ChooseFile(TFileChoice choice) override;
    TRemoveChoice AskRemove(const QString& name, bool serverPossible) override;
    void ProgressSetMaximum(int maximum) override;
    void ProgressSetPosition(int position) override;
    int ProgressPosition() const override;
    void ProgressSetText(const QString& text) override;
    void ProgressShow() override;
    void ProgressHide() override;
    bool ProgressCancelled() override;
    void WaitShow(const QString& text) override;
    void WaitHide() override;
    void ShowReport(const TReport& report, const QString& fileInfo,
                    const QString& siteUrl) override;
    bool OpenSettings(int page) override;
    void SetMainEnabled(bool enabled) override;
    void FocusMain() override;

private:
    // Boxes stand over the window in front: a dialog, or the main window
    // while it is usable (a disabled main window would disable them too).
    QWidget* boxParent() const;

    QWidget* main_;
    std::function<bool(int)> openSettings_;
    // Own windows, not children of the main window, so that disabling the
    // main window during a command leaves Cancel usable.
    std::unique_ptr<TProgressF> progress_;
    std::unique_ptr<TProgressBarF> wait_;
    std::unique_ptr<TWarningF> warning_;
    std::unique_ptr<TExportMsgF> export_;
    std::unique_ptr<TLogF> log_;
    std::unique_ptr<TTablePlanF> tables_;
};

#pragma once

#include "UserPort.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>

class QTextStream;

// The port without windows, for tests and corvanta-cli. Answers come from a
// script; every interaction is recorded; messages and reports can be printed.
//
// Answers are texts: "Yes", "No", "Cancel", "OK" for confirmation boxes and
// the question window, "Replace" or "Append" for the export choice, a path
// (empty: cancelled) for a file choice. A question takes, in this order, the
// answer given for a text it contains (AnswerTo; file choices are matched by
// their dialog title, e.g. "Save data"), the next queued answer (Queue), or
// the default: Cancel (No without a Cancel button), the focused button of the
// question window (No unless it defaults to Yes), Append for the export
// choice, cancelled for a file choice.
// The plan window takes "Update", "Create", "Leave" or a button's caption;
// its question text is the plan (TTablePlan::Text), whose first line is
// TTablePlan::Heading().
// The remove dialog asks "Remove Database NAME" and takes a button's caption
// ("Setting && Server", "Settings Only", "Server Only", "Download records
// ...", "Cancel") or the short forms "Both", "Settings", "Server", "Download";
// a removal is confirmed (the script answers Yes in the warning window).
class TScriptedPort : public TUserPort {
public:
    // One recorded interaction. Kind is one of "warning", "information",
    // "message", "error", "confirm", "question", "export", "file", "report",
    // "settings", "wait", "remove", "tables"; Answer holds what the script answered (for "report"
    // the file line, for "settings" the page number).
    struct TEvent {
        QString Kind;
        QString Text;
        QString Answer;
    };

    // Boxes and questions are printed to messages, reports (plain text) to
    // reports; either may be null.
    explicit TScriptedPort(QTextStream* messages = nullptr, QTextStream* reports = nullptr);

    // --- The script.
    void AnswerTo(const QString& textPart, const QString& answer);
    void Queue(const QString& answer);
    // Cancel is pressed as soon as the progress window shows this text.
    void CancelWhen(const QString& progressText) { cancelTexts_.append(progressText); }
    // Presses Cancel now (e.g. from a timer while a transfer runs).
    void PressCancel();
    // What "open the settings" does; by default nothing is changed (false).
    void OnOpenSettings(std::function<bool(int page)> handler) {
        openSettings_ = std::move(handler);
    }

    // --- What happened.
    const QList<TEvent>& Events() const { return events_; }
    // The texts of every box and question, in order.
    QStringList Messages() const;
    QStringList EventsOf(const QString& kind) const;
    int ProgressMaximum() const { return maximum_; }
    QString ProgressText() const { return progressText_; }
    bool ProgressVisible() const { return progressVisible_; }
    QStringList ProgressTexts() const { return progressTexts_; }
    bool WaitVisible() const { return waitVisible_; }
    QString WaitText() const { return waitText_; }
    bool MainEnabled() const { return mainEnabled_; }
    const std::optional<TReport>& LastReport() const { return report_; }
    QString LastFileInfo() const { return fileInfo_; }
    QString LastSiteUrl() const { return siteUrl_; }

    // --- TUserPort
    void ShowWarning(const QString& text) override;
    // With NamePlaces set (corvanta-cli), the warning names the places in the
    // project JSON as well.
    void ShowSettingRefusal(const QString& text, const QStringList& places) override;
    bool NamePlaces = false;
    void ShowInformation(const QString& text) override;
    void ShowMessage(const QString& text) override;
    void ShowError(const QString& text) override;
    TAnswer Confirm(const QString& text, TConfirmButtons buttons) override;
    bool AskQuestion(const QString& text, bool yesByDefault = false) override;
    TExportChoice AskExport(const QString& text) override;
    TTablesChoice AskTables(const TTablePlan& plan) override;
    QString ChooseFile(TFileChoice choice) override;
    TRemoveChoice AskRemove(const QString& name, bool serverPossible) override;
    // Asks the trust question (kind "trust"): Yes trusts. Answer with
    // AnswerTo(fingerprint, "Yes").
    bool TrustServer(const TCertificateInfo& info) override;
    void ProgressSetMaximum(int maximum) override { maximum_ = maximum; }
    void ProgressSetPosition(int position) override { position_ = position; }
    int ProgressPosition() const override { return position_; }
    void ProgressSetText(const QString& text) override;
    void ProgressShow() override;
    void ProgressHide() override { progressVisible_ = false; }
    bool ProgressCancelled() override { return cancelled_; }
    void WaitShow(const QString& text) override;
    void WaitHide() override { waitVisible_ = false; }
    void ShowReport(const TReport& report, const QString& fileInfo,
                    const QString& siteUrl) override;
    bool OpenSettings(int page) override;
    void SetMainEnabled(bool enabled) override { mainEnabled_ = enabled; }
    void FocusMain() override {}

private:
    QString answerFor(const QString& text, const QString& fallback);
    void record(const QString& kind, const QString& text, const QString& answer = {});
    void print(const QString& line);

    QTextStream* messages_;
    QTextStream* reports_;
    QList<std::pair<QString, QString>> byText_;
    QStringList queue_;
    QStringList cancelTexts_;
    std::function<bool(int)> openSettings_;

    QList<TEvent> events_;
    int maximum_ = 100;
    int position_ = 0;
    QString progressText_;
    QStringList progressTexts_;
    bool progressVisible_ = false;
    bool cancelled_ = false;
    bool waitVisible_ = false;
    QString waitText_;
    bool mainEnabled_ = true;
    std::optional<TReport> report_;
    QString fileInfo_;
    QString siteUrl_;
};

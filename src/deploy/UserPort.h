#pragma once

#include "Report.h"
#include "net/Tls.h"

#include <QString>
#include <QStringList>

#include <functional>

class TTablePlan;
enum class TTablesChoice;

// How the commands talk to the user. A command never opens a window itself:
// it asks the port, and the desktop program (windows), the tests and
// corvanta-cli (scripted answers, printed messages) each answer in their own
// way, so every command runs headless on the same code path.
//
// Texts are passed exactly as the user is to read them; "\r" inside a text
// is a line break.

// Buttons of a confirmation box, and the answers.
enum class TConfirmButtons { YesNoCancel, YesNo, OKCancel };
enum class TAnswer { OK, Cancel, Yes, No };

// The export choice: replace all records on the server, or append to them.
enum class TExportChoice { Replace, Append };

// Pages of the settings dialog, in page order; a command whose check fails
// opens the settings on the page concerned.
namespace SettingsPages {
enum : int {
    Appearance = 0,
    Connection = 1,
    Database = 2,
    Administrator = 3,
    EMail = 4,
    ImportExport = 5,
    LogoText = 6,
    AdminLogoText = 7,
    Counter = 8,
    Password = 9,
};
}

// The file choices of the record transfer: where to save the downloaded
// records, users and images, and which files to send.
enum class TFileChoice { SaveData, SaveUsers, SaveImages, OpenData, OpenUsers, OpenImages };

// The remove dialog's outcome: what to remove, the download reminder, or
// nothing.
enum class TRemoveChoice { Cancel, SettingsAndServer, SettingsOnly, ServerOnly, DownloadFirst };
// The confirmation the dialog asks before a removal; empty for the choices
// that remove nothing.
QString RemoveConfirmation(TRemoveChoice choice);
// The dialog's button of a choice ("Setting && Server", ...).
QString RemoveChoiceCaption(TRemoveChoice choice);

struct TFileDialogInfo {
    QString Title;         // "Save data", "Open users", ...
    bool Save = false;     // a save dialog (else an open dialog)
    QString DefaultSuffix; // added to a typed name without one ("txt"), or empty
    QString Filters;       // name filters, ";;" separated
};
TFileDialogInfo FileDialogInfo(TFileChoice choice);

// The question a trust decision asks, as text (the scripted port prints it).
QString TrustQuestion(const TCertificateInfo& info);

class TUserPort {
public:
    virtual ~TUserPort() = default;

    // --- Message boxes. Each is modal and returns when the user has read it.
    // Refusals and failures: a warning box with an OK button.
    virtual void ShowWarning(const QString& text) = 0;
    // A refusal about settings or field values (where they are in a project
    // file: "Settings.LocalPath", "Fields[2].MaxLength"). Windows show the
    // text; corvanta-cli names the places too.
    virtual void ShowSettingRefusal(const QString& text, const QStringList& places) {
        Q_UNUSED(places);
        ShowWarning(text);
    }
    // Notices and successes: an information box with an OK button.
    virtual void ShowInformation(const QString& text) = 0;
    // A plain message box (no icon), e.g. "Database X has been removed ...".
    virtual void ShowMessage(const QString& text) = 0;
    // The program's standard error box: a failure raised inside a command
    // (a typed number that is not a number, a store that cannot be written).
    virtual void ShowError(const QString& text) = 0;
    // A confirmation box with the given buttons. Closing it without a button
    // answers Cancel, or No when there is no Cancel button.
    virtual TAnswer Confirm(const QString& text,
                            TConfirmButtons buttons = TConfirmButtons::YesNoCancel) = 0;
    // A question about something that cannot be undone: a warning box with
    // OK and Cancel whose default button is Cancel, so a stray Enter never
    // confirms it. True for OK.
    virtual bool ConfirmDanger(const QString& text) {
        return Confirm(text, TConfirmButtons::OKCancel) == TAnswer::OK;
    }
    // A Yes/No question whose default button is No, for a step that loses
    // something (deleting a field). True for Yes.
    virtual bool AskYesNo(const QString& text) {
        return Confirm(text, TConfirmButtons::YesNo) == TAnswer::Yes;
    }

    // --- Question windows.
    // The warning window: a question answered only by "&Yes" (true) or
    // "&No" (false). The focused button, the answer of Enter, is "&No"
    // unless yesByDefault.
    virtual bool AskQuestion(const QString& text, bool yesByDefault = false) = 0;
    // The export choice window showing text (the count of records already on
    // the server): "Replace all records" or "Append records" (the default;
    // also the answer when the window is closed otherwise).
    virtual TExportChoice AskExport(const QString& text) = 0;
    // The plan window of Upload: the plan in words (TTablePlan::Lines) and
    // one button for each of its choices; Enter answers its default, and
    // closing the window answers "Leave the tables as they are".
    virtual TTablesChoice AskTables(const TTablePlan& plan) = 0;
    // A file dialog; the chosen path, or an empty string when cancelled.
    virtual QString ChooseFile(TFileChoice choice) = 0;
    // The remove dialog for project `name`: the choices that touch the server
    // are offered only when serverPossible (the project was uploaded). A
    // removal is returned only after the user confirmed it in the warning
    // window; "&No" there leaves the dialog open.
    virtual TRemoveChoice AskRemove(const QString& name, bool serverPossible) = 0;

    // --- Trust. A server's certificate failed the checks, or an SFTP
    // server shows a host key not seen before: the user decides whether to
    // trust it for this project (info tells subject, issuer, validity, key
    // type, fingerprint). The answer is No unless the user says Yes.
    virtual bool TrustServer(const TCertificateInfo& info);

    // --- The progress window: gauge, information line, Cancel button.
    // Callers set maximum and position, then show it; the window keeps its
    // last values until they are set again.
    virtual void ProgressSetMaximum(int maximum) = 0;
    virtual void ProgressSetPosition(int position) = 0;
    virtual int ProgressPosition() const = 0;
    void ProgressStep() { ProgressSetPosition(ProgressPosition() + 1); }
    // The information line ("Uploading index.html").
    virtual void ProgressSetText(const QString& text) = 0;
    // Showing clears the cancel flag and hides "Process canceled, please wait...".
    virtual void ProgressShow() = 0;
    virtual void ProgressHide() = 0;
    // True once Cancel was pressed since the window was shown. Commands ask
    // between two steps (two files).
    virtual bool ProgressCancelled() = 0;
    // Called each time Cancel is pressed, so that a network wait in progress
    // can end at once instead of at the next step.
    void SetCancelHandler(std::function<void()> handler) { cancelHandler_ = std::move(handler); }

    // --- The wait window: one line of text, shown without a modal loop
    // during a long step and hidden afterwards.
    virtual void WaitShow(const QString& text) = 0;
    virtual void WaitHide() = 0;

    // --- The report window, shown modally until the user closes it.
    // fileInfo is the line saying where the report was saved. With a
    // non-empty siteUrl the buttons "Go to the visitors' site" (siteUrl) and
    // "Go to the administrator's site to add or change records" (siteUrl +
    // "admin/") are shown; otherwise they are hidden.
    virtual void ShowReport(const TReport& report, const QString& fileInfo,
                            const QString& siteUrl = {}) = 0;
    // Saves the report as plain text (CR LF) to logPath, then shows it with
    // the file line "Report saved to 'PATH'" or, when the file cannot be
    // written, "Report cannot be saved to 'PATH'" (PATH is logPath made
    // absolute). Returns whether it was saved.
    bool SaveAndShowReport(const TReport& report, const QString& logPath,
                           const QString& siteUrl = {});

    // --- The main window.
    // Opens the settings dialog on the page (SettingsPages) and lets the user
    // edit them; true when they were changed with OK (the project then has
    // unsaved changes).
    virtual bool OpenSettings(int page) = 0;
    // A running command disables the main window and enables it at the end.
    virtual void SetMainEnabled(bool enabled) = 0;
    // Gives the focus back to the main window after a message.
    virtual void FocusMain() = 0;

protected:
    // For the implementations: Cancel of the progress window was pressed.
    void CancelPressed() {
        if (cancelHandler_)
            cancelHandler_();
    }

private:
    std::function<void()> cancelHandler_;
};

#include "ScriptedPort.h"

#include "TablePlan.h"

#include <QTextStream>

#include <stdexcept>

namespace {

const QString kYes = QStringLiteral("Yes");
const QString kNo = QStringLiteral("No");
const QString kOK = QStringLiteral("OK");
const QString kCancel = QStringLiteral("Cancel");
const QString kReplace = QStringLiteral("Replace");
const QString kAppend = QStringLiteral("Append");

// A script that answers a question with something it cannot mean is a fault
// of the script, not a choice: say so instead of guessing.
[[noreturn]] void badAnswer(const QString& answer, const QString& text) {
    throw std::invalid_argument(
        QStringLiteral("Scripted answer \"%1\" does not fit the question \"%2\"")
            .arg(answer, text)
            .toStdString());
}

QString readable(QString text) {
    return text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

} // namespace

TScriptedPort::TScriptedPort(QTextStream* messages, QTextStream* reports)
    : messages_(messages), reports_(reports) {}

void TScriptedPort::AnswerTo(const QString& textPart, const QString& answer) {
    byText_.append({textPart, answer});
}

void TScriptedPort::Queue(const QString& answer) {
    queue_.append(answer);
}

QStringList TScriptedPort::Messages() const {
    QStringList texts;
    for (const TEvent& e : events_)
        if (e.Kind != QLatin1String("report") && e.Kind != QLatin1String("settings") &&
            e.Kind != QLatin1String("wait"))
            texts.append(e.Text);
    return texts;
}

QStringList TScriptedPort::EventsOf(const QString& kind) const {
    QStringList texts;
    for (const TEvent& e : events_)
        if (e.Kind == kind)
            texts.append(e.Text);
    return texts;
}

QString TScriptedPort::answerFor(const QString& text, const QString& fallback) {
    for (const auto& [part, answer] : byText_)
        if (text.contains(part))
            return answer;
    if (!queue_.isEmpty())
        return queue_.takeFirst();
    return fallback;
}

void TScriptedPort::record(const QString& kind, const QString& text, const QString& answer) {
    events_.append({kind, text, answer});
}

void TScriptedPort::print(const QString& line) {
    if (messages_) {
        *messages_ << readable(line) << '\n';
        messages_->flush();
    }
}

void TScriptedPort::ShowWarning(const QString& text) {
    record(QStringLiteral("warning"), text);
    print(text);
}

void TScriptedPort::ShowSettingRefusal(const QString& text, const QStringList& places) {
    if (!NamePlaces || places.isEmpty()) {
        ShowWarning(text);
        return;
    }
    ShowWarning(
        text +
        QStringLiteral("\n(In the project JSON: %1.)").arg(places.join(QStringLiteral(", "))));
}

void TScriptedPort::ShowInformation(const QString& text) {
    record(QStringLiteral("information"), text);
    print(text);
}

void TScriptedPort::ShowMessage(const QString& text) {
    record(QStringLiteral("message"), text);
    print(text);
}

void TScriptedPort::ShowError(const QString& text) {
    record(QStringLiteral("error"), text);
    print(text);
}

TAnswer TScriptedPort::Confirm(const QString& text, TConfirmButtons buttons) {
    const bool hasCancel = buttons != TConfirmButtons::YesNo;
    const QString answer = answerFor(text, hasCancel ? kCancel : kNo);
    TAnswer result;
    if (answer.compare(kYes, Qt::CaseInsensitive) == 0 && buttons != TConfirmButtons::OKCancel)
        result = TAnswer::Yes;
    else if (answer.compare(kNo, Qt::CaseInsensitive) == 0 && buttons != TConfirmButtons::OKCancel)
        result = TAnswer::No;
    else if (answer.compare(kOK, Qt::CaseInsensitive) == 0 && buttons == TConfirmButtons::OKCancel)
        result = TAnswer::OK;
    else if (answer.compare(kCancel, Qt::CaseInsensitive) == 0 && hasCancel)
        result = TAnswer::Cancel;
    else
        badAnswer(answer, text);
    record(QStringLiteral("confirm"), text, answer);
    print(text + QStringLiteral(" -> ") + answer);
    return result;
}

bool TScriptedPort::TrustServer(const TCertificateInfo& info) {
    const QString text = TrustQuestion(info);
    const QString answer = answerFor(text, kNo);
    const bool yes = answer.compare(kYes, Qt::CaseInsensitive) == 0;
    record(QStringLiteral("trust"), text, answer);
    print(text + QStringLiteral(" -> ") + answer);
    return yes;
}

bool TScriptedPort::AskQuestion(const QString& text, bool yesByDefault) {
    const QString answer = answerFor(text, yesByDefault ? kYes : kNo);
    const bool yes = answer.compare(kYes, Qt::CaseInsensitive) == 0;
    if (!yes && answer.compare(kNo, Qt::CaseInsensitive) != 0)
        badAnswer(answer, text);
    record(QStringLiteral("question"), text, answer);
    print(text + QStringLiteral(" -> ") + answer);
    return yes;
}

TExportChoice TScriptedPort::AskExport(const QString& text) {
    const QString answer = answerFor(text, kAppend);
    const bool replace = answer.compare(kReplace, Qt::CaseInsensitive) == 0;
    if (!replace && answer.compare(kAppend, Qt::CaseInsensitive) != 0)
        badAnswer(answer, text);
    record(QStringLiteral("export"), text, answer);
    print(text + QStringLiteral(" -> ") + answer);
    return replace ? TExportChoice::Replace : TExportChoice::Append;
}

TTablesChoice TScriptedPort::AskTables(const TTablePlan& plan) {
    const QString text = plan.Text();
    const QList<std::pair<TTablesChoice, QString>> words = {
        {TTablesChoice::Update, QStringLiteral("Update")},
        {TTablesChoice::Create, QStringLiteral("Create")},
        {TTablesChoice::Leave, QStringLiteral("Leave")}};
    QString fallback;
    for (const auto& [choice, word] : words)
        if (choice == plan.Default())
            fallback = word;
    const QString answer = answerFor(text, fallback);
    for (const auto& [choice, word] : words)
        if (answer.compare(word, Qt::CaseInsensitive) == 0 ||
            answer.compare(plan.Caption(choice), Qt::CaseInsensitive) == 0) {
            record(QStringLiteral("tables"), text, word);
            print(text + QStringLiteral("\n-> ") + plan.Caption(choice));
            return choice;
        }
    badAnswer(answer, text);
}

QString TScriptedPort::ChooseFile(TFileChoice choice) {
    const QString title = FileDialogInfo(choice).Title;
    const QString path = answerFor(title, {});
    record(QStringLiteral("file"), title, path);
    print(title + QStringLiteral(" -> ") + (path.isEmpty() ? QStringLiteral("(cancelled)") : path));
    return path;
}

TRemoveChoice TScriptedPort::AskRemove(const QString& name, bool serverPossible) {
    const QString text = QStringLiteral("Remove Database ") + name;
    const QString answer = answerFor(text, kCancel);
    const auto is = [&](const QString& a, const QString& b) {
        return answer.compare(a, Qt::CaseInsensitive) == 0 ||
               answer.compare(b, Qt::CaseInsensitive) == 0;
    };
    TRemoveChoice choice;
    if (is(RemoveChoiceCaption(TRemoveChoice::SettingsAndServer), QStringLiteral("Both")))
        choice = TRemoveChoice::SettingsAndServer;
    else if (is(RemoveChoiceCaption(TRemoveChoice::SettingsOnly), QStringLiteral("Settings")))
        choice = TRemoveChoice::SettingsOnly;
    else if (is(RemoveChoiceCaption(TRemoveChoice::ServerOnly), QStringLiteral("Server")))
        choice = TRemoveChoice::ServerOnly;
    else if (is(RemoveChoiceCaption(TRemoveChoice::DownloadFirst), QStringLiteral("Download")))
        choice = TRemoveChoice::DownloadFirst;
    else if (is(kCancel, kCancel))
        choice = TRemoveChoice::Cancel;
    else
        badAnswer(answer, text);
    // The dialog offers the server choices only for an uploaded project.
    const bool touchesServer =
        choice == TRemoveChoice::SettingsAndServer || choice == TRemoveChoice::ServerOnly;
    if (touchesServer && !serverPossible)
        badAnswer(answer, text + QStringLiteral(" (never uploaded)"));
    const QString confirmation = RemoveConfirmation(choice);
    record(QStringLiteral("remove"), confirmation.isEmpty() ? text : confirmation,
           RemoveChoiceCaption(choice));
    if (!confirmation.isEmpty())
        print(confirmation + QStringLiteral(" -> Yes"));
    return choice;
}

void TScriptedPort::ProgressSetText(const QString& text) {
    progressText_ = text;
    progressTexts_.append(text);
    if (cancelTexts_.contains(text))
        PressCancel();
}

void TScriptedPort::PressCancel() {
    cancelled_ = true;
    CancelPressed();
}

void TScriptedPort::ProgressShow() {
    progressVisible_ = true;
    cancelled_ = cancelTexts_.contains(progressText_);
}

void TScriptedPort::WaitShow(const QString& text) {
    waitVisible_ = true;
    waitText_ = text;
    record(QStringLiteral("wait"), text);
}

void TScriptedPort::ShowReport(const TReport& report, const QString& fileInfo,
                               const QString& siteUrl) {
    report_ = report;
    fileInfo_ = fileInfo;
    siteUrl_ = siteUrl;
    record(QStringLiteral("report"), report.Title, fileInfo);
    if (reports_) {
        for (const TReportLine& line : report.Lines)
            *reports_ << line.Text << '\n';
        reports_->flush();
    }
    print(fileInfo);
}

bool TScriptedPort::OpenSettings(int page) {
    record(QStringLiteral("settings"), {}, QString::number(page));
    return openSettings_ ? openSettings_(page) : false;
}

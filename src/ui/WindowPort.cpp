#include "WindowPort.h"

#include "ExportMsg.h"
#include "Log.h"
#include "Progress.h"
#include "ProgressBar.h"
#include "RemoveDB.h"
#include "TablePlan.h"
#include "TitleFit.h"
#include "Trust.h"
#include "Warning.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>

namespace {

QString lines(QString text) {
    return text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

void box(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text) {
    QMessageBox message(icon, title, lines(text), QMessageBox::Ok, parent);
    FitTitle(message);
    message.exec();
}

} // namespace

TWindowPort::TWindowPort(QWidget* mainWindow, std::function<bool(int)> openSettings)
    : main_(mainWindow), openSettings_(std::move(openSettings)),
      progress_(std::make_unique<TProgressF>()), wait_(std::make_unique<TProgressBarF>()),
      warning_(std::make_unique<TWarningF>()), export_(std::make_unique<TExportMsgF>()),
      log_(std::make_unique<TLogF>()), tables_(std::make_unique<TTablePlanF>()) {
    // After the window's own handler, so the flag is already set.
    QObject::connect(progress_->CancelBtn, &QPushButton::clicked, progress_.get(),
                     [this] { CancelPressed(); });
}

TWindowPort::~TWindowPort() = default;

QWidget* TWindowPort::boxParent() const {
    // Centred over the dialog that asks, not over the window behind it.
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible())
        return modal;
    return main_ && main_->isEnabled() ? main_ : nullptr;
}

void TWindowPort::ShowWarning(const QString& text) {
    box(boxParent(), QMessageBox::Warning, QStringLiteral("Warning"), text);
}

void TWindowPort::ShowInformation(const QString& text) {
    box(boxParent(), QMessageBox::Information, QStringLiteral("Information"), text);
}

void TWindowPort::ShowMessage(const QString& text) {
    box(boxParent(), QMessageBox::NoIcon, QStringLiteral("Corvanta"), text);
}

void TWindowPort::ShowError(const QString& text) {
    box(boxParent(), QMessageBox::Critical, QStringLiteral("Corvanta"), text);
}

TAnswer TWindowPort::Confirm(const QString& text, TConfirmButtons buttons) {
    QMessageBox::StandardButtons shown;
    switch (buttons) {
    case TConfirmButtons::YesNoCancel:
        shown = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    case TConfirmButtons::YesNo:
        shown = QMessageBox::Yes | QMessageBox::No;
        break;
    case TConfirmButtons::OKCancel:
        shown = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    }
    QMessageBox message(QMessageBox::Question, QStringLiteral("Confirm"), lines(text), shown,
                        boxParent());
    FitTitle(message);
    switch (message.exec()) {
    case QMessageBox::Yes:
        return TAnswer::Yes;
    case QMessageBox::No:
        return TAnswer::No;
    case QMessageBox::Ok:
        return TAnswer::OK;
    default:
        return buttons == TConfirmButtons::YesNo ? TAnswer::No : TAnswer::Cancel;
    }
}

bool TWindowPort::ConfirmDanger(const QString& text) {
    QMessageBox message(QMessageBox::Warning, QStringLiteral("Warning"), lines(text),
                        QMessageBox::Ok | QMessageBox::Cancel, boxParent());
    message.setDefaultButton(QMessageBox::Cancel);
    message.setEscapeButton(QMessageBox::Cancel);
    FitTitle(message);
    return message.exec() == QMessageBox::Ok;
}

bool TWindowPort::AskYesNo(const QString& text) {
    QMessageBox message(QMessageBox::Question, QStringLiteral("Confirm"), lines(text),
                        QMessageBox::Yes | QMessageBox::No, boxParent());
    message.setDefaultButton(QMessageBox::No);
    message.setEscapeButton(QMessageBox::No);
    FitTitle(message);
    return message.exec() == QMessageBox::Yes;
}

bool TWindowPort::AskQuestion(const QString& text, bool yesByDefault) {
    return warning_->Ask(text, yesByDefault);
}

bool TWindowPort::TrustServer(const TCertificateInfo& info) {
    TTrustF dialog(boxParent());
    return dialog.Ask(info);
}

TExportChoice TWindowPort::AskExport(const QString& text) {
    export_->Msg->setText(lines(text));
    return export_->exec() == QDialog::Accepted ? TExportChoice::Replace : TExportChoice::Append;
}

TTablesChoice TWindowPort::AskTables(const TTablePlan& plan) {
    return tables_->Ask(plan);
}

QString TWindowPort::ChooseFile(TFileChoice choice) {
    const TFileDialogInfo info = FileDialogInfo(choice);
    QFileDialog dialog(boxParent(), info.Title, QString(), info.Filters);
    dialog.setAcceptMode(info.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(info.Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(info.DefaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

TRemoveChoice TWindowPort::AskRemove(const QString& name, bool serverPossible) {
    return TRemoveDBF::Ask(*this, boxParent(), name, serverPossible);
}

void TWindowPort::ProgressSetMaximum(int maximum) {
    progress_->G1->setMaximum(maximum);
}

void TWindowPort::ProgressSetPosition(int position) {
    progress_->G1->setValue(position);
}

int TWindowPort::ProgressPosition() const {
    return progress_->G1->value();
}

void TWindowPort::ProgressSetText(const QString& text) {
    progress_->InfoLabel->setText(text);
    QApplication::processEvents();
}

void TWindowPort::ProgressShow() {
    progress_->show();
    progress_->raise();
    QApplication::processEvents();
}

void TWindowPort::ProgressHide() {
    progress_->hide();
}

bool TWindowPort::ProgressCancelled() {
    // Deliver a click on Cancel that is still waiting in the queue.
    QApplication::processEvents();
    return progress_->Cancelled();
}

void TWindowPort::WaitShow(const QString& text) {
    wait_->ProgressLabel->setText(text);
    wait_->show();
    wait_->raise();
    QApplication::processEvents();
}

void TWindowPort::WaitHide() {
    wait_->hide();
}

void TWindowPort::ShowReport(const TReport& report, const QString& fileInfo,
                             const QString& siteUrl) {
    log_->SetReport(report);
    log_->FileInfo->setText(fileInfo);
    log_->ShowSiteButtons(siteUrl);
    log_->exec();
}

bool TWindowPort::OpenSettings(int page) {
    return openSettings_ ? openSettings_(page) : false;
}

void TWindowPort::SetMainEnabled(bool enabled) {
    if (main_)
        main_->setEnabled(enabled);
}

void TWindowPort::FocusMain() {
    if (main_) {
        main_->activateWindow();
        main_->raise();
    }
}

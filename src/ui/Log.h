#pragma once

#include "deploy/Report.h"

#include <QDialog>
#include <QUrl>

#include <functional>

class QLabel;
class QPushButton;
class QTextEdit;

// The report window of Generate and Upload: the report as rich text (title
// centred and bold, section titles bold), the line saying where it was saved,
// and for an upload two buttons that open the site in the browser.
class TLogF : public QDialog {
    Q_OBJECT
public:
    explicit TLogF(QWidget* parent = nullptr);

    QTextEdit* LogText;
    QLabel* FileInfo;
    QPushButton* VisitorsBtn; // "Go to the visitors' site"
    QPushButton* AdminBtn;    // "Go to the administrator's site to add or change records"
    QPushButton* CloseBtn;

    // Fills the window (title and text) from the report; hides the site buttons.
    void SetReport(const TReport& report);
    const TReport& Report() const { return report_; }
    // Saves the report as plain text with CR LF line ends; false on failure.
    bool SaveToFile(const QString& path) const { return report_.SaveTo(path); }
    // Shows the site buttons for the site at url (its folder, ending in "/").
    void ShowSiteButtons(const QString& url);

    // How a page is opened; the desktop's browser unless replaced (tests).
    std::function<void(const QUrl&)> OpenUrl;

protected:
    void showEvent(QShowEvent* event) override;

private:
    TReport report_;
    QString url_;
};

#include "Log.h"

#include "Centring.h"
#include "Keyboard.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

TLogF::TLogF(QWidget* parent)
    : QDialog(parent), OpenUrl([](const QUrl& url) { QDesktopServices::openUrl(url); }) {
    LogText = new QTextEdit(this);
    LogText->setReadOnly(true);
    FileInfo = new QLabel(this);
    VisitorsBtn = new QPushButton(QStringLiteral("Go to the &visitors' site"), this);
    AdminBtn = new QPushButton(
        QStringLiteral("Go to the &administrator's site to add or change records"), this);
    CloseBtn = new QPushButton(QStringLiteral("&Close"), this);
    CloseBtn->setDefault(true);
    VisitorsBtn->setAutoDefault(false);
    AdminBtn->setAutoDefault(false);
    VisitorsBtn->hide();
    AdminBtn->hide();
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(VisitorsBtn, &QPushButton::clicked, this, [this] { OpenUrl(QUrl(url_)); });
    connect(AdminBtn, &QPushButton::clicked, this,
            [this] { OpenUrl(QUrl(url_ + QStringLiteral("admin/"))); });

    auto* siteButtons = new QHBoxLayout;
    siteButtons->addWidget(VisitorsBtn);
    siteButtons->addWidget(AdminBtn);
    siteButtons->addStretch();
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(FileInfo, 1);
    bottom->addWidget(CloseBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LogText, 1);
    layout->addLayout(siteButtons);
    layout->addLayout(bottom);
    resize(560, 520);
    FileInfo->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Keyboard::GiveMnemonics(*this);
}

void TLogF::SetReport(const TReport& report) {
    report_ = report;
    setWindowTitle(report.Title);
    VisitorsBtn->hide();
    AdminBtn->hide();
    LogText->clear();
    QTextCursor cursor(LogText->document());
    bool first = true;
    for (const TReportLine& line : report.Lines) {
        QTextBlockFormat block;
        block.setAlignment(line.Centred ? Qt::AlignHCenter : Qt::AlignLeft);
        QTextCharFormat chars;
        chars.setFontWeight(line.Bold ? QFont::Bold : QFont::Normal);
        if (line.Centred)
            chars.setFontPointSize(LogText->font().pointSizeF() * 1.3);
        if (first)
            cursor.setBlockFormat(block);
        else
            cursor.insertBlock(block);
        cursor.setBlockCharFormat(chars);
        // Leading blanks indent the file lists; keep them visible.
        cursor.insertText(line.Text, chars);
        first = false;
    }
    LogText->moveCursor(QTextCursor::Start);
}

void TLogF::ShowSiteButtons(const QString& url) {
    url_ = url;
    VisitorsBtn->setVisible(!url.isEmpty());
    AdminBtn->setVisible(!url.isEmpty());
}

void TLogF::showEvent(QShowEvent* event) {
    CentreOnScreen(*this);
    QDialog::showEvent(event);
    CloseBtn->setFocus();
}

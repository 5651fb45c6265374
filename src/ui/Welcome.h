#pragma once

#include "Main.h"

#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class TSaveAsF;
class TStore;
class TUserPort;

// The first window of every run and the program's main window: it creates
// or opens a project and shows the main window with it; closing it ends the
// program.
class TWelcomeF : public QWidget {
    Q_OBJECT
public:
    static inline const QString Caption =
        QStringLiteral("WELCOME to CORVANTA Generator v ") + ProgramVersion();

    // Where the link buttons lead.
    static inline const QUrl FaqPage = QUrl(QStringLiteral("https://corvanta.example/faq/"));
    static inline const QUrl NewsPage = QUrl(QStringLiteral("https://corvanta.example/news/"));
    static inline const QUrl HomePage = QUrl(QStringLiteral("https://corvanta.example/"));
    static inline const QUrl AddDbPage =
        QUrl(QStringLiteral("https://corvanta.example/showcase/add/"));
    static inline const QUrl BugPage = QUrl(QStringLiteral("https://corvanta.example/bugs/"));

    // Without a port the windows of the program talk to the user.
    explicit TWelcomeF(TStore& store, TUserPort* port = nullptr, QWidget* parent = nullptr);
    ~TWelcomeF() override;

    TMainF* MainF;
    TSaveAsF* SaveAs;

    QLabel* VersionLabel;
    QPushButton* CreateBtn;
    QPushButton* ManageBtn;
    QPushButton* ManualBtn;
    QPushButton* LanguageBtn;
    QPushButton* AboutBtn;
    QPushButton* FaqBtn;
    QPushButton* NewsBtn;
    QPushButton* WebSiteBtn;
    QPushButton* AddDbBtn;
    QPushButton* BugBtn;
    QPushButton* UninstallBtn;
    QPushButton* CloseBtn;

    // Opens the named project in the main window and waits until it closes.
    void OpenDatabase(const QString& name);

    // Replaceable for tests: running a dialog, showing the main window until
    // it closes, opening a web page, removing a project.
    void SetDialogRunner(TMainF::TDialogRunner runner) { runDialog_ = std::move(runner); }
    std::function<TMainF::TMainResult(TMainF&)> RunMain;
    std::function<void(const QUrl&)> OpenUrl;
    std::function<void(const QString& name)> RemoveDatabase;

signals:
    // The user ended the program (Close, the close box, or Exit in the main
    // window).
    void ProgramEnd();

public slots:
    void CreateBtnClick();
    void ManageBtnClick();
    void ManualBtnClick();
    void AboutBtnClick();
    void UninstallBtnClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildBanner();
    // "Manage Databases" is offered only while there is a project to manage.
    void updateManageBtn();
    QStringList projects();

    TStore& store_;
    std::unique_ptr<TMainF> ownMain_;
    TUserPort* port_;
    TMainF::TDialogRunner runDialog_;
};

#pragma once

#include "Main.h"

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
        QStringLiteral("Welcome to Corvanta Generator v ") + ProgramVersion();

    // The pages of the shipped manual the link buttons open.
    static inline const QString FaqTopic = QStringLiteral("Support.htm#faq");
    static inline const QString NewsTopic = QStringLiteral("Support.htm#news");
    static inline const QString HomeTopic = QStringLiteral("Intro.htm#contents");
    static inline const QString AddDbTopic = QStringLiteral("Support.htm#showcase");
    static inline const QString BugTopic = QStringLiteral("Support.htm#bugs");

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
    QLabel* ManageNote; // beside "Manage Databases", shown with it

    // Opens the named project in the main window and waits until it closes.
    void OpenDatabase(const QString& name);

    // Replaceable for tests: running a dialog, showing the main window until
    // it closes, removing a project.
    void SetDialogRunner(TMainF::TDialogRunner runner) { runDialog_ = std::move(runner); }
    std::function<TMainF::TMainResult(TMainF&)> RunMain;
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

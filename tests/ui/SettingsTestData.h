#pragma once

#include "model/TableFields.h"
#include "ui/Settings.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QString>
#include <QTimer>

// A project with every setting the settings dialog edits set to a value
// the dialog can show unchanged.
inline TBTable FullSettings(const QString& localPath) {
    TBTable t = TBTable::New();
    t.DbName = QStringLiteral("Members");
    t.DatabaseDisplayName = QStringLiteral("Our members");
    t.HomeCh = true;
    t.HomeLink = QStringLiteral("http://www.example.org/");
    t.MenuHeight = 150;
    t.TableAlign = QStringLiteral("Center");
    t.LinesPerPage = 25;
    t.NumOfFilterFields = 4;
    t.NumOfSortFields = 1;
    t.UserUpdate = true;
    t.UserMode = QStringLiteral("Login");
    t.AllowSearch = true;
    t.AllowAddModify = false;
    t.OnlyMembersCanAdd = true;
    t.AllowDelete = true;
    t.AllowChangePassword = true;
    t.AllowSendPassword = true;
    t.Skin = QStringLiteral("/home/user/skins/blue.css");
    t.BGImage = QStringLiteral("/home/user/skins/paper.gif");
    t.URL = QStringLiteral("http://www.example.org/members/");
    t.Server = QStringLiteral("ftp.example.org");
    t.User = QStringLiteral("ftpuser");
    t.Password = QStringLiteral("ftp secret");
    t.PHPPath = QStringLiteral("public_html/members/");
    t.LocalPath = localPath;
    t.TableName = QStringLiteral("members");
    t.DatabaseServer = QStringLiteral("localhost");
    t.DatabaseName = QStringLiteral("club");
    t.DatabaseUser = QStringLiteral("clubuser");
    t.DatabasePassword = QStringLiteral("db secret");
    t.AdminPassword = QStringLiteral("admin secret");
    t.SendEmail = true;
    t.SendmailPath = QStringLiteral("/usr/sbin/sendmail");
    t.EmailSender = QStringLiteral("club@example.org");
    t.EmailCc = QStringLiteral("board@example.org");
    t.EmailSubject = QStringLiteral("Your entry changed");
    t.EmailBody = QStringLiteral("Hello,\r\nyour entry changed.\r\n\r\nThe club");
    t.PasswordEmailSender = QStringLiteral("club@example.org");
    t.PasswordEmailSubject = QStringLiteral("Your password");
    t.PasswordEmailBody = QStringLiteral("Welcome!\r\nYour password is attached.");
    t.FieldDelimiter = QStringLiteral(";");
    t.RecordDelimiter = QStringLiteral("#");
    t.ReplaceDelimiterWith = QStringLiteral("-");
    t.Logo = QStringLiteral("/home/user/pictures/logo.gif");
    t.LoginText = QStringLiteral("Please log in.");
    t.MenuText = QStringLiteral("The club since 1901");
    t.SearchRecordText = QStringLiteral("Find a member");
    t.AddRecordText = QStringLiteral("Join us");
    t.ModifyRecordText = QStringLiteral("Change your entry");
    t.DeleteRecordText = QStringLiteral("Leave the club");
    t.RequestIdPasswordText = QStringLiteral("Forgot your password?");
    t.AdminLogo = QStringLiteral("/home/user/pictures/admin.jpg");
    t.AdminLoginText = QStringLiteral("Administrator login");
    t.AdminMenuText = QStringLiteral("Administration");
    t.AdminSearchRecordText = QStringLiteral("All members");
    t.AdminAddRecordText = QStringLiteral("New member");
    t.AdminModifyRecordText = QStringLiteral("Edit member");
    t.AdminDeleteRecordText = QStringLiteral("Remove member");
    t.CreateCounter = true;
    t.CounterPosition = QStringLiteral("Search Form");
    t.CounterAlignment = QStringLiteral("Right");
    t.CounterTextBefore = QStringLiteral("You are visitor");
    t.CounterTextBehind = QStringLiteral("since May");
    t.CounterBorder = 1;
    t.CounterColor = 0x00E0F0FF;
    t.CounterNumberFontColor = 0x000000C0;
    t.CounterNumberFontName = QStringLiteral("DejaVu Sans Mono");
    t.CounterNumberFontSize = 14;
    t.CounterNumberFontBold = true;
    t.CounterNumberFontUnderline = true;
    t.CounterTextFontColor = 0x00404040;
    t.CounterTextFontName = QStringLiteral("DejaVu Serif");
    t.CounterTextFontSize = 10;
    t.CounterTextFontItalic = true;
    t.CounterTextFontStrikeOut = true;
    t.UseCounterOffset = true;
    t.CounterOffset = 1000;
    return t;
}

// A language file with two languages, in `folder`; returns its path.
inline QString WriteLanguageFile(const QString& folder) {
    const QString path = QDir(folder).filePath(QStringLiteral("Language.ini"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write("[German]\r\nMainTitle=Datenbank\r\n[French]\r\nMainTitle=Base\r\n");
    return path;
}

// Answers the settings dialog's boxes and choosers and records what it asked.
struct TScriptedDesktop {
    QStringList messages;
    QStringList confirmations;
    QStringList errors;
    QStringList discards; // "Discard your changes?" asked
    QStringList fileTitles;
    QStringList fileFolders; // where each file chooser opened
    QList<QUrl> opened;
    bool confirm = true;
    bool discard = true; // the answer to "Discard your changes?"
    QString file;        // what a file chooser returns
    QString folder;      // what the folder chooser returns
    std::optional<QColor> colour;
    std::function<bool(TCounterFont&)> font = [](TCounterFont&) { return false; };

    void Install(TSettingsF& d) {
        d.ShowMessage = [this](const QString& text) { messages.append(text); };
        d.ConfirmWarning = [this](const QString& text) {
            confirmations.append(text);
            return confirm;
        };
        d.ShowError = [this](const QString& text) { errors.append(text); };
        d.ConfirmDiscard = [this](const QString& text) {
            discards.append(text);
            return discard;
        };
        d.ChooseFile = [this](const QString& title, const QString& folder, const QString&) {
            fileTitles.append(title);
            fileFolders.append(folder);
            return file;
        };
        d.ChooseFolder = [this](const QString&) { return folder; };
        d.ChooseColor = [this](const QColor&) { return colour; };
        d.ChooseFont = [this](TCounterFont& chosen) { return font(chosen); };
        d.OpenUrl = [this](const QUrl& url) { opened.append(url); };
    }
};

// Runs EditSettings, doing `change` in the open dialog and pressing OK; a
// dialog that stays open (a check failed) is cancelled.
inline bool EditAndPressOK(TSettingsF& d, TBTable& table,
                           const std::function<void()>& change = {}) {
    QTimer::singleShot(0, &d, [&d, change] {
        if (change)
            change();
        d.OKBtn->click();
        if (d.isVisible())
            d.reject();
    });
    return EditSettings(d, table);
}

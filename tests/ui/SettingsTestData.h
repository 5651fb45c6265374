#pragma once

#include "model/TableFields.h"

#include <QDir>
#include <QFile>
#include <QString>

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

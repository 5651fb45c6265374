// The "Connection", "Database" and "Administrator" pages: where the site
// goes, its MySQL account and the administrator's password.
#include "Settings.h"
#include "SettingsLayout.h"

#include "deploy/Connection.h"
#include "model/TableFields.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>

using namespace SettingsUi;

QWidget* TSettingsF::BuildConnectionPage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout;
    TForm form(grid);

    const QString urlExample = QStringLiteral("For example: http://www.yourdomain.com/members/");
    URL = Edit(QStringLiteral("URL"), page);
    URL->setPlaceholderText(QStringLiteral("http://www.yourdomain.com/members/"));
    form.Add(Caption(QStringLiteral("URL:"), page, urlExample), URL,
             HowTo(QStringLiteral("URL"),
                   QStringLiteral("The web address of your database site, ending with its "
                                  "folder, for example http://www.yourdomain.com/members/.")));
    URLNote = Note(QStringLiteral("The address of your site: your domain followed by the "
                                  "folder the site goes into."),
                   page);
    URLNote->setObjectName(QStringLiteral("URLNote"));
    form.Below(URLNote);

    const QString serverExample = QStringLiteral("For example: ftp.yourdomain.com");
    Server = Edit(QStringLiteral("Server"), page);
    Server->setToolTip(serverExample);
    serverCaption_ = Caption(QString(), page, serverExample);
    form.Add(serverCaption_, Server,
             HowTo(QStringLiteral("Server name"),
                   QStringLiteral("To publish your database site you need an FTP or SSH account "
                                  "with your web space provider. Enter the name of its server, "
                                  "for example ftp.yourdomain.com, followed by \":port\" when "
                                  "the provider names a port.")));

    AddTransferRows(form, page);

    User = Edit(QStringLiteral("User"), page);
    userCaption_ = Caption(QString(), page);
    form.Add(userCaption_, User,
             HowTo(QStringLiteral("Login name"),
                   QStringLiteral("The user name of your FTP or SSH account, as your provider "
                                  "gave it to you.")));

    Password = Edit(QStringLiteral("Password"), page);
    Password->setEchoMode(QLineEdit::Password);
    passwordCaption_ = Caption(QString(), page);
    form.Add(passwordCaption_, Password,
             HowTo(QStringLiteral("Password"),
                   QStringLiteral("The password of your FTP or SSH account, as your provider "
                                  "gave it to you.")));

    const QString folderExample = QStringLiteral("For example: public_html/members/");
    PHPPath = Edit(QStringLiteral("PHPPath"), page);
    PHPPath->setToolTip(folderExample);
    form.Add(Caption(QStringLiteral("Remote folder:"), page, folderExample), PHPPath,
             HowTo(QStringLiteral("Remote folder:"),
                   QStringLiteral("The folder below the start folder of your FTP account that "
                                  "the URL of the site shows, for example "
                                  "public_html/members/.")));

    const QString proxyExample = QStringLiteral("Example : 10.0.0.5, 192.168.1.0/24");
    TrustedProxiesEdit = Edit(QStringLiteral("TrustedProxiesEdit"), page);
    TrustedProxiesEdit->setToolTip(proxyExample);
    form.Add(Caption(QStringLiteral("Trusted proxies:"), page, proxyExample), TrustedProxiesEdit,
             HowTo(QStringLiteral("Trusted proxies:"),
                   QStringLiteral("Leave this empty unless your site runs behind a proxy or "
                                  "load balancer of your own. Then enter its addresses or "
                                  "networks, separated by commas: the site takes a visitor's "
                                  "address from the X-Forwarded-For header only when the "
                                  "request comes from one of them, so that the limits on "
                                  "logins and mails count each visitor.")));

    LocalPathText = new QLabel(page);
    LocalPathText->setObjectName(QStringLiteral("LocalPathText"));
    LocalPathText->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    LocalPathText->setMinimumWidth(320);
    Button2 = Button(QStringLiteral("Button2"), QStringLiteral("Browse..."), page);
    auto* localRow = Row({LocalPathText, Button2}, false);
    localRow->setStretch(0, 1);
    form.Add(Caption(QStringLiteral("Local path:"), page,
                     QStringLiteral("The folder on this computer for the generated files")),
             localRow,
             HowTo(QStringLiteral("Local path:"),
                   QStringLiteral("The folder on your computer where all generated files are "
                                  "saved.")));

    ClearButton = Button(QStringLiteral("ClearButton"), QStringLiteral("Clear entries"), page);
    form.Add(nullptr, Row({ClearButton}));
    LockedNote = Note(QStringLiteral("These entries hold the settings of the demo web host and "
                                     "are locked. To enter your provider's settings, press "
                                     "\"Clear entries\"."),
                      page);
    LockedNote->setObjectName(QStringLiteral("LockedNote"));
    LockedNote->hide();
    form.Below(LockedNote);

    Def = Button(QStringLiteral("Def"), QStringLiteral("Demo"), page);
    auto* demoRow =
        Row({Def,
             Caption(QStringLiteral("Fills in the settings of the demo web host on this "
                                    "computer, to try your site before you publish it."),
                     page),
             HowTo(QStringLiteral("Demo web host"),
                   QStringLiteral("The demo button fills in the settings of the demo web host that "
                                  "runs on this computer (started by ./run): FTP over TLS for the "
                                  "files, the address of the site (plain http on 127.0.0.1, which "
                                  "browsers count as secure, so no certificate warning) and the "
                                  "MySQL account, and a local folder for the generated files when "
                                  "none is set. Generate and upload as usual and try your site in "
                                  "the browser before you publish it with your own provider. "
                                  "\"Clear entries\" removes the demo settings again."))});

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Heading(QStringLiteral("Connection Settings"), page));
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addLayout(demoRow);

    connect(URL, &QLineEdit::textEdited, URLNote, &QWidget::hide);
    connect(TransferCombo, &QComboBox::currentIndexChanged, this,
            &TSettingsF::ShowTransferCaptions);
    ShowTransferCaptions();
    connect(Server, &QLineEdit::textChanged, this, &TSettingsF::ServerChange);
    connect(Button2, &QPushButton::clicked, this, &TSettingsF::Button2Click);
    connect(ClearButton, &QPushButton::clicked, this, &TSettingsF::ClearButtonClick);
    connect(Def, &QPushButton::clicked, this, &TSettingsF::DefClick);
    return page;
}

QWidget* TSettingsF::BuildDatabasePage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout;
    TForm form(grid);
    const QString askIsp = QStringLiteral("Ask your provider");

    DatabaseServer = Edit(QStringLiteral("DatabaseServer"), page);
    DBServerLabel = new QLabel(page);
    DBServerLabel->setObjectName(QStringLiteral("DBServerLabel"));
    auto* serverRow = Row({DatabaseServer, DBServerLabel}, false);
    serverRow->setStretch(0, 1);
    serverRow->setStretch(1, 1);
    form.Add(Caption(QStringLiteral("Server:"), page), serverRow,
             HowTo(QStringLiteral("Server:"),
                   QStringLiteral("The name of the MySQL server. It is usually "
                                  "\"localhost\"; ask your provider.")));

    DatabaseName = Edit(QStringLiteral("DatabaseName"), page);
    DatabaseName->setToolTip(askIsp);
    form.Add(Caption(QStringLiteral("MySQL database name:"), page), DatabaseName);
    DatabaseUser = Edit(QStringLiteral("DatabaseUser"), page);
    DatabaseUser->setToolTip(askIsp);
    form.Add(Caption(QStringLiteral("MySQL login name:"), page), DatabaseUser);
    DatabasePassword = Edit(QStringLiteral("DatabasePassword"), page);
    DatabasePassword->setToolTip(askIsp);
    DatabasePassword->setEchoMode(QLineEdit::Password);
    form.Add(Caption(QStringLiteral("MySQL password:"), page), DatabasePassword);

    TableName = Edit(QStringLiteral("TableName"), page);
    TableName->setToolTip(QStringLiteral("For example: members"));
    form.Add(Caption(QStringLiteral("Table name:"), page, QStringLiteral("For example: members")),
             TableName,
             HowTo(QStringLiteral("Table name:"),
                   QStringLiteral("The name of the MySQL table that holds your records. Use "
                                  "lower-case letters only: no digits, capitals or special "
                                  "characters.")));
    form.Below(Note(QStringLiteral("For example: members, links, family, books, dogs."), page));

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Heading(QStringLiteral("Settings for the MySQL server"), page));
    layout->addWidget(
        Note(QStringLiteral("The database must be located on the same server as the generated "
                            "sites!"),
             page));
    layout->addSpacing(6);
    layout->addLayout(grid);
    layout->addStretch(1);
    return page;
}

QWidget* TSettingsF::BuildAdministratorPage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout;
    TForm form(grid);
    AdminPasswordEdit = Edit(QStringLiteral("AdminPasswordEdit"), page, 200);
    form.Add(Caption(QStringLiteral("Password for Administrator:"), page),
             Row({AdminPasswordEdit}));
    form.Below(
        Caption(QStringLiteral("The administrator cannot change the password online."), page));

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Heading(QStringLiteral("Administrator"), page));
    layout->addLayout(grid);
    layout->addWidget(
        Note(QStringLiteral("The administrator logs in to the administrator pages of the site "
                            "with this password. A new password becomes active online only "
                            "after the next upload."),
             page));
    layout->addStretch(1);
    return page;
}

void TSettingsF::ShowTransferCaptions() {
    // The same letters either way, so Alt keeps leading to the same entry.
    const bool sftp = Transfer() == TransferModes::Sftp;
    serverCaption_->setText(sftp ? QStringLiteral("&Server:")
                                 : QStringLiteral("FTP &server name:"));
    userCaption_->setText(sftp ? QStringLiteral("&Login name:")
                               : QStringLiteral("FTP &login name:"));
    passwordCaption_->setText(sftp ? QStringLiteral("&Password:")
                                   : QStringLiteral("FTP &password:"));
}

void TSettingsF::ServerChange() {
    // The MySQL server is the FTP server's host; its port is the FTP port,
    // which would only mislead here.
    const QString host = FtpTarget(Server->text()).Host;
    DBServerLabel->setText(host.isEmpty() ? QStringLiteral("FTP server not yet set")
                                          : QStringLiteral("Probably ") + host);
}

void TSettingsF::SetLocalPath(const QString& path) {
    localPath_ = path;
    ShowLocalPath();
}

QString TSettingsF::ShortenPath(const QString& path,
                                const std::function<int(const QString&)>& width, int maxWidth) {
    QString shown = path;
    for (int start = 5; width(shown) > maxWidth && start < path.size(); ++start)
        shown = path.left(5) + QStringLiteral("...") + path.mid(start);
    return shown;
}

void TSettingsF::ShowLocalPath() {
    const QFontMetrics metrics = LocalPathText->fontMetrics();
    LocalPathText->setText(ShortenPath(
        localPath_, [&metrics](const QString& text) { return metrics.horizontalAdvance(text); }));
}

void TSettingsF::Button2Click() {
    const QString folder = ChooseFolder(localPath_);
    if (!folder.isEmpty())
        SetLocalPath(folder);
}

void TSettingsF::ClearButtonClick() {
    const QList<QLineEdit*> connection{URL, Server, User, Password, PHPPath};
    if (std::all_of(connection.begin(), connection.end(),
                    [](const QLineEdit* edit) { return edit->text().isEmpty(); })) {
        ShowMessage(QStringLiteral("Fields are already empty"));
        return;
    }
    if (!ConfirmWarning(QStringLiteral("Are you sure you want to clear all fields below?")))
        return;
    // The MySQL server keeps its value: it is usually the same for every site.
    for (QLineEdit* edit :
         connection + QList<QLineEdit*>{TableName, DatabaseName, DatabaseUser, DatabasePassword})
        edit->clear();
    URLNote->hide();
    SetConnectionLocked(false);
}

void TSettingsF::SetConnectionLocked(bool locked) {
    for (QLineEdit* edit : {URL, Server, User, Password, PHPPath, TableName, DatabaseServer,
                            DatabaseName, DatabaseUser, DatabasePassword})
        edit->setEnabled(!locked);
    LockedNote->setVisible(locked);
}

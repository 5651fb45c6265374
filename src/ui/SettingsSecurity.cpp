// The "Transfer" choice of the "Connection" page: how files reach the
// server, and the certificate and host key the user chose to trust.
#include "Settings.h"

#include "SettingsLayout.h"

#include "deploy/Connection.h"
#include "model/TableFields.h"
#include "model/TrustedServers.h"
#include "net/SftpClient.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

using namespace SettingsUi;

namespace {

// The choices in list order, with the stored value of each.
const QList<std::pair<QString, QString>>& Choices() {
    static const QList<std::pair<QString, QString>> choices = {
        {QStringLiteral("FTP over TLS if the server offers it"), TransferModes::IfOffered},
        {QStringLiteral("FTP over TLS only"), TransferModes::Ftps},
        {QStringLiteral("SFTP"), TransferModes::Sftp},
        {QStringLiteral("Plain FTP (not encrypted)"), TransferModes::Ftp},
    };
    return choices;
}

QString Short(const QString& fingerprint) {
    return fingerprint.left(16) + QStringLiteral("...");
}

} // namespace

void TSettingsF::AddTransferRows(TForm& form, QWidget* page) {
    TransferCombo = new QComboBox(page);
    TransferCombo->setObjectName(QStringLiteral("TransferCombo"));
    for (const auto& [text, value] : Choices())
        TransferCombo->addItem(text, value);
    form.Add(Caption(QStringLiteral("Transfer:"), page), TransferCombo,
             HowTo(QStringLiteral("Transfer:"),
                   QStringLiteral(
                       "How the files reach your server. \"FTP over TLS if the server offers "
                       "it\" encrypts the password and the files wherever the server can, and "
                       "the upload report tells when it could not. \"FTP over TLS only\" refuses "
                       "a server without encryption before the password is sent. \"SFTP\" uses "
                       "your SSH account (port 22 unless the server name says "
                       "\"host:port\"). \"Plain FTP\" sends everything readable to anyone on "
                       "the way: use it only for a server that has nothing else.")));

    TrustedText = new QLabel(page);
    TrustedText->setObjectName(QStringLiteral("TrustedText"));
    TrustedText->setWordWrap(true);
    ForgetTrustBtn = Button(QStringLiteral("ForgetTrustBtn"), QStringLiteral("Forget trust"), page);
    auto* row = Row({TrustedText, ForgetTrustBtn}, false);
    row->setStretch(0, 1);
    form.Add(nullptr, row,
             HowTo(QStringLiteral("Trusted certificate"),
                   QStringLiteral("When a server's certificate cannot be verified (a "
                                  "certificate for the machine's name, or a self-signed one), "
                                  "or an SFTP server is met for the first time, Corvanta asks "
                                  "whether to trust it and shows its fingerprint. What you "
                                  "trust is kept with this project; a different certificate or "
                                  "key later is refused. \"Forget trust\" lets Corvanta ask "
                                  "again.")));
    connect(ForgetTrustBtn, &QPushButton::clicked, this, &TSettingsF::ForgetTrustBtnClick);
    ShowTrust();
}

void TSettingsF::SetTransfer(const QString& transfer) {
    const int index = TransferCombo->findData(transfer);
    TransferCombo->setCurrentIndex(index >= 0 ? index : 0);
}

QString TSettingsF::Transfer() const {
    return TransferCombo->currentData().toString();
}

void TSettingsF::ShowTrust() {
    QStringList lines;
    if (!trustedCertificate_.isEmpty())
        lines << QStringLiteral("Trusted certificate: ") + Short(trustedCertificate_);
    const QMap<QString, QString> servers = TrustedServers::Parse(trustedCertificates_);
    for (auto it = servers.cbegin(); it != servers.cend(); ++it)
        lines << QStringLiteral("Trusted certificate of %1: %2").arg(it.key(), Short(it.value()));
    if (!trustedHostKey_.isEmpty())
        lines << QStringLiteral("Trusted SFTP host key: ") + Short(trustedHostKey_);
    TrustedText->setText(lines.isEmpty() ? QStringLiteral("No certificate or host key trusted.")
                                         : lines.join(u'\n'));
    TrustedText->setToolTip(QStringList{trustedCertificate_, trustedCertificates_, trustedHostKey_}
                                .join(u'\n')
                                .trimmed());
    ForgetTrustBtn->setEnabled(!lines.isEmpty());
}

void TSettingsF::ForgetTrustBtnClick() {
    if (!trustedHostKey_.isEmpty()) {
        const QString server = Server->text().trimmed();
        const TFtpTarget target = FtpTarget(server, 22);
        TSftpClient::ForgetHost(TSftpClient::DefaultKnownHostsFile(), target.Host, target.Port);
    }
    trustedCertificate_.clear();
    trustedCertificates_.clear();
    trustedHostKey_.clear();
    ShowTrust();
}

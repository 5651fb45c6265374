#include "UserPort.h"

#include <QDir>
#include <QFileInfo>

TFileDialogInfo FileDialogInfo(TFileChoice choice) {
    const QString text = QStringLiteral("Text file (*.txt);;All files (*)");
    const QString all = QStringLiteral("All files (*)");
    const QString txt = QStringLiteral("txt");
    switch (choice) {
    case TFileChoice::SaveData:
        return {QStringLiteral("Save data"), true, txt, text};
    case TFileChoice::SaveUsers:
        return {QStringLiteral("Save users"), true, txt, text};
    case TFileChoice::SaveImages:
        return {QStringLiteral("Save images"), true, {}, all};
    case TFileChoice::OpenData:
        return {QStringLiteral("Open data"), false, {}, all};
    case TFileChoice::OpenUsers:
        return {QStringLiteral("Open users"), false, {}, all};
    case TFileChoice::OpenImages:
        return {QStringLiteral("Open images"), false, {}, all};
    }
    return {};
}

QString RemoveConfirmation(TRemoveChoice choice) {
    switch (choice) {
    case TRemoveChoice::SettingsAndServer:
        return QStringLiteral(
            "Do you really want to remove all settings from your PC and all sites "
            "and records from the server? All data will be lost!");
    case TRemoveChoice::SettingsOnly:
        return QStringLiteral("Do you really want to remove the Database from your PC?");
    case TRemoveChoice::ServerOnly:
        return QStringLiteral(
            "Do you really want to remove the Database from the server? All sites and "
            "all records will be removed!");
    case TRemoveChoice::Cancel:
    case TRemoveChoice::DownloadFirst:
        break;
    }
    return {};
}

QString RemoveChoiceCaption(TRemoveChoice choice) {
    switch (choice) {
    case TRemoveChoice::SettingsAndServer:
        return QStringLiteral("Setting && Server");
    case TRemoveChoice::SettingsOnly:
        return QStringLiteral("Settings Only");
    case TRemoveChoice::ServerOnly:
        return QStringLiteral("Server Only");
    case TRemoveChoice::DownloadFirst:
        return QStringLiteral("Download records from server to my PC now!");
    case TRemoveChoice::Cancel:
        break;
    }
    return QStringLiteral("Cancel");
}

bool TUserPort::SaveAndShowReport(const TReport& report, const QString& logPath,
                                  const QString& siteUrl) {
    const bool saved = report.SaveTo(logPath);
    // The whole path: the user has to find the file.
    const QString path = QDir::toNativeSeparators(QFileInfo(logPath).absoluteFilePath());
    const QString fileInfo = saved ? QStringLiteral("Report saved to '%1'").arg(path)
                                   : QStringLiteral("Report cannot be saved to '%1'").arg(path);
    ShowReport(report, fileInfo, siteUrl);
    return saved;
}

bool TUserPort::TrustServer(const TCertificateInfo&) {
    return false;
}

QString TrustQuestion(const TCertificateInfo& info) {
    if (info.HostKey)
        return QStringLiteral("The SFTP server %1 is not known yet.\rIts %2 host key has the "
                              "SHA-256 fingerprint\r%3\rTrust this server for this project? "
                              "Compare the fingerprint with the one your provider gives.")
            .arg(info.Server(), info.KeyType, info.Fingerprint);
    return QStringLiteral("The certificate of %1 cannot be verified: %2.\rSubject: %3\rIssuer: "
                          "%4\rValid from %5 to %6\rSHA-256 fingerprint: %7\rTrust this "
                          "certificate for this project?")
        .arg(info.Named(), info.Problems.join(QStringLiteral("; ")), info.Subject, info.Issuer,
             info.ValidFrom.toString(QStringLiteral("yyyy-MM-dd")),
             info.ValidTo.toString(QStringLiteral("yyyy-MM-dd")), info.Fingerprint);
}

// Drives the network clients for the benchmarks:
//   corvanta-netbench stor HOST PORT USER PASSWORD LOCAL-FILE REMOTE-PATH
//   corvanta-netbench stor-tls HOST PORT USER PASSWORD LOCAL-FILE REMOTE-PATH
//   corvanta-netbench sftp HOST PORT USER PASSWORD LOCAL-FILE REMOTE-PATH HOST-KEY-SHA256
//   corvanta-netbench get URL [SHA256]   (SHA256: a certificate trusted by fingerprint)
//   corvanta-netbench get-stream URL   (the body handed on, not kept)
// Certificates are checked; a test authority is trusted through CORVANTA_CA_FILE.
// Prints the seconds the transfer took and the peak memory of the process.

#include "net/FtpClient.h"
#include "net/HttpClient.h"
#include "net/SftpClient.h"

#include <QTemporaryDir>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <sys/resource.h>

namespace {

long PeakMemoryKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int Store(const QStringList& args, bool tls = false) {
    TFtpClient ftp;
    if (tls)
        ftp.Security = TFtpClient::TSecurity::Required;
    ftp.Host = args.at(0);
    ftp.Port = static_cast<quint16>(args.at(1).toUInt());
    ftp.UserID = args.at(2);
    ftp.Password = args.at(3);
    QElapsedTimer clock;
    clock.start();
    ftp.Connect();
    ftp.Mode(TFtpClient::Image);
    ftp.Upload(args.at(4), args.at(5));
    ftp.Disconnect();
    QTextStream(stdout) << "seconds " << clock.nsecsElapsed() / 1e9 << "\n";
    return 0;
}

int Sftp(const QStringList& args) {
    QTemporaryDir dir;
    TSftpClient sftp;
    sftp.Host = args.at(0);
    sftp.Port = static_cast<quint16>(args.at(1).toUInt());
    sftp.UserID = args.at(2);
    sftp.Password = args.at(3);
    sftp.TrustedHostKey = args.at(6);
    sftp.KnownHostsFile = dir.filePath(QStringLiteral("known_hosts"));
    QElapsedTimer clock;
    clock.start();
    sftp.Connect();
    sftp.Upload(args.at(4), args.at(5));
    sftp.Disconnect();
    QTextStream(stdout) << "seconds " << clock.nsecsElapsed() / 1e9 << "\n";
    return 0;
}

int Get(const QString& url, bool stream = false, const QString& trusted = {}) {
    THttpClient http;
    http.TrustedCertificate = trusted;
    qint64 bytes = 0;
    if (stream)
        http.OnBody = [&](const QByteArray& block) { bytes += block.size(); };
    QElapsedTimer clock;
    clock.start();
    http.Get(url);
    QTextStream(stdout) << "seconds " << clock.nsecsElapsed() / 1e9 << "\n"
                        << "bytes " << (stream ? bytes : http.Body.size()) << "\n";
    return http.ReplyNumber == 200 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    int status = 2;
    try {
        if (args.size() == 7 && args.at(0) == QLatin1String("stor"))
            status = Store(args.mid(1));
        else if (args.size() == 7 && args.at(0) == QLatin1String("stor-tls"))
            status = Store(args.mid(1), true);
        else if (args.size() == 8 && args.at(0) == QLatin1String("sftp"))
            status = Sftp(args.mid(1));
        else if (args.size() == 2 && args.at(0) == QLatin1String("get"))
            status = Get(args.at(1));
        else if (args.size() == 3 && args.at(0) == QLatin1String("get"))
            status = Get(args.at(1), false, args.at(2));
        else if (args.size() == 2 && args.at(0) == QLatin1String("get-stream"))
            status = Get(args.at(1), true);
        else
            QTextStream(stderr) << "usage: corvanta-netbench stor HOST PORT USER PASSWORD FILE "
                                   "REMOTE | get URL\n";
    } catch (const ENetError& e) {
        QTextStream(stderr) << e.message() << "\n";
        return 1;
    }
    QTextStream(stdout) << "peak_kb " << PeakMemoryKb() << "\n";
    return status;
}

// Drives the network clients for the benchmarks:
//   corvanta-netbench stor HOST PORT USER PASSWORD LOCAL-FILE REMOTE-PATH
//   corvanta-netbench get URL
// Prints the seconds the transfer took and the peak memory of the process.

#include "net/FtpClient.h"
#include "net/HttpClient.h"

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

int Store(const QStringList& args) {
    TFtpClient ftp;
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

int Get(const QString& url) {
    THttpClient http;
    QElapsedTimer clock;
    clock.start();
    http.Get(url);
    QTextStream(stdout) << "seconds " << clock.nsecsElapsed() / 1e9 << "\n"
                        << "bytes " << http.Body.size() << "\n";
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
        else if (args.size() == 2 && args.at(0) == QLatin1String("get"))
            status = Get(args.at(1));
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

// The record transfer at the size of a real site and under faults: 100,000
// records with pictures and members go up, come down, go up again and come
// down again byte for byte; a web server or FTP server that goes away, or a
// Cancel, at any moment of an export leaves the tables exactly as they were,
// and the export run again afterwards gives the same result, no duplicates.
#include "DeployFixtures.h"
#include "common/TestSupport.h"
#include "common/WebHost.h"
#include "model/ProjectStore.h"
#include "model/RecordFiles.h"
#include "model/Store.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTime>
#include <QTimer>
#include <QtTest>

#include <csignal>

namespace {

TBTable loadProject(const QString& name) {
    using namespace FieldTypes;
    TBTable t = TBTable::New();
    t.DbName = name;
    t.TableName = name;
    t.AdminPassword = QStringLiteral("secret");
    t.UserUpdate = true;
    t.UserMode = QStringLiteral("Login");
    const QList<TBField> fields = {
        TransferField("Title", "title", Text),     TransferField("Notes", "notes", Text),
        TransferField("Count", "amount", Integer), TransferField("Price", "price", Real),
        TransferField("Done", "done", YesNo),      TransferField("Added", "added", DateTime),
        TransferField("Photo", "photo", Image)};
    for (qsizetype i = 0; i < fields.size(); ++i) {
        t.Fields.push_back(fields[i]);
        t.Fields.back().SeqNo = qint32(i + 1);
    }
    return t;
}

struct TDataset {
    QByteArray records, users, images;
};

// Files as the download writes them, so the first download gives them back
// byte for byte.
TDataset dataset(const TBTable& t, int records, int members, int pictures, const QByteArray& tag) {
    const TRecordFormat f = TRecordFormat::Of(t);
    TDataset d;
    for (int m = 1; m <= members; ++m)
        d.users +=
            f.JoinRecord({QByteArray::number(m), "member" + QByteArray::number(m) + "@example.org",
                          "pw|" + tag + QByteArray::number(m)}) +
            "\r\n";
    QRandomGenerator bytes(7);
    for (int p = 1; p <= pictures; ++p) {
        QByteArray picture(12000 + p % 5 * 1000, Qt::Uninitialized);
        for (char& c : picture)
            c = char(bytes.generate());
        d.images += f.JoinRecord({QByteArray::number(p), QByteArray::number(p % members + 1),
                                  picture.toBase64(), "image/png"}) +
                    "\r\n";
    }
    d.records.reserve(records * 100);
    for (int i = 1; i <= records; ++i) {
        const QByteArray n = QByteArray::number(i);
        const QByteArray notes =
            i % 50 == 0 ? "line\r\nbreak | bar \\ back <P CLASS=\"end_of_data\">" : "note " + n;
        d.records +=
            f.JoinRecord({QByteArray::number(i % members + 1), "Record " + n + " " + tag, notes, n,
                          QByteArray::number((i % 400) / 4.0, 'g', QLocale::FloatingPointShortest),
                          i % 3 ? "Yes" : "No",
                          "20240101" + QTime(0, 0).addSecs(i % 86400).toString("hhmmss").toLatin1(),
                          i % 7 ? "0" : QByteArray::number(i % pictures + 1),
                          i % 11 ? "1111111" : "1010011"}) +
            "\r\n";
    }
    return d;
}

} // namespace

class TestTransferLoad : public QObject {
    Q_OBJECT

    TWebHost* host_ = nullptr;
    QTemporaryDir dir_;
    std::unique_ptr<TStore> store_;

    TBTable site(const QString& name) {
        TBTable t = loadProject(name);
        PlaceOnHost(t, *host_, name, dir_.filePath(name));
        ProjectStore::Save(*store_, t);
        TDeployRig rig(*store_);
        rig.Port.AnswerTo(QStringLiteral("The tables on the server"), QStringLiteral("Create"));
        rig.Run([&](TDeployment& d) { d.Upload(t, false); });
        return t;
    }

    void write(const QString& prefix, const TDataset& d) {
        WriteFileBytes(prefix + "records.txt", d.records);
        WriteFileBytes(prefix + "users.txt", d.users);
        WriteFileBytes(prefix + "images.txt", d.images);
    }

    // An export with replace; `during` runs on its rig before it starts.
    bool send(const TBTable& t, const QString& prefix, QStringList* messages = nullptr,
              const std::function<void(TDeployRig&)>& during = {}, qint64 partBytes = 0,
              int* steps = nullptr) {
        TTransferRun run;
        run.during = during;
        run.partBytes = partBytes;
        const bool ok = ExportFiles(*store_, t, prefix, run);
        if (messages)
            *messages = run.messages;
        if (steps)
            *steps = run.steps;
        return ok;
    }

    bool fetch(const TBTable& t, const QString& prefix) { return ImportFiles(*store_, t, prefix); }

    QByteArray checksum(const TBTable& t) {
        QByteArray sums;
        for (const QString& table : {t.TableName, t.TableName + "_USERS", t.TableName + "_IMAGES"})
            sums += host_->Query("CHECKSUM TABLE " + table).value(0).value(1) + ' ';
        return sums;
    }

    int rows(const TBTable& t) {
        return host_->Query("SELECT COUNT(*) FROM " + t.TableName).value(0).value(0).toInt();
    }

private slots:
    void initTestCase() {
        host_ = &TWebHost::Instance();
        QVERIFY2(host_->Running(), qPrintable(host_->Error()));
        store_ = std::make_unique<TStore>(dir_.filePath(QStringLiteral("store.json")));
    }

    void hundredThousandRecordsGoUpAndComeBackByteForByte() {
        const TBTable t = site(QStringLiteral("big"));
        const TDataset d = dataset(t, 100000, 1000, 400, "big");
        QVERIFY(d.records.size() + d.users.size() + d.images.size() > 14 * 1000 * 1000);
        const QString original = dir_.filePath("big-");
        write(original, d);

        QElapsedTimer clock;
        clock.start();
        QStringList messages;
        QVERIFY2(send(t, original, &messages), qPrintable(messages.join(u'\n')));
        QCOMPARE(rows(t), 100000);
        qInfo("sent in %lld ms", clock.restart());
        const QString first = dir_.filePath("big-first-");
        QVERIFY(fetch(t, first));
        qInfo("downloaded in %lld ms", clock.restart());
        for (const char* name : {"records.txt", "users.txt", "images.txt"})
            QVERIFY2(ReadFileBytes(first + name) == ReadFileBytes(original + name), name);

        QVERIFY(send(t, first));
        QCOMPARE(rows(t), 100000);
        const QString second = dir_.filePath("big-second-");
        QVERIFY(fetch(t, second));
        for (const char* name : {"records.txt", "users.txt", "images.txt"})
            QVERIFY2(ReadFileBytes(second + name) == ReadFileBytes(first + name), name);
        QCOMPARE(host_->PhpErrors(), QByteArray());
    }

    void aHostThatGoesAwayOrACancelLeavesTheTablesAsTheyWere() {
        const TBTable t = site(QStringLiteral("faults"));
        const QString a = dir_.filePath("faults-a-"), b = dir_.filePath("faults-b-");
        write(a, dataset(t, 1000, 30, 8, "a"));
        write(b, dataset(t, 1000, 30, 8, "b"));
        // Small parts: many steps for a fault to fall between.
        const qint64 part = 16 * 1024;
        QVERIFY(send(t, a, nullptr, {}, part));
        const QByteArray sumA = checksum(t);
        int steps = 0; // progress texts of a whole export
        QVERIFY(send(t, b, nullptr, {}, part, &steps));
        const QByteArray sumB = checksum(t);
        QVERIFY(sumA != sumB);
        QVERIFY(steps > 10);

        QRandomGenerator* random = QRandomGenerator::global();
        int missed = 0;
        bool onB = true;
        // 20 rounds with a server stopped, then 10 with Cancel pressed, each
        // after a random step of the export and a few milliseconds more.
        for (int round = 0; round < 30; ++round) {
            const QString target = onB ? a : b;
            const QByteArray before = onB ? sumB : sumA, after = onB ? sumA : sumB;
            const int step = int(random->bounded(steps + 1));
            const int extra = int(random->bounded(40));
            const QString server = round < 20 ? (round % 2 ? "ftp" : "php") : QString();
            QStringList messages;
            const bool sent = send(
                t, target, &messages,
                [&](TDeployRig& rig) {
                    // Tied to the rig: a fault due after its end never comes.
                    auto* poll = new QTimer(&rig.Ftp);
                    QObject::connect(poll, &QTimer::timeout, &rig.Ftp, [&, poll, server] {
                        if (rig.Port.ProgressTexts().size() < step)
                            return;
                        poll->stop();
                        QTimer::singleShot(extra, &rig.Ftp, [&, server] {
                            if (server.isEmpty())
                                rig.Port.PressCancel();
                            else
                                host_->StopServer(server);
                        });
                    });
                    poll->start(2);
                },
                part);
            if (!server.isEmpty())
                QVERIFY(host_->StartServer(server));
            const QString what = QStringLiteral("round %1 (%2 after step %3 + %4 ms): %5")
                                     .arg(round)
                                     .arg(server.isEmpty() ? QStringLiteral("cancel") : server)
                                     .arg(step)
                                     .arg(extra)
                                     .arg(messages.join(u'\n'));
            const QByteArray now = checksum(t);
            if (sent) {
                // The fault came after the records had gone live.
                ++missed;
                QVERIFY2(now == after, qPrintable(what));
            } else if (messages.last().contains("It is not known")) {
                QVERIFY2(now == before || now == after, qPrintable(what));
            } else {
                QVERIFY2(now == before, qPrintable(what));
                QVERIFY2(!messages.last().startsWith("Exporting finished"), qPrintable(what));
            }
            // Sent again, it goes live once.
            QVERIFY2(send(t, target, &messages, {}, part), qPrintable(messages.join(u'\n')));
            QCOMPARE(checksum(t), after);
            QCOMPARE(rows(t), 1000);
            onB = !onB;
        }
        qInfo("an export has %d steps; %d of 30 faults came after it had ended", steps, missed);
        // Most faults must fall inside an export, or the rounds prove little;
        // a loaded machine ends more exports before the fault, hence half.
        QVERIFY2(missed <= 15, qPrintable(QString::number(missed)));
        QVERIFY(host_->Query("SHOW TABLES LIKE 'faults\\_%STAGED'").isEmpty());
    }

    // corvanta-cli killed during exports leaves its temporary folder, its
    // part on the server and the staged tables: the next run of a transfer
    // command removes what it left, and a catchable end leaves nothing.
    void killedExportsLeaveNothingBehind() {
        const TBTable t = site(QStringLiteral("killed"));
        const QString files = dir_.filePath("killed-");
        write(files, dataset(t, 30000, 30, 8, "k"));
        const QString temp = dir_.filePath(QStringLiteral("tmp"));
        QVERIFY(QDir().mkpath(temp));
        const auto ours = [&] {
            return QDir(temp).entryList({QStringLiteral("corvanta-run-*")}, QDir::Dirs);
        };
        // corvanta-cli COMMAND NAME on the files PREFIX*.txt, with its own TMPDIR.
        const auto start = [&](QProcess& cli, const QString& command, const QString& prefix) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("CORVANTA_STORE"), store_->path());
            env.insert(QStringLiteral("TMPDIR"), temp);
            cli.setProcessEnvironment(env);
            QStringList args = {command, t.DbName};
            for (const char* kind : {"records", "users", "images"})
                args << QStringLiteral("--") + kind << prefix + kind + ".txt";
            if (command == QLatin1String("export"))
                args << QStringLiteral("--replace");
            cli.start(QDir(BinDir()).filePath(QStringLiteral("corvanta-cli")), args);
            cli.waitForStarted();
        };
        // Runs an export and ends it with `signal` once its folder is there.
        const auto runAndEnd = [&](int signal) {
            QProcess cli;
            start(cli, QStringLiteral("export"), files);
            QElapsedTimer waited;
            waited.start();
            while (ours().isEmpty() && cli.state() == QProcess::Running &&
                   waited.elapsed() < 120000)
                QTest::qWait(5);
            QTest::qWait(QRandomGenerator::global()->bounded(50));
            const bool during = cli.state() == QProcess::Running && !ours().isEmpty();
            if (cli.state() == QProcess::Running && cli.processId() > 0)
                ::kill(pid_t(cli.processId()), signal);
            cli.waitForFinished(60000);
            return during;
        };
        // Twenty kills inside an export; each leaves its folder, which the
        // next run removes.
        int during = 0, left = 0;
        for (int round = 0; round < 60 && during < 20; ++round)
            if (runAndEnd(SIGKILL)) {
                ++during;
                left += ours().isEmpty() ? 0 : 1;
            }
        QCOMPARE(during, 20);
        QCOMPARE(left, 20);
        QVERIFY(!host_->Query("SHOW TABLES LIKE 'killed\\_%STAGED'").isEmpty());

        // The next run of a transfer command clears all of it, here and on
        // the server.
        QProcess next;
        start(next, QStringLiteral("import"), files + "in-");
        QVERIFY(next.waitForFinished(300000));
        QCOMPARE(next.exitCode(), 0);
        QCOMPARE(ours(), QStringList());
        QVERIFY(host_->Query("SHOW TABLES LIKE 'killed\\_%STAGED'").isEmpty());
        QVERIFY(host_->Query("SHOW TABLES LIKE 'killed\\_PIECES'").isEmpty());
        QVERIFY(QDir(host_->DocumentRoot() + "/killed").entryList({"export_db_part*"}).isEmpty());

        // Ended by a signal it can catch, it takes its folder with it.
        for (int signal : {SIGTERM, SIGINT})
            if (runAndEnd(signal))
                QCOMPARE(ours(), QStringList());

        // A PHP whose processes were all killed is started again, and answers.
        const QString log = host_->Setting(QStringLiteral("PHP_ERROR_LOG"));
        const QByteArray group = ReadFileBytes(QFileInfo(log).dir().filePath("../run/php.pgid"));
        QVERIFY(group.trimmed().toInt() > 1);
        QVERIFY(::kill(-pid_t(group.trimmed().toInt()), SIGKILL) == 0);
        QVERIFY(host_->StartServer(QStringLiteral("php")));
        QVERIFY(host_->Get(t.URL + "index.html").status != 0);
    }
};

QTEST_MAIN(TestTransferLoad)
#include "TestTransferLoad.moc"

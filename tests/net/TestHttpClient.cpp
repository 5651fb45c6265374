#include "net/HttpClient.h"

#include "NetTestServers.h"
#include "common/TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

QByteArray ExpectedHead(const QByteArray& path, const QByteArray& host,
                        const QByteArray& cookie = {}) {
    QByteArray head =
        "GET " + path + " HTTP/1.0\r\nHost: " + host +
        "\r\n"
        "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
        "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n";
    if (!cookie.isEmpty())
        head += "Cookie: " + cookie + "\r\n";
    return head + "Content-type: application/x-www-form-urlencoded\r\n\r\n";
}

QString Local(quint16 port, const QString& path) {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path);
}

} // namespace

class TestHttpClient : public QObject {
    Q_OBJECT

private slots:
    void splitsUrls_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("requestUrl");
        const QString site = QStringLiteral("http://www.example.com/site/create_db.php");
        QTest::newRow("site script")
            << site << "www.example.com" << 80 << "/site/create_db.php" << site;
        QTest::newRow("port in host") << "http://localhost:8080/a/b.php"
                                      << "localhost" << 8080 << "/a/b.php"
                                      << "http://localhost:8080/a/b.php";
        QTest::newRow("no path") << "http://example.com"
                                 << "example.com" << 80 << "/"
                                 << "http://example.com/";
        QTest::newRow("no scheme") << "example.com/x.php"
                                   << "example.com" << 8000 << "/x.php"
                                   << "example.com/x.php";
        QTest::newRow("bare host and port") << "example.com:81"
                                            << "example.com" << 81 << "/"
                                            << "example.com:81/";
        QTest::newRow("path only keeps host") << "/only/path.php"
                                              << "previous.host" << 8000 << "/only/path.php"
                                              << "/only/path.php";
        QTest::newRow("ftp scheme") << "ftp://h/x"
                                    << "h" << 21 << "/x"
                                    << "ftp://h/x";
        QTest::newRow("gopher scheme") << "GOPHER://h/"
                                       << "h" << 70 << "/"
                                       << "GOPHER://h/";
        const QString longUrl = QStringLiteral("http://h/") + QString(300, u'a');
        QTest::newRow("long path")
            << longUrl << "h" << 80 << QString(u'/' + QString(255, u'a')) << longUrl;
    }
    void splitsUrls() {
        QFETCH(QString, url);
        THttpClient http;
        http.Host = QStringLiteral("previous.host");
        http.Port = 8000;
        http.SplitUrl(url);
        QTEST(http.Host, "host");
        QTEST(int(http.Port), "port");
        QTEST(http.RequestPath, "path");
        QTEST(http.RequestUrl, "requestUrl");
    }

    void refusesAnEmptyUrlBeforeConnecting() {
        THttpClient http;
        int failures = 0;
        http.OnConnectionFailed = [&](TSocketLayer*) { ++failures; };
        try {
            http.Get(QString());
            QFAIL("the URL must be refused");
        } catch (const ENetError& e) {
            QCOMPARE(e.message(), QStringLiteral("The address of the web site is empty"));
        }
        QCOMPARE(failures, 0);
        QVERIFY(http.Host.isEmpty());
        http.SplitUrl(QStringLiteral("https://example.com/x.php"));
        QVERIFY(http.Secure());
        QCOMPARE(int(http.Port), 443);
        // A location of a path only keeps the scheme it came from.
        http.SplitUrl(QStringLiteral("/y.php"));
        QVERIFY(http.Secure());
        QCOMPARE(http.Host, QStringLiteral("example.com"));
    }

    // The request lines as the server receives them, for a URL with a path and without.
    void sendsRequestHead() {
        TScriptedServer server(QStringLiteral("http-echo"));
        THttpClient http;
        NET_VERIFY(http.Get(Local(server.port(), QStringLiteral("/site/create_db.php"))));
        QCOMPARE(http.ReplyNumber, 200);
        QCOMPARE(http.Body, ExpectedHead("/site/create_db.php", "127.0.0.1"));
        QCOMPARE(http.Header, QByteArray("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n"));
        QCOMPARE(int(http.Port), int(server.port()));
        QVERIFY(!http.Connected());
        NET_VERIFY(http.Get(Local(server.port(), QString())));
        QCOMPARE(http.Body, ExpectedHead("/", "127.0.0.1"));
    }

    void oneByteBodyInItsOwnPacket() {
        TScriptedServer server(QStringLiteral("http-one-byte"));
        THttpClient http;
        NET_VERIFY(http.Get(Local(server.port(), QStringLiteral("/x"))));
        QCOMPARE(http.Body, QByteArray("x"));
        QCOMPARE(http.ContentLength, 1);
    }

    void timeOutsEndTheRequest() {
        for (const QString& scenario :
             {QStringLiteral("http-silent"), QStringLiteral("http-pause")}) {
            TScriptedServer server(scenario);
            THttpClient http;
            http.TimeOut = 300;
            try {
                http.Get(Local(server.port(), QStringLiteral("/slow.php")));
                QFAIL("a silent server must end the request");
            } catch (const EAbortError& e) {
                QVERIFY2(e.message().startsWith(
                             QStringLiteral("No answer from 127.0.0.1:%1 within 0.3 s")
                                 .arg(server.port())),
                         qPrintable(e.message()));
            }
            QVERIFY(http.TimedOut());
            QVERIFY(!http.Connected());
        }
    }

    // Without a time-out only a cancel ends the wait.
    void cancelEndsTheRequest() {
        TScriptedServer server(QStringLiteral("http-pause"));
        THttpClient http;
        http.TimeOut = 0;
        QTimer::singleShot(500, &http, [&] { http.Cancel(); });
        try {
            http.Get(Local(server.port(), QStringLiteral("/slow.php")));
            QFAIL("a cancel must end the request");
        } catch (const EAbortError& e) {
            QVERIFY2(e.message().startsWith(QLatin1String("Cancelled after")),
                     qPrintable(e.message()));
        }
        QVERIFY(!http.TimedOut());
        QCOMPARE(http.Body, QByteArray("first part"));
    }

    // 302 with "lOcAtIoN:" and a cookie: a second request on a new
    // connection, carrying the cookie's name and value.
    void followsRedirectWithCookie() {
        TScriptedServer server(QStringLiteral("http-redirect"));
        THttpClient http;
        NET_VERIFY(http.Get(Local(server.port(), QStringLiteral("/first.php"))));
        QCOMPARE(http.ReplyNumber, 200);
        QCOMPARE(http.Body, QByteArray("done"));
        const QList<QByteArray> heads = server.Heads();
        QCOMPARE(heads.size(), 2);
        QCOMPARE(heads.at(0), ExpectedHead("/first.php", "127.0.0.1"));
        QCOMPARE(heads.at(1), ExpectedHead("/second.php", "127.0.0.1", "sid=abc123"));
    }

    // Each broken answer fails in its own words, naming the server; a
    // redirect loop ends after a few requests.
    void brokenAnswersSayWhat_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("words");
        QTest::newRow("closed early") << "cut-close"
                                      << "answer was cut off after 100000 of 2000000 bytes";
        QTest::newRow("reset early") << "cut-reset"
                                     << "of 2000000 bytes";
        QTest::newRow("bad chunk size") << "bad-chunk"
                                        << "broken chunked answer: \"zz\"";
        QTest::newRow("endless header") << "endless-head"
                                        << "its header does not end";
        QTest::newRow("not HTTP") << "no-http"
                                  << "does not answer in HTTP: it sent \"220 ftp";
        QTest::newRow("redirect loop") << "redirect-loop"
                                       << "(a redirect loop)";
    }
    void brokenAnswersSayWhat() {
        QFETCH(QString, kind);
        QFETCH(QString, words);
        TScriptedServer server(QStringLiteral("http-fault"), {kind});
        THttpClient http;
        QByteArray streamed;
        http.OnBody = [&](const QByteArray& block) { streamed += block; };
        try {
            http.Get(Local(server.port(), QStringLiteral("/create_db.php?key=secret")));
            QFAIL("the answer must not pass for whole");
        } catch (const EAnswerError& e) {
            QVERIFY2(e.message().contains(words), qPrintable(e.message()));
            QVERIFY2(e.message().contains(QStringLiteral("127.0.0.1:%1").arg(server.port())),
                     qPrintable(e.message()));
            QVERIFY(!e.message().contains(QLatin1String("secret")));
        }
        if (kind == QLatin1String("redirect-loop"))
            QVERIFY(server.Heads().size() <= 6);
    }

    // Over TLS a body without length is whole only when the server ended
    // the session (close_notify), even while its TCP connection stays open.
    void tlsBodiesEndWithTheSession() {
        QTemporaryDir ca;
        for (const QString& kind : {QStringLiteral("notify"), QStringLiteral("drop")}) {
            TScriptedServer server(QStringLiteral("https-close"), {kind, ca.path()});
            THttpClient http;
            http.TimeOut = 20000;
            for (int i = 0; http.TrustedCertificate.isEmpty() && i < 100; QTest::qWait(100), ++i)
                for (const QByteArray& line : server.Log(0))
                    if (line.startsWith("fingerprint "))
                        http.TrustedCertificate = QString::fromLatin1(line.mid(12));
            const QString url = QStringLiteral("https://127.0.0.1:%1/x.php").arg(server.port());
            if (kind == QLatin1String("notify")) {
                QElapsedTimer clock;
                clock.start();
                NET_VERIFY(http.Get(url));
                QCOMPARE(http.Body, QByteArray(50000, 'y'));
                QVERIFY(clock.elapsed() < 15000); // not the time-out
                continue;
            }
            try {
                http.Get(url);
                QFAIL("a TLS answer without its end must not pass for whole");
            } catch (const EAnswerError& e) {
                QVERIFY2(e.message().contains(QLatin1String("without ending the TLS session")),
                         qPrintable(e.message()));
            }
        }
    }

    void errorStatusCallsOnFailure() {
        TScriptedServer server(QStringLiteral("http-status"));
        THttpClient http;
        QList<int> kinds;
        http.OnFailure = [&](int kind) { kinds << kind; };
        NET_VERIFY(http.Get(Local(server.port(), QStringLiteral("/missing.php"))));
        QCOMPARE(http.ReplyNumber, 404);
        QCOMPARE(http.Body, QByteArray("<p>not here</p>"));
        QCOMPARE(kinds, QList<int>{THttpClient::GetKind});
    }

    void connectionProblemsRaiseEvents() {
        THttpClient http;
        int invalid = 0;
        int failed = 0;
        http.OnInvalidHost = [&](bool&) { ++invalid; };
        http.OnConnectionFailed = [&](TSocketLayer*) { ++failed; };
        const auto expectError = [&](const QString& url, const QString& message) {
            try {
                http.Get(url);
                QFAIL("the request must fail");
            } catch (const ESockError& e) {
                QCOMPARE(e.message(), message);
            }
        };
        expectError(QStringLiteral("http://no-such-host.invalid/x.php"),
                    QStringLiteral("Could not find the server no-such-host.invalid: unknown host "
                                   "name"));
        QCOMPARE(invalid, 1);
        QCOMPARE(failed, 0);
        const quint16 closed = ClosedPort();
        expectError(
            Local(closed, QStringLiteral("/x.php")),
            QStringLiteral("Could not connect to 127.0.0.1:%1: connection refused").arg(closed));
        QCOMPARE(invalid, 1);
        QCOMPARE(failed, 1);
    }

    // Chunk-size lines never reach the body, however the pieces fall; a
    // followed redirect hands nothing to OnBody.
    void decodesChunkedBodies() {
        {
            TScriptedServer server(QStringLiteral("http-chunked"));
            THttpClient http;
            NET_VERIFY(http.Get(Local(server.port(), QStringLiteral("/import_db.php"))));
            QVERIFY(http.Chunked);
            QCOMPARE(http.Body, QByteArray("startabcdefghijklmnopqrstuvwxyz"));
        }
        TScriptedServer server(QStringLiteral("http-redirect-chunked"));
        THttpClient http;
        QByteArray streamed;
        int blocks = 0;
        http.OnBody = [&](const QByteArray& block) {
            QCOMPARE(http.ReplyNumber, 200);
            streamed += block;
            ++blocks;
        };
        NET_VERIFY(http.Get(Local(server.port(), QStringLiteral("/a"))));
        QCOMPARE(streamed, QByteArray("abcdefg"));
        QVERIFY(blocks >= 1);
        QVERIFY(http.Body.isEmpty());
    }

    // A real server's body streamed: every byte once, in order, Body empty.
    void streamsLargeBodies() {
        QTemporaryDir root;
        WriteBinaryFile(root.filePath(QStringLiteral("big.bin")), 3 * 1024 * 1024 + 17);
        const auto php = StartPhpServer(root.path());
        QVERIFY2(php, "php -S did not start");
        THttpClient http;
        QCryptographicHash hash(QCryptographicHash::Sha256);
        qint64 size = 0;
        http.OnBody = [&](const QByteArray& block) {
            hash.addData(block);
            size += block.size();
        };
        NET_VERIFY(http.Get(Local(php->port, QStringLiteral("/big.bin"))));
        QCOMPARE(size, 3 * 1024 * 1024 + 17);
        QCOMPARE(hash.result().toHex(), Sha256Hex(root.filePath(QStringLiteral("big.bin"))));
        QVERIFY(http.Body.isEmpty());
        // Unset again: the body is kept as before.
        http.OnBody = nullptr;
        NET_VERIFY(http.Get(Local(php->port, QStringLiteral("/big.bin"))));
        QCOMPARE(http.Body.size(), 3 * 1024 * 1024 + 17);
    }

    // Servers that never finish: each read comes in time, the whole does not.
    void endlessAnswersEndWithinTheLimit() {
        for (const QString& scenario :
             {QStringLiteral("http-trickle"), QStringLiteral("http-slow-head"),
              QStringLiteral("http-endless-head")}) {
            TScriptedServer server(scenario);
            THttpClient http;
            http.TimeOut = 1000;
            http.OverallLimit = 1500;
            QElapsedTimer clock;
            clock.start();
            try {
                http.Get(Local(server.port(), QStringLiteral("/x.php")));
                QFAIL(qPrintable(scenario + QStringLiteral(" must end the request")));
            } catch (const ESockError& e) {
                QVERIFY2(e.message().contains(QLatin1String("did not finish its answer within 2 "
                                                            "seconds")) ||
                             e.message().contains(QLatin1String("header does not end")),
                         qPrintable(scenario + u' ' + e.message()));
            }
            // Ended by the limit, not by the server: a bound no slow machine reaches.
            QVERIFY2(clock.elapsed() < 60000, qPrintable(scenario));
            QVERIFY(!http.Connected());
        }
    }

    // A real web server: PHP's own, with a script that sets a cookie and redirects.
    void talksToPhp() {
        QTemporaryDir root;
        WriteFileBytes(root.filePath(QStringLiteral("create_db.php")),
                       "<?php echo '<P CLASS=\"corvanta_ok\">Done</P>';");
        WriteFileBytes(root.filePath(QStringLiteral("login.php")),
                       "<?php if (!isset($_COOKIE['sid'])) {\n"
                       "  setcookie('sid', 'v42');\n"
                       "  header('Location: /login.php?again=1');\n"
                       "  exit;\n"
                       "}\n"
                       "echo 'sid=' . $_COOKIE['sid'] . ' again=' . $_GET['again'];\n");
        const auto php = StartPhpServer(root.path());
        QVERIFY2(php, "php -S did not start");
        THttpClient http;
        NET_VERIFY(http.Get(Local(php->port, QStringLiteral("/create_db.php"))));
        QCOMPARE(http.Body, QByteArray("<P CLASS=\"corvanta_ok\">Done</P>"));
        NET_VERIFY(http.Get(Local(php->port, QStringLiteral("/login.php"))));
        QCOMPARE(http.ReplyNumber, 200);
        QCOMPARE(http.Body, QByteArray("sid=v42 again=1"));
        NET_VERIFY(http.Get(Local(php->port, QStringLiteral("/none.php"))));
        QCOMPARE(http.ReplyNumber, 404);
    }
};

QTEST_GUILESS_MAIN(TestHttpClient)
#include "TestHttpClient.moc"

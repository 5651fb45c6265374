// runtime.php on a database that fails for a moment, as one server of a
// cluster does: what is safe to repeat is repeated, nothing else is, and
// nothing is stored twice.
#include "GeneratorFixtures.h"
#include "common/TestSupport.h"
#include "common/WebHost.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {

// A page that connects as the site does and then runs `body`, which prints
// one JSON object. flaky(N) fails with a deadlock until it has run N times;
// kill_me() ends the page's connection from a second one, as a server that
// leaves does.
QByteArray probePage(const QString& body) {
    return QStringLiteral(R"php(<?php require_once dirname(__FILE__)."/runtime.php";
$conn = mysql_connect("%1", "%2", "%3") or die("no connection");
mysql_select_db("%4") or die("no database");
function kill_me() {
  list($host, $user, $password, $port, $socket) = $GLOBALS["corvanta_server"];
  $other = mysqli_connect($host, $user, $password, "", $port, $socket);
  mysqli_query($other, "KILL CONNECTION ".mysqli_thread_id(corvanta_link()));
  mysqli_close($other);
}
function runs() {
  $row = mysql_fetch_array(mysql_query("SELECT n FROM retry_runs"), MYSQL_ASSOC);
  return intval($row["n"]);
}
mysql_query("UPDATE retry_runs SET n = 0");
%5
)php")
        .toUtf8()
        .replace("%5", body.toUtf8());
}

} // namespace

class TestDatabaseRetries : public QObject {
    Q_OBJECT

    TWebHost* host_ = nullptr;
    TBTable t_;

    QJsonObject run(const QString& body) {
        QByteArray page = probePage(body);
        page.replace("%1", t_.DatabaseServer.toUtf8())
            .replace("%2", t_.DatabaseUser.toUtf8())
            .replace("%3", t_.DatabasePassword.toUtf8())
            .replace("%4", t_.DatabaseName.toUtf8());
        WriteFileBytes(t_.LocalPath + "probe.php", page);
        const THttpReply r = host_->Get(t_.URL + "probe.php");
        const QJsonDocument json = QJsonDocument::fromJson(r.body);
        if (!json.isObject())
            qWarning() << r.status << r.body;
        return json.object();
    }

private slots:
    void initTestCase() {
        host_ = &TWebHost::Instance();
        QVERIFY2(host_->Running(), qPrintable(host_->Error()));
        t_ = MakeProject(QStringLiteral("retries"), {MakeField("tx", FieldTypes::Text)});
        host_->ApplyTo(t_, QStringLiteral("retries"));
        QDir().mkpath(t_.LocalPath);
        TPHPGenerator g;
        QVERIFY(g.RuntimeScript(t_, false));
        QString error;
        QVERIFY2(host_->Exec(
                     "CREATE TABLE retry_runs(n INTEGER NOT NULL, PRIMARY KEY (n)) ENGINE=InnoDB;"
                     "INSERT INTO retry_runs VALUES (0);"
                     "CREATE TABLE retry_rows(v INTEGER NOT NULL, PRIMARY KEY (v)) ENGINE=InnoDB;"
                     "\nDELIMITER //\n"
                     "CREATE PROCEDURE flaky(fails INTEGER) BEGIN"
                     "  UPDATE retry_runs SET n = n + 1;"
                     "  IF (SELECT n FROM retry_runs) <= fails THEN"
                     "    SIGNAL SQLSTATE '40001' SET MYSQL_ERRNO = 1213,"
                     "      MESSAGE_TEXT = 'Deadlock found when trying to get lock';"
                     "  END IF;"
                     "  INSERT INTO retry_rows VALUES ((SELECT n FROM retry_runs));"
                     "END//\n"
                     "\nDELIMITER ;\n",
                     &error),
                 qPrintable(error));
    }

    // A deadlock or a write another server certified first undoes the whole
    // statement: it runs again, a few times at most, and lands once.
    void undoneStatementsRunAgain() {
        QJsonObject r = run(R"php(
$ok = mysql_query("CALL flaky(2)") ? 1 : 0;
print json_encode(array("ok" => $ok, "runs" => runs()));)php");
        QCOMPARE(r.value("ok").toInt(), 1);
        QCOMPARE(r.value("runs").toInt(), 3);
        QCOMPARE(host_->Query("SELECT v FROM retry_rows"), QList<QByteArrayList>{{"3"}});

        r = run(R"php(
$ok = mysql_query("CALL flaky(100)") ? 1 : 0;
$error = mysql_error();
print json_encode(array("ok" => $ok, "runs" => runs(), "error" => $error));)php");
        QCOMPARE(r.value("ok").toInt(), 0);
        QCOMPARE(r.value("runs").toInt(), 5);
        QVERIFY2(r.value("error").toString().contains("Deadlock"),
                 qPrintable(r.value("error").toString()));
    }

    // Inside a transaction the server has undone more than the statement:
    // repeating it alone would store half of the transaction.
    void transactionsAreNotRepeated() {
        const QJsonObject r = run(R"php(
mysql_query("START TRANSACTION");
mysql_query("INSERT INTO retry_rows VALUES (100)");
$ok = mysql_query("CALL flaky(1)") ? 1 : 0;
mysql_query("ROLLBACK");
$after = mysql_query("CALL flaky(0)") ? 1 : 0;
print json_encode(array("ok" => $ok, "after" => $after, "runs" => runs()));)php");
        QCOMPARE(r.value("ok").toInt(), 0);
        QCOMPARE(r.value("after").toInt(), 1);
        // The rollback took back the failed run's count as well.
        QCOMPARE(r.value("runs").toInt(), 1);
        QCOMPARE(host_->Query("SELECT COUNT(*) FROM retry_rows WHERE v = 100").value(0).value(0),
                 QByteArray("0"));
    }

    // A lost connection: a read is asked again on a new one, set up as the
    // first (database, character set, SQL mode, reads that wait for the
    // other servers of a cluster); a write, whose fate is unknown, is not.
    void lostConnections() {
        const QJsonObject r = run(R"php(
mysql_query("DELETE FROM retry_rows");
kill_me();
$res = mysql_query("SELECT DATABASE() AS db, @@character_set_client AS cs, @@sql_mode AS mode, @@wsrep_sync_wait AS wait");
$row = mysql_fetch_array($res, MYSQL_ASSOC);
kill_me();
$write = mysql_query("INSERT INTO retry_rows VALUES (7)") ? 1 : 0;
$count = mysql_fetch_array(mysql_query("SELECT COUNT(*) AS c FROM retry_rows"), MYSQL_ASSOC);
print json_encode(array("db" => $row["db"], "cs" => $row["cs"], "mode" => $row["mode"], "wait" => $row["wait"],
  "write" => $write, "rows" => intval($count["c"])));)php");
        QCOMPARE(r.value("db").toString(), t_.DatabaseName);
        QCOMPARE(r.value("cs").toString(), QStringLiteral("utf8mb4"));
        QCOMPARE(r.value("mode").toString(), QString());
        QCOMPARE(r.value("wait").toString(), QStringLiteral("15"));
        QCOMPARE(r.value("write").toInt(), 0);
        QCOMPARE(r.value("rows").toInt(), 0);
        QCOMPARE(host_->PhpErrors(), QByteArray());
    }

    void cleanupTestCase() {
        host_->Exec("DROP PROCEDURE flaky; DROP TABLE retry_runs; DROP TABLE retry_rows");
    }
};

QTEST_MAIN(TestDatabaseRetries)
#include "TestDatabaseRetries.moc"

#include "common/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class TestCliGenerate : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    TCliResult generate(const QString& localPath) {
        const QString store = dir.filePath(QStringLiteral("store.json"));
        const QString json = dir.filePath(QStringLiteral("p.json"));
        WriteFileBytes(json,
                       R"({"DbName": "Site", "Settings": {"TableName": "site", "LocalPath": ")" +
                           localPath.toUtf8() +
                           R"("}, "Fields": [{"Name": "Title", "FieldType": "Text"}]})");
        if (RunCli(store, {QStringLiteral("import-project"), json}).status != 0)
            return {};
        return RunCli(store, {QStringLiteral("generate"), QStringLiteral("Site")});
    }

private slots:
    void writesBothHalvesIntoTheLocalFolder() {
        const QString site = dir.filePath(QStringLiteral("site")) + QLatin1Char('/');
        const TCliResult r = generate(site);
        QCOMPARE(r.status, 0);
        for (const char* file :
             {"create_db.php", "runtime.php", "index.html", "inc_counter.php", "menu.php",
              "get_image.php", "show_image.php", "admin/runtime.php", "admin/index.html",
              "admin/login.php", "admin/menu.php", "admin/get_image.php", "admin/show_image.php"})
            QVERIFY2(QFile::exists(site + QLatin1String(file)), file);
        // Without members there is no member login, list or password page.
        for (const char* file : {"login.php", "admin/users.php", "admin/change_password.php"})
            QVERIFY2(!QFile::exists(site + QLatin1String(file)), file);
    }

    void refusesWhatItCannotDo() {
        const QString deep = dir.filePath(QStringLiteral("missing/site")) + QLatin1Char('/');
        const TCliResult r = generate(deep);
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err, "Directory \"" + deep.toUtf8() + "\" cannot be created.\n");
        QCOMPARE(RunCli(dir.filePath(QStringLiteral("store.json")),
                        {QStringLiteral("generate"), QStringLiteral("Nothing")})
                     .status,
                 1);
        QCOMPARE(
            RunCli(dir.filePath(QStringLiteral("store.json")), {QStringLiteral("generate")}).status,
            2);
    }
};

QTEST_MAIN(TestCliGenerate)
#include "TestCliGenerate.moc"

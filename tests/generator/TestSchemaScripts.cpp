// create_db.php and remove_db.php on the local web host, for a matrix of
// table definitions; every generated script of those definitions passes
// php -l; the maintenance scripts act only with their key and give up on a
// held table with their message; the test of a value that would not fit a
// column's new type, and alter_db.php refusing one stored meanwhile.
#include "GeneratorFixtures.h"
#include "common/TestSupport.h"
#include "common/WebHost.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

namespace {

struct TColumn {
    QByteArray name, type, nullable, defaultValue; // default "" = not checked
};

// The columns a field gets in the record table, as MariaDB reports them.
QList<TColumn> expectedColumns(const TBField& f) {
    const bool unique = f.NoDuplicates || f.Key;
    const QByteArray nullable = f.Required ? "NO" : "YES";
    const QByteArray name = f.FieldName.toLatin1(), name2 = f.FieldName2.toLatin1();
    const QByteArray text = unique ? "varchar(255)" : "text";
    QList<TColumn> columns;
    const auto add = [&](const QByteArray& n, const QByteArray& t, const QByteArray& null,
                         const QByteArray& def) {
        columns.append(TColumn{n, t, null, def});
    };
    const QString& type = f.FieldType;
    if (type == FieldTypes::Text)
        add(name, unique ? "varchar(" + QByteArray::number(f.MaxLength) + ")" : "text", nullable,
            "");
    else if (type == FieldTypes::Integer)
        add(name, "int(11)", f.FieldName == "recordid" ? "NO" : nullable, "");
    else if (type == FieldTypes::Real)
        add(name, "double", nullable, "");
    else if (type == FieldTypes::YesNo)
        add(name, "tinyint(1)", nullable, "");
    else if (type == FieldTypes::DateTime)
        add(name, "varchar(14)", nullable, "");
    else if (type == FieldTypes::Image)
        add(name, "int(11)", nullable, "0");
    else if (type == FieldTypes::ImageLink) {
        add(name, text, nullable, "");
        add(name2, "int(11)", nullable, "0");
    } else {
        add(name, "text", nullable, "");
        add(name2, text, nullable, "");
    }
    add(name + "_USEREDIT", "tinyint(1)", "NO", "1");
    return columns;
}

struct TCase {
    QString site;
    TBTable table;
    QStringList uniqueKeys; // column lists of the record table's unique keys
    // "name:column" of the search indexes, "(n)" after a column indexed by
    // its first n characters.
    QStringList searchIndexes = {};
};

QList<TCase> matrix() {
    using namespace FieldTypes;
    QList<TCase> cases;
    {
        // Every type, nothing unique, some required; no user mode. Searched
        // numbers, dates and short texts are indexed; yes/no, e-mail and
        // long texts are not.
        TBTable t = MakeProject(QStringLiteral("alltypes"),
                                {MakeField("tx", Text, "RS"), MakeField("nm", Integer, "S"),
                                 MakeField("rl", Real, "RS"), MakeField("yn", YesNo, "S"),
                                 MakeField("dt", DateTime, "RS"), MakeField("im", Image),
                                 MakeField("il", ImageLink, "R"), MakeField("ml", Mailto, "S"),
                                 MakeField("hl", Hyperlink), MakeField("prose", Text, "S", 101)});
        cases.append(TCase{QStringLiteral("alltypes"),
                           t,
                           {"recordid"},
                           {"search_dt:dt", "search_nm:nm", "search_rl:rl", "search_tx:tx(40)"}});
    }
    {
        // Two key fields, neither unique by itself: one key over both. Join mode.
        // The key's first column needs no index of its own; its second does.
        TBTable t = MakeProject(QStringLiteral("twokeys"),
                                {MakeField("code", Text, "KS", 30), MakeField("num", Integer, "KS"),
                                 MakeField("note", Text)});
        t.UserUpdate = true;
        t.UserMode = QStringLiteral("Join");
        cases.append(
            TCase{QStringLiteral("twokeys"), t, {"recordid", "code,num"}, {"search_num:num"}});
    }
    {
        // One key that is also unique and required: a single unique key.
        // Login mode, "Other" delimiters.
        TBTable t = MakeProject(QStringLiteral("keyunique"),
                                {MakeField("code", Text, "RUK", 12), MakeField("yn", YesNo)});
        t.UserUpdate = true;
        t.UserMode = QStringLiteral("Login");
        t.FieldDelimiter = QStringLiteral("#");
        t.RecordDelimiter = QStringLiteral("~");
        t.ReplaceDelimiterWith = QStringLiteral("-");
        cases.append(TCase{QStringLiteral("keyunique"), t, {"recordid", "code"}});
    }
    {
        // One key without its own uniqueness on an image link; a unique
        // e-mail address; a unique text of length 0.
        TBTable t =
            MakeProject(QStringLiteral("onekey"),
                        {MakeField("pic", ImageLink, "K"), MakeField("ml", Mailto, "U"),
                         MakeField("empty", Text, "U", 0), MakeField("hl", Hyperlink, "R")});
        t.UserUpdate = true;
        t.UserMode = QStringLiteral("Join");
        t.OnlyMembersCanAdd = true;
        cases.append(TCase{QStringLiteral("onekey"), t, {"recordid", "mltwo", "empty", "pic"}});
    }
    return cases;
}

} // namespace

class TestSchemaScripts : public QObject {
    Q_OBJECT

    TWebHost* host_ = nullptr;

    QByteArray request(TPHPGenerator& g, const TBTable& t, const QString& script,
                       const QString& query = {}) {
        const THttpReply r = host_->Get(t.URL + g.KeyedScript(script) + query);
        return r.status == 200 ? r.body
                               : ("HTTP " + QByteArray::number(r.status) + r.error.toUtf8());
    }

    QStringList tables(const QString& prefix) {
        QStringList names;
        for (const QByteArrayList& row :
             host_->Query(QStringLiteral("SHOW TABLES LIKE '%1%%'").arg(prefix)))
            names += QString::fromLatin1(row.value(0));
        names.sort();
        return names;
    }

    QStringList uniqueKeys(const QString& table) {
        QStringList keys;
        for (const QByteArrayList& row : host_->Query(
                 QStringLiteral("SELECT GROUP_CONCAT(COLUMN_NAME ORDER BY SEQ_IN_INDEX) FROM "
                                "information_schema.STATISTICS WHERE TABLE_SCHEMA = DATABASE() "
                                "AND TABLE_NAME = '%1' AND NON_UNIQUE = 0 GROUP BY INDEX_NAME")
                     .arg(table)))
            keys += QString::fromLatin1(row.value(0));
        keys.sort();
        return keys;
    }

    // The site's tables that a Galera cluster cannot replicate: without a
    // primary key, or in another engine than InnoDB.
    QStringList unreplicable(const QString& prefix) {
        QStringList names;
        for (const QByteArrayList& row : host_->Query(
                 QStringLiteral("SELECT t.TABLE_NAME FROM information_schema.TABLES t WHERE "
                                "t.TABLE_SCHEMA = DATABASE() AND t.TABLE_NAME LIKE '%1%%' AND "
                                "(t.ENGINE <> 'InnoDB' OR NOT EXISTS (SELECT 1 FROM "
                                "information_schema.TABLE_CONSTRAINTS c WHERE c.TABLE_SCHEMA = "
                                "t.TABLE_SCHEMA AND c.TABLE_NAME = t.TABLE_NAME AND "
                                "c.CONSTRAINT_TYPE = 'PRIMARY KEY'))")
                     .arg(prefix)))
            names += QString::fromLatin1(row.value(0));
        return names;
    }

    QList<TColumn> columns(const QString& table) {
        QList<TColumn> result;
        for (const QByteArrayList& row : host_->Query(
                 QStringLiteral("SELECT COLUMN_NAME, COLUMN_TYPE, IS_NULLABLE, COLUMN_DEFAULT FROM "
                                "information_schema.COLUMNS WHERE TABLE_SCHEMA = DATABASE() AND "
                                "TABLE_NAME = '%1' ORDER BY ORDINAL_POSITION")
                     .arg(table)))
            result += {row.value(0), row.value(1), row.value(2), row.value(3)};
        return result;
    }

    void compareColumns(const QString& table, const QList<TColumn>& expected) {
        const QList<TColumn> actual = columns(table);
        QCOMPARE(actual.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            const QByteArray where = table.toLatin1() + "." + expected[i].name;
            QVERIFY2(actual[i].name == expected[i].name, where.constData());
            QVERIFY2(actual[i].type == expected[i].type,
                     (where + " is " + actual[i].type).constData());
            QVERIFY2(actual[i].nullable == expected[i].nullable, where.constData());
            if (!expected[i].defaultValue.isEmpty())
                QVERIFY2(actual[i].defaultValue == expected[i].defaultValue, where.constData());
        }
    }

    // Every script the generator writes for `t` so far, plus test pages made
    // of the shared snippets in each variant.
    void generateEverything(TPHPGenerator& g, const TBTable& t) {
        QDir().mkpath(t.LocalPath + "admin");
        QVERIFY(g.RuntimeScript(t, false));
        QVERIFY(g.RuntimeScript(t, true));
        QVERIFY(g.CreateScript(t));
        QVERIFY(g.RemoveScript(t));
        QVERIFY(g.DownloadScript(t));
        QVERIFY(g.RecordCountScript(t));
        QVERIFY(g.UploadScript(t));
        QVERIFY(g.ColumnsScript(t));
        const TColumnDef first = TPHPGenerator::RecordColumns(t).back();
        QVERIFY(g.AlterScript(t, {{t.TableName,
                                   "ALTER TABLE " + t.TableName + " ADD COLUMN " +
                                       first.Sql().replace(first.name, "probe"),
                                   true,
                                   {{"probe", first.Misfit("probe")}},
                                   1}}));
        const QStringList pages = {"search.php",        "add_record.php", "modify_record.php",
                                   "delete_record.php", "users.php",      "change_password.php"};
        for (bool admin : {false, true})
            for (const QString& page : pages)
                QVERIFY(g.WriteFile(t, admin, "head_" + page, [&] {
                    g.PageHead(admin, page, "x");
                    g.WriteLine(u"<?php");
                    g.ConnectSnippet(QStringLiteral("  "), t);
                    g.VisitCounter(QStringLiteral("Menu"));
                    g.CredentialRows(admin, !admin);
                    g.CredentialRows(!admin, admin);
                    g.CloseSnippet(QStringLiteral("  "));
                    g.WriteLine(u"?>");
                }));
    }

private slots:
    void initTestCase() {
        host_ = &TWebHost::Instance();
        QVERIFY2(host_->Running(), qPrintable(host_->Error()));
    }

    void matrixOfDefinitions_data() {
        QTest::addColumn<int>("index");
        const QList<TCase> cases = matrix();
        for (int i = 0; i < cases.size(); ++i)
            QTest::newRow(qPrintable(cases[i].site)) << i;
    }

    void matrixOfDefinitions() {
        QFETCH(int, index);
        TCase c = matrix().at(index);
        TBTable& t = c.table;
        host_->ApplyTo(t, c.site);
        t.CreateCounter = true;
        t.CounterPosition = QStringLiteral("Menu");
        TPHPGenerator g;
        generateEverything(g, t);

        // Every PHP file passes the syntax check.
        for (const QString& folder : {t.LocalPath, t.LocalPath + "admin/"})
            for (const QString& name : QDir(folder).entryList({"*.php"}, QDir::Files)) {
                QString output;
                QVERIFY2(TWebHost::PhpLint(folder + name, &output), qPrintable(output));
            }

        const QByteArray created = request(g, t, "create_db.php");
        QCOMPARE(Paragraph(created, "corvanta_ok"),
                 QByteArray("Database has been created successfully."));
        const QString tn = t.TableName;
        QCOMPARE(tables(tn), (QStringList{tn, tn + "_IMAGES", tn + "_LOGINS", tn + "_SESSIONS",
                                          tn + "_USERS", tn + "_VISITS"}));
        QCOMPARE(unreplicable(tn), QStringList());
        QList<TColumn> record;
        for (const TBField& f : t.Fields)
            record += expectedColumns(f);
        compareColumns(tn, record);
        c.uniqueKeys.sort();
        QCOMPARE(uniqueKeys(tn), c.uniqueKeys);
        compareColumns(tn + "_USERS", {{"userid", "int(11)", "NO", ""},
                                       {"username", "varchar(100)", "NO", ""},
                                       {"userpassword", "varchar(100)", "YES", ""},
                                       {"confirmkey", "char(32)", "YES", ""}});
        compareColumns(tn + "_VISITS",
                       {{"visitid", "int(11)", "NO", ""}, {"dummy", "int(11)", "YES", ""}});
        compareColumns(tn + "_SESSIONS", {{"sessionid", "char(32)", "NO", ""},
                                          {"userid", "int(11)", "YES", ""},
                                          {"logindate", "varchar(14)", "YES", ""},
                                          {"logintime", "varchar(14)", "NO", ""}});
        compareColumns(tn + "_IMAGES", {{"imageid", "int(11)", "NO", ""},
                                        {"userid", "int(11)", "YES", ""},
                                        {"image_data", "mediumblob", "YES", ""},
                                        {"image_type", "varchar(20)", "YES", ""},
                                        {"imagekey", "char(32)", "YES", ""},
                                        {"kept", "bigint(20)", "YES", ""},
                                        {"keptfor", "char(32)", "YES", ""}});
        compareColumns(tn + "_LOGINS", {{"trykey", "varchar(191)", "NO", ""},
                                        {"tries", "int(11)", "NO", "0"},
                                        {"lasttry", "bigint(20)", "NO", "0"}});
        // One member per name; the tables of members, sessions and tries
        // have primary keys, and every table takes part in transactions.
        QCOMPARE(uniqueKeys(tn + "_USERS"), (QStringList{"userid", "username"}));
        QCOMPARE(uniqueKeys(tn + "_VISITS"), QStringList{"visitid"});
        QCOMPARE(uniqueKeys(tn + "_SESSIONS"), QStringList{"sessionid"});
        QCOMPARE(uniqueKeys(tn + "_IMAGES"), (QStringList{"imageid", "imagekey"}));
        QCOMPARE(uniqueKeys(tn + "_LOGINS"), QStringList{"trykey"});
        for (const QString& table : {tn + "_USERS", tn + "_SESSIONS", tn + "_LOGINS"})
            QCOMPARE(host_
                         ->Query("SELECT COUNT(*) FROM information_schema.TABLE_CONSTRAINTS "
                                 "WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME = '" +
                                 table + "' AND CONSTRAINT_TYPE = 'PRIMARY KEY'")
                         .value(0)
                         .value(0),
                     QByteArray("1"));
        QCOMPARE(host_
                     ->Query("SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA "
                             "= DATABASE() AND TABLE_NAME LIKE '" +
                             tn + "%' AND ENGINE = 'InnoDB'")
                     .value(0)
                     .value(0),
                 QByteArray("6"));
        // The database names the record table's keys as the pages expect
        // when they tell which field a refused record repeats.
        QStringList keyNames;
        for (const TUniqueKey& key : TPHPGenerator::UniqueKeys(t))
            keyNames += key.name;
        keyNames.sort();
        QStringList actualNames;
        for (const QByteArrayList& row :
             host_->Query("SELECT DISTINCT INDEX_NAME FROM information_schema.STATISTICS WHERE "
                          "TABLE_SCHEMA = DATABASE() AND TABLE_NAME = '" +
                          tn + "' AND NON_UNIQUE = 0 AND INDEX_NAME <> 'PRIMARY'"))
            actualNames += QString::fromLatin1(row.value(0));
        actualNames.sort();
        QCOMPARE(actualNames, keyNames);
        // The search indexes are there, and they are what the definition
        // says it wants (which later changes of it add and drop by).
        QStringList searchIndexes;
        for (const QByteArrayList& row :
             host_->Query("SELECT CONCAT(INDEX_NAME, ':', COLUMN_NAME, IFNULL(CONCAT('(', "
                          "SUB_PART, ')'), '')) FROM information_schema.STATISTICS WHERE "
                          "TABLE_SCHEMA = DATABASE() AND TABLE_NAME = '" +
                          tn + "' AND NON_UNIQUE = 1 ORDER BY INDEX_NAME"))
            searchIndexes += QString::fromLatin1(row.value(0));
        QCOMPARE(searchIndexes, c.searchIndexes);
        QStringList wanted;
        for (const TSearchIndex& index : TPHPGenerator::SearchIndexes(t))
            wanted += index.name + u':' + index.column +
                      (index.prefix ? QStringLiteral("(%1)").arg(index.prefix) : QString());
        wanted.sort();
        QCOMPARE(wanted, c.searchIndexes);

        // A second request recreates all five empty.
        QString error;
        QVERIFY2(host_->Exec(QStringLiteral("SET SESSION sql_mode = '';"
                                            "INSERT INTO %1_USERS(username) VALUES('a');"
                                            "INSERT INTO %1_VISITS(dummy) VALUES(1);"
                                            "INSERT INTO %1_SESSIONS(sessionid) VALUES('x');"
                                            "INSERT INTO %1_IMAGES(userid) VALUES(1);"
                                            "INSERT INTO %1_LOGINS(trykey) VALUES('k');"
                                            "INSERT INTO %1(recordid) VALUES(0);")
                                 .arg(tn),
                             &error),
                 qPrintable(error));
        QVERIFY(!Paragraph(request(g, t, "create_db.php"), "corvanta_ok").isNull());
        for (const QString& table : tables(tn))
            QCOMPARE(host_->Query("SELECT COUNT(*) FROM " + table).value(0).value(0),
                     QByteArray("0"));

        const QByteArray removed = request(g, t, "remove_db.php");
        QCOMPARE(Paragraph(removed, "corvanta_ok"), QByteArray(""));
        QCOMPARE(tables(tn), QStringList());
        // Dropping what is gone stops at the first table.
        QCOMPARE(Paragraph(request(g, t, "remove_db.php"), "corvanta_error"), QByteArray(""));
        QCOMPARE(host_->PhpErrors(), QByteArray());
    }

    void connectionFailuresAnswerWithTheirMessage() {
        TBTable t = MakeProject("badconn", {MakeField("tx", FieldTypes::Text)});
        host_->ApplyTo(t, "badconn");
        QDir().mkpath(t.LocalPath);
        TPHPGenerator g;
        QVERIFY(g.RuntimeScript(t, false));
        t.DatabasePassword = QStringLiteral("wrong");
        QVERIFY(g.CreateScript(t));
        QCOMPARE(Paragraph(request(g, t, "create_db.php"), "corvanta_error"),
                 QByteArray("Connection to the database server failed. Server, user or password "
                            "is incorrect."));
        t = MakeProject("badconn", {MakeField("tx", FieldTypes::Text)});
        host_->ApplyTo(t, "badconn");
        t.DatabaseName = QStringLiteral("nosuchdatabase");
        QVERIFY(g.CreateScript(t));
        QCOMPARE(Paragraph(request(g, t, "create_db.php"), "corvanta_error"),
                 QByteArray("Database name is incorrect."));
    }

    void schemaScriptsActOnlyWithTheirKey() {
        TBTable t = MakeProject("keyed", {MakeField("tx", FieldTypes::Text)});
        host_->ApplyTo(t, "keyed");
        QDir().mkpath(t.LocalPath);
        TPHPGenerator g;
        QVERIFY(g.RuntimeScript(t, false));
        QVERIFY(g.CreateScript(t));
        QVERIFY(!Paragraph(request(g, t, "create_db.php"), "corvanta_ok").isNull());
        QVERIFY(host_->Exec("INSERT INTO keyed(tx) VALUES('kept')"));
        QVERIFY(g.RemoveScript(t));
        QVERIFY(g.ColumnsScript(t));
        QVERIFY(g.AlterScript(t, {{"keyed", "ALTER TABLE keyed DROP COLUMN tx", true, {}, 1}}));
        const QString wrongKey = QString(32, u'0');
        for (const QString& script :
             {QStringLiteral("create_db.php"), QStringLiteral("remove_db.php"),
              QStringLiteral("columns_db.php"), QStringLiteral("alter_db.php")}) {
            for (const QString& query :
                 {QString(), "?key=" + wrongKey, "?key[]=" + g.ScriptKey(script),
                  "?key=" + g.ScriptKey(script).toUpper()}) {
                const THttpReply r = host_->Get(
                    t.URL + script + (query.isEmpty() ? "?phase=1" : query + "&phase=1"));
                QVERIFY2(!Paragraph(r.body, "corvanta_error").isEmpty(),
                         qPrintable(script + query));
                QVERIFY(Paragraph(r.body, "corvanta_ok").isNull());
                QCOMPARE(host_->Query("SELECT tx FROM keyed").value(0).value(0),
                         QByteArray("kept"));
            }
        }
        QVERIFY(!Paragraph(request(g, t, "remove_db.php"), "corvanta_ok").isNull());
        QCOMPARE(tables("keyed"), QStringList());
    }

    // What fits a column's new type converts exactly; what does not is
    // found before anything changes, by the same test columns_db.php runs.
    void valuesThatDoNotFitAreFound() {
        using namespace FieldTypes;
        const TBTable t = MakeProject(
            "fits", {MakeField("tx", Text, "U", 5), MakeField("nm", Integer), MakeField("rl", Real),
                     MakeField("yn", YesNo), MakeField("dt", DateTime), MakeField("im", Image)});
        const std::vector<TColumnDef> defs = TPHPGenerator::RecordColumns(t);
        struct Case {
            const char* column;
            const char* from;     // the column's type now
            QByteArray value;     // as SQL
            QByteArray converted; // null: does not fit
        };
        const QList<Case> cases = {
            {"nm", "TEXT", "'42'", "42"},
            {"nm", "TEXT", "'+5'", "5"},
            {"nm", "TEXT", "'2147483648'", {}},
            {"nm", "TEXT", "'2.5'", {}},
            {"nm", "TEXT", "' 12'", {}},
            {"nm", "TEXT", "''", {}},
            {"nm", "DOUBLE", "3", "3"},
            {"nm", "DOUBLE", "2.5", {}},
            {"rl", "TEXT", "'-0.125'", "-0.125"},
            {"rl", "TEXT", "'123456789012345'", "123456789012345"},
            {"rl", "TEXT", "'1234567890123456'", {}},
            {"rl", "INT", "-7", "-7"},
            {"yn", "TEXT", "'1'", "1"},
            {"yn", "INT", "2", {}},
            {"dt", "TEXT", "'20240102030405'", "20240102030405"},
            {"dt", "TEXT", "''", ""},
            {"dt", "TEXT", "'2024-01-02'", {}},
            {"tx", "TEXT", "CONVERT(UNHEX('C3A4C3B6C3BCC39F41') USING utf8mb4)",
             "\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F"
             "A"},
            {"tx", "TEXT", "'abcdef'", {}},
            {"im", "INT", "5", {}},
        };
        for (const Case& c : cases) {
            const auto def = std::find_if(defs.begin(), defs.end(), [&](const TColumnDef& s) {
                return s.name == QLatin1String(c.column);
            });
            QVERIFY(def != defs.end());
            const QString what = QStringLiteral("%1 %2 %3").arg(c.column, c.from, c.value);
            QString error;
            QVERIFY2(host_->Exec(QStringLiteral("DROP TABLE IF EXISTS fits; CREATE TABLE fits("
                                                "recordid INT PRIMARY KEY, v %1) CHARSET=utf8mb4; "
                                                "INSERT INTO fits VALUES (1, %2)")
                                     .arg(c.from, c.value),
                                 &error),
                     qPrintable(what + error));
            const QByteArray misfits =
                host_->Query("SELECT COUNT(*) FROM fits WHERE " + def->Misfit("v"))
                    .value(0)
                    .value(0);
            QVERIFY2(misfits == (c.converted.isNull() ? "1" : "0"), qPrintable(what));
            if (c.converted.isNull())
                continue;
            QVERIFY2(host_->Exec("SET SESSION sql_mode = 'STRICT_ALL_TABLES'; ALTER TABLE fits "
                                 "MODIFY " +
                                     def->Sql().replace(def->name, "v"),
                                 &error),
                     qPrintable(what + error));
            QCOMPARE(host_->Query("SELECT HEX(CAST(v AS CHAR)) FROM fits").value(0).value(0),
                     c.converted.toHex().toUpper());
        }
        QVERIFY(host_->Exec("DROP TABLE fits"));
    }

    // A value that does not fit, stored after the plan was read: alter_db.php
    // finds it and changes nothing.
    void aMisfitStoredMeanwhileStopsTheChange() {
        TBTable t = MakeProject("late", {MakeField("tx", FieldTypes::Text)});
        host_->ApplyTo(t, "late");
        QDir().mkpath(t.LocalPath);
        TPHPGenerator g;
        QVERIFY(g.RuntimeScript(t, false));
        QVERIFY(g.CreateScript(t));
        QVERIFY(!Paragraph(request(g, t, "create_db.php"), "corvanta_ok").isNull());
        QVERIFY(host_->Exec("INSERT INTO late(tx) VALUES('12'), ('7')"));
        TBTable wanted = t;
        wanted.Fields.back().FieldType = FieldTypes::Integer;
        const TColumnDef def = TPHPGenerator::RecordColumns(wanted)[4];
        QCOMPARE(def.name, QStringLiteral("tx"));
        QVERIFY(g.AlterScript(t, {{"late",
                                   "ALTER TABLE late MODIFY COLUMN " + def.Sql(),
                                   true,
                                   {{"tx", def.Misfit("tx")}},
                                   1}}));
        QVERIFY(host_->Exec("INSERT INTO late(tx) VALUES('seven')"));
        const QByteArray refused = request(g, t, "alter_db.php", "&phase=1");
        QVERIFY2(Paragraph(refused, "corvanta_error").contains("Step 1: values that do not fit"),
                 refused.constData());
        QCOMPARE(host_
                     ->Query("SELECT DATA_TYPE FROM information_schema.COLUMNS WHERE "
                             "TABLE_SCHEMA = DATABASE() AND TABLE_NAME = 'late' AND "
                             "COLUMN_NAME = 'tx'")
                     .value(0)
                     .value(0),
                 QByteArray("text"));
        QCOMPARE(host_->Query("SELECT COUNT(*) FROM late").value(0).value(0), QByteArray("3"));
        // Without it, the statement runs, in the lightest way the server has.
        QVERIFY(host_->Exec("DELETE FROM late WHERE tx = 'seven'"));
        const QByteArray done = request(g, t, "alter_db.php", "&phase=1");
        QVERIFY2(!Paragraph(done, "corvanta_ok").isNull(), done.constData());
        QCOMPARE(Paragraph(done, "corvanta_step"), QByteArray("1 ALGORITHM=COPY, LOCK=SHARED"));
        QCOMPARE(host_->Query("SELECT SUM(tx) FROM late").value(0).value(0), QByteArray("19"));
        QCOMPARE(host_->PhpErrors(), QByteArray());
    }

    // A visitor's page (here a client holding a read lock) keeps the table:
    // the script says it failed within seconds instead of waiting past the
    // desktop's patience, and the records stay.
    void aHeldTableEndsTheScriptWithItsMessage() {
        TBTable t = MakeProject("held", {MakeField("tx", FieldTypes::Text)});
        host_->ApplyTo(t, "held");
        QDir().mkpath(t.LocalPath);
        TPHPGenerator g;
        QVERIFY(g.RuntimeScript(t, false));
        QVERIFY(g.CreateScript(t));
        QVERIFY(g.RemoveScript(t));
        QVERIFY(!Paragraph(request(g, t, "create_db.php"), "corvanta_ok").isNull());
        QVERIFY(host_->Exec("INSERT INTO held(tx) VALUES('kept')"));

        QProcess holder;
        holder.start(
            QStringLiteral("mariadb"),
            {QStringLiteral("--no-defaults"), "--host=" + host_->Setting("MYSQL_HOST"),
             "--port=" + host_->Setting("MYSQL_PORT"), "--user=" + host_->Setting("MYSQL_USER"),
             "--password=" + host_->Setting("MYSQL_PASSWORD"), host_->Setting("MYSQL_DATABASE")});
        holder.write("LOCK TABLES held READ; SELECT SLEEP(120);\n");
        holder.closeWriteChannel();
        QTRY_VERIFY_WITH_TIMEOUT(
            !host_
                 ->Query("SELECT 1 FROM information_schema.PROCESSLIST WHERE INFO LIKE "
                         "'SELECT SLEEP(120)%'")
                 .isEmpty(),
            20000);

        for (const QString& script :
             {QStringLiteral("create_db.php"), QStringLiteral("remove_db.php")}) {
            QElapsedTimer clock;
            clock.start();
            const QByteArray answer = request(g, t, script);
            QVERIFY2(clock.elapsed() < 30000, qPrintable(script));
            QVERIFY2(!Paragraph(answer, "corvanta_error").isNull(), answer.constData());
            QVERIFY(Paragraph(answer, "corvanta_ok").isNull());
        }
        holder.kill();
        holder.waitForFinished();
        QTRY_COMPARE_WITH_TIMEOUT(host_->Query("SELECT tx FROM held").value(0).value(0),
                                  QByteArray("kept"), 20000);
    }
};

QTEST_MAIN(TestSchemaScripts)
#include "TestSchemaScripts.moc"

// create_db.php and remove_db.php: the tables of the generated site.
#include "PHPgenerator.h"

#include "model/CharSets.h"

namespace {

// The column of a field that its unique keys name.
QString keyColumn(const TBField& f) {
    if (f.FieldType == FieldTypes::Mailto || f.FieldType == FieldTypes::Hyperlink)
        return f.FieldName2;
    return f.FieldName;
}

QString columnDefinition(const TBField& f) {
    const bool unique = f.NoDuplicates || f.Key;
    const QString nn = f.Required ? QStringLiteral(" NOT NULL") : QString();
    const QString& type = f.FieldType;
    const auto one = [&](const QString& sqlType) { return f.FieldName + sqlType + nn; };
    if (type == FieldTypes::Text)
        return one(unique ? QStringLiteral(" VARCHAR(%1)").arg(f.MaxLength)
                          : QStringLiteral(" TEXT"));
    if (type == FieldTypes::Integer)
        return one(QStringLiteral(" INTEGER"));
    if (type == FieldTypes::Real)
        return one(QStringLiteral(" REAL"));
    if (type == FieldTypes::YesNo)
        return one(QStringLiteral(" BOOL"));
    if (type == FieldTypes::DateTime)
        return one(QStringLiteral(" VARCHAR(14)"));
    if (type == FieldTypes::Image)
        return one(QStringLiteral(" INTEGER DEFAULT 0"));
    if (type == FieldTypes::ImageLink)
        return one(unique ? QStringLiteral(" VARCHAR(255)") : QStringLiteral(" TEXT")) +
               QStringLiteral(", ") + f.FieldName2 + QStringLiteral(" INTEGER DEFAULT 0") + nn;
    if (type == FieldTypes::Mailto || type == FieldTypes::Hyperlink)
        return one(QStringLiteral(" TEXT")) + QStringLiteral(", ") + f.FieldName2 +
               (unique ? QStringLiteral(" VARCHAR(255)") : QStringLiteral(" TEXT")) + nn;
    return {};
}

// The columns and unique keys of the record table, as one line of SQL.
QString recordTableColumns(const TBTable& t) {
    QString sql;
    for (size_t i = 0; i < t.Fields.size(); ++i) {
        const TBField& f = t.Fields[i];
        sql += columnDefinition(f);
        if (f.FieldName == QLatin1String("recordid"))
            sql += QStringLiteral(" AUTO_INCREMENT");
        sql += QStringLiteral(", ") + f.FieldName +
               QStringLiteral("_USEREDIT BOOL NOT NULL DEFAULT 1 ");
        if (i + 1 < t.Fields.size())
            sql += QStringLiteral(", ");
    }
    if (std::any_of(t.Fields.begin(), t.Fields.end(),
                    [](const TBField& f) { return f.FieldName == QLatin1String("recordid"); }))
        sql += QStringLiteral(", PRIMARY KEY (recordid)");
    for (const TUniqueKey& key : TPHPGenerator::UniqueKeys(t))
        sql += QStringLiteral(", UNIQUE (") + key.columns.join(QStringLiteral(", ")) + u')';
    return sql;
}

} // namespace

std::vector<TUniqueKey> TPHPGenerator::UniqueKeys(const TBTable& t) {
    std::vector<TUniqueKey> keys;
    QStringList keyColumns;
    const TBField* firstKey = nullptr;
    for (const TBField& f : t.Fields) {
        // The record number is the primary key, which replicating servers
        // (Galera) need on every table.
        if (f.NoDuplicates && f.FieldName != QLatin1String("recordid"))
            keys.push_back({{keyColumn(f)}, &f, {}});
        if (f.Key) {
            keyColumns += keyColumn(f);
            if (!firstKey)
                firstKey = &f;
        }
    }
    // A single key field that is also unique already has its key.
    if (keyColumns.size() > 1 || (keyColumns.size() == 1 && !firstKey->NoDuplicates &&
                                  firstKey->FieldName != QLatin1String("recordid")))
        keys.push_back({keyColumns, nullptr, {}});
    // The database names a key after its first column, numbered from 2 when
    // that name is taken.
    QStringList names;
    for (TUniqueKey& key : keys) {
        QString name = key.columns.first();
        for (int n = 2; names.contains(name, Qt::CaseInsensitive); ++n)
            name = key.columns.first() + QStringLiteral("_") + QString::number(n);
        names += name;
        key.name = name;
    }
    return keys;
}

bool TPHPGenerator::CreateScript(const TBTable& t) {
    return WriteFile(t, false, QStringLiteral("create_db.php"), [&] {
        Lines(uR"php(
<HTML><HEAD></HEAD><BODY>
<?php 
)php");
        KeyGate(QStringLiteral("create_db.php"));
        ConnectSnippet(QStringLiteral("  "), t);
        LockWaitSnippet();
        const QString failed =
            QStringLiteral("$res = mysql_query($req) or die (\"\\n<P "
                           "CLASS=\\\"corvanta_error\\\">{msg:DbCreateFailed|php}</P>\");");
        Lines(uR"php(
$req = "DROP TABLE {TableName|php}";
$res = mysql_query($req);
)php");
        // InnoDB everywhere: the only engine a Galera cluster replicates. A
        // UTF-8 site's tables say so, whatever the database's default.
        const QString options = SqlTableCharSet(t.PageCharSet());
        Lines(u"$req = \"CREATE TABLE {TableName|php}( {columns|raw}) ENGINE=InnoDB{o|raw};\";",
              {{QStringLiteral("columns"), PhpString(recordTableColumns(t))},
               {QStringLiteral("o"), options}});
        Lines(failed);
        // Sessions are keyed by a random token, not a running number; one
        // member per name, as the database compares names.
        Lines(uR"php(
$req = "DROP TABLE {TableName|php}_USERS";
$res = mysql_query($req);
$req = "CREATE TABLE {TableName|php}_USERS(userid INTEGER NOT NULL AUTO_INCREMENT, username varchar(100) NOT NULL, userpassword VARCHAR(100), PRIMARY KEY (userid), UNIQUE (username)) ENGINE=InnoDB{o|raw}";
{failed|raw}
$req = "DROP TABLE {TableName|php}_VISITS";
$res = mysql_query($req);
$req = "CREATE TABLE {TableName|php}_VISITS(visitid INTEGER NOT NULL AUTO_INCREMENT, dummy INTEGER, PRIMARY KEY (visitid)) ENGINE=InnoDB{o|raw}";
{failed|raw}
$req = "DROP TABLE {TableName|php}_SESSIONS";
$res = mysql_query($req);
$req = "CREATE TABLE {TableName|php}_SESSIONS(sessionid CHAR(32) NOT NULL, userid INTEGER, logindate VARCHAR(14), PRIMARY KEY (sessionid)) ENGINE=InnoDB{o|raw}";
{failed|raw}
$req = "DROP TABLE {TableName|php}_IMAGES";
$res = mysql_query($req);
$req = "CREATE TABLE {TableName|php}_IMAGES(imageid INTEGER NOT NULL AUTO_INCREMENT, userid INTEGER, image_data MEDIUMBLOB, image_type VARCHAR(20), PRIMARY KEY (imageid)) ENGINE=InnoDB{o|raw}";
{failed|raw}
$req = "DROP TABLE {TableName|php}_LOGINS";
$res = mysql_query($req);
$req = "{tries|raw|php}";
{failed|raw}
print "\n<P CLASS=\"corvanta_ok\">{msg:DbCreateSuccess|php}</P>";
)php",
              {{QStringLiteral("failed"), Fill(failed)},
               {QStringLiteral("tries"), TriesTableSql(t) + options},
               {QStringLiteral("o"), options}});
        CloseSnippet(QStringLiteral("  "));
        WriteLine(u"?></BODY></HTML>");
    });
}

bool TPHPGenerator::RemoveScript(const TBTable& t) {
    return WriteFile(t, false, QStringLiteral("remove_db.php"), [&] {
        Lines(uR"php(
<HTML><HEAD></HEAD><BODY>
<?php 
)php");
        KeyGate(QStringLiteral("remove_db.php"));
        ConnectSnippet(QStringLiteral("  "), t);
        LockWaitSnippet();
        Lines(uR"php(
$req = "DROP TABLE {TableName|php}";
$res = mysql_query($req) or die ("\n<P CLASS=\"corvanta_error\"></P>");
$req = "DROP TABLE {TableName|php}_USERS";
$res = mysql_query($req) or die ("\n<P CLASS=\"corvanta_error\"></P>");
$req = "DROP TABLE {TableName|php}_VISITS";
$res = mysql_query($req) or die ("\n<P CLASS=\"corvanta_error\"></P>");
$req = "DROP TABLE {TableName|php}_SESSIONS";
$res = mysql_query($req) or die ("\n<P CLASS=\"corvanta_error\"></P>");
$req = "DROP TABLE {TableName|php}_IMAGES";
$res = mysql_query($req) or die ("\n<P CLASS=\"corvanta_error\"></P>");
$req = "DROP TABLE IF EXISTS {TableName|php}_LOGINS";
$res = mysql_query($req) or die ("\n<P CLASS=\"corvanta_error\"></P>");
)php");
        // What an interrupted export may have left in the database and folder.
        for (const QString& table : TransferTables(t))
            Lines(u"$res = mysql_query(\"DROP TABLE IF EXISTS {table|raw}\");",
                  {{QStringLiteral("table"), PhpString(table)}});
        Lines(uR"php(
$parts = glob(dirname(__FILE__)."/export_db_part*.php");
foreach (is_array($parts) ? $parts : array() as $part) { @unlink($part); }
)php");
        Lines(uR"php(
print "\n<P CLASS=\"corvanta_ok\"></P>";
)php");
        CloseSnippet(QStringLiteral("  "));
        WriteLine(u"?></BODY></HTML>");
    });
}

// create_db.php and remove_db.php: the tables of the generated site, and
// the part of runtime.php that brings older tables up to them.
#include "RuntimeParts.h"

#include "model/CharSets.h"

namespace {

// The column of a field that its unique keys name.
QString keyColumn(const TBField& f) {
    if (f.FieldType == FieldTypes::Mailto || f.FieldType == FieldTypes::Hyperlink)
        return f.FieldName2;
    return f.FieldName;
}

// The columns and unique keys of the record table, as one line of SQL.
QString recordTableColumns(const TBTable& t) {
    QStringList parts;
    for (const TColumnDef& c : TPHPGenerator::RecordColumns(t))
        parts += c.Sql();
    if (std::any_of(t.Fields.begin(), t.Fields.end(),
                    [](const TBField& f) { return f.FieldName == QLatin1String("recordid"); }))
        parts += QStringLiteral("PRIMARY KEY (recordid)");
    for (const TUniqueKey& key : TPHPGenerator::UniqueKeys(t))
        parts += QStringLiteral("UNIQUE (") + key.columns.join(QStringLiteral(", ")) + u')';
    for (const TSearchIndex& index : TPHPGenerator::SearchIndexes(t))
        parts += index.Sql();
    return parts.join(QStringLiteral(", "));
}

// Every index slows each write of a record a little: a table with many
// searchable fields gets indexes for the first ones only.
constexpr size_t kMaxSearchIndexes = 16;
// A text up to this length is a name or a code, searched for as a whole or
// by its start; a longer one is prose, searched with "contains", which no
// index helps.
constexpr int kShortText = 100;

} // namespace

QString TSearchIndex::Sql() const {
    return QStringLiteral("INDEX %1 (%2)")
        .arg(name, prefix > 0 ? QStringLiteral("%1(%2)").arg(column).arg(prefix) : column);
}

std::vector<TSearchIndex> TPHPGenerator::SearchIndexes(const TBTable& t) {
    // A column that leads a unique key has its index already.
    QStringList indexed;
    for (const TUniqueKey& key : UniqueKeys(t))
        indexed += key.columns.first();
    std::vector<TSearchIndex> indexes;
    for (const TBField& f : t.Fields) {
        if (!f.Searchable || f.SeqNo <= 0 || indexed.contains(f.FieldName))
            continue;
        TSearchIndex index{f.FieldName, TSearchIndex::TKind::Number,
                           QStringLiteral("search_") + f.FieldName};
        if (f.FieldType == FieldTypes::Integer || f.FieldType == FieldTypes::Real)
            index.kind = TSearchIndex::TKind::Number;
        else if (f.FieldType == FieldTypes::DateTime)
            index.kind = TSearchIndex::TKind::Date;
        else if (f.FieldType == FieldTypes::Text && f.MaxLength > 0 && f.MaxLength <= kShortText) {
            index.kind = TSearchIndex::TKind::Text;
            // A key's text is a VARCHAR, indexed whole; other texts are TEXT.
            index.prefix = f.NoDuplicates || f.Key ? 0 : f.MaxLength;
        } else
            continue;
        indexes.push_back(index);
        if (indexes.size() == kMaxSearchIndexes)
            break;
    }
    return indexes;
}

std::vector<TColumnDef> TPHPGenerator::RecordColumns(const TBTable& t) {
    using TRole = TColumnDef::TRole;
    std::vector<TColumnDef> columns;
    for (const TBField& f : t.Fields) {
        const bool unique = f.NoDuplicates || f.Key;
        const auto add = [&](TRole role, const QString& type, const QString& defaultValue = {}) {
            TColumnDef c;
            c.name = role == TRole::Second ? f.FieldName2 : f.FieldName;
            c.type = type;
            c.defaultValue = defaultValue;
            c.notNull = f.Required;
            c.field = &f;
            c.role = role;
            columns.push_back(c);
        };
        const QString text = unique ? QStringLiteral("VARCHAR(255)") : QStringLiteral("TEXT");
        const QString& type = f.FieldType;
        if (type == FieldTypes::Text)
            add(TRole::Value,
                unique ? QStringLiteral("VARCHAR(%1)").arg(f.MaxLength) : QStringLiteral("TEXT"));
        else if (type == FieldTypes::Integer)
            add(TRole::Value, QStringLiteral("INTEGER"));
        else if (type == FieldTypes::Real)
            add(TRole::Value, QStringLiteral("REAL"));
        else if (type == FieldTypes::YesNo)
            add(TRole::Value, QStringLiteral("BOOL"));
        else if (type == FieldTypes::DateTime)
            add(TRole::Value, QStringLiteral("VARCHAR(14)"));
        else if (type == FieldTypes::Image)
            add(TRole::Value, QStringLiteral("INTEGER"), QStringLiteral("0"));
        else if (type == FieldTypes::ImageLink) {
            add(TRole::Value, text);
            add(TRole::Second, QStringLiteral("INTEGER"), QStringLiteral("0"));
        } else if (type == FieldTypes::Mailto || type == FieldTypes::Hyperlink) {
            add(TRole::Value, QStringLiteral("TEXT"));
            add(TRole::Second, text);
        } else
            continue;
        if (f.FieldName == QLatin1String("recordid"))
            columns.back().autoIncrement = true;
        TColumnDef lock;
        lock.name = f.FieldName + QStringLiteral("_USEREDIT");
        lock.type = QStringLiteral("BOOL");
        lock.defaultValue = QStringLiteral("1");
        lock.notNull = true;
        lock.field = &f;
        lock.role = TRole::Lock;
        columns.push_back(lock);
    }
    return columns;
}

QString TColumnDef::Comment() const {
    if (role == TRole::Lock || !field)
        return {};
    if (role == TRole::Second)
        return field->FieldType == FieldTypes::ImageLink
                   ? field->FieldType + QStringLiteral(": picture")
                   : field->FieldType + QStringLiteral(": address");
    return field->FieldType;
}

QString TColumnDef::Sql(bool nullable) const {
    QString sql = name + u' ' + type;
    if (notNull && !nullable)
        sql += QStringLiteral(" NOT NULL");
    if (!defaultValue.isEmpty())
        sql += QStringLiteral(" DEFAULT ") + defaultValue;
    if (autoIncrement)
        sql += QStringLiteral(" AUTO_INCREMENT");
    const QString comment = Comment();
    if (!comment.isEmpty())
        sql += QStringLiteral(" COMMENT '") + comment + u'\'';
    return sql;
}

QString TColumnDef::Misfit(const QString& column) const {
    const QString v = QStringLiteral("CAST(%1 AS CHAR)").arg(column);
    QString wrong;
    const QString fieldType = field ? field->FieldType : QString();
    const bool picture = (role == TRole::Value && fieldType == FieldTypes::Image) ||
                         (role == TRole::Second && fieldType == FieldTypes::ImageLink);
    if (role == TRole::Lock || type == QLatin1String("BOOL"))
        wrong = v + QStringLiteral(" NOT IN ('0', '1')");
    else if (picture)
        // Any other number would show a picture of another record.
        wrong = v + QStringLiteral(" <> '0'");
    else if (type == QLatin1String("INTEGER"))
        wrong = QStringLiteral("NOT (%1 REGEXP '^[-+]?[0-9]{1,10}$' AND CAST(%1 AS DECIMAL(11, 0)) "
                               "BETWEEN -2147483648 AND 2147483647)")
                    .arg(v);
    else if (type == QLatin1String("REAL"))
        // Up to 15 digits a double holds every decimal number exactly.
        wrong = QStringLiteral("NOT (%1 REGEXP '^[-+]?[0-9]+([.][0-9]+)?$' AND "
                               "CHAR_LENGTH(REPLACE(REPLACE(REPLACE(%1, '-', ''), '+', ''), '.', "
                               "'')) <= 15)")
                    .arg(v);
    else if (role == TRole::Value && fieldType == FieldTypes::DateTime)
        wrong = QStringLiteral("NOT (%1 = '' OR %1 REGEXP '^[0-9]{14}$')").arg(v);
    else if (type.startsWith(QLatin1String("VARCHAR(")))
        wrong = QStringLiteral("CHAR_LENGTH(%1) > %2").arg(v, type.mid(8).chopped(1));
    else
        wrong = QStringLiteral("LENGTH(%1) > 65535").arg(v);
    return QStringLiteral("%1 IS NOT NULL AND %2").arg(column, wrong);
}

QList<std::pair<QString, QString>> TPHPGenerator::OtherTables(const TBTable& t) {
    const QString& n = t.TableName;
    // A UTF-8 site's tables say so, whatever the database's default.
    const QString o = SqlTableCharSet(t.PageCharSet());
    // Sessions are keyed by a random token, not a running number, and
    // know when their login was; one member per name, as the database
    // compares names; a member who joined has a key until he confirms his
    // address. Pictures have a random key for their addresses, and the time
    // a refused form kept one.
    return {
        {n + QStringLiteral("_USERS"),
         QStringLiteral(
             "CREATE TABLE %1_USERS(userid INTEGER NOT NULL AUTO_INCREMENT, username "
             "varchar(100) NOT NULL, userpassword VARCHAR(100), confirmkey CHAR(32) NULL, "
             "PRIMARY KEY (userid), UNIQUE (username)) ENGINE=InnoDB")
                 .arg(n) +
             o},
        {n + QStringLiteral("_VISITS"),
         QStringLiteral("CREATE TABLE %1_VISITS(visitid INTEGER NOT NULL AUTO_INCREMENT, dummy "
                        "INTEGER, PRIMARY KEY (visitid)) ENGINE=InnoDB")
                 .arg(n) +
             o},
        {n + QStringLiteral("_SESSIONS"),
         QStringLiteral("CREATE TABLE %1_SESSIONS(sessionid CHAR(32) NOT NULL, userid INTEGER, "
                        "logindate VARCHAR(14), logintime VARCHAR(14) NOT NULL DEFAULT '', PRIMARY "
                        "KEY (sessionid)) ENGINE=InnoDB")
                 .arg(n) +
             o},
        {n + QStringLiteral("_IMAGES"),
         QStringLiteral("CREATE TABLE %1_IMAGES(imageid INTEGER NOT NULL AUTO_INCREMENT, userid "
                        "INTEGER, image_data MEDIUMBLOB, image_type VARCHAR(20), imagekey CHAR(32) "
                        "NULL, kept BIGINT NULL, keptfor CHAR(32) NULL, PRIMARY KEY (imageid), "
                        "UNIQUE KEY imagekey (imagekey), KEY kept (kept)) ENGINE=InnoDB")
                 .arg(n) +
             o},
        {TriesTable(t), TriesTableSql(t) + o},
    };
}

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
        for (const auto& [table, create] : OtherTables(t))
            Lines(uR"php(
$req = "DROP TABLE {table|raw}";
$res = mysql_query($req);
$req = "{create|raw}";
{failed|raw}
)php",
                  {{QStringLiteral("table"), PhpString(table)},
                   {QStringLiteral("create"), PhpString(create)},
                   {QStringLiteral("failed"), Fill(failed)}});
        Lines(uR"php(
print "\n<P CLASS=\"corvanta_ok\">{msg:DbCreateSuccess|php}</P>";
)php");
        CloseSnippet(QStringLiteral("  "));
        WriteLine(u"?></BODY></HTML>");
    });
}

void RuntimeParts::TableUpgrades(TPHPGenerator& g) {
    // The same columns as create_db.php makes; an ALTER whose columns are
    // there already fails and changes nothing.
    g.Lines(uR"php(

if (!function_exists("corvanta_upgrade_tables")) {
  // Once a request, on the first statement that names a column its table
  // lacks: the tables of a site made by an older version get the columns
  // of this one. Never inside a transaction, which an ALTER would end.
  function corvanta_upgrade_tables($link) {
    if (!empty($GLOBALS["corvanta_upgraded"])) { return false; }
    $GLOBALS["corvanta_upgraded"] = true;
    foreach (array(
      "ALTER TABLE {TableName|php}_IMAGES ADD COLUMN imagekey CHAR(32) NULL, ADD COLUMN kept BIGINT NULL, ADD COLUMN keptfor CHAR(32) NULL, ADD UNIQUE KEY imagekey (imagekey), ADD KEY kept (kept)",
      "ALTER TABLE {TableName|php}_SESSIONS ADD COLUMN logintime VARCHAR(14) NOT NULL DEFAULT ''",
      "ALTER TABLE {TableName|php}_USERS ADD COLUMN confirmkey CHAR(32) NULL") as $sql) {
      try { @mysqli_query($link, $sql); } catch (Throwable $e) { }
    }
    return true;
  }
}
)php");
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

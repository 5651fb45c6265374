#include "CharSets.h"

#include <QHash>

QString SqlCharSet(const QString& charSet) {
    static const QHash<QString, QString> names = {
        {QStringLiteral("ISO-8859-1"), QStringLiteral("latin1")},
        {QStringLiteral("WINDOWS-1252"), QStringLiteral("latin1")},
        {QStringLiteral("UTF-8"), QStringLiteral("utf8mb4")},
        {QStringLiteral("UTF8"), QStringLiteral("utf8mb4")},
        {QStringLiteral("ISO-8859-2"), QStringLiteral("latin2")},
        {QStringLiteral("ISO-8859-7"), QStringLiteral("greek")},
        {QStringLiteral("ISO-8859-8"), QStringLiteral("hebrew")},
        {QStringLiteral("ISO-8859-9"), QStringLiteral("latin5")},
        {QStringLiteral("ISO-8859-13"), QStringLiteral("latin7")},
        {QStringLiteral("WINDOWS-1250"), QStringLiteral("cp1250")},
        {QStringLiteral("WINDOWS-1251"), QStringLiteral("cp1251")},
        {QStringLiteral("WINDOWS-1256"), QStringLiteral("cp1256")},
        {QStringLiteral("WINDOWS-1257"), QStringLiteral("cp1257")},
        {QStringLiteral("KOI8-R"), QStringLiteral("koi8r")},
        {QStringLiteral("KOI8-U"), QStringLiteral("koi8u")},
        {QStringLiteral("US-ASCII"), QStringLiteral("ascii")},
        {QStringLiteral("CP866"), QStringLiteral("cp866")},
        {QStringLiteral("SHIFT_JIS"), QStringLiteral("sjis")},
        {QStringLiteral("EUC-JP"), QStringLiteral("ujis")},
        {QStringLiteral("GB2312"), QStringLiteral("gb2312")},
        {QStringLiteral("GBK"), QStringLiteral("gbk")},
        {QStringLiteral("BIG5"), QStringLiteral("big5")},
        {QStringLiteral("EUC-KR"), QStringLiteral("euckr")},
    };
    return names.value(charSet.trimmed().toUpper(), QStringLiteral("latin1"));
}

QString SqlCollation(const QString& charSet) {
    // Available alike in MariaDB and MySQL, old and new.
    return SqlCharSet(charSet) == QLatin1String("utf8mb4") ? QStringLiteral("utf8mb4_unicode_ci")
                                                           : QString();
}

QString SqlTableCharSet(const QString& charSet) {
    const QString collation = SqlCollation(charSet);
    if (collation.isEmpty())
        return {};
    return QStringLiteral(" DEFAULT CHARSET=%1 COLLATE=%2").arg(SqlCharSet(charSet), collation);
}

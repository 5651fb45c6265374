#include "model/TrustedProxies.h"

#include <QRegularExpression>

namespace TrustedProxies {

namespace {

bool ipv4(QStringView text) {
    const QList<QStringView> parts = text.split(u'.');
    if (parts.size() != 4)
        return false;
    for (QStringView part : parts) {
        bool ok = false;
        // No leading zeros: "010" reads as octal in some parsers.
        if (part.isEmpty() || part.size() > 3 || (part.size() > 1 && part[0] == u'0'))
            return false;
        const int n = part.toInt(&ok);
        if (!ok || n > 255 || !part[0].isDigit())
            return false;
    }
    return true;
}

// Groups of one to four hexadecimal digits, at most one "::", an IPv4
// address in the last two groups' place.
bool ipv6(QStringView text) {
    static const QRegularExpression group(QStringLiteral("^[0-9A-Fa-f]{1,4}$"));
    const qsizetype gap = text.indexOf(u"::");
    if (gap >= 0 && text.indexOf(u"::", gap + 1) >= 0)
        return false;
    int groups = 0;
    const auto count = [&](QStringView half, bool last) {
        if (half.isEmpty())
            return true;
        const QList<QStringView> parts = half.split(u':');
        for (qsizetype i = 0; i < parts.size(); ++i) {
            if (last && i + 1 == parts.size() && parts[i].contains(u'.')) {
                if (!ipv4(parts[i]))
                    return false;
                groups += 2;
            } else if (group.match(parts[i]).hasMatch()) {
                ++groups;
            } else {
                return false;
            }
        }
        return true;
    };
    if (gap < 0)
        return count(text, true) && groups == 8;
    return count(text.left(gap), false) && count(text.mid(gap + 2), true) && groups < 8;
}

bool valid(const QString& entry) {
    const qsizetype slash = entry.indexOf(u'/');
    const QStringView address = QStringView(entry).left(slash < 0 ? entry.size() : slash);
    const bool v4 = ipv4(address);
    if (!v4 && !ipv6(address))
        return false;
    if (slash < 0)
        return true;
    const QStringView prefix = QStringView(entry).mid(slash + 1);
    bool ok = false;
    const int bits = prefix.toInt(&ok);
    return ok && !prefix.isEmpty() && prefix[0].isDigit() && bits >= 0 && bits <= (v4 ? 32 : 128);
}

} // namespace

QStringList Entries(const QString& setting) {
    QStringList entries;
    for (const QString& part : setting.split(u','))
        if (!part.trimmed().isEmpty())
            entries << part.trimmed();
    return entries;
}

QString FirstInvalid(const QString& setting) {
    for (const QString& entry : Entries(setting))
        if (!valid(entry))
            return entry;
    return {};
}

} // namespace TrustedProxies

#include "ScriptAnswer.h"

#include <QHash>
#include <QStringDecoder>

namespace ScriptAnswer {

namespace {

// The text of a piece of HTML as a reader sees it: tags left out, character
// references (&gt; &#233; &#xE9;) as their characters.
QString plainText(const QString& html) {
    static const QHash<QString, QChar> named = {
        {QStringLiteral("lt"), u'<'},    {QStringLiteral("gt"), u'>'},
        {QStringLiteral("amp"), u'&'},   {QStringLiteral("quot"), u'"'},
        {QStringLiteral("apos"), u'\''}, {QStringLiteral("nbsp"), QChar(0xA0)},
    };
    QString out;
    out.reserve(html.size());
    for (qsizetype i = 0; i < html.size(); ++i) {
        const QChar c = html[i];
        if (c == u'<') {
            const qsizetype close = html.indexOf(u'>', i);
            if (close > i) {
                // A line break of the markup stays one.
                if (html.mid(i, 3).compare(QLatin1String("<BR"), Qt::CaseInsensitive) == 0)
                    out += u'\n';
                i = close;
                continue;
            }
        } else if (c == u'&') {
            const qsizetype end = html.indexOf(u';', i);
            if (end > i && end - i <= 10) {
                const QString name = html.mid(i + 1, end - i - 1);
                bool ok = false;
                uint code = 0;
                if (name.startsWith(u"#x") || name.startsWith(u"#X"))
                    code = name.mid(2).toUInt(&ok, 16);
                else if (name.startsWith(u'#'))
                    code = name.mid(1).toUInt(&ok, 10);
                if (ok && code > 0 && code <= 0x10FFFF) {
                    out += QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
                    i = end;
                    continue;
                }
                if (named.contains(name)) {
                    out += named.value(name);
                    i = end;
                    continue;
                }
            }
        }
        out += c;
    }
    return out;
}

} // namespace

QByteArray Marker(const char* cssClass) {
    return QByteArrayLiteral("<P CLASS=\"") + cssClass + QByteArrayLiteral("\">");
}

bool Has(const QByteArray& body, const char* cssClass) {
    return body.contains(Marker(cssClass));
}

QString Text(const QByteArray& body, const char* cssClass, int limit, bool closeRequired,
             const QString& charSet) {
    const QByteArray marker = Marker(cssClass);
    const qsizetype at = body.indexOf(marker);
    if (at < 0)
        return {};
    const QByteArray rest = body.mid(at + marker.size());
    QStringDecoder decoder(charSet.toLatin1().constData());
    const QString decoded = decoder.isValid() ? decoder.decode(rest) : QString::fromLatin1(rest);
    QString text = decoded.left(limit);
    const qsizetype close = text.indexOf(QLatin1String("</P>"));
    if (close >= 0)
        text.truncate(close);
    else if (closeRequired)
        text.clear();
    // Server errors are escaped for the page; the user reads them as text.
    return plainText(text);
}

} // namespace ScriptAnswer

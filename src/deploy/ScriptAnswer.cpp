#include "ScriptAnswer.h"

#include <QStringDecoder>

namespace ScriptAnswer {

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
    return text;
}

} // namespace ScriptAnswer

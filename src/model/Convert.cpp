#include "Convert.h"

qint32 StrToInt(const QString& text) {
    bool ok = false;
    const qint32 value = text.trimmed().toInt(&ok, 10);
    if (!ok)
        throw EConvertError(QStringLiteral("'%1' is not a valid whole number.").arg(text));
    return value;
}

qint32 ZeroStrToInt(const QString& text) {
    // A leading "0" makes an empty text 0; a sign after it is not a number.
    return StrToInt(QStringLiteral("0") + text);
}

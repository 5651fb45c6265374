#pragma once

// How the table plan counts and quotes in its texts.
#include <QLocale>
#include <QString>

namespace TablePlanWords {

// "10,000": counts the user reads at a glance.
inline QString number(qint64 n) {
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(n);
}

// "1 record", "10,000 records".
inline QString counted(qint64 n, const QString& one, const QString& many) {
    return n == 1 ? QStringLiteral("1 ") + one : number(n) + u' ' + many;
}

inline QString quoted(const QString& text) {
    return u'"' + text + u'"';
}

} // namespace TablePlanWords

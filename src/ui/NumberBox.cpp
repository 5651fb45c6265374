#include "NumberBox.h"

#include "model/Convert.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>

#include <algorithm>

namespace NumberBox {

void Restrict(QLineEdit& edit) {
    static const QRegularExpression digits(QStringLiteral("[0-9]*"));
    edit.setValidator(new QRegularExpressionValidator(digits, &edit));
}

bool Holds(const QString& text, bool emptyIsZero) {
    // Digits only, as the box takes them: a sign or a blank got in by other
    // means is no value of the box either.
    if (std::any_of(text.begin(), text.end(), [](QChar c) { return !c.isDigit(); }))
        return false;
    try {
        if (emptyIsZero)
            ZeroStrToInt(text);
        else
            StrToInt(text);
        return true;
    } catch (const EConvertError&) {
        return false;
    }
}

QString Message(const QString& boxName) {
    return boxName + QStringLiteral(" must be a whole number.");
}

void Focus(QLineEdit& edit) {
    edit.setFocus(Qt::OtherFocusReason);
    edit.selectAll();
}

} // namespace NumberBox

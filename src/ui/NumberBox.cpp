#include "NumberBox.h"

#include "InputNote.h"
#include "model/Convert.h"

#include <QLineEdit>
#include <QValidator>

#include <algorithm>

namespace NumberBox {

namespace {

bool digitsOnly(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// Keeps anything but digits out, and says so beside the box: a key that
// did nothing would leave the user guessing.
class TDigits : public QValidator {
public:
    explicit TDigits(QLineEdit& edit) : QValidator(&edit), edit_(edit) {}

    State validate(QString& input, int&) const override {
        if (digitsOnly(input))
            return Acceptable;
        // Filling a hidden dialog is checked when it closes instead.
        if (edit_.isVisible())
            InputNote::Show(edit_, Refusal);
        return Invalid;
    }

private:
    QLineEdit& edit_;
};

} // namespace

void Restrict(QLineEdit& edit) {
    edit.setValidator(new TDigits(edit));
}

bool Holds(const QString& text, bool emptyIsZero) {
    // Digits only, as the box takes them: a sign or a blank got in by other
    // means is no value of the box either.
    if (!digitsOnly(text))
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
    InputNote::Mark(edit);
}

} // namespace NumberBox

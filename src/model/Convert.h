#pragma once

#include <QString>

#include <stdexcept>

// The conversion error of typed numbers: raised when an edit's text is not a
// decimal integer, shown in the program's standard error box.
class EConvertError : public std::runtime_error {
public:
    explicit EConvertError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

// The text as a 32-bit decimal integer (optional sign, surrounding blanks
// allowed); anything else raises EConvertError naming the text.
qint32 StrToInt(const QString& text);
// "0" + text, as most number edits are read: an empty edit counts as 0.
qint32 ZeroStrToInt(const QString& text);

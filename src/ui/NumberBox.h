#pragma once

#include <QString>

class QLineEdit;

// Boxes for whole numbers take digits only, so a typo cannot get in by the
// keyboard; a refused key is explained beside the box. A value can still be
// wrong (empty where a number is needed, too large, set by a program):
// dialogs check their boxes before they close and name the box that holds
// a bad value.
namespace NumberBox {

// What the box says when a key or a paste is refused.
inline const QString Refusal = QStringLiteral("Only the digits 0 to 9 can be typed here.");

// Lets the edit accept digits only, explaining each refusal.
void Restrict(QLineEdit& edit);
// Whether the text is digits only and a whole number as the box is read:
// with emptyIsZero an empty box counts as 0.
bool Holds(const QString& text, bool emptyIsZero);
// "Menu height must be a whole number."
QString Message(const QString& boxName);
// Puts the cursor into the box with its text selected and marks it, for
// the correction.
void Focus(QLineEdit& edit);

} // namespace NumberBox

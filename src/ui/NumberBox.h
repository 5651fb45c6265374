#pragma once

#include <QString>

class QLineEdit;

// Boxes for whole numbers take digits only, so a typo cannot get in by the
// keyboard. A value can still be wrong (empty where a number is needed, too
// large, pasted by a program): dialogs check their boxes before they close
// and name the box that holds a bad value.
namespace NumberBox {

// Lets the edit accept digits only.
void Restrict(QLineEdit& edit);
// Whether the text is digits only and a whole number as the box is read:
// with emptyIsZero an empty box counts as 0.
bool Holds(const QString& text, bool emptyIsZero);
// "Menu height must be a whole number."
QString Message(const QString& boxName);
// Puts the cursor into the box with its text selected, for the correction.
void Focus(QLineEdit& edit);

} // namespace NumberBox

#pragma once

#include <QString>

class QLabel;
class QWidget;

// A control tells the user why it refused something or what it still
// needs, beside the control itself, as the site's forms do.
namespace InputNote {

// Shows text just below the control, over what lies there, until the
// control's text changes or the focus goes elsewhere.
void Show(QWidget& control, const QString& text);
// The note of the control while it is shown, or nullptr.
QLabel* Shown(const QWidget& control);

// Paints the control's ground in a warning colour until its text changes.
void Mark(QWidget& control);
void Unmark(QWidget& control);
bool Marked(const QWidget& control);

} // namespace InputNote

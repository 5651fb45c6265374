#pragma once

#include <QStringList>

class QWidget;

// Dialogs that edit something ask before Escape, Cancel or the close button
// throw the edits away. What a dialog shows is compared with what it showed
// when it was filled.
namespace EditGuard {

// The values of every entry, check box and list below root, in a fixed
// order.
QStringList State(const QWidget& root);
// "Discard your changes?" with Yes and No, No the default; true for Yes.
bool ConfirmDiscard(QWidget& dialog);

inline const QString DiscardQuestion = QStringLiteral("Discard your changes?");

} // namespace EditGuard

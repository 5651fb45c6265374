#pragma once

#include <QString>

class QStackedWidget;
class QTabWidget;
class QWidget;

// The keyboard in the program's windows: every button, check box and label
// that leads to an entry answers to Alt and a letter, and dialogs with pages
// turn them with Ctrl+PgUp and Ctrl+PgDn whatever control has the focus.
namespace Keyboard {

// The text as shown, without the mnemonic marks ("&Save" -> "Save",
// "Logo && text" -> "Logo & text").
QString Shown(const QString& text);
// The letter that answers to Alt in text, lower case; a null QChar when
// there is none.
QChar Mnemonic(const QString& text);

// Gives a mnemonic to every button, check box, tab and buddied label of the
// window that has none yet. Letters are unique among the controls shown
// together: those outside the pages of a stacked or tabbed container and
// those of one page. Marks written by hand are kept.
void GiveMnemonics(QWidget& window);

// Ctrl+PgDn shows the next page, Ctrl+PgUp the previous one, going round,
// and moves the focus into the page shown.
void AddPageKeys(QWidget& dialog, QTabWidget& pages);
void AddPageKeys(QWidget& dialog, QStackedWidget& pages);

} // namespace Keyboard

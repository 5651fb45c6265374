#pragma once

#include <QString>

class QWidget;

// A window's title bar holds the title and the frame's buttons; a box that
// is narrower than both shows a cut title. These helpers size a window so
// that its whole title fits.

// The title as the desktop shows it: Qt adds the application's display
// name ("Warning — Corvanta").
QString ShownTitle(const QWidget& window);
// The width a title bar needs for the title and the frame's buttons.
int TitleBarWidth(const QString& shownTitle);
// Widens a window laid out by a grid or box layout (a message box, a
// window of fixed size) so that its title fits: such windows size
// themselves to their contents, which may be narrower than the title.
void FitTitle(QWidget& window);

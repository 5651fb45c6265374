#pragma once

class QWidget;

// Every window of the program centres itself on its screen when shown:
// left = (screen width - window width) / 2,
// top = (screen height - (window height + 28)) / 2, integer halves.
void CentreOnScreen(QWidget& window);

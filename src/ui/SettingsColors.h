#pragma once

#include <QColor>

// Colours as the project stores them: 0x00BBGGRR for a plain colour,
// 0x80000000 plus an index for one of the desktop's system colours.
namespace SettingsUi {

QColor ToQColor(qint32 colour);
qint32 FromQColor(const QColor& colour);

} // namespace SettingsUi

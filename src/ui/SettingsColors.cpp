#include "SettingsColors.h"

#include "model/Colours.h"

namespace SettingsUi {

// A system colour previews as the generated page shows it.
QColor ToQColor(qint32 colour) {
    return QColor(QRgb(ColourRgb(colour)));
}

qint32 FromQColor(const QColor& colour) {
    return qint32(quint32(colour.red()) | (quint32(colour.green()) << 8) |
                  (quint32(colour.blue()) << 16));
}

} // namespace SettingsUi

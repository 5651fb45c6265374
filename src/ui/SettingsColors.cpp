#include "SettingsColors.h"

#include <array>

namespace SettingsUi {

namespace {

// The classic desktop's default system colours by index (as 0xRRGGBB), so a
// stored system colour previews as the generated page will show it.
constexpr std::array<quint32, 31> SystemColours{
    0xC8C8C8, // scroll bar
    0x000000, // desktop
    0x99B4D1, // active caption
    0xBFCDDB, // inactive caption
    0xF0F0F0, // menu
    0xFFFFFF, // window
    0x646464, // window frame
    0x000000, // menu text
    0x000000, // window text
    0x000000, // caption text
    0xB4B4B4, // active border
    0xF4F7FC, // inactive border
    0xABABAB, // application workspace
    0x3399FF, // highlight
    0xFFFFFF, // highlight text
    0xF0F0F0, // button face
    0xA0A0A0, // button shadow
    0x6D6D6D, // grey text
    0x000000, // button text
    0x434E54, // inactive caption text
    0xFFFFFF, // button highlight
    0x696969, // 3D dark shadow
    0xE3E3E3, // 3D light
    0x000000, // tooltip text
    0xFFFFE1, // tooltip background
    0xB5B5B5, // (unused)
    0x0066CC, // hot light
    0xB9D1EA, // gradient active caption
    0xD7E4F2, // gradient inactive caption
    0x3399FF, // menu highlight
    0xF0F0F0, // menu bar
};

} // namespace

QColor ToQColor(qint32 colour) {
    const auto value = quint32(colour);
    if (value & 0x80000000u) {
        const quint32 index = value & 0xFFu;
        return index < SystemColours.size() ? QColor(QRgb(SystemColours[index]))
                                            : QColor(Qt::black);
    }
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

qint32 FromQColor(const QColor& colour) {
    return qint32(quint32(colour.red()) | (quint32(colour.green()) << 8) |
                  (quint32(colour.blue()) << 16));
}

} // namespace SettingsUi

#include "Colours.h"

#include <array>
#include <cmath>

namespace {

// The classic desktop's default system colours by index (as 0xRRGGBB).
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

double luminance(quint32 rgb) {
    const auto channel = [](quint32 v) {
        const double c = v / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel((rgb >> 16) & 0xFF) + 0.7152 * channel((rgb >> 8) & 0xFF) +
           0.0722 * channel(rgb & 0xFF);
}

} // namespace

bool IsSystemColour(qint32 colour) {
    return (quint32(colour) & 0x80000000u) != 0;
}

quint32 ColourRgb(qint32 colour) {
    const auto value = quint32(colour);
    if (IsSystemColour(colour)) {
        const quint32 index = value & 0xFFu;
        return index < SystemColours.size() ? SystemColours[index] : 0;
    }
    return ((value & 0xFF) << 16) | (value & 0xFF00) | ((value >> 16) & 0xFF);
}

double ContrastRatio(quint32 a, quint32 b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

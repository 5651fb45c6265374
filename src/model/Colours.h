#pragma once

#include <QtGlobal>

// Colours as a project stores them: 0x00BBGGRR for a plain colour,
// 0x80000000 plus an index for one of the desktop's system colours.

// True for a system colour: it follows the desktop's (or the skin's) theme.
bool IsSystemColour(qint32 colour);
// The colour as 0xRRGGBB; a system colour as the classic desktop shows it.
quint32 ColourRgb(qint32 colour);
// The contrast ratio of two colours (0xRRGGBB) by the WCAG formula, 1 to 21.
double ContrastRatio(quint32 a, quint32 b);

// Stored colour values (0x00BBGGRR, or a system colour with the top bit set) and Qt colours.
#pragma once

#include <QColor>
#include <QPalette>

#include <cstdint>

namespace Colours {

// A system colour takes the palette's nearest role (0x80000008, window text: WindowText).
QColor ToQColor(std::uint32_t value, const QPalette &palette);
std::uint32_t FromQColor(const QColor &colour);

// WCAG contrast ratio of two colours, from 1 (same luminance) to 21 (black on white).
double ContrastRatio(const QColor &a, const QColor &b);

// `current` with the list's background (Base) and text (Text) colours, system colours resolved
// against `system`. A text colour that is a system-colour reference and reads at less than 3:1
// on the background (light window text on a white list under a dark theme) is shown black or
// white instead, whichever reads better; colours the user picked are shown as stored.
QPalette ListPalette(const QPalette &current, std::uint32_t back, std::uint32_t text,
                     const QPalette &system);

} // namespace Colours

// Stored colour values (0x00BBGGRR, or a system colour with the top bit set) and Qt colours.
#pragma once

#include <QColor>
#include <QPalette>

#include <cstdint>

namespace Colours {

// A system colour takes the palette's nearest role (0x80000008, window text: WindowText).
QColor ToQColor(std::uint32_t value, const QPalette &palette);
std::uint32_t FromQColor(const QColor &colour);

// Sets a list's background (Base) and text (Text) colours.
void ApplyToList(QWidget *list, std::uint32_t back, std::uint32_t text);

} // namespace Colours

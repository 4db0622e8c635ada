#include "Colours.h"

#include <QWidget>

namespace Colours {

QColor ToQColor(std::uint32_t value, const QPalette &palette) {
    if ((value & 0x80000000u) == 0)
        return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
    switch (value & 0xFF) {
    case 5:
        return palette.color(QPalette::Base); // window background
    case 8:
        return palette.color(QPalette::WindowText); // window text
    case 13:
        return palette.color(QPalette::Highlight);
    case 14:
        return palette.color(QPalette::HighlightedText);
    case 15:
        return palette.color(QPalette::Button); // button face
    case 18:
        return palette.color(QPalette::ButtonText);
    case 17:
        return palette.color(QPalette::Disabled, QPalette::Text); // grey text
    case 24:
        return palette.color(QPalette::ToolTipBase);
    case 23:
        return palette.color(QPalette::ToolTipText);
    case 1:
        return palette.color(QPalette::Window); // desktop
    default:
        return palette.color(QPalette::Window);
    }
}

std::uint32_t FromQColor(const QColor &c) {
    return static_cast<std::uint32_t>(c.red()) | (static_cast<std::uint32_t>(c.green()) << 8) |
           (static_cast<std::uint32_t>(c.blue()) << 16);
}

void ApplyToList(QWidget *list, std::uint32_t back, std::uint32_t text) {
    QPalette p = list->palette();
    const QPalette system = QPalette();
    p.setColor(QPalette::Base, ToQColor(back, system));
    p.setColor(QPalette::Text, ToQColor(text, system));
    list->setPalette(p);
}

} // namespace Colours

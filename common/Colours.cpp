#include "Colours.h"

#include <cmath>

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

namespace {
double luminance(const QColor &c) {
    auto linear = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}
} // namespace

double ContrastRatio(const QColor &a, const QColor &b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QPalette ListPalette(const QPalette &current, std::uint32_t back, std::uint32_t text,
                     const QPalette &system) {
    QPalette p = current;
    const QColor background = ToQColor(back, system);
    QColor foreground = ToQColor(text, system);
    if ((text & 0x80000000u) != 0 && ContrastRatio(foreground, background) < 3.0)
        foreground = ContrastRatio(Qt::black, background) >= ContrastRatio(Qt::white, background)
                         ? QColor(Qt::black)
                         : QColor(Qt::white);
    p.setColor(QPalette::Base, background);
    p.setColor(QPalette::Text, foreground);
    return p;
}

} // namespace Colours

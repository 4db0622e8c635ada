// List colours: stored values to Qt colours, and the readable-text rule under dark themes.
#include "Colours.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t kWindowText = 0x80000008;
constexpr std::uint32_t kWhite = 0xFFFFFF, kBlack = 0x000000;

QPalette withWindowText(const QColor &text) {
    QPalette p;
    p.setColor(QPalette::WindowText, text);
    return p;
}

TEST(ColoursTest, StoredValuesAreBlueGreenRed) {
    EXPECT_EQ(Colours::ToQColor(0x302010, QPalette()), QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(Colours::FromQColor(QColor(0x10, 0x20, 0x30)), 0x302010u);
}

TEST(ColoursTest, ContrastRatioRunsFromOneToTwentyOne) {
    EXPECT_NEAR(Colours::ContrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
    EXPECT_NEAR(Colours::ContrastRatio(Qt::gray, Qt::gray), 1.0, 1e-9);
}

struct ListCase {
    const char *name;
    std::uint32_t back, text;
    QColor systemText, shownText;
};

class ListColours : public ::testing::TestWithParam<ListCase> {};

TEST_P(ListColours, ShowTheStoredColoursUnlessASystemTextWouldNotRead) {
    const ListCase &c = GetParam();
    const QPalette p =
        Colours::ListPalette(QPalette(), c.back, c.text, withWindowText(c.systemText));
    EXPECT_EQ(p.color(QPalette::Base), Colours::ToQColor(c.back, QPalette()));
    EXPECT_EQ(p.color(QPalette::Text), c.shownText);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ListColours,
    ::testing::Values(
        // A dark theme's light window text on the default white list: black instead.
        ListCase{"DarkThemeOnWhite", kWhite, kWindowText, QColor(0xEE, 0xEE, 0xEE), Qt::black},
        // A light theme's dark text reads: shown as it is.
        ListCase{"LightThemeOnWhite", kWhite, kWindowText, QColor(0x20, 0x20, 0x20),
                 QColor(0x20, 0x20, 0x20)},
        // A dark background the user picked, with dark system text: white instead.
        ListCase{"DarkTextOnPickedBlack", kBlack, kWindowText, QColor(0x10, 0x10, 0x10), Qt::white},
        // A colour the user picked is shown as stored, even unreadable.
        ListCase{"PickedWhiteOnWhite", kWhite, kWhite, QColor(0x20, 0x20, 0x20), Qt::white}),
    [](const auto &info) { return info.param.name; });

} // namespace

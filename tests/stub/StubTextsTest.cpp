// The stub's number texts: "###,###" grouping under two locales, savings with halves to even.
#include "StubTexts.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace {

// Sets the default locale for one test and puts the previous one back.
class LocaleScope {
public:
    explicit LocaleScope(const QLocale &locale) : saved_(QLocale()) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(saved_); }

private:
    QLocale saved_;
};

TEST(StubTextsTest, GroupedNumbersUnderTheCLocaleUseCommas) {
    const LocaleScope c(QLocale::c());
    EXPECT_EQ(StubTexts::GroupedNumber(0), QString());
    EXPECT_EQ(StubTexts::GroupedNumber(7), QStringLiteral("7"));
    EXPECT_EQ(StubTexts::GroupedNumber(250), QStringLiteral("250"));
    EXPECT_EQ(StubTexts::GroupedNumber(1000), QStringLiteral("1,000"));
    EXPECT_EQ(StubTexts::GroupedNumber(1234567), QStringLiteral("1,234,567"));
    EXPECT_EQ(StubTexts::GroupedNumber(5000000000LL), QStringLiteral("5,000,000,000"));
}

TEST(StubTextsTest, GroupedNumbersUnderAFrenchLocaleUseItsSpace) {
    const LocaleScope french(QLocale(QLocale::French, QLocale::France));
    const QString space = QLocale().groupSeparator();
    ASSERT_TRUE(space == QChar(0x202F) || space == QChar(0x00A0) || space == QChar(u' '))
        << space.toStdString();
    EXPECT_EQ(StubTexts::GroupedNumber(1000), QStringLiteral("1") + space + QStringLiteral("000"));
    EXPECT_EQ(StubTexts::GroupedNumber(123456),
              QStringLiteral("123") + space + QStringLiteral("456"));
    EXPECT_EQ(StubTexts::GroupedNumber(0), QString());
}

struct Saving {
    std::int64_t packed, size;
    const char *text;
};

class SavingTexts : public ::testing::TestWithParam<Saving> {};

TEST_P(SavingTexts, RoundToTheNearestWithHalvesToEven) {
    EXPECT_EQ(StubTexts::SavingText(GetParam().packed, GetParam().size),
              QString::fromLatin1(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SavingTexts,
    ::testing::Values(Saving{250, 1000, "75%"}, Saving{0, 0, "0%"}, Saving{5, 3, "-67%"},
                      Saving{7, 8, "12%"}, Saving{5, 8, "38%"}, Saving{3, 8, "62%"},
                      // Far below what 16 bits hold: the real value, not a failure.
                      Saving{1000, 1, "-99900%"}));

} // namespace

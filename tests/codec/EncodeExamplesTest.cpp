#include "CodecTestUtil.h"
#include "HuffmanCoding.h"

#include <gtest/gtest.h>

using HuffmanCoding::HuffmanDecode;
using HuffmanCoding::HuffmanEncode;
using testutil::Hex;
using testutil::ToHex;

namespace {

struct EncodeRow {
    const char *name;
    std::string input;
    bool forceCoded;
    std::string expected; // spaced hex
};

std::string Repeat(int count, char c) {
    return std::string(count, c);
}

std::string AllBytesOnce() {
    std::string s;
    for (int v = 0; v < 256; ++v)
        s.push_back(static_cast<char>(v));
    return s;
}

void PrintTo(const EncodeRow &row, std::ostream *os) {
    *os << row.name;
}

class EncodeExamples : public ::testing::TestWithParam<EncodeRow> {};

TEST_P(EncodeExamples, GivesTheExactBytesAndDecodesBack) {
    const EncodeRow &row = GetParam();
    const std::string out = HuffmanEncode(row.input, row.forceCoded);
    EXPECT_EQ(ToHex(out), row.expected);
    EXPECT_EQ(HuffmanDecode(out), row.input);
}

INSTANTIATE_TEST_SUITE_P(
    Format, EncodeExamples,
    ::testing::Values(
        EncodeRow{"EmptyStored", "", false, "48 45 30 0D"},
        EncodeRow{"EmptyStoredEvenWhenForced", "", true, "48 45 30 0D"},
        EncodeRow{"AbcCoded", "abc", true,
                  "48 45 32 0D 39 0D 61 02 01 62 02 03 63 01 00 60 33 0D 0D"},
        EncodeRow{"AbcFallsBackToStored", "abc", false, "48 45 30 0D 61 62 63"},
        EncodeRow{"AabCoded", "aab", true, "48 45 32 0D 36 0D 61 01 01 62 01 00 62 33 0D 03"},
        EncodeRow{"SingleByteHasCodeOne", "a", true, "48 45 32 0D 33 0D 61 01 01 61 31 0D 01"},
        EncodeRow{"TiesOnExactFractions", "aaaabbcd", true,
                  "48 45 32 0D 31 32 0D 61 01 00 62 02 01 63 03 03 64 03 07 07 38 0D 50 3B"},
        EncodeRow{"TiesFallBackToStored", "aaaabbcd", false, "48 45 30 0D 61 61 61 61 62 62 63 64"},
        // 15 bytes of one value code to exactly 15 bytes: the coded form wins the tie.
        EncodeRow{"CodedAsLongAsInputWins", Repeat(15, 'a'), false,
                  "48 45 32 0D 33 0D 61 01 01 61 31 35 0D FF 7F"}),
    [](const auto &info) { return info.param.name; });

TEST(EncodeExamplesLarge, FiveThousandEqualBytesGiveSixHundredFortyBytes) {
    const std::string out = HuffmanEncode(Repeat(5000, 'x'), false);
    ASSERT_EQ(out.size(), 640u);
    EXPECT_EQ(out.substr(0, 9), Hex("48 45 32 0D 33 0D 78 01 01"));
    EXPECT_EQ(out.substr(9, 6), Hex("00 35 30 30 30 0D"));
    EXPECT_EQ(out.substr(15), std::string(625, '\xFF'));
}

TEST(EncodeExamplesLarge, UniformBytesGetTheirOwnValueAsCodeWord) {
    const std::string input = AllBytesOnce();
    EXPECT_EQ(HuffmanEncode(input, false), "HE0\r" + input);

    const std::string coded = HuffmanEncode(input, true);
    ASSERT_EQ(coded.size(), 1037u);
    // Header "HE2" CR "768" CR, then entries of 3 bytes: value, 8, the value's bits reversed.
    ASSERT_EQ(coded.substr(0, 8), "HE2\r768\r");
    for (int v = 0; v < 256; ++v) {
        int reversed = 0;
        for (int b = 0; b < 8; ++b)
            reversed |= ((v >> b) & 1) << (7 - b);
        const std::string entry = coded.substr(8 + 3 * v, 3);
        ASSERT_EQ(static_cast<unsigned char>(entry[0]), v);
        ASSERT_EQ(entry[1], 8);
        ASSERT_EQ(static_cast<unsigned char>(entry[2]), reversed) << "value " << v;
    }
    EXPECT_EQ(HuffmanDecode(coded), input);
}

TEST(EncodeExamplesLarge, StoredFallbackIsNeverLongerThanInputPlusFour) {
    std::mt19937_64 rng(7);
    for (std::size_t n : {1u, 2u, 100u, 4096u, 70000u}) {
        const std::string input = testutil::RandomBytes(rng, n);
        EXPECT_LE(HuffmanEncode(input, false).size(), n + 4);
    }
}

} // namespace

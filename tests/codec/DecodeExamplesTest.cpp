#include "CodecTestUtil.h"
#include "HuffmanCoding.h"
#include "HuffmanLiteral.h"

#include <gtest/gtest.h>

using HuffmanCoding::CodecError;
using HuffmanCoding::HuffmanDecode;
using testutil::Hex;
namespace Msg = HuffmanCoding::Msg;

namespace {

struct DecodeRow {
    const char *name;
    std::string stream;
    std::string outcome; // the data, or "error: " and the description
};

std::string Err(const char *description) {
    return std::string("error: ") + description;
}

const std::string kAbc = "48 45 32 0D 39 0D 61 02 01 62 02 03 63 01 00 60 33 0D ";

void PrintTo(const DecodeRow &row, std::ostream *os) {
    *os << row.name;
}

class DecodeExamples : public ::testing::TestWithParam<DecodeRow> {};

// Both the fast decoder and the literal one give the outcome of each row.
TEST_P(DecodeExamples, FastAndLiteralAgreeOnTheOutcome) {
    const DecodeRow &row = GetParam();
    EXPECT_EQ(testutil::DecodeOutcome(HuffmanDecode, row.stream), row.outcome);
    EXPECT_EQ(testutil::DecodeOutcome(HuffmanCoding::Literal::Decode, row.stream), row.outcome);
}

INSTANTIATE_TEST_SUITE_P(
    Format, DecodeExamples,
    ::testing::Values(
        DecodeRow{"StoredEmpty", Hex("48 45 30 0D"), ""},
        DecodeRow{"StoredAnythingUntested", Hex("48 45 30 0D 0D FF 00 48"), Hex("0D FF 00 48")},
        DecodeRow{"WrongSignature", Hex("48 45 31 0D 61"), Err(Msg::NotOurs)},
        DecodeRow{"ShorterThanSignature", Hex("48 45 32"), Err(Msg::NotOurs)},
        DecodeRow{"EmptyStream", "", Err(Msg::NotOurs)},
        DecodeRow{"NoCrAfterTableLength", Hex("48 45 32 0D 36"), Err(Msg::NotOurs)},
        DecodeRow{"EmptyTableLength", Hex("48 45 32 0D 0D"), Err(Msg::BadHeader)},
        DecodeRow{"LettersInTableLength", Hex("48 45 32 0D 33 61 0D"), Err(Msg::BadHeader)},
        DecodeRow{"Abc", Hex(kAbc + "0D"), "abc"},
        DecodeRow{"Aab", Hex("48 45 32 0D 36 0D 61 01 01 62 01 00 62 33 0D 03"), "aab"},
        DecodeRow{"SingleByte", Hex("48 45 32 0D 33 0D 61 01 01 61 31 0D 01"), "a"},
        DecodeRow{"PaddingBitsIgnored", Hex(kAbc + "ED"), "abc"},
        DecodeRow{"WrongCheckByte", Hex("48 45 32 0D 39 0D 61 02 01 62 02 03 63 01 00 61 33 0D 0D"),
                  Err(Msg::BadData)},
        DecodeRow{"StreamEndsEarly", Hex(kAbc), Err(Msg::MoreDataPending)},
        DecodeRow{"ByteAfterLastSymbol", Hex(kAbc + "0D 00"), Err(Msg::TrailingData)},
        DecodeRow{"MissingBranch", Hex("48 45 32 0D 33 0D 61 01 01 61 31 0D 00"),
                  Err(Msg::BadHeader)},
        DecodeRow{"ZeroLengthEmpty", Hex("48 45 32 0D 33 0D 61 01 01 00 30 0D"), ""},
        DecodeRow{"ZeroLengthWithByte", Hex("48 45 32 0D 33 0D 61 01 01 00 30 0D 01"),
                  Err(Msg::TrailingData)},
        DecodeRow{"NoCrAfterDataLength", Hex("48 45 32 0D 33 0D 61 01 01 61 31"),
                  Err(Msg::BadHeader)},
        DecodeRow{"EmptyDataLength", Hex("48 45 32 0D 33 0D 61 01 01 61 0D 01"),
                  Err(Msg::BadHeader)},
        // Beyond the named cases: all end in a CodecError.
        DecodeRow{"NegativeTableLength", Hex("48 45 32 0D 2D 33 0D 61 01 01 61 31 0D 01"),
                  Err(Msg::BadHeader)},
        DecodeRow{"NegativeDataLength", Hex("48 45 32 0D 33 0D 61 01 01 00 2D 31 0D"),
                  Err(Msg::BadHeader)},
        DecodeRow{"TableEndsInsideEntry", Hex("48 45 32 0D 32 0D 61 09 00 31 0D"),
                  Err(Msg::TruncatedTable)},
        DecodeRow{"TableEndsAfterSymbol", Hex("48 45 32 0D 31 0D 61 00 31 0D"),
                  Err(Msg::TruncatedTable)},
        DecodeRow{"NoByteForCheckByte", Hex("48 45 32 0D 33 0D 61 01 01"),
                  Err(Msg::TruncatedHeader)},
        DecodeRow{"TableLongerThanStream", Hex("48 45 32 0D 39 39 0D 61 01 01"),
                  Err(Msg::TruncatedHeader)},
        DecodeRow{"TableLengthOver32Bits", Hex("48 45 32 0D 32 31 34 37 34 38 33 36 34 38 0D"),
                  Err(Msg::BadHeader)},
        DecodeRow{"DataLengthOver32Bits",
                  Hex("48 45 32 0D 33 0D 61 01 01 61 32 31 34 37 34 38 33 36 34 38 0D 01"),
                  Err(Msg::BadHeader)},
        // The largest length the field holds, with one stream byte: runs out, allocates little.
        DecodeRow{"HugeDataLengthTinyStream",
                  Hex("48 45 32 0D 33 0D 61 01 01 61 32 31 34 37 34 38 33 36 34 37 0D FF"),
                  Err(Msg::MoreDataPending)},
        // Root marked by a length-0 entry is never emitted.
        DecodeRow{"RootLeafNeverEmitted", Hex("48 45 32 0D 35 0D 62 00 61 01 01 61 31 0D 01"), "a"},
        // A later entry with the same code word takes over the node.
        DecodeRow{"LaterDuplicateWins", Hex("48 45 32 0D 36 0D 61 01 01 62 01 01 62 31 0D 01"),
                  "b"}),
    [](const auto &info) { return info.param.name; });

TEST(DecodeErrors, CarryNumberSourceAndDescription) {
    try {
        HuffmanDecode(Hex("48 45 31 0D"));
        FAIL() << "no error";
    } catch (const CodecError &e) {
        EXPECT_EQ(e.number(), -2147221504);
        EXPECT_EQ(e.source(), "HuffmanDecode()");
        EXPECT_EQ(e.description(), Msg::NotOurs);
    }
}

TEST(DecodeErrors, TableWithEndlessRepeatedEntriesIsRefusedNotGrown) {
    // 2,000 entries of one symbol, each with its own 255-bit code word: a conforming table has
    // at most 256 entries, and this one would need half a million nodes.
    std::string table;
    std::mt19937_64 rng(3);
    for (int i = 0; i < 2000; ++i) {
        table += 'a';
        table += static_cast<char>(255);
        table += testutil::RandomBytes(rng, 32);
    }
    const std::string stream = "HE2\r" + std::to_string(table.size()) + "\r" + table + "a1\r\x01";
    EXPECT_EQ(testutil::DecodeOutcome(HuffmanDecode, stream), Err(Msg::TableTooLarge));
}

} // namespace

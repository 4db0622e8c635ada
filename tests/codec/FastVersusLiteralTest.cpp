// The table-driven encoder and decoder against the one-bit-at-a-time reference: same bytes out,
// same data back, same error for every damaged stream.
#include "CodecTestUtil.h"
#include "HuffmanCoding.h"
#include "HuffmanLiteral.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

namespace Literal = HuffmanCoding::Literal;
using HuffmanCoding::HuffmanDecode;
using HuffmanCoding::HuffmanEncode;

namespace {

struct Corpus {
    const char *name;
    std::string (*make)();
};

std::string Random() {
    std::mt19937_64 rng(11);
    return testutil::RandomBytes(rng, 100000);
}
std::string SmallAlphabet() {
    std::mt19937_64 rng(12);
    return testutil::RandomBytes(rng, 50001, 5);
}
std::string Skewed() {
    std::mt19937_64 rng(13);
    return testutil::SkewedBytes(rng, 80000, 3.0);
}
std::string AllCarriageReturns() {
    return std::string(40000, '\r');
}
std::string MostlyCarriageReturns() {
    std::mt19937_64 rng(14);
    std::string s = testutil::RandomBytes(rng, 30000);
    for (std::size_t i = 0; i < s.size(); i += 2)
        s[i] = '\r';
    return s;
}
// 30 symbols with Fibonacci counts: code words up to 29 bits, longer than one table lookup.
std::string LongCodeWords() {
    return testutil::FibonacciBytes(30);
}
std::string Text() {
    std::string s;
    const char *words[] = {"le ", "fichier ", "archive ", "été ", "données\r\n", "Mivo ", "ZIP. "};
    std::mt19937_64 rng(15);
    while (s.size() < 60000)
        s += words[rng() % 7];
    return s;
}

void PrintTo(const Corpus &row, std::ostream *os) {
    *os << row.name;
}

class FastVersusLiteral : public ::testing::TestWithParam<Corpus> {};

TEST_P(FastVersusLiteral, EncodersWriteTheSameBytesAndDecodeBack) {
    const std::string input = GetParam().make();
    for (bool force : {false, true}) {
        // Prefixes of every length near the ends stress the partial last byte and the tail walk.
        for (std::size_t n : {std::size_t{1}, std::size_t{7}, std::size_t{17}, std::size_t{1000},
                              input.size() - 1, input.size()}) {
            const std::string_view part(input.data(), n);
            const std::string fast = HuffmanEncode(part, force);
            ASSERT_EQ(fast, Literal::Encode(part, force)) << "n=" << n << " force=" << force;
            ASSERT_EQ(HuffmanDecode(fast), part);
            ASSERT_EQ(Literal::Decode(fast), part);
        }
    }
}

TEST_P(FastVersusLiteral, DecodersAgreeOnDamagedStreams) {
    const std::string input = GetParam().make().substr(0, 20000);
    const std::string coded = HuffmanEncode(input, true);
    std::mt19937_64 rng(99);
    auto agree = [](const std::string &stream) {
        ASSERT_EQ(testutil::DecodeOutcome(HuffmanDecode, stream),
                  testutil::DecodeOutcome(Literal::Decode, stream));
    };
    for (int i = 0; i < 40; ++i) {
        std::string damaged = coded;
        damaged[rng() % damaged.size()] ^= static_cast<char>(1 << (rng() % 8));
        agree(damaged);
    }
    for (std::size_t cut : {std::size_t{1}, std::size_t{2}, std::size_t{9}, coded.size() / 2})
        agree(coded.substr(0, coded.size() - cut));
    agree(coded + '\0');
    // Random bits behind the real header: missing branches and runs past the end.
    const std::size_t tableAt = coded.find('\r', 4) + 1;
    const std::size_t tableLength = std::stoul(coded.substr(4, tableAt - 5));
    const std::size_t headerEnd =
        tableAt + tableLength + 1 + std::to_string(input.size()).size() + 1;
    for (int i = 0; i < 10; ++i)
        agree(coded.substr(0, headerEnd) + testutil::RandomBytes(rng, 300));
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, FastVersusLiteral,
    ::testing::Values(Corpus{"Random", Random}, Corpus{"SmallAlphabet", SmallAlphabet},
                      Corpus{"Skewed", Skewed}, Corpus{"AllCarriageReturns", AllCarriageReturns},
                      Corpus{"MostlyCarriageReturns", MostlyCarriageReturns},
                      Corpus{"LongCodeWords", LongCodeWords}, Corpus{"Text", Text}),
    [](const auto &info) { return info.param.name; });

// The counts of FibonacciBytes(symbols) `copies` times over (the same code: every weight stays),
// laid out as the fast writer finds hardest. The two deepest values alternate in runs at the
// end, each run after 0 to 7 copies of the one-bit value, so that runs start at every bit offset;
// the rest is shuffled so that every pair of values occurs.
std::string DeepRuns(int symbols, std::mt19937_64 &rng) {
    const std::string block = testutil::FibonacciBytes(symbols);
    const std::size_t copies = std::max<std::size_t>(16, 20000 / block.size());
    std::array<std::size_t, 256> count{};
    for (unsigned char c : block)
        count[c] += copies;
    std::string runs;
    for (int j = 0; j < 8; ++j) {
        runs.append(j, static_cast<char>(symbols - 1));
        for (std::size_t k = 0; k < copies / 8; ++k)
            runs += "\r\x01"; // the values of count 1 in the block
    }
    std::string input;
    for (unsigned char c : runs)
        --count[c];
    for (int v = 0; v < 256; ++v)
        input.append(count[v], static_cast<char>(v));
    std::shuffle(input.begin(), input.end(), rng);
    return input + runs;
}

// Longest code words of 4, 7, 8, 10, 14 and 15 bits: each of the fast writer's group sizes at and
// beyond its bound; odd lengths leave a last byte on its own.
TEST(FastVersusLiteralGroups, EveryCodeLengthBoundWritesTheSameBytes) {
    std::mt19937_64 rng(21);
    for (int symbols : {5, 8, 9, 11, 15, 16}) {
        const std::string input = DeepRuns(symbols, rng);
        for (std::size_t n : {input.size(), input.size() - 1, input.size() - 6}) {
            const std::string_view part(input.data(), n);
            ASSERT_EQ(HuffmanEncode(part, true), Literal::Encode(part, true))
                << "symbols=" << symbols << " n=" << n;
        }
    }
}

// A hand-made table no encoder would write: a chain whose code words grow to 255 bits, and a
// missing branch at the end. Decoding walks far beyond any lookup table.
TEST(FastVersusLiteralTables, CodeWordsOf255BitsAndMissingBranches) {
    std::string table;
    std::vector<std::string> codes; // bit strings, first bit first
    for (int depth = 1; depth <= 255; depth += 2) {
        std::string bits(depth - 1, '0');
        bits += '1';
        codes.push_back(bits);
        table += static_cast<char>(depth % 256);
        table += static_cast<char>(depth);
        std::string packed((depth + 7) / 8, '\0');
        for (int i = 0; i < depth; ++i)
            if (bits[i] == '1') packed[i / 8] |= static_cast<char>(1 << (i % 8));
        table += packed;
    }
    std::mt19937_64 rng(5);
    for (int round = 0; round < 30; ++round) {
        std::string data, bits;
        const int symbols = 1 + static_cast<int>(rng() % 200);
        for (int i = 0; i < symbols; ++i) {
            const std::size_t pick =
                (round % 3 == 0) ? codes.size() - 1 - rng() % 3 : rng() % codes.size();
            bits += codes[pick];
            data += static_cast<char>((2 * pick + 1) % 256);
        }
        if (round % 5 == 4) bits += std::string(2, '0'); // runs into the missing "00" branch
        std::string packed((bits.size() + 7) / 8, '\0');
        for (std::size_t i = 0; i < bits.size(); ++i)
            if (bits[i] == '1') packed[i / 8] |= static_cast<char>(1 << (i % 8));
        unsigned char check = 0;
        for (unsigned char c : data)
            check ^= c;
        const std::string stream = "HE2\r" + std::to_string(table.size()) + "\r" + table +
                                   static_cast<char>(check) + std::to_string(symbols + round % 2) +
                                   "\r" + packed;
        const std::string fast = testutil::DecodeOutcome(HuffmanDecode, stream);
        ASSERT_EQ(fast, testutil::DecodeOutcome(Literal::Decode, stream)) << "round " << round;
        if (round % 10 == 0) {
            ASSERT_EQ(fast, data);
        }
    }
}

} // namespace

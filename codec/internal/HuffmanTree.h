// Internal to the codec: the code both sides agree on. The encoder derives it from byte counts
// with the format's tie-break rules; the decoder rebuilds a tree from a stream's table.
#pragma once

#include "HuffmanCoding.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace HuffmanCoding::detail {

// A code word of 1 to 255 bits; bit i (the i-th taken from the root) is bit (i % 64) of
// bits[i / 64]. The little-endian bytes of `bits` are therefore the word packed as in the table.
struct CodeWord {
    std::uint8_t length = 0; // 0: the symbol does not occur
    std::array<std::uint64_t, 4> bits{};
};

struct ByteStats {
    std::array<std::uint64_t, 256> counts{};
    std::uint8_t check = 0; // XOR of every byte
};

ByteStats CountBytes(std::string_view input);

// Builds the Huffman code of non-empty data with the given counts: leaves enter the work list
// in ascending byte order, a node goes in front of entries of equal (float64) weight, the
// lightest entry becomes childZero. A single symbol gets the code word "1".
std::array<CodeWord, 256> BuildCode(const ByteStats &stats, std::uint64_t total);

// The coded form's header up to and including the CR after N: signature, T, table, check byte, N.
ByteString CodedHeader(const std::array<CodeWord, 256> &code, std::uint8_t check,
                       std::uint64_t total);

// The code tree rebuilt from a stream's table. Node 0 is the root; child index 0 means absent
// (the root is never anyone's child).
struct DecodeTree {
    struct Node {
        std::int32_t child[2] = {0, 0}; // [bit]
        bool isLeaf = false;
        std::uint8_t symbol = 0;
    };
    std::vector<Node> nodes;
    int minLeafDepth = 0; // depth of the shallowest leaf below the root; 0 when there is none
};

// A coded stream split into its parts, tree rebuilt. Raises CodecError in the format's order
// of tests. `storedPayload` is set for the stored form and nothing else is filled then.
struct ParsedStream {
    bool stored = false;
    std::string_view storedPayload;
    DecodeTree tree;
    std::uint8_t check = 0;
    std::int32_t length = 0; // N, as written; may not match what the bits hold
    std::string_view bits;
};

ParsedStream ParseStream(std::string_view stream);

// Reserves `size` bytes; a large buffer is asked for in huge pages where the system offers them,
// which saves the page faults of filling it (one per 4 KiB otherwise).
void ReserveLarge(ByteString &buffer, std::size_t size);

// Throws BadData unless `data` has `length` bytes whose XOR is `check`.
void VerifyResult(std::string_view data, std::int32_t length, std::uint8_t check);

std::uint8_t XorBytes(std::string_view data);

} // namespace HuffmanCoding::detail

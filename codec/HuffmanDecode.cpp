#include "HuffmanCoding.h"
#include "HuffmanTree.h"

#include <cstring>
#include <memory>

namespace HuffmanCoding {

namespace {

using detail::DecodeTree;

// Lookup on the next kLutBits stream bits: up to four whole code words that start at the root
// and fit in those bits, packed as symbols (bits 0-31), count (32-39) and bits used (40-47).
// A count of 0 means no code word ends within kLutBits bits, or a branch is missing: the exact
// bit walk decides (a long code word, or the error the walk reports).
constexpr unsigned kLutBits = 12;
constexpr std::uint64_t kLutMask = (1u << kLutBits) - 1;

std::unique_ptr<std::uint64_t[]> buildLut(const DecodeTree &tree) {
    auto lut = std::make_unique<std::uint64_t[]>(std::size_t{1} << kLutBits);
    for (std::uint32_t index = 0; index <= kLutMask; ++index) {
        std::uint32_t symbols = 0;
        unsigned count = 0, used = 0;
        std::int32_t node = 0;
        for (unsigned pos = 0; pos < kLutBits && count < 4; ++pos) {
            node = tree.nodes[node].child[(index >> pos) & 1];
            if (node == 0) break;
            if (tree.nodes[node].isLeaf) {
                symbols |= std::uint32_t{tree.nodes[node].symbol} << (8 * count);
                ++count;
                used = pos + 1;
                node = 0;
            }
        }
        lut[index] = symbols | (std::uint64_t{count} << 32) | (std::uint64_t{used} << 40);
    }
    return lut;
}

struct Decoder {
    const DecodeTree &tree;
    const unsigned char *in;
    std::size_t inBytes;
    std::uint64_t bitPos = 0;

    // One code word by the exact walk from the root: the same tests, in the same order, as a
    // reader taking one bit at a time.
    std::uint8_t walkOne() {
        std::int32_t node = 0;
        for (;;) {
            if (bitPos >= std::uint64_t{8} * inBytes) throw CodecError(Msg::MoreDataPending);
            const int bit = (in[bitPos >> 3] >> (bitPos & 7)) & 1;
            ++bitPos;
            node = tree.nodes[node].child[bit];
            if (node == 0) throw CodecError(Msg::BadHeader);
            if (tree.nodes[node].isLeaf) return tree.nodes[node].symbol;
        }
    }
};

} // namespace

ByteString HuffmanDecode(std::string_view stream) {
    detail::ParsedStream parsed = detail::ParseStream(stream);
    if (parsed.stored) return ByteString(parsed.storedPayload);

    const std::size_t inBytes = parsed.bits.size();
    // Every code word takes at least minLeafDepth bits, which bounds what the bits can hold
    // whatever length the header claims.
    std::uint64_t capacity = 0;
    if (parsed.length > 0 && parsed.tree.minLeafDepth > 0)
        capacity = std::min<std::uint64_t>(parsed.length,
                                           std::uint64_t{8} * inBytes / parsed.tree.minLeafDepth);

    ByteString out;
    out.resize(capacity + 4); // four bytes of slack for the packed stores
    char *dst = out.data();
    std::uint64_t count = 0;
    Decoder d{parsed.tree, reinterpret_cast<const unsigned char *>(parsed.bits.data()), inBytes};

    if (capacity >= 16) {
        const auto lut = buildLut(parsed.tree);
        // Each pass reads 8 bytes, at least 57 valid bits, and uses at most 4 * 12 = 48 of them.
        // Each lookup writes 4 bytes and emits at most 4 symbols, so `count + 16 <= capacity`
        // keeps every store inside the buffer and never emits past N.
        while (count + 16 <= capacity && (d.bitPos >> 3) + 8 <= inBytes) {
            std::uint64_t window;
            std::memcpy(&window, d.in + (d.bitPos >> 3), 8);
            window >>= d.bitPos & 7;
            for (int k = 0; k < 4; ++k) {
                const std::uint64_t e = lut[window & kLutMask];
                const unsigned emitted = static_cast<unsigned>(e >> 32) & 0xFF;
                if (emitted == 0) {
                    dst[count++] = static_cast<char>(d.walkOne());
                    break;
                }
                const std::uint32_t symbols = static_cast<std::uint32_t>(e);
                std::memcpy(dst + count, &symbols, 4);
                count += emitted;
                const unsigned used = static_cast<unsigned>(e >> 40);
                window >>= used;
                d.bitPos += used;
            }
        }
    }
    // The tail, and streams too short for the table: one exact walk per symbol. A symbol past
    // the capacity cannot exist, so the walk fails before it would be stored.
    while (count < static_cast<std::uint64_t>(std::max<std::int32_t>(parsed.length, 0))) {
        const std::uint8_t symbol = d.walkOne();
        if (count >= capacity) throw CodecError(Msg::MoreDataPending);
        dst[count++] = static_cast<char>(symbol);
    }
    if ((d.bitPos + 7) / 8 < inBytes) throw CodecError(Msg::TrailingData);
    out.resize(count);
    detail::VerifyResult(out, parsed.length, parsed.check);
    return out;
}

} // namespace HuffmanCoding

#include "HuffmanCoding.h"
#include "HuffmanTree.h"

#include <cstring>
#include <memory>

namespace HuffmanCoding {

namespace {

using detail::DecodeTree;

// Lookup on the next kLutBits stream bits: up to five whole code words that start at the root
// and fit in those bits. An entry holds the bits used in bits 0-5 (so that it can serve as a
// shift count directly), the symbols from bit 8 up and their number in bits 56-63.
// A count of 0 means no code word ends within kLutBits bits, or a branch is missing: the exact
// bit walk decides (a long code word, or the error the walk reports). 2^11 entries of 8 bytes
// stay in the first-level cache beside the streams.
constexpr unsigned kLutBits = 11;
constexpr std::uint64_t kLutMask = (1u << kLutBits) - 1;
constexpr unsigned kLutMaxSymbols = 5;

std::unique_ptr<std::uint64_t[]> buildLut(const DecodeTree &tree) {
    auto lut = std::make_unique<std::uint64_t[]>(std::size_t{1} << kLutBits);
    for (std::uint32_t index = 0; index <= kLutMask; ++index) {
        std::uint64_t symbols = 0;
        unsigned count = 0, used = 0;
        std::int32_t node = 0;
        for (unsigned pos = 0; pos < kLutBits && count < kLutMaxSymbols; ++pos) {
            node = tree.nodes[node].child[(index >> pos) & 1];
            if (node == 0) break;
            if (tree.nodes[node].isLeaf) {
                symbols |= std::uint64_t{tree.nodes[node].symbol} << (8 * count);
                ++count;
                used = pos + 1;
                node = 0;
            }
        }
        lut[index] = used | (symbols << 8) | (std::uint64_t{count} << 56);
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
    if (parsed.stored) {
        ByteString data;
        detail::ReserveLarge(data, parsed.storedPayload.size());
        data.append(parsed.storedPayload);
        return data;
    }

    const std::size_t inBytes = parsed.bits.size();
    // Every code word takes at least minLeafDepth bits, which bounds what the bits can hold
    // whatever length the header claims.
    std::uint64_t capacity = 0;
    if (parsed.length > 0 && parsed.tree.minLeafDepth > 0)
        capacity = std::min<std::uint64_t>(parsed.length,
                                           std::uint64_t{8} * inBytes / parsed.tree.minLeafDepth);

    ByteString out;
    detail::ReserveLarge(out, capacity + 8);
    out.resize(capacity + 8); // slack for the 8-byte stores of the table loop
    char *dst = out.data();
    std::uint64_t count = 0;
    std::uint8_t check = 0; // XOR of the symbols emitted
    Decoder d{parsed.tree, reinterpret_cast<const unsigned char *>(parsed.bits.data()), inBytes};

    constexpr unsigned kPerPass = 4; // lookups per 8-byte read
    if (capacity >= kPerPass * kLutMaxSymbols) {
        const auto lut = buildLut(parsed.tree);
        const std::uint64_t *table = lut.get();
        const unsigned char *in = d.in;
        std::uint64_t bitPos = d.bitPos, n = count, sum = 0;
        // A pass reads 8 bytes, at least 57 valid bits, and uses at most 4 * 11 = 44 of them.
        // It emits at most 4 * 5 symbols, so the bound on n keeps every store in the buffer and
        // never emits past N. Locals only: stores through `char *` may alias anything else.
        while (n + kPerPass * kLutMaxSymbols <= capacity && (bitPos >> 3) + 8 <= inBytes) {
            std::uint64_t window;
            std::memcpy(&window, in + (bitPos >> 3), 8);
            window >>= bitPos & 7;
#pragma GCC unroll 4
            for (unsigned k = 0; k < kPerPass; ++k) {
                const std::uint64_t e = table[window & kLutMask];
                const unsigned emitted = static_cast<unsigned>(e >> 56);
                if (emitted == 0) {
                    d.bitPos = bitPos;
                    const std::uint8_t symbol = d.walkOne();
                    sum ^= symbol;
                    dst[n++] = static_cast<char>(symbol);
                    bitPos = d.bitPos;
                    break;
                }
                const std::uint64_t symbols = e >> 8;
                std::memcpy(dst + n, &symbols, 8);
                sum ^= symbols & 0xFF'FFFF'FFFF; // five symbol bytes, 0 past the last one
                n += emitted;
                window >>= (e & 63);
                bitPos += e & 63;
            }
        }
        d.bitPos = bitPos;
        count = n;
        for (int shift = 0; shift < 64; shift += 8)
            check ^= static_cast<std::uint8_t>(sum >> shift);
    }
    // The tail, and streams too short for the table: one exact walk per symbol. A symbol past
    // the capacity cannot exist, so the walk fails before it would be stored.
    while (count < static_cast<std::uint64_t>(std::max<std::int32_t>(parsed.length, 0))) {
        const std::uint8_t symbol = d.walkOne();
        if (count >= capacity) throw CodecError(Msg::MoreDataPending);
        check ^= symbol;
        dst[count++] = static_cast<char>(symbol);
    }
    if ((d.bitPos + 7) / 8 < inBytes) throw CodecError(Msg::TrailingData);
    out.resize(count);
    // The XOR was taken on the way; the literal reader takes it over the result.
    if (parsed.length < 0 || count != static_cast<std::uint64_t>(parsed.length) ||
        check != parsed.check)
        throw CodecError(Msg::BadData);
    return out;
}

} // namespace HuffmanCoding

#include "HuffmanCoding.h"
#include "HuffmanLiteral.h"
#include "HuffmanTree.h"

#include <bit>
#include <cstring>
#include <memory>
#include <type_traits>

namespace HuffmanCoding {

namespace {

using detail::CodeWord;

inline void store64(char *p, std::uint64_t v) {
    std::memcpy(p, &v, 8);
}

// Bit writer over a buffer with at least 8 bytes of slack after the last byte it will complete.
// Invariant between calls: fewer than 8 pending bits in `acc`.
struct BitWriter {
    char *out;
    std::uint64_t acc = 0;
    unsigned pending = 0;

    // Adds up to 56 bits in all between two flushes: with the 7 a flush may leave, pending stays
    // at most 63.
    void put(std::uint64_t bits, unsigned length) {
        acc |= bits << pending;
        pending += length;
    }
    // Writes the whole bytes; pending <= 63, so the shift stays below 64.
    void flush() {
        store64(out, acc);
        out += pending >> 3;
        acc >>= pending & ~7u;
        pending &= 7;
    }
    void finish() {
        if (pending > 0) {
            store64(out, acc);
            out += 1;
            pending = 0;
        }
    }
};

// K symbols between flushes: at most 7 bits wait in `acc` after a flush, so K * longest <= 56
// keeps every put inside the 64-bit buffer and the flush's shift below 64.
// The writer is copied into locals: stores through `char *` could alias its fields otherwise,
// forcing a reload after every byte written.
template <int K>
void writeShortCodes(const unsigned char *in, std::size_t n, const std::uint64_t *bits,
                     const std::uint8_t *lengths, BitWriter &writer) {
    BitWriter w = writer;
    std::size_t i = 0;
    for (; i + K <= n; i += K) {
        for (int k = 0; k < K; ++k)
            w.put(bits[in[i + k]], lengths[in[i + k]]);
        w.flush();
    }
    for (; i < n; ++i) {
        w.put(bits[in[i]], lengths[in[i]]);
        w.flush();
    }
    writer = w;
}

// The code words of two successive bytes joined into one, indexed by first | second << 8: one
// lookup and one put for two symbols. Only the entries of byte values that occur are filled.
struct PairCode {
    std::unique_ptr<std::uint64_t[]> bits{new std::uint64_t[65536]};
    std::unique_ptr<std::uint8_t[]> lengths{new std::uint8_t[65536]};
};

// Filling costs one entry per pair of occurring values; worth it from this many input bytes
// per entry.
constexpr std::uint64_t kBytesPerPairEntry = 16;

PairCode makePairCode(const std::uint64_t *bits, const std::uint8_t *lengths,
                      const std::uint8_t *present, unsigned symbols) {
    PairCode pairs;
    for (unsigned b = 0; b < symbols; ++b) {
        const unsigned second = present[b];
        for (unsigned a = 0; a < symbols; ++a) {
            const unsigned first = present[a];
            const unsigned pair = first | second << 8;
            pairs.bits[pair] = bits[first] | bits[second] << lengths[first];
            pairs.lengths[pair] = static_cast<std::uint8_t>(lengths[first] + lengths[second]);
        }
    }
    return pairs;
}

// The pair index of p[0] and p[1] in one 16-bit load (the compiler does not merge two byte
// loads into one).
inline unsigned loadPair(const unsigned char *p) {
    std::uint16_t v;
    std::memcpy(&v, p, 2);
    if constexpr (std::endian::native == std::endian::big)
        v = static_cast<std::uint16_t>(v >> 8 | v << 8);
    return v;
}

// G pairs between flushes: a pair is at most twice the longest code word, so G * 2 * longest
// <= 56 is writeShortCodes' bound. A last odd byte goes on its own.
template <int G>
void writePairs(const unsigned char *in, std::size_t n, const PairCode &pairs,
                const std::uint64_t *bits, const std::uint8_t *lengths, BitWriter &writer) {
    BitWriter w = writer;
    const std::uint64_t *pairBits = pairs.bits.get();
    const std::uint8_t *pairLengths = pairs.lengths.get();
    const std::size_t whole = n - n % (2 * G);
    for (const unsigned char *p = in, *end = in + whole; p != end; p += 2 * G) {
        for (int g = 0; g < G; ++g) {
            const unsigned pair = loadPair(p + 2 * g);
            w.put(pairBits[pair], pairLengths[pair]);
        }
        w.flush();
    }
    writer = w;
    writeShortCodes<1>(in + whole, n - whole, bits, lengths, writer);
}

// Calls `write` with min(4, most) as a compile-time constant (most >= 1).
template <typename Write> void withGroupSize(unsigned most, Write write) {
    switch (std::min(4u, most)) {
    case 4:
        return write(std::integral_constant<int, 4>{});
    case 3:
        return write(std::integral_constant<int, 3>{});
    case 2:
        return write(std::integral_constant<int, 2>{});
    default:
        return write(std::integral_constant<int, 1>{});
    }
}

} // namespace

ByteString HuffmanEncode(std::string_view input, bool forceCoded) {
    const std::uint64_t n = input.size();
    if (n == 0) return ByteString("HE0\r", 4);
    if (n > static_cast<std::uint64_t>(INT32_MAX)) throw CodecError(Msg::InputTooLarge);

    const detail::ByteStats stats = detail::CountBytes(input);
    const std::array<CodeWord, 256> code = detail::BuildCode(stats, n);

    // The coded length is known before any bit is written, so a fallback costs a count and a copy.
    std::uint64_t totalBits = 0;
    unsigned longest = 0;
    for (int v = 0; v < 256; ++v) {
        totalBits += stats.counts[v] * code[v].length;
        longest = std::max<unsigned>(longest, code[v].length);
    }
    const ByteString header = detail::CodedHeader(code, stats.check, n);
    const std::uint64_t codedSize = header.size() + (totalBits + 7) / 8;
    if (codedSize > n && !forceCoded) {
        ByteString stored;
        detail::ReserveLarge(stored, 4 + n);
        stored.append("HE0\r", 4);
        stored.append(input);
        return stored;
    }

    // Fewer than 2^31 bytes keep every code word shorter than 46 bits (a depth of d needs
    // counts growing at least like the Fibonacci numbers), so this holds for every input the
    // format can describe; the literal writer stays the answer should it ever not.
    if (longest > 56) return Literal::Encode(input, forceCoded);

    ByteString out;
    detail::ReserveLarge(out, codedSize + 8);
    out.resize(codedSize + 8);
    std::memcpy(out.data(), header.data(), header.size());
    BitWriter w{out.data() + header.size()};
    const auto *in = reinterpret_cast<const unsigned char *>(input.data());
    std::array<std::uint64_t, 256> bits{};
    std::array<std::uint8_t, 256> lengths{};
    std::array<std::uint8_t, 256> present{};
    unsigned symbols = 0;
    for (int v = 0; v < 256; ++v) {
        bits[v] = code[v].bits[0];
        lengths[v] = code[v].length;
        if (code[v].length > 0) present[symbols++] = static_cast<std::uint8_t>(v);
    }
    if (2 * longest <= 56 && n >= kBytesPerPairEntry * symbols * symbols) {
        const PairCode pairs = makePairCode(bits.data(), lengths.data(), present.data(), symbols);
        withGroupSize(56 / (2 * longest), [&](auto g) {
            writePairs<decltype(g)::value>(in, n, pairs, bits.data(), lengths.data(), w);
        });
    } else {
        withGroupSize(56 / longest, [&](auto k) {
            writeShortCodes<decltype(k)::value>(in, n, bits.data(), lengths.data(), w);
        });
    }
    w.finish();
    out.resize(codedSize);
    return out;
}

} // namespace HuffmanCoding

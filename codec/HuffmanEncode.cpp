#include "HuffmanCoding.h"
#include "HuffmanLiteral.h"
#include "HuffmanTree.h"

#include <cstring>

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

    // Adds up to 64 - 7 = 57 bits in all between two flushes.
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

// K symbols between flushes: K * longest code <= 56 keeps every put inside the 64-bit buffer.
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
    {
        std::array<std::uint64_t, 256> bits{};
        std::array<std::uint8_t, 256> lengths{};
        for (int v = 0; v < 256; ++v) {
            bits[v] = code[v].bits[0];
            lengths[v] = code[v].length;
        }
        switch (std::min(4u, 56u / longest)) {
        case 4:
            writeShortCodes<4>(in, n, bits.data(), lengths.data(), w);
            break;
        case 3:
            writeShortCodes<3>(in, n, bits.data(), lengths.data(), w);
            break;
        case 2:
            writeShortCodes<2>(in, n, bits.data(), lengths.data(), w);
            break;
        default:
            writeShortCodes<1>(in, n, bits.data(), lengths.data(), w);
            break;
        }
    }
    w.finish();
    out.resize(codedSize);
    return out;
}

} // namespace HuffmanCoding

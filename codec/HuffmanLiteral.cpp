#include "HuffmanLiteral.h"
#include "HuffmanTree.h"

namespace HuffmanCoding::Literal {

ByteString Encode(std::string_view input, bool forceCoded) {
    const std::uint64_t n = input.size();
    if (n == 0) return ByteString("HE0\r", 4);
    if (n > static_cast<std::uint64_t>(INT32_MAX)) throw CodecError(Msg::InputTooLarge);

    const detail::ByteStats stats = detail::CountBytes(input);
    const auto code = detail::BuildCode(stats, n);
    ByteString out = detail::CodedHeader(code, stats.check, n);

    std::uint8_t current = 0;
    int bitIndex = -1;
    for (unsigned char c : input) {
        const detail::CodeWord &w = code[c];
        for (int i = 0; i < w.length; ++i) {
            ++bitIndex;
            if ((w.bits[i / 64] >> (i % 64)) & 1)
                current += static_cast<std::uint8_t>(1 << bitIndex);
            if (bitIndex >= 7) {
                out.push_back(static_cast<char>(current));
                current = 0;
                bitIndex = -1;
            }
        }
    }
    if (bitIndex > -1) out.push_back(static_cast<char>(current));

    if (out.size() > n && !forceCoded) return ByteString("HE0\r", 4) + ByteString(input);
    return out;
}

ByteString Decode(std::string_view stream) {
    const detail::ParsedStream parsed = detail::ParseStream(stream);
    if (parsed.stored) return ByteString(parsed.storedPayload);

    const auto &nodes = parsed.tree.nodes;
    const std::string_view bits = parsed.bits;
    ByteString result;
    std::int32_t count = 0;
    std::size_t p = 0; // next stream byte, from 0
    int b = -1;
    std::uint8_t current = 0;
    std::int32_t node = 0;
    while (count < parsed.length) {
        if (b == -1) {
            if (p >= bits.size()) throw CodecError(Msg::MoreDataPending);
            current = static_cast<std::uint8_t>(bits[p++]);
        }
        ++b;
        node = nodes[node].child[(current >> b) & 1];
        if (node == 0) throw CodecError(Msg::BadHeader);
        if (nodes[node].isLeaf) {
            result.push_back(static_cast<char>(nodes[node].symbol));
            ++count;
            node = 0;
        }
        if (b >= 7) b = -1;
    }
    if (p < bits.size()) throw CodecError(Msg::TrailingData);
    detail::VerifyResult(result, parsed.length, parsed.check);
    return result;
}

} // namespace HuffmanCoding::Literal

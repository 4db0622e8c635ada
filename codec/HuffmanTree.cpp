#include "HuffmanTree.h"

#include <cstring>
#include <sys/mman.h>

namespace HuffmanCoding::detail {

void ReserveLarge(ByteString &buffer, std::size_t size) {
    buffer.reserve(size);
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
    if (size < 4 * kHuge) return;
    const auto begin = reinterpret_cast<std::uintptr_t>(buffer.data());
    const std::uintptr_t first = (begin + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t last = (begin + size) & ~(kHuge - 1);
    if (last > first) madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE);
#endif
}

std::uint8_t XorBytes(std::string_view data) {
    std::uint64_t wide = 0;
    std::size_t i = 0;
    for (; i + 8 <= data.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, data.data() + i, 8);
        wide ^= w;
    }
    std::uint8_t x = 0;
    for (int s = 0; s < 64; s += 8)
        x ^= static_cast<std::uint8_t>(wide >> s);
    for (; i < data.size(); ++i)
        x ^= static_cast<std::uint8_t>(data[i]);
    return x;
}

ByteStats CountBytes(std::string_view input) {
    // Eight tables, so that runs of one value do not serialise on one counter, and the XOR
    // taken on the same words.
    std::array<std::array<std::uint32_t, 256>, 8> part{};
    const auto *p = reinterpret_cast<const unsigned char *>(input.data());
    const std::size_t n = input.size();
    std::size_t i = 0;
    std::uint64_t wide = 0;
    ByteStats stats;
    while (i < n) {
        // Flush before a 32-bit counter could overflow.
        const std::size_t end = i + std::min<std::size_t>(n - i, std::size_t{1} << 30);
        // The XOR on whole words; the counts from byte loads, which cost one instruction each
        // where taking a byte out of a word costs two or three.
        for (; i + 16 <= end; i += 16) {
            std::uint64_t a, b;
            std::memcpy(&a, p + i, 8);
            std::memcpy(&b, p + i + 8, 8);
            wide ^= a ^ b;
            for (int t = 0; t < 16; ++t)
                ++part[t % 8][p[i + t]];
        }
        for (; i < end; ++i) {
            ++part[0][p[i]];
            wide ^= p[i];
        }
        for (int v = 0; v < 256; ++v) {
            std::uint64_t sum = 0;
            for (auto &table : part) {
                sum += table[v];
                table[v] = 0;
            }
            stats.counts[v] += sum;
        }
    }
    for (int s = 0; s < 64; s += 8)
        stats.check ^= static_cast<std::uint8_t>(wide >> s);
    return stats;
}

namespace {

struct BuildNode {
    double weight = 0;
    bool isLeaf = false;
    std::uint8_t symbol = 0;
    std::int16_t childOne = -1;
    std::int16_t childZero = -1;
};

// At most 256 leaves and 255 merges, plus the extra root of a single symbol.
constexpr int kMaxBuildNodes = 512;

struct WorkList {
    std::array<std::int16_t, 256> items{};
    int size = 0;

    // In front of the first entry whose weight is less than or equal to the node's: the list
    // stays in descending order and a newcomer precedes its equals.
    void insertByWeight(const std::array<BuildNode, kMaxBuildNodes> &nodes, std::int16_t node) {
        int pos = 0;
        while (pos < size && nodes[items[pos]].weight > nodes[node].weight)
            ++pos;
        for (int i = size; i > pos; --i)
            items[i] = items[i - 1];
        items[pos] = node;
        ++size;
    }
    std::int16_t takeLast() { return items[--size]; }
};

void assignCodes(const std::array<BuildNode, kMaxBuildNodes> &nodes, int node, CodeWord path,
                 std::array<CodeWord, 256> &code) {
    if (node < 0) return;
    const BuildNode &n = nodes[node];
    if (n.isLeaf) {
        code[n.symbol] = path;
        return;
    }
    const int bit = path.length++;
    path.bits[bit / 64] |= std::uint64_t{1} << (bit % 64);
    assignCodes(nodes, n.childOne, path, code);
    path.bits[bit / 64] &= ~(std::uint64_t{1} << (bit % 64));
    assignCodes(nodes, n.childZero, path, code);
}

} // namespace

std::array<CodeWord, 256> BuildCode(const ByteStats &stats, std::uint64_t total) {
    std::array<BuildNode, kMaxBuildNodes> nodes{};
    int used = 0;
    WorkList list;
    for (int v = 0; v < 256; ++v) {
        if (stats.counts[v] == 0) continue;
        BuildNode &leaf = nodes[used];
        leaf.symbol = static_cast<std::uint8_t>(v);
        leaf.weight = static_cast<double>(stats.counts[v]) / static_cast<double>(total);
        leaf.isLeaf = true;
        list.insertByWeight(nodes, static_cast<std::int16_t>(used++));
    }
    if (list.size == 1) {
        BuildNode &root = nodes[used];
        root.childOne = list.takeLast();
        root.weight = 1;
        list.insertByWeight(nodes, static_cast<std::int16_t>(used++));
    }
    while (list.size > 1) {
        BuildNode &inner = nodes[used];
        inner.childZero = list.takeLast();
        inner.childOne = list.takeLast();
        inner.weight = nodes[inner.childZero].weight + nodes[inner.childOne].weight;
        list.insertByWeight(nodes, static_cast<std::int16_t>(used++));
    }
    std::array<CodeWord, 256> code{};
    if (list.size == 1) assignCodes(nodes, list.items[0], CodeWord{}, code);
    return code;
}

ByteString CodedHeader(const std::array<CodeWord, 256> &code, std::uint8_t check,
                       std::uint64_t total) {
    ByteString table;
    for (int v = 0; v < 256; ++v) {
        const CodeWord &w = code[v];
        if (w.length == 0) continue;
        table.push_back(static_cast<char>(v));
        table.push_back(static_cast<char>(w.length));
        for (int b = 0; b < (w.length + 7) / 8; ++b)
            table.push_back(static_cast<char>(w.bits[b / 8] >> (8 * (b % 8))));
    }
    ByteString header = "HE2\r";
    header += std::to_string(table.size());
    header += '\r';
    header += table;
    header += static_cast<char>(check);
    header += std::to_string(total);
    header += '\r';
    return header;
}

namespace {

// Plain ASCII digits within the 32-bit signed range; anything else is not a number.
bool parseNumber(std::string_view text, std::int32_t &value) {
    if (text.empty()) return false;
    std::int64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
        if (v > INT32_MAX) return false;
    }
    value = static_cast<std::int32_t>(v);
    return true;
}

// A well-formed table of up to 256 entries needs at most 1 + 256 * 255 nodes. Only tables with
// repeated symbols can need more; they are refused rather than allowed to grow without bound.
constexpr std::size_t kMaxTreeNodes = 1 + 256 * 255;

DecodeTree rebuildTree(std::string_view table) {
    DecodeTree tree;
    tree.nodes.emplace_back();
    const auto *t = reinterpret_cast<const unsigned char *>(table.data());
    const std::size_t size = table.size();
    std::size_t pos = 0;
    while (pos < size) {
        const std::uint8_t symbol = t[pos++];
        if (pos >= size) throw CodecError(Msg::TruncatedTable);
        const int length = t[pos++];
        const std::size_t codeBytes = (length + 7) / 8;
        if (size - pos < codeBytes) throw CodecError(Msg::TruncatedTable);
        std::int32_t node = 0;
        for (int e = 0; e < length; ++e) {
            const int bit = (t[pos + e / 8] >> (e % 8)) & 1;
            std::int32_t next = tree.nodes[node].child[bit];
            if (next == 0) {
                if (tree.nodes.size() >= kMaxTreeNodes) throw CodecError(Msg::TableTooLarge);
                next = static_cast<std::int32_t>(tree.nodes.size());
                tree.nodes[node].child[bit] = next;
                tree.nodes.emplace_back();
            }
            node = next;
        }
        pos += codeBytes;
        tree.nodes[node].isLeaf = true;
        tree.nodes[node].symbol = symbol;
        if (length > 0 && (tree.minLeafDepth == 0 || length < tree.minLeafDepth))
            tree.minLeafDepth = length;
    }
    return tree;
}

} // namespace

ParsedStream ParseStream(std::string_view s) {
    ParsedStream parsed;
    if (s.substr(0, 4) == std::string_view("HE0\r", 4)) {
        parsed.stored = true;
        parsed.storedPayload = s.substr(4);
        return parsed;
    }
    if (s.substr(0, 4) != std::string_view("HE2\r", 4)) throw CodecError(Msg::NotOurs);
    s.remove_prefix(4);

    std::size_t cr = s.find('\r');
    if (cr == std::string_view::npos) throw CodecError(Msg::NotOurs);
    std::int32_t tableLength = 0;
    if (!parseNumber(s.substr(0, cr), tableLength)) throw CodecError(Msg::BadHeader);
    s.remove_prefix(cr + 1);

    if (static_cast<std::size_t>(tableLength) > s.size()) throw CodecError(Msg::TruncatedHeader);
    parsed.tree = rebuildTree(s.substr(0, tableLength));
    s.remove_prefix(tableLength);

    if (s.empty()) throw CodecError(Msg::TruncatedHeader);
    parsed.check = static_cast<std::uint8_t>(s[0]);
    s.remove_prefix(1);

    cr = s.find('\r');
    if (cr == std::string_view::npos) throw CodecError(Msg::BadHeader);
    if (!parseNumber(s.substr(0, cr), parsed.length)) throw CodecError(Msg::BadHeader);
    s.remove_prefix(cr + 1);
    parsed.bits = s;
    return parsed;
}

void VerifyResult(std::string_view data, std::int32_t length, std::uint8_t check) {
    if (length < 0 || data.size() != static_cast<std::size_t>(length))
        throw CodecError(Msg::BadData);
    if (XorBytes(data) != check) throw CodecError(Msg::BadData);
}

} // namespace HuffmanCoding::detail

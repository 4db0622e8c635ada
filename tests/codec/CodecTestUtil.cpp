#include "CodecTestUtil.h"

#include "HuffmanCoding.h"

#include <cmath>

namespace testutil {

std::string Hex(std::string_view spaced) {
    std::string out;
    for (std::size_t i = 0; i < spaced.size();) {
        if (spaced[i] == ' ') {
            ++i;
            continue;
        }
        out.push_back(static_cast<char>(std::stoi(std::string(spaced.substr(i, 2)), nullptr, 16)));
        i += 2;
    }
    return out;
}

std::string ToHex(std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (!out.empty()) out.push_back(' ');
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out;
}

std::string DecodeOutcome(std::string (*decode)(std::string_view), std::string_view stream) {
    try {
        return decode(stream);
    } catch (const HuffmanCoding::CodecError &e) {
        return "error: " + e.description();
    }
}

std::string RandomBytes(std::mt19937_64 &rng, std::size_t n, int alphabet) {
    std::uniform_int_distribution<int> pick(0, alphabet - 1);
    std::string out(n, '\0');
    for (char &c : out)
        c = static_cast<char>(pick(rng));
    return out;
}

std::string SkewedBytes(std::mt19937_64 &rng, std::size_t n, double spread) {
    std::vector<double> weights(256);
    for (int v = 0; v < 256; ++v)
        weights[v] = std::exp2(-v / spread);
    std::discrete_distribution<int> pick(weights.begin(), weights.end());
    std::string out(n, '\0');
    for (char &c : out)
        c = static_cast<char>(pick(rng));
    return out;
}

std::string FibonacciBytes(int symbols) {
    std::string out;
    std::uint64_t a = 1, b = 1;
    for (int v = 0; v < symbols; ++v) {
        // CR gets a share too, so that it turns up in the table and the stream.
        out.append(a, static_cast<char>(v == 0 ? 0x0D : v));
        const std::uint64_t next = a + b;
        a = b;
        b = next;
    }
    return out;
}

} // namespace testutil

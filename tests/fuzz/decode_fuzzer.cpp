// libFuzzer target: any byte string fed to the decoder ends in data or a CodecError, and the
// fast decoder agrees with the literal one. Whatever decodes re-encodes identically on both paths.
#include "HuffmanCoding.h"
#include "HuffmanLiteral.h"

#include <cstdlib>
#include <string>

namespace {

std::string outcome(std::string (*decode)(std::string_view), std::string_view s) {
    try {
        return "ok:" + decode(s);
    } catch (const HuffmanCoding::CodecError &e) {
        return "error:" + e.description();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, std::size_t size) {
    const std::string_view stream(reinterpret_cast<const char *>(data), size);
    const std::string fast = outcome(HuffmanCoding::HuffmanDecode, stream);
    if (fast != outcome(HuffmanCoding::Literal::Decode, stream)) std::abort();
    if (fast.rfind("ok:", 0) == 0) {
        const std::string_view decoded = std::string_view(fast).substr(3);
        for (bool force : {false, true}) {
            const std::string coded = HuffmanCoding::HuffmanEncode(decoded, force);
            if (coded != HuffmanCoding::Literal::Encode(decoded, force)) std::abort();
            if (HuffmanCoding::HuffmanDecode(coded) != decoded) std::abort();
        }
    }
    return 0;
}

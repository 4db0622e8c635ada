#include "SfxTestUtil.h"

#include <random>

namespace sfxtest {

std::string OneNameHeader(const std::string &name, std::uint64_t length) {
    return "\r\n-=#NOOFFILES#=-\r\n1\r\n-=#FILNAME#=-\r\n" + name + "\r\n-=#LOFS#=-\r\n" +
           std::to_string(length) + "\r\n-=#SELFEXTRACT#=-\r\n";
}

std::string FakeStub() {
    std::string stub("\x7f"
                     "ELF\0\0\n-=#NOOFFILES#=-\n",
                     23);
    stub += std::string(9000, '\xE9');
    stub += std::string("\0\r\0\n\rX\r", 7);
    return stub;
}

std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(n, '\0');
    for (char &c : bytes)
        c = static_cast<char>(random() & 0xFF);
    return bytes;
}

} // namespace sfxtest

#pragma once

#include <cstdint>
#include <string>

namespace sfxtest {

// The literal header for one payload, as the layout fixes it.
std::string OneNameHeader(const std::string &name, std::uint64_t length);
// Bytes a stub image may hold: NUL, lone LF, lone CR, long stretches without CR, high bytes.
std::string FakeStub();
// Incompressible bytes: the codec stores them, so the encoded stream is 4 bytes longer.
std::string RandomBytes(std::size_t n, unsigned seed = 7);

} // namespace sfxtest

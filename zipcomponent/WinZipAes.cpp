#include "WinZipAes.h"

namespace zipcomponent {

// Placeholder until the reader lands: AE-2 entries are left to libzip.
bool IsAe2Entry(zip_t *, zip_uint64_t) {
    return false;
}

struct Ae2Reader::State {};

Ae2Reader::Ae2Reader(zip_t *, zip_uint64_t, const std::string &entryName, const std::string &) {
    throw ZipError("Le chiffrement de " + Quoted(entryName) + " n'est pas pris en charge.");
}
Ae2Reader::~Ae2Reader() = default;

std::size_t Ae2Reader::read(char *, std::size_t) {
    return 0;
}
void Ae2Reader::verify() {}

} // namespace zipcomponent

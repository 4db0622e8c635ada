// WinZip AES entries of vendor version AE-2, whose CRC field is 0 by design: their data are
// protected by the authentication code (HMAC-SHA1, 10 bytes after the data) instead. libzip
// 1.7.3 checks the zero CRC anyway and refuses them, so they are read here from the entry's raw
// bytes: password verifier, AES-CTR in WinZip's byte order, inflate or stored, authentication.
#pragma once

#include "EntryStream.h"

#include <zip.h>

#include <cstddef>
#include <memory>
#include <string>

namespace zipcomponent {

// True for a WinZip AES entry whose CRC is 0 or not recorded: the AE-2 entries that libzip
// refuses. (libzip hides the 0x9901 field, so the vendor version itself cannot be read; an
// AE-1 entry with a zero CRC read here still has its authentication code checked.)
bool IsAe2Entry(zip_t *archive, zip_uint64_t index);

class Ae2Reader final : public EntryStream {
public:
    // Checks the password verifier: WrongPassword when it does not match; ZipError when the
    // entry cannot be read or uses a compression other than stored or deflate.
    Ae2Reader(zip_t *archive, zip_uint64_t index, const std::string &entryName,
              const std::string &password);
    ~Ae2Reader() override;
    Ae2Reader(const Ae2Reader &) = delete;
    Ae2Reader &operator=(const Ae2Reader &) = delete;

    // Up to `size` bytes of the entry's uncompressed data; 0 at the end. ZipError when the data
    // are damaged.
    std::size_t read(char *out, std::size_t size) override;
    // After the last byte: ZipError unless the authentication code matches every byte read.
    void verify() override;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace zipcomponent

// An entry's data, read the same way whoever decodes them: libzip, or the AES reader for the
// entries libzip refuses (WinZipAes.h).
#pragma once

#include "ZipError.h"

#include <zip.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace zipcomponent {

// The password does not match the entry.
class WrongPassword : public ZipError {
public:
    using ZipError::ZipError;
};

class EntryStream {
public:
    virtual ~EntryStream() = default;

    // Up to `size` bytes of the entry's uncompressed data; 0 at the end. ZipError when the data
    // are damaged, or run past the size the archive announces.
    virtual std::size_t read(char *out, std::size_t size) = 0;
    // Once, after read() has returned 0: ZipError unless the data check out (their CRC or
    // authentication code, and the announced size).
    virtual void verify() = 0;
};

// The data of the entry at `index`, named `entryName` in the texts, of announced size `size`.
// `password` is null for an entry that is not encrypted; `ae2` sends the entry to the AES
// reader. WrongPassword when the password is refused at once; ZipError when the entry cannot be
// opened. Under traditional encryption a wrong password may pass its check: a failure of the
// data then names both causes.
std::unique_ptr<EntryStream> OpenEntryStream(zip_t *archive, zip_uint64_t index,
                                             const std::string &entryName, std::uint64_t size,
                                             bool ae2, const std::string *password);

} // namespace zipcomponent

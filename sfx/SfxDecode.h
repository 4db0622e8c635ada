// SfxDecode: the archive inside a self-extracting program, decoded for reading without running
// the program. The payloads are found and decoded as the stub does it (the header read by the
// listing reader, each payload delimited by its length and decoded whole, the last one being
// the archive), but the archive is written into a fresh private folder of the caller's choice,
// never beside the program, and removed again when its owner goes.
//
// Pure C++, no Qt: the main program and mivo-ziptool both use it.
#pragma once

#include "SfxLayout.h"

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/stat.h>

namespace sfx {

// Whether `path` may be a self-extracting program, from its first bytes alone: a regular file
// that begins as a program image does (the stub is an ELF program). A ZIP archive never does.
bool LooksLikeProgram(const std::string &path);

// The header of the self-extracting program at `path`; nothing when the file is not one: it does
// not look like a program, or has no header the listing reader accepts. The file is read up to
// its header only.
std::optional<SfxHeader> ProgramHeader(const std::string &path);

// Why a self-extracting program could not be decoded; what() is the whole French message,
// naming the program.
class SfxDecodeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The decoded archive of one program, owned: it lives in a folder made for it alone (mkdtemp,
// 0700) and is written exclusively (O_EXCL | O_NOFOLLOW, 0600). It is registered with
// TemporaryFiles while it exists, so that a signal removes it; the destructor removes it (when
// the file at its path is still the one written) and its folder (when empty).
class DecodedArchive {
public:
    // Decodes the archive of `program`, whose header is `header`, into a new folder
    // `parent`/`prefix`XXXXXX. `parent` must be a private folder of the user's. Throws
    // SfxDecodeError; nothing is left on disk then.
    DecodedArchive(const std::string &program, const SfxHeader &header, const std::string &parent,
                   const std::string &prefix);
    ~DecodedArchive();
    DecodedArchive(const DecodedArchive &) = delete;
    DecodedArchive &operator=(const DecodedArchive &) = delete;

    // The decoded archive: the folder, then the last payload's stored name.
    const std::string &path() const { return path_; }
    const std::string &folder() const { return folder_; }

private:
    std::string folder_, path_;
    int slot_ = 0;
    struct stat written_ {};
};

// The program at `program` read as an archive: nothing when it is no self-extracting program,
// else its decoded archive (see DecodedArchive).
std::unique_ptr<DecodedArchive>
DecodeIfProgram(const std::string &program, const std::string &parent, const std::string &prefix);

} // namespace sfx

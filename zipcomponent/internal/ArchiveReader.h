// The reading side shared by VFunzip and RichsoftVBZip: an archive opened read-only, its entry
// table, and the safe extraction of one entry below a destination folder.
#pragma once

#include "ZipError.h"

#include <zip.h>

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unordered_map>
#include <vector>

namespace zipcomponent {

struct ZipDiscard {
    void operator()(zip_t *z) const { zip_discard(z); }
};
using ZipHandle = std::unique_ptr<zip_t, ZipDiscard>;

// zip_open, or ZipError with the French reason.
ZipHandle OpenZip(const std::string &path, int flags);

struct EntryInfo {
    zip_uint64_t index = 0;
    std::string name; // decoded UTF-8, '/' separators: the key callers address the entry by
    std::uint64_t size = 0;
    std::uint64_t compressedSize = 0;
    std::time_t mtime = 0; // the Unix time field's when present, else the DOS time as local
    std::uint32_t crc = 0;
    std::uint16_t method = 0;
    std::uint16_t encryption = 0;
    bool isFolder = false;
    bool isSymlink = false;
    std::uint32_t unixMode = 0; // permission bits when the archive records them, else 0
};

// Questions and reports during extraction. Every member may be empty.
struct ExtractHooks {
    // At the start of the entry (0, size), then at least every MiB, never above size.
    std::function<void(std::uint64_t written, std::uint64_t size)> progress;
    // The password of an encrypted entry; nullopt when the user declines.
    std::function<std::optional<std::string>(const std::string &entryName)> password;
    // Asked between pieces of 256 KiB: true stops the entry with Cancelled, nothing left of it.
    std::function<bool()> cancelled;
};

// What to do with a file that already exists at the target: true replaces it.
using ReplacePolicy = std::function<bool(const std::string &target, const struct stat &existing)>;

enum class WriteOutcome { Written, Kept };

class ArchiveReader {
public:
    // Opens and reads the entry table; a missing, damaged or foreign file raises ZipError.
    explicit ArchiveReader(const std::string &path);

    const std::string &path() const { return path_; }
    const std::vector<EntryInfo> &entries() const { return entries_; }
    // The entry of that name (the last one, should a damaged archive hold two), or nullptr.
    const EntryInfo *find(const std::string &name) const;
    // False once the file on disk is no longer the one that was read.
    bool isCurrent() const;

    // The one way an entry reaches the disk, with every safety check: a name with ".." is
    // refused, a leading '/' or drive letter dropped, backslashes taken as separators; a
    // symbolic-link entry is never created; folders are made below `destination` but never
    // through a link (see ExtractTarget); a link at the target is replaced, never written
    // through. The data go to a temporary file in the target folder, are checked (CRC or
    // authentication code), get the entry's time and are renamed into place. A failure leaves
    // no partial file. An entry refused for its method, its encryption or a password not given
    // makes no folder and asks `mayReplace` nothing. An empty destination is refused.
    WriteOutcome writeEntry(const EntryInfo &entry, const std::string &destination,
                            const ReplacePolicy &mayReplace, const ExtractHooks &hooks);
    // Reads the entry to its end with the same checks, writing nothing. A password refused by
    // the entry's check raises WrongPassword and is forgotten, so that the next call asks again.
    void checkEntry(const EntryInfo &entry, const ExtractHooks &hooks);
    // The password the encrypted entries were last read with, while it holds.
    const std::optional<std::string> &password() const { return password_; }

private:
    // The data of the entry, piece by piece, to `sink`, then the size and the CRC or the
    // authentication code checked; `opened` runs once the entry is open (every refusal made),
    // before its first byte, and may decline the entry: false is returned and nothing is read.
    bool readEntry(const EntryInfo &entry, const ExtractHooks &hooks,
                   const std::function<bool()> &opened,
                   const std::function<void(const char *data, std::size_t size)> &sink);

    std::string path_;
    ZipHandle zip_;
    std::vector<EntryInfo> entries_;
    mutable std::unordered_map<std::string, std::size_t> byName_;
    struct stat identity_ {};
    std::optional<std::string> password_; // given once, reused until it proves wrong
};

} // namespace zipcomponent

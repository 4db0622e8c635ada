#include "DirectoryListing.h"

#include "Descriptor.h"
#include "EntryNames.h"
#include "Utf8.h"
#include "ZipBytes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zipcomponent {

namespace {

constexpr std::uint16_t kAesMethod = 99;
constexpr std::uint64_t kEnd = 22, kLocator = 20, kEnd64 = 56, kHeader = 46;

struct Directory {
    std::uint64_t offset = 0, size = 0, count = 0;
};

// Where the directory lies, when the end records say so plainly: one end record, found where
// libzip looks for it, its comment ending the file, one disk, and the directory (or the ZIP64
// end record, then the directory) right before it.
std::optional<Directory> locate(int fd, std::uint64_t fileSize) {
    if (fileSize < kEnd) return std::nullopt;
    const std::uint64_t tail = std::min<std::uint64_t>(fileSize, 0xFFFF + kEnd + kLocator);
    std::vector<unsigned char> buf(tail);
    const std::uint64_t base = fileSize - tail;
    if (!readAt(fd, base, buf.data(), buf.size())) return std::nullopt;
    std::size_t at = buf.size();
    for (std::size_t i = 0; i + kEnd <= buf.size(); ++i) {
        if (std::memcmp(&buf[i], "PK\5\6", 4) != 0) continue;
        if (at != buf.size()) return std::nullopt; // libzip would weigh the candidates
        at = i;
    }
    if (at == buf.size()) return std::nullopt;
    const unsigned char *e = &buf[at];
    const std::uint64_t endAt = base + at;
    if (at + kEnd + le16(e + 20) != buf.size()) return std::nullopt;
    const std::uint32_t disk = le16(e + 4), cdDisk = le16(e + 6);
    const std::uint64_t onDisk = le16(e + 8), count = le16(e + 10), size = le32(e + 12),
                        offset = le32(e + 16);
    const bool zip64 = at >= kLocator && std::memcmp(&buf[at - kLocator], "PK\6\7", 4) == 0;
    if (!zip64) {
        if (disk != 0 || cdDisk != 0 || onDisk != count || count == 0xFFFF || size == 0xFFFFFFFF ||
            offset == 0xFFFFFFFF || offset + size != endAt)
            return std::nullopt;
        return Directory{offset, size, count};
    }
    const unsigned char *l = &buf[at - kLocator];
    const std::uint64_t end64At = le64(l + 8);
    if (le32(l + 4) != 0 || le32(l + 16) > 1 || end64At + kEnd64 != endAt - kLocator)
        return std::nullopt;
    unsigned char r[kEnd64];
    if (!readAt(fd, end64At, r, kEnd64) || std::memcmp(r, "PK\6\6", 4) != 0 ||
        le64(r + 4) != kEnd64 - 12 || le32(r + 16) != 0 || le32(r + 20) != 0)
        return std::nullopt;
    Directory d{le64(r + 48), le64(r + 40), le64(r + 32)};
    // The short record's values: the same, or the marks sending to the ZIP64 record.
    auto agrees = [](std::uint64_t short_, std::uint64_t full, std::uint64_t mark) {
        return short_ == full || short_ == mark;
    };
    if (le64(r + 24) != d.count || d.offset > end64At || d.size != end64At - d.offset ||
        !agrees(disk, 0, 0xFFFF) || !agrees(cdDisk, 0, 0xFFFF) ||
        !agrees(onDisk, d.count, 0xFFFF) || !agrees(count, d.count, 0xFFFF) ||
        !agrees(size, d.size, 0xFFFFFFFF) || !agrees(offset, d.offset, 0xFFFFFFFF))
        return std::nullopt;
    return d;
}

// libzip's test of a text flagged UTF-8: printable ASCII, tab, CR, LF, or well-formed
// sequences. Ours is stricter on the sequences, so passing both passes libzip's.
bool utf8AsLibzipReadsIt(std::string_view text) {
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32 && u != '\t' && u != '\r' && u != '\n') return false;
    }
    return fileio::IsValidUtf8(text);
}

// Whether an extra block parses as libzip wants it (no bytes left over); the first fields of
// the two kinds the listing reads are returned.
bool parseExtra(const unsigned char *p, std::size_t length, const unsigned char *&unixTime,
                std::size_t &unixTimeSize, const unsigned char *&aes, std::size_t &aesSize,
                bool &unicodePath) {
    std::size_t at = 0;
    while (at + 4 <= length) {
        const std::uint16_t id = le16(p + at);
        const std::size_t size = le16(p + at + 2);
        if (at + 4 + size > length) return false;
        if (id == 0x5455 && !unixTime) {
            unixTime = p + at + 4;
            unixTimeSize = size;
        } else if (id == 0x9901 && !aes) {
            aes = p + at + 4;
            aesSize = size;
        } else if (id == 0x7075) {
            unicodePath = true;
        }
        at += 4 + size;
    }
    return at == length;
}

// One pass over the directory: every entry checked; reported to `each` when it is given.
bool walk(int fd, const Directory &d, const std::function<void(const EntryInfo &)> *each) {
    constexpr std::size_t kChunk = 1 << 18; // holds the largest entry (46 + 3 * 65535 bytes)
    std::vector<unsigned char> chunk(kChunk);
    std::size_t begin = 0, end = 0;
    std::uint64_t next = d.offset, left = d.size;
    EntryInfo e;
    for (std::uint64_t index = 0; index < d.count; ++index) {
        // At least one whole entry in [begin, end), read on demand.
        auto need = [&](std::size_t size) {
            if (end - begin >= size) return true;
            std::memmove(chunk.data(), chunk.data() + begin, end - begin);
            end -= begin;
            begin = 0;
            const std::size_t more =
                static_cast<std::size_t>(std::min<std::uint64_t>(kChunk - end, left));
            if (!readAt(fd, next, chunk.data() + end, more)) return false;
            next += more;
            left -= more;
            end += more;
            return end >= size;
        };
        if (!need(kHeader)) return false;
        const unsigned char *h = chunk.data() + begin;
        if (std::memcmp(h, "PK\1\2", 4) != 0) return false;
        const std::size_t nameLength = le16(h + 28), extraLength = le16(h + 30),
                          commentLength = le16(h + 32);
        const std::size_t total = kHeader + nameLength + extraLength + commentLength;
        if (!need(total)) return false;
        h = chunk.data() + begin;
        begin += total;

        const std::uint16_t madeBy = le16(h + 4), flags = le16(h + 8);
        std::uint16_t method = le16(h + 10);
        const std::uint32_t compressed = le32(h + 20), size = le32(h + 24),
                            attributes = le32(h + 38), offset = le32(h + 42);
        std::uint32_t crc = le32(h + 16);
        if (compressed == 0xFFFFFFFF || size == 0xFFFFFFFF || offset == 0xFFFFFFFF) return false;
        const auto *text = reinterpret_cast<const char *>(h + kHeader);
        const std::string_view raw(text, nameLength);
        const std::string_view comment(text + nameLength + extraLength, commentLength);
        if (raw.empty() || raw.find('\0') != std::string_view::npos) return false;
        if ((flags & 0x800) && (!utf8AsLibzipReadsIt(raw) || !utf8AsLibzipReadsIt(comment)))
            return false;
        const unsigned char *unixTime = nullptr, *aes = nullptr;
        std::size_t unixTimeSize = 0, aesSize = 0;
        bool unicodePath = false;
        if (!parseExtra(h + kHeader + nameLength, extraLength, unixTime, unixTimeSize, aes, aesSize,
                        unicodePath) ||
            unicodePath)
            return false;
        std::uint16_t encryption =
            (flags & 1) ? ((flags & 0x40) ? ZIP_EM_UNKNOWN : ZIP_EM_TRAD_PKWARE) : ZIP_EM_NONE;
        if (method == kAesMethod) {
            if (!aes || aesSize != 7 || aes[2] != 'A' || aes[3] != 'E' || aes[4] < 1 || aes[4] > 3)
                return false;
            const std::uint16_t version = le16(aes);
            if (version != 1 && version != 2) return false;
            // libzip drops the CRC of a small AE-2 entry, which should hold none.
            if (version == 2 && size < 20 && crc != 0) return false;
            encryption = static_cast<std::uint16_t>(ZIP_EM_AES_128 + aes[4] - 1);
            method = le16(aes + 5);
        }
        const bool unixTimeUsable = unixTime && unixTimeSize >= 5 && (unixTime[0] & 1);
        if (!each) continue;

        e.index = index;
        e.isFolder = raw.back() == '/' || raw.back() == '\\';
        e.name = DecodeEntryName(raw);
        while (!e.name.empty() && e.name.back() == '/')
            e.name.pop_back();
        e.size = size;
        e.compressedSize = compressed;
        if (unixTimeUsable) {
            e.mtime = static_cast<std::int32_t>(le32(unixTime + 1));
        } else {
            const std::uint16_t time = le16(h + 12), date = le16(h + 14);
            std::tm tm{};
            tm.tm_isdst = -1;
            tm.tm_year = ((date >> 9) & 127) + 80;
            tm.tm_mon = ((date >> 5) & 15) - 1;
            tm.tm_mday = date & 31;
            tm.tm_hour = (time >> 11) & 31;
            tm.tm_min = (time >> 5) & 63;
            tm.tm_sec = (time << 1) & 62;
            e.mtime = std::mktime(&tm);
        }
        e.crc = crc;
        e.method = method;
        e.encryption = encryption;
        e.isSymlink = false;
        e.unixMode = 0;
        const std::uint32_t mode = attributes >> 16;
        if ((madeBy >> 8) == ZIP_OPSYS_UNIX && mode != 0) {
            e.isSymlink = S_ISLNK(mode);
            if (S_ISDIR(mode)) e.isFolder = true;
            e.unixMode = mode & 0777;
        }
        (*each)(e);
    }
    return left == 0 && begin == end;
}

} // namespace

bool ListCentralDirectory(const std::string &path,
                          const std::function<void(const EntryInfo &)> &each) {
    const fileio::Descriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (!file.isOpen() || fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const auto size = static_cast<std::uint64_t>(st.st_size);
    const std::optional<Directory> d = locate(file.get(), size);
    // Checked whole first, so that nothing is reported of an archive left to libzip.
    return d && walk(file.get(), *d, nullptr) && walk(file.get(), *d, &each);
}

} // namespace zipcomponent

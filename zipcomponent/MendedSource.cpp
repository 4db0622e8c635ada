#include "MendedSource.h"

#include "Descriptor.h"
#include "Utf8.h"
#include "ZipBytes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

namespace zipcomponent {

namespace {

// The central directory's bytes, as the end record (or its ZIP64 form) places them.
std::vector<unsigned char> centralDirectory(int fd, std::uint64_t fileSize, std::uint64_t &offset) {
    constexpr std::uint64_t kEndRecord = 22, kLocator = 20, kEnd64 = 56;
    const std::uint64_t tail = std::min<std::uint64_t>(fileSize, kEndRecord + 0xFFFF);
    if (tail < kEndRecord) return {};
    std::vector<unsigned char> buf(tail);
    if (!readAt(fd, fileSize - tail, buf.data(), buf.size())) return {};
    for (std::size_t i = tail - kEndRecord + 1; i-- > 0;) {
        if (std::memcmp(&buf[i], "PK\5\6", 4) != 0) continue;
        std::uint64_t size = le32(&buf[i + 12]);
        offset = le32(&buf[i + 16]);
        if (size == 0xFFFFFFFF || offset == 0xFFFFFFFF) {
            unsigned char end64[kEnd64];
            if (i < kLocator || std::memcmp(&buf[i - kLocator], "PK\6\7", 4) != 0 ||
                !readAt(fd, le64(&buf[i - kLocator + 8]), end64, kEnd64) ||
                std::memcmp(end64, "PK\6\6", 4) != 0)
                return {};
            size = le64(end64 + 40);
            offset = le64(end64 + 48);
        }
        if (offset > fileSize || size > fileSize - offset) return {};
        std::vector<unsigned char> directory(size);
        if (!readAt(fd, offset, directory.data(), directory.size())) return {};
        return directory;
    }
    return {};
}

constexpr std::uint16_t kAesMethod = 99;
constexpr std::uint16_t kAesField = 0x9901;

// The data of the first 0x9901 field of an extra block, or nullptr.
const unsigned char *aesField(const unsigned char *extra, std::size_t length, std::size_t &size) {
    for (std::size_t at = 0; at + 4 <= length;) {
        const std::size_t fieldSize = le16(extra + at + 2);
        if (at + 4 + fieldSize > length) return nullptr;
        if (le16(extra + at) == kAesField) {
            size = fieldSize;
            return extra + at + 4;
        }
        at += 4 + fieldSize;
    }
    return nullptr;
}

// A well-formed field (7 bytes) that libzip refuses: version other than 1 and 2 (AE-1, AE-2),
// vendor other than "AE", key strength other than 1 to 3 (AES-128, -192, -256).
bool unknownAes(const unsigned char *field, std::size_t size) {
    if (size != 7) return false; // malformed: the archive is damaged, and said so
    const std::uint16_t version = le16(field);
    return (version != 1 && version != 2) || field[2] != 'A' || field[3] != 'E' || field[4] < 1 ||
           field[4] > 3;
}

// One byte of the file as libzip is to read it.
struct Patch {
    std::uint64_t offset;
    unsigned char value;
    bool operator<(const Patch &other) const { return offset < other.offset; }
};

struct Mending {
    std::vector<Patch> patches; // sorted
    std::vector<zip_uint64_t> unknownAes;
};

Mending mendingOf(int fd, std::uint64_t fileSize) {
    std::uint64_t offset = 0;
    const std::vector<unsigned char> cd = centralDirectory(fd, fileSize, offset);
    constexpr std::size_t kHeader = 46;
    Mending m;
    zip_uint64_t index = 0;
    for (std::size_t pos = 0; pos + kHeader <= cd.size(); ++index) {
        const unsigned char *h = &cd[pos];
        if (std::memcmp(h, "PK\1\2", 4) != 0) break;
        const std::size_t nameLength = le16(h + 28), extraLength = le16(h + 30),
                          commentLength = le16(h + 32);
        const std::size_t end = pos + kHeader + nameLength + extraLength + commentLength;
        if (end > cd.size()) break;
        const std::uint64_t at = offset + pos;
        const auto *text = reinterpret_cast<const char *>(h + kHeader);
        const std::string_view name(text, nameLength);
        const std::string_view comment(text + nameLength + extraLength, commentLength);
        // The UTF-8 flag is bit 11, in the flags' high byte.
        if ((le16(h + 8) & 0x800) && (!fileio::IsValidUtf8(name) || !fileio::IsValidUtf8(comment)))
            m.patches.push_back({at + 9, static_cast<unsigned char>(h[9] & ~0x08)});
        std::size_t fieldSize = 0;
        const unsigned char *field =
            le16(h + 10) == kAesMethod ? aesField(h + kHeader + nameLength, extraLength, fieldSize)
                                       : nullptr;
        if (field && unknownAes(field, fieldSize)) {
            m.patches.push_back({at + 10, field[5]});
            m.patches.push_back({at + 11, field[6]});
            m.unknownAes.push_back(index);
        }
        pos = end;
    }
    std::sort(m.patches.begin(), m.patches.end());
    return m;
}

struct MendedFile {
    fileio::Descriptor fd;
    std::uint64_t size = 0;
    std::uint64_t position = 0;
    std::vector<Patch> patches; // sorted
    zip_error_t error;
};

zip_int64_t callback(void *state, void *data, zip_uint64_t length, zip_source_cmd_t command) {
    auto *m = static_cast<MendedFile *>(state);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        m->position = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        const std::size_t n = static_cast<std::size_t>(std::min(length, m->size - m->position));
        if (!readAt(m->fd.get(), m->position, data, n)) {
            zip_error_set(&m->error, ZIP_ER_READ, errno);
            return -1;
        }
        auto *bytes = static_cast<unsigned char *>(data);
        for (auto it =
                 std::lower_bound(m->patches.begin(), m->patches.end(), Patch{m->position, 0});
             it != m->patches.end() && it->offset < m->position + n; ++it)
            bytes[it->offset - m->position] = it->value;
        m->position += n;
        return static_cast<zip_int64_t>(n);
    }
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_STAT: {
        auto *st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &m->error);
        if (!st) return -1;
        zip_stat_init(st);
        st->size = m->size;
        st->valid |= ZIP_STAT_SIZE;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&m->error, data, length);
    case ZIP_SOURCE_SEEK: {
        const zip_int64_t to =
            zip_source_seek_compute_offset(m->position, m->size, data, length, &m->error);
        if (to < 0) return -1;
        m->position = static_cast<std::uint64_t>(to);
        return 0;
    }
    case ZIP_SOURCE_TELL:
        return static_cast<zip_int64_t>(m->position);
    case ZIP_SOURCE_FREE:
        zip_error_fini(&m->error);
        delete m;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(
            ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR,
            ZIP_SOURCE_FREE, ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_SUPPORTS, -1);
    default:
        zip_error_set(&m->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

} // namespace

MendedArchive OpenMended(const std::string &path) {
    auto m = std::make_unique<MendedFile>();
    m->fd.reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!m->fd.isOpen()) return {};
    zip_error_init(&m->error);
    MendedArchive result;
    struct stat st {};
    if (fstat(m->fd.get(), &st) == 0) {
        m->size = static_cast<std::uint64_t>(st.st_size);
        Mending mending = mendingOf(m->fd.get(), m->size);
        m->patches = std::move(mending.patches);
        result.unknownAes = std::move(mending.unknownAes);
    }
    zip_source_t *source =
        m->patches.empty() ? nullptr : zip_source_function_create(callback, m.get(), nullptr);
    if (!source) {
        zip_error_fini(&m->error);
        return {};
    }
    m.release(); // the source owns it now, freed by ZIP_SOURCE_FREE
    result.zip.reset(zip_open_from_source(source, ZIP_RDONLY, nullptr));
    if (!result.zip) {
        zip_source_free(source);
        return {};
    }
    return result;
}

} // namespace zipcomponent

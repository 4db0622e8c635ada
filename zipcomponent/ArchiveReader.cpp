#include "ArchiveReader.h"

#include "EntryNames.h"
#include "ExtractTarget.h"
#include "LibzipError.h"
#include "WinZipAes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace zipcomponent {

namespace {

bool hasExternalUnixMode(zip_t *z, zip_uint64_t index, std::uint32_t &mode) {
    zip_uint8_t opsys = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(z, index, 0, &opsys, &attributes) != 0) return false;
    if (opsys != ZIP_OPSYS_UNIX) return false;
    mode = attributes >> 16;
    return mode != 0;
}

// Whether the file's first MiBs hold a local header signature: a self-extracting archive keeps
// its program before the first one.
bool holdsLocalHeader(const std::string &path) {
    static constexpr char kSignature[] = {'P', 'K', 3, 4};
    static constexpr std::size_t kScanned = 4u << 20;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    std::vector<char> buffer(1 << 16);
    std::size_t carried = 0, total = 0;
    bool found = false;
    while (!found && total < kScanned) {
        const ssize_t got = read(fd, buffer.data() + carried, buffer.size() - carried);
        if (got <= 0) break;
        total += static_cast<std::size_t>(got);
        const auto end = buffer.begin() + static_cast<std::ptrdiff_t>(carried) + got;
        found =
            std::search(buffer.begin(), end, std::begin(kSignature), std::end(kSignature)) != end;
        // The last three bytes may start a signature that the next read completes.
        carried = std::min<std::size_t>(3, static_cast<std::size_t>(end - buffer.begin()));
        std::copy(end - static_cast<std::ptrdiff_t>(carried), end, buffer.begin());
    }
    ::close(fd);
    return found;
}

// Names flagged UTF-8 that are not: libzip 1.7.3 refuses a whole archive for one of them
// (inconsistent archive, at open). Such an archive is read through a source that clears the
// flag in those central-directory records, so that their names are read like any other
// non-UTF-8 name and no other entry is lost.
namespace mending {

std::uint16_t le16(const unsigned char *p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t le32(const unsigned char *p) {
    return static_cast<std::uint32_t>(le16(p)) | static_cast<std::uint32_t>(le16(p + 2)) << 16;
}
std::uint64_t le64(const unsigned char *p) {
    return static_cast<std::uint64_t>(le32(p)) | static_cast<std::uint64_t>(le32(p + 4)) << 32;
}

bool readAt(int fd, std::uint64_t offset, void *out, std::size_t size) {
    auto *p = static_cast<char *>(out);
    while (size > 0) {
        const ssize_t got = pread(fd, p, size, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        p += got;
        offset += static_cast<std::uint64_t>(got);
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

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

// The file offsets of the flag bytes holding a false UTF-8 flag (bit 11, in the high byte).
std::vector<std::uint64_t> falseUtf8Flags(int fd, std::uint64_t fileSize) {
    std::uint64_t offset = 0;
    const std::vector<unsigned char> cd = centralDirectory(fd, fileSize, offset);
    constexpr std::size_t kHeader = 46;
    std::vector<std::uint64_t> flags;
    for (std::size_t pos = 0; pos + kHeader <= cd.size();) {
        const unsigned char *h = &cd[pos];
        if (std::memcmp(h, "PK\1\2", 4) != 0) break;
        const std::size_t nameLength = le16(h + 28), extraLength = le16(h + 30),
                          commentLength = le16(h + 32);
        const std::size_t end = pos + kHeader + nameLength + extraLength + commentLength;
        if (end > cd.size()) break;
        const auto *text = reinterpret_cast<const char *>(h + kHeader);
        const std::string_view name(text, nameLength);
        const std::string_view comment(text + nameLength + extraLength, commentLength);
        if ((le16(h + 8) & 0x800) && (!IsValidUtf8(name) || !IsValidUtf8(comment)))
            flags.push_back(offset + pos + 9);
        pos = end;
    }
    return flags;
}

struct MendedFile {
    int fd = -1;
    std::uint64_t size = 0;
    std::uint64_t position = 0;
    std::vector<std::uint64_t> flags; // sorted
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
        if (!readAt(m->fd, m->position, data, n)) {
            zip_error_set(&m->error, ZIP_ER_READ, errno);
            return -1;
        }
        auto *bytes = static_cast<unsigned char *>(data);
        for (auto it = std::lower_bound(m->flags.begin(), m->flags.end(), m->position);
             it != m->flags.end() && *it < m->position + n; ++it)
            bytes[*it - m->position] &= static_cast<unsigned char>(~0x08);
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
        ::close(m->fd);
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

// The archive with its false UTF-8 flags cleared; empty when it has none or still fails.
ZipHandle open(const std::string &path) {
    auto m = std::make_unique<MendedFile>();
    m->fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m->fd < 0) return {};
    zip_error_init(&m->error);
    struct stat st {};
    if (fstat(m->fd, &st) == 0) {
        m->size = static_cast<std::uint64_t>(st.st_size);
        m->flags = falseUtf8Flags(m->fd, m->size);
    }
    if (m->flags.empty()) {
        ::close(m->fd);
        zip_error_fini(&m->error);
        return {};
    }
    zip_source_t *source = zip_source_function_create(callback, m.get(), nullptr);
    if (!source) {
        ::close(m->fd);
        zip_error_fini(&m->error);
        return {};
    }
    m.release(); // the source owns it now, freed by ZIP_SOURCE_FREE
    ZipHandle z(zip_open_from_source(source, ZIP_RDONLY, nullptr));
    if (!z) zip_source_free(source);
    return z;
}

} // namespace mending

} // namespace

std::tm LocalTime(std::time_t t) {
    // Entries of an archive mostly share a few days: within a local day whose two ends have the
    // same UTC offset, the local time is the UTC time shifted by that offset, with no look-up in
    // the zone's rules.
    struct Day {
        std::time_t start = 1, end = 0; // empty
        long offset = 0;
        int isDst = 0;
    };
    thread_local Day day;
    std::tm tm{};
    if (t >= day.start && t < day.end) {
        const std::time_t shifted = t + day.offset;
        gmtime_r(&shifted, &tm);
        tm.tm_isdst = day.isDst;
        tm.tm_gmtoff = day.offset;
        return tm;
    }
    localtime_r(&t, &tm);
    const std::time_t start = t - (tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec);
    const std::time_t end = start + 86400;
    std::tm first{}, last{};
    const std::time_t lastSecond = end - 1;
    localtime_r(&start, &first);
    localtime_r(&lastSecond, &last);
    if (first.tm_gmtoff == tm.tm_gmtoff && last.tm_gmtoff == tm.tm_gmtoff)
        day = Day{start, end, tm.tm_gmtoff, tm.tm_isdst};
    return tm;
}

ZipHandle OpenZip(const std::string &path, int flags) {
    int error = 0;
    ZipHandle z(zip_open(path.c_str(), flags, &error));
    if (!z) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, error);
        ZipError failure = LibzipError(&ze, path);
        zip_error_fini(&ze);
        // With no end record libzip says "not a zip archive"; a file that holds a local header
        // is an archive cut short or damaged, and is called so.
        if (error == ZIP_ER_NOZIP && holdsLocalHeader(path))
            failure = ZipError(FrenchZipMessage(ZIP_ER_INCONS, path), failure.detail());
        throw failure;
    }
    return z;
}

ArchiveReader::ArchiveReader(const std::string &path) : path_(path) {
    if (stat(path.c_str(), &identity_) != 0)
        throw ZipError(FrenchZipMessage(errno == ENOENT ? ZIP_ER_NOENT : ZIP_ER_OPEN, path),
                       std::string("stat: ") + std::strerror(errno));
    if (!S_ISREG(identity_.st_mode)) throw ZipError(FrenchZipMessage(ZIP_ER_NOZIP, path));
    try {
        zip_ = OpenZip(path, ZIP_RDONLY);
    } catch (const ZipError &) {
        zip_ = mending::open(path);
        if (!zip_) throw;
    }
    const zip_int64_t count = zip_get_num_entries(zip_.get(), 0);
    entries_.reserve(static_cast<std::size_t>(std::max<zip_int64_t>(count, 0)));
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(zip_.get(), i, ZIP_FL_ENC_RAW, &st) != 0 || !(st.valid & ZIP_STAT_NAME))
            continue;
        EntryInfo e;
        e.index = static_cast<zip_uint64_t>(i);
        const std::string_view raw(st.name);
        e.isFolder = !raw.empty() && (raw.back() == '/' || raw.back() == '\\');
        e.name = DecodeEntryName(raw);
        while (!e.name.empty() && e.name.back() == '/')
            e.name.pop_back();
        e.size = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
        e.compressedSize = (st.valid & ZIP_STAT_COMP_SIZE) ? st.comp_size : 0;
        e.mtime = (st.valid & ZIP_STAT_MTIME) ? st.mtime : 0;
        e.crc = (st.valid & ZIP_STAT_CRC) ? st.crc : 0;
        e.method = (st.valid & ZIP_STAT_COMP_METHOD) ? st.comp_method : 0;
        e.encryption = (st.valid & ZIP_STAT_ENCRYPTION_METHOD) ? st.encryption_method : 0;
        std::uint32_t mode = 0;
        if (hasExternalUnixMode(zip_.get(), e.index, mode)) {
            e.isSymlink = S_ISLNK(mode);
            if (S_ISDIR(mode)) e.isFolder = true;
            e.unixMode = mode & 0777;
        }
        entries_.push_back(std::move(e));
    }
}

const EntryInfo *ArchiveReader::find(const std::string &name) const {
    // Built on the first look-up: listing alone never needs it.
    if (byName_.empty() && !entries_.empty()) {
        byName_.reserve(entries_.size());
        for (std::size_t i = 0; i < entries_.size(); ++i)
            byName_[entries_[i].name] = i;
    }
    const auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : &entries_[it->second];
}

bool ArchiveReader::isCurrent() const {
    struct stat now {};
    if (stat(path_.c_str(), &now) != 0) return false;
    return now.st_ino == identity_.st_ino && now.st_dev == identity_.st_dev &&
           now.st_size == identity_.st_size && now.st_mtim.tv_sec == identity_.st_mtim.tv_sec &&
           now.st_mtim.tv_nsec == identity_.st_mtim.tv_nsec;
}

namespace {

// Closes the entry on every path; the close result carries libzip's late CRC verdict.
struct EntryFile {
    zip_file_t *file = nullptr;
    ~EntryFile() {
        if (file) zip_fclose(file);
    }
    int close() {
        const int r = zip_fclose(file);
        file = nullptr;
        return r;
    }
};

} // namespace

WriteOutcome ArchiveReader::writeEntry(const EntryInfo &entry, const std::string &destination,
                                       const ReplacePolicy &mayReplace, const ExtractHooks &hooks) {
    if (entry.isSymlink)
        throw ZipError(Quoted(entry.name) + " est un lien symbolique : il n'est pas extrait.");
    const std::optional<std::string> relative = SafeRelativePath(entry.name);
    if (!relative)
        throw ZipError(Quoted(entry.name) +
                       " sortirait du dossier de destination : l'entrée n'est pas extraite.");
    ExtractTarget target(destination, *relative, entry.name);
    if (const std::optional<struct stat> existing = target.existing()) {
        if (S_ISDIR(existing->st_mode))
            throw ZipError(Quoted(target.path()) + " existe déjà et est un dossier.");
        if (mayReplace && !mayReplace(target.path(), *existing)) return WriteOutcome::Kept;
    }
    readEntry(
        entry, hooks, [&] { target.create(entry.unixMode != 0 ? entry.unixMode : 0666); },
        [&](const char *data, std::size_t size) { target.write(data, size); });
    target.commit(entry.mtime);
    return WriteOutcome::Written;
}

void ArchiveReader::checkEntry(const EntryInfo &entry, const ExtractHooks &hooks) {
    readEntry(entry, hooks, {}, {});
}

void ArchiveReader::readEntry(const EntryInfo &entry, const ExtractHooks &hooks,
                              const std::function<void()> &opened,
                              const std::function<void(const char *, std::size_t)> &sink) {
    // AE-2 entries are read by our own reader: libzip 1.7.3 refuses their zero CRC.
    const bool ae2 = IsAe2Entry(zip_.get(), entry.index);
    const bool encrypted = ae2 || entry.encryption != ZIP_EM_NONE;
    // libzip 1.7.3 leaks what it set up when asked to open an entry whose method it lacks.
    if (!ae2 && encrypted && !zip_encryption_method_supported(entry.encryption, 0))
        throw ZipError(FrenchZipMessage(ZIP_ER_ENCRNOTSUPP, entry.name, Subject::Entry));
    if (!ae2 && !zip_compression_method_supported(entry.method, 0))
        throw ZipError(FrenchZipMessage(ZIP_ER_COMPNOTSUPP, entry.name, Subject::Entry));
    if (encrypted && !password_) {
        std::optional<std::string> given;
        if (hooks.password) given = hooks.password(entry.name);
        if (!given || given->empty())
            throw ZipError("Aucun mot de passe donné : " + Quoted(entry.name) +
                           " n'est pas extrait.");
        password_ = std::move(given);
    }
    EntryFile in;
    std::unique_ptr<Ae2Reader> aes;
    if (ae2) {
        try {
            aes = std::make_unique<Ae2Reader>(zip_.get(), entry.index, entry.name, *password_);
        } catch (const WrongPassword &) {
            password_.reset();
            throw;
        }
    } else {
        in.file = encrypted
                      ? zip_fopen_index_encrypted(zip_.get(), entry.index, 0, password_->c_str())
                      : zip_fopen_index(zip_.get(), entry.index, 0);
        if (!in.file) {
            const int code = zip_error_code_zip(zip_get_error(zip_.get()));
            ZipError failure = LibzipError(zip_.get(), entry.name, Subject::Entry);
            if (code == ZIP_ER_WRONGPASSWD) {
                password_.reset();
                throw WrongPassword(failure.description(), failure.detail());
            }
            throw failure;
        }
    }

    // Anything that goes wrong while reading an entry under traditional encryption may be a
    // password that passed its one-byte check.
    auto readFailure = [&](std::string text, std::string detail) {
        if (encrypted && !ae2) {
            password_.reset();
            return ZipError("Mot de passe incorrect ou données endommagées pour " +
                                Quoted(entry.name) + ".",
                            std::move(detail));
        }
        return ZipError(std::move(text), std::move(detail));
    };
    auto read = [&](char *out, std::size_t size) -> std::size_t {
        if (aes) return aes->read(out, size);
        const zip_int64_t got = zip_fread(in.file, out, size);
        if (got < 0)
            throw readFailure(FrenchZipMessage(zip_error_code_zip(zip_file_get_error(in.file)),
                                               entry.name, Subject::Entry),
                              zip_file_strerror(in.file));
        return static_cast<std::size_t>(got);
    };
    const std::string wrongSize =
        "L'entrée " + Quoted(entry.name) + " est endommagée (taille inattendue).";

    if (opened) opened();
    constexpr std::uint64_t kReportEvery = 1u << 20;
    static thread_local std::vector<char> buffer(1 << 18);
    std::uint64_t written = 0, reported = 0;
    if (hooks.progress) hooks.progress(0, entry.size);
    for (;;) {
        if (hooks.cancelled && hooks.cancelled()) throw Cancelled();
        const std::size_t got = read(buffer.data(), buffer.size());
        if (got == 0) break;
        written += got;
        if (written > entry.size) throw readFailure(wrongSize, "more data than announced");
        if (sink) sink(buffer.data(), got);
        if (hooks.progress && written - reported >= kReportEvery) {
            hooks.progress(written, entry.size);
            reported = written;
        }
    }
    if (aes)
        aes->verify();
    else if (in.close() != 0)
        throw readFailure(FrenchZipMessage(ZIP_ER_CRC, entry.name, Subject::Entry), "zip_fclose");
    if (written != entry.size) throw readFailure(wrongSize, "size mismatch");
    if (hooks.progress && reported != written) hooks.progress(written, entry.size);
}

} // namespace zipcomponent

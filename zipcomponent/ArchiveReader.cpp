#include "ArchiveReader.h"

#include "Descriptor.h"
#include "EntryNames.h"
#include "EntryStream.h"
#include "ExtractTarget.h"
#include "LibzipError.h"
#include "MendedSource.h"
#include "ReadWrite.h"
#include "WinZipAes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>

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

// The modification time of the Unix time field ("UT", 0x5455) that Info-ZIP and bsdtar write:
// seconds since 1970 in UTC, where the DOS time is the local time of wherever the archive was
// made. The central copy holds the modification time only, after a flags byte (bit 0: present).
void unixTime(zip_t *z, zip_uint64_t index, std::time_t &mtime) {
    zip_uint16_t length = 0;
    const zip_uint8_t *field =
        zip_file_extra_field_get_by_id(z, index, 0x5455, 0, &length, ZIP_FL_CENTRAL);
    if (!field || length < 5 || !(field[0] & 1)) return;
    const std::uint32_t seconds =
        static_cast<std::uint32_t>(field[1]) | static_cast<std::uint32_t>(field[2]) << 8 |
        static_cast<std::uint32_t>(field[3]) << 16 | static_cast<std::uint32_t>(field[4]) << 24;
    mtime = static_cast<std::int32_t>(seconds);
}

// Whether the file's first MiBs hold a local header signature: a self-extracting archive keeps
// its program before the first one.
bool holdsLocalHeader(const std::string &path) {
    static constexpr char kSignature[] = {'P', 'K', 3, 4};
    static constexpr std::size_t kScanned = 4u << 20;
    const fileio::Descriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.isOpen()) return false;
    std::vector<char> buffer(1 << 16);
    std::size_t carried = 0, total = 0;
    bool found = false;
    while (!found && total < kScanned) {
        const ssize_t got =
            fileio::ReadAll(fd.get(), buffer.data() + carried, buffer.size() - carried);
        if (got <= 0) break;
        total += static_cast<std::size_t>(got);
        const auto end = buffer.begin() + static_cast<std::ptrdiff_t>(carried) + got;
        found =
            std::search(buffer.begin(), end, std::begin(kSignature), std::end(kSignature)) != end;
        // The last three bytes may start a signature that the next read completes.
        carried = std::min<std::size_t>(3, static_cast<std::size_t>(end - buffer.begin()));
        std::copy(end - static_cast<std::ptrdiff_t>(carried), end, buffer.begin());
    }
    return found;
}

} // namespace

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
    std::vector<zip_uint64_t> unknownAes;
    try {
        zip_ = OpenZip(path, ZIP_RDONLY);
    } catch (const ZipError &) {
        MendedArchive mended = OpenMended(path);
        if (!mended.zip) throw;
        zip_ = std::move(mended.zip);
        unknownAes = std::move(mended.unknownAes);
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
        unixTime(zip_.get(), e.index, e.mtime);
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
    // Both lists follow the central directory's order.
    auto entry = entries_.begin();
    for (const zip_uint64_t index : unknownAes) {
        entry = std::find_if(entry, entries_.end(),
                             [index](const EntryInfo &e) { return e.index >= index; });
        if (entry != entries_.end() && entry->index == index) entry->encryption = ZIP_EM_UNKNOWN;
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

WriteOutcome ArchiveReader::writeEntry(const EntryInfo &entry, const std::string &destination,
                                       const ReplacePolicy &mayReplace, const ExtractHooks &hooks) {
    if (entry.isSymlink)
        throw ZipError(Quoted(entry.name) + " est un lien symbolique : il n'est pas extrait.");
    const std::optional<std::string> relative = SafeRelativePath(entry.name);
    if (!relative)
        throw ZipError(Quoted(entry.name) +
                       " sortirait du dossier de destination : l'entrée n'est pas extraite.");

    // Every refusal (method, encryption, password) comes before anything is made on disk or
    // asked about the target: an entry that cannot be read leaves no folder behind and raises
    // no overwrite question.
    std::optional<ExtractTarget> target;
    const bool read = readEntry(
        entry, hooks,
        [&] {
            target.emplace(destination, *relative, entry.name);
            if (const std::optional<struct stat> existing = target->existing()) {
                if (S_ISDIR(existing->st_mode))
                    throw ZipError(Quoted(target->path()) + " existe déjà et est un dossier.");
                if (mayReplace && !mayReplace(target->path(), *existing)) return false;
            }
            target->create(entry.unixMode != 0 ? entry.unixMode : 0666);
            return true;
        },
        [&](const char *data, std::size_t size) { target->write(data, size); });
    if (!read) return WriteOutcome::Kept;
    target->commit(entry.mtime);
    return WriteOutcome::Written;
}

void ArchiveReader::checkEntry(const EntryInfo &entry, const ExtractHooks &hooks) {
    readEntry(entry, hooks, {}, {});
}

bool ArchiveReader::readEntry(const EntryInfo &entry, const ExtractHooks &hooks,
                              const std::function<bool()> &opened,
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
    std::unique_ptr<EntryStream> in;
    try {
        in = OpenEntryStream(zip_.get(), entry.index, entry.name, entry.size, ae2,
                             encrypted ? &*password_ : nullptr);
    } catch (const WrongPassword &) {
        password_.reset();
        throw;
    }

    // Anything that goes wrong while reading an encrypted entry may be a wrong password that
    // passed its check (one byte under traditional encryption, two under AES): it is forgotten,
    // and asked again for the next entry.
    auto checked = [&](auto step) {
        try {
            return step();
        } catch (const ZipError &) {
            if (encrypted) password_.reset();
            throw;
        }
    };

    if (opened && !opened()) return false;
    constexpr std::uint64_t kReportEvery = 1u << 20;
    static thread_local std::vector<char> buffer(1 << 18);
    std::uint64_t written = 0, reported = 0;
    if (hooks.progress) hooks.progress(0, entry.size);
    for (;;) {
        if (hooks.cancelled && hooks.cancelled()) throw Cancelled();
        const std::size_t got = checked([&] { return in->read(buffer.data(), buffer.size()); });
        if (got == 0) break;
        written += got;
        if (sink) sink(buffer.data(), got);
        if (hooks.progress && written - reported >= kReportEvery) {
            hooks.progress(written, entry.size);
            reported = written;
        }
    }
    checked([&] { in->verify(); });
    if (hooks.progress && reported != written) hooks.progress(written, entry.size);
    return true;
}

} // namespace zipcomponent

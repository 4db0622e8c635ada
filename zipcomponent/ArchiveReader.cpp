#include "ArchiveReader.h"

#include "EntryNames.h"
#include "LibzipError.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace zipcomponent {

namespace {

// With TZ unset, glibc reloads /etc/localtime on every mktime, which libzip calls for each
// entry's date: pin the zone once, as the same file.
void pinTimeZone() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (std::getenv("TZ") == nullptr) setenv("TZ", ":/etc/localtime", 0);
        tzset();
    });
}

mode_t currentUmask() {
    static const mode_t mask = [] {
        const mode_t m = umask(0);
        umask(m);
        return m;
    }();
    return mask;
}

std::string systemDetail(const std::string &what) {
    return what + ": " + std::strerror(errno);
}

// The text for an errno met while writing `target`.
std::string writeFailure(int err, const std::string &target) {
    if (err == ENOSPC || err == EDQUOT)
        return "Le disque est plein : " + Quoted(target) + " n'a pas pu être écrit.";
    if (err == EACCES || err == EPERM || err == EROFS)
        return "Accès refusé : " + Quoted(target) + " n'a pas pu être écrit.";
    return "Écriture impossible de " + Quoted(target) + ".";
}

bool hasExternalUnixMode(zip_t *z, zip_uint64_t index, std::uint32_t &mode) {
    zip_uint8_t opsys = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(z, index, 0, &opsys, &attributes) != 0) return false;
    if (opsys != ZIP_OPSYS_UNIX) return false;
    mode = attributes >> 16;
    return mode != 0;
}

} // namespace

std::tm LocalTime(std::time_t t) {
    pinTimeZone();
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

void EnsureFolder(const std::string &folder) {
    if (folder.empty()) return;
    struct stat st {};
    if (stat(folder.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return;
        throw ZipError(Quoted(folder) + " existe déjà et n'est pas un dossier.");
    }
    const std::size_t slash = folder.find_last_of('/');
    if (slash != std::string::npos && slash > 0) EnsureFolder(folder.substr(0, slash));
    if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST)
        throw ZipError("Impossible de créer le dossier " + Quoted(folder) + ".",
                       systemDetail("mkdir"));
}

ZipHandle OpenZip(const std::string &path, int flags) {
    int error = 0;
    ZipHandle z(zip_open(path.c_str(), flags, &error));
    if (!z) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, error);
        const ZipError failure = LibzipError(&ze, path);
        zip_error_fini(&ze);
        throw failure;
    }
    return z;
}

ArchiveReader::ArchiveReader(const std::string &path) : path_(path) {
    pinTimeZone();
    if (stat(path.c_str(), &identity_) != 0)
        throw ZipError(FrenchZipMessage(errno == ENOENT ? ZIP_ER_NOENT : ZIP_ER_OPEN, path),
                       systemDetail("stat"));
    if (!S_ISREG(identity_.st_mode)) throw ZipError(FrenchZipMessage(ZIP_ER_NOZIP, path));
    zip_ = OpenZip(path, ZIP_RDONLY);
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

// Removes the temporary file unless it was renamed into place.
struct TempFile {
    std::string path;
    int fd = -1;
    ~TempFile() {
        if (fd >= 0) ::close(fd);
        if (!path.empty()) unlink(path.c_str());
    }
};

} // namespace

WriteOutcome ArchiveReader::writeEntry(const EntryInfo &entry, const std::string &destination,
                                       const std::string &relativePath,
                                       const ReplacePolicy &mayReplace, const ExtractHooks &hooks) {
    // Folders below the destination, refusing any that is a link or not a folder.
    std::string folder = destination;
    std::size_t start = 0;
    for (std::size_t slash; (slash = relativePath.find('/', start)) != std::string::npos;
         start = slash + 1) {
        folder += '/';
        folder += relativePath.substr(start, slash - start);
        struct stat st {};
        if (lstat(folder.c_str(), &st) != 0) {
            if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST)
                throw ZipError(writeFailure(errno, folder), systemDetail("mkdir"));
            if (lstat(folder.c_str(), &st) != 0)
                throw ZipError(writeFailure(errno, folder), systemDetail("lstat"));
        }
        if (S_ISLNK(st.st_mode))
            throw ZipError("Le chemin de " + Quoted(entry.name) +
                           " passe par un lien symbolique : l'entrée n'est pas extraite.");
        if (!S_ISDIR(st.st_mode))
            throw ZipError(Quoted(folder) + " existe déjà et n'est pas un dossier.");
    }
    const std::string target = folder + '/' + relativePath.substr(start);

    struct stat existing {};
    if (lstat(target.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode))
            throw ZipError(Quoted(target) + " existe déjà et est un dossier.");
        if (mayReplace && !mayReplace(target, existing)) return WriteOutcome::Kept;
    }

    EntryFile in;
    if (entry.encryption != ZIP_EM_NONE) {
        if (!password_) {
            std::optional<std::string> given;
            if (hooks.password) given = hooks.password(entry.name);
            if (!given || given->empty())
                throw ZipError("Aucun mot de passe donné : " + Quoted(entry.name) +
                               " n'est pas extrait.");
            password_ = std::move(given);
        }
        in.file = zip_fopen_index_encrypted(zip_.get(), entry.index, 0, password_->c_str());
    } else {
        in.file = zip_fopen_index(zip_.get(), entry.index, 0);
    }
    if (!in.file) {
        if (zip_error_code_zip(zip_get_error(zip_.get())) == ZIP_ER_WRONGPASSWD) password_.reset();
        throw LibzipError(zip_.get(), entry.name);
    }

    TempFile temp;
    temp.path = folder + "/.mivo-XXXXXX";
    temp.fd = mkstemp(temp.path.data());
    if (temp.fd < 0) {
        const int err = errno;
        temp.path.clear();
        throw ZipError(writeFailure(err, target), systemDetail("mkstemp"));
    }

    // Anything that goes wrong while reading an encrypted entry may be a password that passed
    // the one-byte check of traditional encryption.
    auto readFailure = [&](int code, const std::string &detail) {
        if (entry.encryption != ZIP_EM_NONE) {
            password_.reset();
            return ZipError("Mot de passe incorrect ou données endommagées pour " +
                                Quoted(entry.name) + ".",
                            detail);
        }
        return ZipError(FrenchZipMessage(code, entry.name), detail);
    };

    constexpr std::uint64_t kReportEvery = 1u << 20;
    static thread_local std::vector<char> buffer(1 << 18);
    std::uint64_t written = 0, reported = 0;
    if (hooks.progress) hooks.progress(0, entry.size);
    for (;;) {
        const zip_int64_t got = zip_fread(in.file, buffer.data(), buffer.size());
        if (got < 0) {
            const zip_error_t *ze = zip_file_get_error(in.file);
            throw readFailure(zip_error_code_zip(ze), zip_file_strerror(in.file));
        }
        if (got == 0) break;
        written += static_cast<std::uint64_t>(got);
        if (written > entry.size) throw readFailure(ZIP_ER_INCONS, "more data than announced");
        for (const char *p = buffer.data(), *end = p + got; p < end;) {
            const ssize_t w = ::write(temp.fd, p, static_cast<std::size_t>(end - p));
            if (w < 0) {
                if (errno == EINTR) continue;
                throw ZipError(writeFailure(errno, target), systemDetail("write"));
            }
            p += w;
        }
        if (hooks.progress && written - reported >= kReportEvery) {
            hooks.progress(written, entry.size);
            reported = written;
        }
    }
    if (in.close() != 0) throw readFailure(ZIP_ER_CRC, "zip_fclose");
    if (written != entry.size) throw readFailure(ZIP_ER_INCONS, "size mismatch");
    if (hooks.progress && reported != written) hooks.progress(written, entry.size);

    const mode_t mode = (entry.unixMode != 0 ? entry.unixMode : 0666) & ~currentUmask() & 0777;
    fchmod(temp.fd, mode);
    const struct timespec times[2] = {{0, UTIME_NOW}, {entry.mtime, 0}};
    futimens(temp.fd, times);
    const int fd = temp.fd;
    temp.fd = -1;
    if (::close(fd) != 0) throw ZipError(writeFailure(errno, target), systemDetail("close"));
    if (rename(temp.path.c_str(), target.c_str()) != 0)
        throw ZipError(writeFailure(errno, target), systemDetail("rename"));
    temp.path.clear();
    return WriteOutcome::Written;
}

} // namespace zipcomponent

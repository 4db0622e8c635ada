#include "AtomicFile.h"

#include "ReadWrite.h"
#include "TemporaryFiles.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fileio {

namespace {

constexpr int kMaxLinks = 40; // as the kernel's own limit on a path's links
// Written data is handed to the disk in pieces of this size as it comes: the sync of the commit
// then waits for the last piece only, not for the whole file.
constexpr off_t kWriteBackPiece = 8 << 20;
// ".NAME.XXXXXX" must fit in NAME_MAX: a long name is cut, the random part keeps it unique.
constexpr std::size_t kMaxBaseInName = NAME_MAX - 8;

std::string folderOf(const std::string &path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    return path.substr(0, slash + 1);
}

std::string randomSuffix() {
    static constexpr char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[6];
    if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
        // No entropy source: the clock and the process still tell two writers apart, and
        // O_EXCL makes a collision a retry, never a shared file.
        const auto seed =
            static_cast<unsigned long>(getpid()) ^ static_cast<unsigned long>(clock());
        for (std::size_t i = 0; i < sizeof bytes; ++i)
            bytes[i] = static_cast<unsigned char>(seed >> (5 * i));
    }
    std::string suffix;
    for (unsigned char b : bytes)
        suffix += alphabet[b % (sizeof alphabet - 1)];
    return suffix;
}

} // namespace

bool ResolveLinks(const std::string &path, std::string &resolved) {
    resolved = path;
    for (int hops = 0; hops <= kMaxLinks; ++hops) {
        char target[PATH_MAX];
        const ssize_t n = readlink(resolved.c_str(), target, sizeof target);
        if (n < 0) return errno == EINVAL || errno == ENOENT; // not a link, or nothing there yet
        if (n == static_cast<ssize_t>(sizeof target)) {
            errno = ENAMETOOLONG;
            return false;
        }
        const std::string next(target, static_cast<std::size_t>(n));
        resolved = next.front() == '/' ? next : folderOf(resolved) + next;
    }
    errno = ELOOP;
    return false;
}

bool AtomicFile::fail() {
    error_ = errno;
    discard();
    errno = error_;
    return false;
}

bool AtomicFile::open(const std::string &target, Links links) {
    discard();
    error_ = 0;
    if (links == Links::Follow) {
        if (!ResolveLinks(target, final_)) return fail();
    } else {
        final_ = target;
    }
    if (final_.empty()) {
        errno = ENOENT;
        return fail();
    }
    if (final_.front() != '/') {
        // Absolute, so that a signal handler can remove the temporary whatever the folder then.
        char cwd[PATH_MAX];
        if (!getcwd(cwd, sizeof cwd)) return fail();
        final_ = std::string(cwd) + "/" + final_;
    }
    struct stat existing {};
    const bool replacing = lstat(final_.c_str(), &existing) == 0;
    if (!replacing && errno != ENOENT) return fail();
    if (replacing && !S_ISREG(existing.st_mode)) {
        errno = S_ISDIR(existing.st_mode) ? EISDIR : S_ISLNK(existing.st_mode) ? ELOOP : EINVAL;
        return fail();
    }
    const std::size_t slash = final_.rfind('/');
    const std::string base = final_.substr(slash + 1).substr(0, kMaxBaseInName);
    // The clean-up at the program's end waits until this one is registered: the file is never
    // on disk unknown to it.
    std::optional<TemporaryCreation> creation(std::in_place);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_ = final_.substr(0, slash + 1) + "." + base + "." + randomSuffix();
        fd_ = ::open(temp_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ >= 0 || errno != EEXIST) break;
    }
    const int openError = errno;
    if (fd_ >= 0) slot_ = RegisterTemporary(temp_.c_str());
    creation.reset();
    if (fd_ < 0) {
        temp_.clear();
        errno = openError;
        return fail();
    }
    // The mode is set before any data is written, so the data is never more readable than the
    // file it replaces.
    if (replacing && fchmod(fd_, existing.st_mode & 07777) != 0) return fail();
    position_ = writtenBack_ = 0;
    return true;
}

bool AtomicFile::write(const void *data, std::size_t size) {
    if (fd_ < 0) {
        errno = EBADF;
        return fail();
    }
    if (!WriteAll(fd_, data, size)) return fail();
    position_ += static_cast<off_t>(size);
    // Only a start: a failure here shows again in the sync of the commit.
    if (position_ - writtenBack_ >= kWriteBackPiece) {
        sync_file_range(fd_, writtenBack_, position_ - writtenBack_, SYNC_FILE_RANGE_WRITE);
        writtenBack_ = position_;
    }
    return true;
}

bool AtomicFile::seek(off_t offset, int whence) {
    if (fd_ < 0) {
        errno = EBADF;
        return fail();
    }
    const off_t at = lseek(fd_, offset, whence);
    if (at < 0) return fail();
    position_ = at;
    writtenBack_ = std::min(writtenBack_, at);
    return true;
}

off_t AtomicFile::tell() const {
    return fd_ >= 0 ? position_ : -1;
}

bool AtomicFile::commit() {
    if (fd_ < 0) {
        errno = EBADF;
        return fail();
    }
    // Data on disk before the name: after a crash the final name holds the old or the new file.
    if (fsync(fd_) != 0) return fail();
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0 || rename(temp_.c_str(), final_.c_str()) != 0) return fail();
    temp_.clear(); // renamed: nothing left to remove
    UnregisterTemporary(slot_);
    slot_ = 0;
    // The rename itself, on disk. A file system that cannot sync a folder loses nothing here.
    const int folder = ::open(folderOf(final_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return true;
}

void AtomicFile::discard() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    if (!temp_.empty()) unlink(temp_.c_str());
    temp_.clear();
    UnregisterTemporary(slot_);
    slot_ = 0;
}

bool WriteFileAtomically(const std::string &target, std::string_view data) {
    AtomicFile file;
    return file.open(target) && file.write(data.data(), data.size()) && file.commit();
}

} // namespace fileio

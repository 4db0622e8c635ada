#include "ExtractTarget.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <unistd.h>

namespace zipcomponent {

namespace {

constexpr const char *kNoDestination =
    "Aucun dossier de destination n'est indiqué : rien n'est extrait.";

std::string systemDetail(const char *what, int err = errno) {
    return std::string(what) + ": " + std::strerror(err);
}

// The user's chosen folder is taken by path (a link there is the user's own choice).
void ensureFolder(const std::string &folder) {
    struct stat st {};
    if (stat(folder.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return;
        throw ZipError(Quoted(folder) + " existe déjà et n'est pas un dossier.");
    }
    const std::size_t slash = folder.find_last_of('/');
    if (slash != std::string::npos && slash > 0) ensureFolder(folder.substr(0, slash));
    if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST)
        throw ZipError("Impossible de créer le dossier " + Quoted(folder) + ".",
                       systemDetail("mkdir"));
}

// A fresh name for a temporary file; O_EXCL makes it ours, a clash only costs another try.
std::string temporaryName() {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::string name = ".mivo-XXXXXX";
    for (std::size_t i = 6; i < name.size(); ++i)
        name[i] = kLetters[random() % (sizeof kLetters - 1)];
    return name;
}

void closeIfOpen(int &fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

} // namespace

// Closes on every path out of a folder walk.
struct ExtractTarget::Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

void PrepareDestination(const std::string &destination) {
    if (destination.empty()) throw ZipError(kNoDestination);
    ensureFolder(destination);
}

std::string WriteFailure(int err, const std::string &target) {
    if (err == ENOSPC || err == EDQUOT)
        return "Le disque est plein : " + Quoted(target) + " n'a pas pu être écrit.";
    if (err == EACCES || err == EPERM || err == EROFS)
        return "Accès refusé : " + Quoted(target) + " n'a pas pu être écrit.";
    return "Écriture impossible de " + Quoted(target) + ".";
}

ExtractTarget::ExtractTarget(const std::string &destination, const std::string &relativePath,
                             const std::string &entryName)
    : path_(destination + '/' + relativePath), entryName_(entryName), destination_(destination) {
    if (destination.empty()) throw ZipError(kNoDestination);
    std::size_t start = 0;
    for (std::size_t slash; (slash = relativePath.find('/', start)) != std::string::npos;
         start = slash + 1)
        folders_.push_back(relativePath.substr(start, slash - start));
    leaf_ = relativePath.substr(start);
    absoluteFolder_ = std::filesystem::absolute(destination).lexically_normal().string();
    for (const std::string &name : folders_)
        absoluteFolder_ += '/' + name;
    folder_ = openFolder(true);
}

int ExtractTarget::openFolder(bool make) const {
    Descriptor fd{open(destination_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (fd.fd < 0)
        throw ZipError("Impossible d'ouvrir le dossier " + Quoted(destination_) + ".",
                       systemDetail("open"));
    std::string walked = destination_;
    for (const std::string &name : folders_) {
        walked += '/' + name;
        constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
        Descriptor next{openat(fd.fd, name.c_str(), kFlags)};
        if (next.fd < 0 && errno == ENOENT && make) {
            if (mkdirat(fd.fd, name.c_str(), 0777) != 0 && errno != EEXIST) {
                const int err = errno;
                throw ZipError(WriteFailure(err, walked), systemDetail("mkdirat", err));
            }
            next.fd = openat(fd.fd, name.c_str(), kFlags);
        }
        if (next.fd < 0) {
            const int err = errno;
            struct stat st {};
            if (fstatat(fd.fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
                if (S_ISLNK(st.st_mode))
                    throw ZipError("Le chemin de " + Quoted(entryName_) +
                                   " passe par un lien symbolique : l'entrée n'est pas extraite.");
                if (!S_ISDIR(st.st_mode))
                    throw ZipError(Quoted(walked) + " existe déjà et n'est pas un dossier.");
            }
            throw ZipError(WriteFailure(err, walked), systemDetail("openat", err));
        }
        std::swap(fd.fd, next.fd);
    }
    const int folder = fd.fd;
    fd.fd = -1;
    return folder;
}

ExtractTarget::~ExtractTarget() {
    closeIfOpen(file_);
    removeTemporary();
    closeIfOpen(folder_);
}

void ExtractTarget::removeTemporary() {
    if (temporary_.empty()) return;
    unlinkat(folder_, temporary_.c_str(), 0);
    temporary_.clear();
    UnregisterTemporary(slot_);
    slot_ = 0;
}

std::optional<struct stat> ExtractTarget::existing() const {
    struct stat st {};
    if (fstatat(folder_, leaf_.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
    return st;
}

void ExtractTarget::create(mode_t mode) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = temporaryName();
        file_ = openat(folder_, name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC,
                       mode);
        if (file_ >= 0) {
            temporary_ = std::move(name);
            slot_ = RegisterTemporary((absoluteFolder_ + '/' + temporary_).c_str());
            return;
        }
        if (errno != EEXIST) break;
    }
    const int err = errno;
    throw ZipError(WriteFailure(err, path_), systemDetail("openat", err));
}

void ExtractTarget::write(const char *data, std::size_t size) {
    for (const char *p = data, *end = data + size; p < end;) {
        const ssize_t w = ::write(file_, p, static_cast<std::size_t>(end - p));
        if (w < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            throw ZipError(WriteFailure(err, path_), systemDetail("write", err));
        }
        p += w;
    }
}

void ExtractTarget::commit(std::time_t mtime) {
    const struct timespec times[2] = {{0, UTIME_NOW}, {mtime, 0}};
    futimens(file_, times);
    const int fd = file_;
    file_ = -1;
    if (::close(fd) != 0) {
        const int err = errno;
        throw ZipError(WriteFailure(err, path_), systemDetail("close", err));
    }
    // The folder written into must still be the one its path leads to: a folder on the way
    // moved and replaced (by a link, say) during the writing fails the entry instead of filling
    // a folder the user no longer sees there.
    bool same = false;
    try {
        const Descriptor now{openFolder(false)};
        struct stat reached {
        }, held{};
        same = fstat(now.fd, &reached) == 0 && fstat(folder_, &held) == 0 &&
               reached.st_dev == held.st_dev && reached.st_ino == held.st_ino;
    } catch (const ZipError &) {
    }
    if (!same)
        throw ZipError("Le dossier de " + Quoted(entryName_) +
                       " a été remplacé pendant l'extraction : l'entrée n'est pas extraite.");
    if (renameat(folder_, temporary_.c_str(), folder_, leaf_.c_str()) != 0) {
        const int err = errno;
        throw ZipError(WriteFailure(err, path_), systemDetail("renameat", err));
    }
    temporary_.clear();
    UnregisterTemporary(slot_);
    slot_ = 0;
}

} // namespace zipcomponent

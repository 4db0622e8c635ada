#include "ExtractTarget.h"

#include "ReadWrite.h"

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

} // namespace

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

fileio::Descriptor ExtractTarget::openFolder(bool make) const {
    fileio::Descriptor fd(open(destination_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.isOpen())
        throw ZipError("Impossible d'ouvrir le dossier " + Quoted(destination_) + ".",
                       systemDetail("open"));
    std::string walked = destination_;
    for (const std::string &name : folders_) {
        walked += '/' + name;
        constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
        fileio::Descriptor next(openat(fd.get(), name.c_str(), kFlags));
        if (!next.isOpen() && errno == ENOENT && make) {
            if (mkdirat(fd.get(), name.c_str(), 0777) != 0 && errno != EEXIST) {
                const int err = errno;
                throw ZipError(WriteFailure(err, walked), systemDetail("mkdirat", err));
            }
            next.reset(openat(fd.get(), name.c_str(), kFlags));
        }
        if (!next.isOpen()) {
            const int err = errno;
            struct stat st {};
            if (fstatat(fd.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
                if (S_ISLNK(st.st_mode))
                    throw ZipError("Le chemin de " + Quoted(entryName_) +
                                   " passe par un lien symbolique : l'entrée n'est pas extraite.");
                if (!S_ISDIR(st.st_mode))
                    throw ZipError(Quoted(walked) + " existe déjà et n'est pas un dossier.");
            }
            throw ZipError(WriteFailure(err, walked), systemDetail("openat", err));
        }
        fd = std::move(next);
    }
    return fd;
}

ExtractTarget::~ExtractTarget() {
    file_.reset();
    removeTemporary();
}

void ExtractTarget::removeTemporary() {
    if (temporary_.empty()) return;
    unlinkat(folder_.get(), temporary_.c_str(), 0);
    temporary_.clear();
    fileio::UnregisterTemporary(slot_);
    slot_ = 0;
}

std::optional<struct stat> ExtractTarget::existing() const {
    struct stat st {};
    if (fstatat(folder_.get(), leaf_.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
    return st;
}

void ExtractTarget::create(mode_t mode) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = temporaryName();
        file_.reset(openat(folder_.get(), name.c_str(),
                           O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, mode));
        if (file_.isOpen()) {
            temporary_ = std::move(name);
            slot_ = fileio::RegisterTemporary((absoluteFolder_ + '/' + temporary_).c_str());
            return;
        }
        if (errno != EEXIST) break;
    }
    const int err = errno;
    throw ZipError(WriteFailure(err, path_), systemDetail("openat", err));
}

void ExtractTarget::write(const char *data, std::size_t size) {
    if (!fileio::WriteAll(file_.get(), data, size)) {
        const int err = errno;
        throw ZipError(WriteFailure(err, path_), systemDetail("write", err));
    }
}

void ExtractTarget::commit(std::time_t mtime) {
    const struct timespec times[2] = {{0, UTIME_NOW}, {mtime, 0}};
    futimens(file_.get(), times);
    if (::close(file_.release()) != 0) {
        const int err = errno;
        throw ZipError(WriteFailure(err, path_), systemDetail("close", err));
    }
    // The folder written into must still be the one its path leads to: a folder on the way
    // moved and replaced (by a link, say) during the writing fails the entry instead of filling
    // a folder the user no longer sees there.
    bool same = false;
    try {
        const fileio::Descriptor now = openFolder(false);
        struct stat reached {
        }, held{};
        same = fstat(now.get(), &reached) == 0 && fstat(folder_.get(), &held) == 0 &&
               reached.st_dev == held.st_dev && reached.st_ino == held.st_ino;
    } catch (const ZipError &) {
    }
    if (!same)
        throw ZipError("Le dossier de " + Quoted(entryName_) +
                       " a été remplacé pendant l'extraction : l'entrée n'est pas extraite.");
    if (renameat(folder_.get(), temporary_.c_str(), folder_.get(), leaf_.c_str()) != 0) {
        const int err = errno;
        throw ZipError(WriteFailure(err, path_), systemDetail("renameat", err));
    }
    temporary_.clear();
    fileio::UnregisterTemporary(slot_);
    slot_ = 0;
}

} // namespace zipcomponent

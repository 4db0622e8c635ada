#include "VFzip.h"

#include "ArchiveReader.h"
#include "BufferedSource.h"
#include "EntryNames.h"
#include "LibzipError.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace zipcomponent {

// The archive open for a pending change; discarded unless it was closed.
class ZipArchive {
public:
    explicit ZipArchive(zip_t *z) : handle(z) {}
    ZipHandle handle;
};

namespace {

zip_t *Z(const std::unique_ptr<ZipArchive> &archive) {
    return archive->handle.get();
}

} // namespace

VFzip::VFzip() = default;
VFzip::~VFzip() = default;

void VFzip::message(const std::string &text) {
    if (ZipMessage) ZipMessage(text);
}

void VFzip::open() {
    if (zip_ && openPath_ == ZipFileName) return;
    if (zip_) commit();
    struct stat st {};
    int flags = ZIP_CREATE;
    // libzip takes an empty file for a damaged archive; an empty file holds nothing to keep.
    if (stat(ZipFileName.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0)
        flags |= ZIP_TRUNCATE;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = CreateBufferedFileSource(ZipFileName, &error);
    zip_t *z = source ? zip_open_from_source(source, flags, &error) : nullptr;
    if (!z) {
        const ZipError failure = LibzipError(&error, ZipFileName);
        zip_error_fini(&error);
        if (source) zip_source_free(source);
        throw failure;
    }
    zip_error_fini(&error);
    zip_ = std::make_unique<ZipArchive>(z);
    openPath_ = ZipFileName;
    byName_.clear();
    const zip_int64_t count = zip_get_num_entries(z, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char *raw = zip_get_name(z, i, ZIP_FL_ENC_RAW);
        if (raw) byName_[DecodeEntryName(raw)] = static_cast<zip_uint64_t>(i);
    }
    archiveDevice_ = archiveInode_ = 0;
    if (stat(ZipFileName.c_str(), &st) == 0) {
        archiveDevice_ = st.st_dev;
        archiveInode_ = st.st_ino;
    }
}

void VFzip::commit() {
    if (!zip_) return;
    const std::unique_ptr<ZipArchive> pending = std::move(zip_);
    byName_.clear();
    if (zip_close(pending->handle.get()) != 0) throw LibzipError(pending->handle.get(), openPath_);
    pending->handle.release(); // closed: nothing left to discard
}

const std::string &VFzip::password() {
    if (!password_) {
        std::optional<std::string> given;
        if (PasswordQuestion) given = PasswordQuestion();
        if (!given) throw ZipError("Aucun mot de passe donné : rien n'a été ajouté.");
        if (given->empty()) throw ZipError("Le mot de passe ne peut pas être vide.");
        password_ = std::move(given);
        passwordFor_ = ZipFileName;
    }
    return *password_;
}

void VFzip::addOne(const std::string &path, const std::string &entryName) {
    // libzip reads the file only when the archive is written; a file that cannot be read
    // would then sink the whole commit, so it is refused here.
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) throw ZipError("Lecture impossible de " + Quoted(path) + ".", std::strerror(errno));
    struct stat st {};
    fstat(fd, &st);
    ::close(fd);
    if (st.st_dev == archiveDevice_ && st.st_ino == archiveInode_) {
        message("Ignoré (c'est l'archive elle-même) : " + path);
        return;
    }
    zip_source_t *src = zip_source_file(Z(zip_), path.c_str(), 0, 0);
    if (!src) throw LibzipError(Z(zip_), path);
    zip_int64_t index;
    const auto existing = byName_.find(entryName);
    if (existing != byName_.end()) {
        index = static_cast<zip_int64_t>(existing->second);
        if (zip_file_replace(Z(zip_), existing->second, src, 0) != 0) {
            zip_source_free(src);
            throw LibzipError(Z(zip_), path);
        }
    } else {
        index = zip_file_add(Z(zip_), entryName.c_str(), src, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(src);
            throw LibzipError(Z(zip_), path);
        }
        byName_[entryName] = static_cast<zip_uint64_t>(index);
    }
    // Level 6, as Info-ZIP and 7-Zip default to: libzip's own default (9) costs about twice the
    // time for a fraction of a percent.
    if (zip_set_file_compression(Z(zip_), index, ZIP_CM_DEFLATE, 6) != 0)
        throw LibzipError(Z(zip_), path);
    // Set either way: a replaced entry would otherwise keep the encryption of the old one,
    // without its password.
    const zip_uint16_t method = Encrypt != 1                                 ? ZIP_EM_NONE
                                : EncryptionMethod == EncryptionKind::Aes256 ? ZIP_EM_AES_256
                                                                             : ZIP_EM_TRAD_PKWARE;
    if (zip_file_set_encryption(Z(zip_), index, method,
                                Encrypt == 1 ? password_->c_str() : nullptr) != 0)
        throw LibzipError(Z(zip_), path);
    message("Ajout de " + entryName);
}

// The entry name of a file: its bare name, or its path without the leading '/'. A path that
// climbs ("../x") keeps only what stays inside.
static std::string entryNameFor(const std::string &path, bool noPathNames) {
    const fs::path normal = fs::path(path).lexically_normal();
    const std::string file = normal.filename().string();
    if (noPathNames) return file;
    return SafeRelativePath(normal.string()).value_or(file);
}

void VFzip::addFolder(const std::string &folder) {
    std::vector<fs::directory_entry> children;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        children.push_back(*it);
    if (ec) throw ZipError("Lecture impossible du dossier " + Quoted(folder) + ".", ec.message());
    std::sort(children.begin(), children.end());

    FailureTally failures;
    for (const fs::directory_entry &child : children) {
        const std::string path = child.path().string();
        try {
            if (child.is_symlink(ec) && child.is_directory(ec)) continue; // no loops through links
            if (child.is_directory(ec)) {
                if (NoSubFolders != 1) addFolder(path);
            } else if (child.is_regular_file(ec)) {
                addOne(path, entryNameFor(path, NoPathNames == 1));
            }
        } catch (const ZipError &e) {
            message(e.description());
            failures.add(e);
        }
    }
    failures.throwIfAny("ajoutés");
}

void VFzip::AddFile(const std::string &path) {
    if (Encrypt != seenEncrypt_ || ZipFileName != passwordFor_) password_.reset();
    seenEncrypt_ = Encrypt;
    if (Encrypt == 1) password();
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        throw ZipError("Le fichier " + Quoted(path) + " est introuvable.", std::strerror(errno));
    open();
    try {
        if (S_ISDIR(st.st_mode))
            addFolder(path);
        else
            addOne(path, entryNameFor(path, NoPathNames == 1));
    } catch (const ZipError &) {
        // Outside a batch a failure adds nothing, but a folder keeps the files that could be read.
        if (!inBatch_) {
            if (S_ISDIR(st.st_mode))
                commit();
            else
                DiscardBatch();
        }
        throw;
    }
    if (!inBatch_) commit();
}

void VFzip::DeleteEntry(const std::string &fullName) {
    open();
    const auto it = byName_.find(fullName);
    if (it == byName_.end()) {
        if (!inBatch_) DiscardBatch();
        throw ZipError("L'entrée " + Quoted(fullName) + " est introuvable dans l'archive.");
    }
    if (zip_delete(Z(zip_), it->second) != 0) throw LibzipError(Z(zip_), fullName);
    byName_.erase(it);
    message("Suppression de " + fullName);
    if (!inBatch_) commit();
}

void VFzip::BeginBatch() {
    inBatch_ = true;
}

void VFzip::CommitBatch() {
    inBatch_ = false;
    commit();
}

void VFzip::DiscardBatch() {
    inBatch_ = false;
    zip_.reset();
    byName_.clear();
}

} // namespace zipcomponent

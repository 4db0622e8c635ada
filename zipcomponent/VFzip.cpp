#include "VFzip.h"

#include "ArchiveReader.h"
#include "BufferedSource.h"
#include "EntryNames.h"
#include "FileSource.h"
#include "LibzipError.h"
#include "Utf8.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace zipcomponent {

// The archive open for a pending change: discarded unless close() succeeded.
class ZipArchive {
public:
    explicit ZipArchive(ZipHandle z) : handle_(std::move(z)) {}
    zip_t *get() const { return handle_.get(); }
    // Writes the changes. False when they could not be written: the archive on disk is then
    // unchanged and the handle still owns the pending changes.
    bool close() {
        if (zip_close(handle_.get()) != 0) return false;
        (void)handle_.release(); // zip_close freed it
        return true;
    }

private:
    ZipHandle handle_;
};

namespace {

zip_t *Z(const std::unique_ptr<ZipArchive> &archive) {
    return archive->get();
}

// How libzip is told a new name's encoding: UTF-8, and the flag is written; otherwise the name is
// stored as its bytes without the flag, as zip does. libzip takes a control character other than
// tab, CR and LF for a sign of code page 437, and refuses such a name flagged as UTF-8.
zip_flags_t nameEncoding(const std::string &name) {
    const bool control = std::any_of(name.begin(), name.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\r' && c != '\n';
    });
    return fileio::IsValidUtf8(name) && !control ? ZIP_FL_ENC_UTF_8 : ZIP_FL_ENC_CP437;
}

} // namespace

VFzip::VFzip() : failedFile_(std::make_unique<FileFailure>()) {}
VFzip::~VFzip() = default;

void VFzip::message(const std::string &text) {
    if (ZipMessage) ZipMessage(text);
}

void VFzip::told(EntryOutcome what, const std::string &path) {
    if (Outcome) Outcome(what, path);
}

void VFzip::open() {
    if (zip_ && openPath_ == ZipFileName) return;
    if (zip_) commit();
    struct stat st {};
    int flags = ZIP_CREATE;
    const bool exists = stat(ZipFileName.c_str(), &st) == 0;
    if (exists) {
        // A FIFO or a device would block libzip, or be read without end.
        if (!S_ISREG(st.st_mode))
            throw ZipError(Quoted(ZipFileName) +
                           " n'est pas un fichier ordinaire : ce ne peut pas être une archive.");
        // As zip: an archive the user cannot write is left alone. A file without any write
        // permission is read-only by choice, and stays so even for root.
        if (access(ZipFileName.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0)
            throw ZipError(FrenchZipMessage(ZIP_ER_RDONLY, ZipFileName) +
                           " Elle n'est pas modifiée.");
        // libzip takes an empty file for a damaged archive; an empty file holds nothing to keep.
        if (st.st_size == 0) flags |= ZIP_TRUNCATE;
    }
    zip_error_t error;
    zip_error_init(&error);
    SourceHandle source(CreateBufferedFileSource(ZipFileName, &error));
    ZipHandle z(source ? zip_open_from_source(source.get(), flags, &error) : nullptr);
    if (!z) {
        const ZipError failure = LibzipError(&error, ZipFileName);
        zip_error_fini(&error);
        throw failure;
    }
    zip_error_fini(&error);
    (void)source.release(); // the archive owns it now
    zip_ = std::make_unique<ZipArchive>(std::move(z));
    openPath_ = ZipFileName;
    byName_.clear();
    addedFrom_.clear();
    const zip_int64_t count = zip_get_num_entries(Z(zip_), 0);
    storedCount_ = static_cast<std::uint64_t>(std::max<zip_int64_t>(count, 0));
    for (zip_int64_t i = 0; i < count; ++i) {
        const char *raw = zip_get_name(Z(zip_), i, ZIP_FL_ENC_RAW);
        if (raw) byName_[DecodeEntryName(raw)] = static_cast<zip_uint64_t>(i);
    }
    archiveDevice_ = exists ? st.st_dev : 0;
    archiveInode_ = exists ? st.st_ino : 0;
}

void VFzip::commit() {
    if (!zip_) return;
    const std::unique_ptr<ZipArchive> pending = std::move(zip_);
    byName_.clear();
    addedFrom_.clear();
    *failedFile_ = {};
    // libzip reports and asks only inside zip_close; `this` outlives the call.
    if (Progress)
        zip_register_progress_callback_with_state(
            pending->get(), 0.01,
            [](zip_t *, double done, void *self) { static_cast<VFzip *>(self)->Progress(done); },
            nullptr, this);
    if (CancelRequested)
        zip_register_cancel_callback_with_state(
            pending->get(),
            [](zip_t *, void *self) {
                return static_cast<VFzip *>(self)->CancelRequested() ? 1 : 0;
            },
            nullptr, this);
    if (pending->close()) return;
    if (zip_error_code_zip(zip_get_error(pending->get())) == ZIP_ER_CANCELLED) throw Cancelled();
    if (!failedFile_->path.empty())
        throw ZipError("Lecture impossible de " + Quoted(failedFile_->path) + " : l'archive " +
                           Quoted(openPath_) + " n'a pas été modifiée.",
                       std::strerror(failedFile_->error));
    throw LibzipError(pending->get(), openPath_);
}

const std::string &VFzip::password() {
    if (!password_) {
        std::optional<std::string> given;
        if (PasswordQuestion) given = PasswordQuestion();
        if (!given) throw Cancelled("Aucun mot de passe donné : rien n'a été ajouté.");
        if (given->empty()) throw ZipError("Le mot de passe ne peut pas être vide.");
        password_ = std::move(given);
        passwordFor_ = ZipFileName;
    }
    return *password_;
}

// libzip refused to take a file into the pending change: the text blames the file, the detail
// keeps libzip's reason.
ZipError VFzip::notAdded(const std::string &path) {
    return ZipError("Le fichier " + Quoted(path) + " ne peut pas être ajouté à l'archive " +
                        Quoted(ZipFileName) + ".",
                    LibzipError(Z(zip_), path).detail());
}

std::uint16_t VFzip::encryptionMethod() const {
    if (Encrypt != 1) return ZIP_EM_NONE;
    switch (EncryptionMethod) {
    case EncryptionKind::Aes256:
        return ZIP_EM_AES_256;
    case EncryptionKind::Aes192:
        return ZIP_EM_AES_192;
    case EncryptionKind::Aes128:
        return ZIP_EM_AES_128;
    case EncryptionKind::Traditional:
        break;
    }
    return ZIP_EM_TRAD_PKWARE;
}

void VFzip::addOne(const std::string &path, const std::string &entryName) {
    const CheckedFile file = CheckFile(path);
    if (file.st.st_dev == archiveDevice_ && file.st.st_ino == archiveInode_) {
        message("Ignoré (c'est l'archive elle-même) : " + path);
        told(EntryOutcome::Skipped, path);
        return;
    }
    SourceHandle src = CreateFileSource(file, failedFile_.get());
    const std::string key = DecodeEntryName(entryName);
    zip_int64_t index;
    const auto existing = byName_.find(key);
    if (existing != byName_.end()) {
        const auto earlier = addedFrom_.find(key);
        if (earlier != addedFrom_.end())
            message(Quoted(path) + " remplace " + Quoted(earlier->second) +
                    " : les deux portent le nom " + Quoted(key) + " dans l'archive.");
        if (earlier != addedFrom_.end()) told(EntryOutcome::Replaced, earlier->second);
        index = static_cast<zip_int64_t>(existing->second);
        if (zip_file_replace(Z(zip_), existing->second, src.get(), 0) != 0) throw notAdded(path);
    } else {
        index = zip_file_add(Z(zip_), entryName.c_str(), src.get(), nameEncoding(entryName));
        if (index < 0) throw notAdded(path);
        byName_[key] = static_cast<zip_uint64_t>(index);
    }
    (void)src.release(); // the archive owns it now
    if (!setAttributes(static_cast<zip_uint64_t>(index), file.st.st_mtime)) {
        const ZipError failure = notAdded(path);
        takeBack(static_cast<zip_uint64_t>(index), key);
        throw failure;
    }
    addedFrom_[key] = path;
    message("Ajout de " + entryName);
    told(EntryOutcome::Added, path);
}

bool VFzip::setAttributes(std::uint64_t index, std::time_t mtime) {
    zip_t *z = Z(zip_);
    // Level 6, as Info-ZIP and 7-Zip default to: libzip's own default (9) costs about twice the
    // time for a fraction of a percent.
    if (zip_set_file_compression(z, index, ZIP_CM_DEFLATE, 6) != 0) return false;
    // Set either way: a replaced entry would otherwise keep the encryption of the old one,
    // without its password.
    if (zip_file_set_encryption(z, index, encryptionMethod(),
                                Encrypt == 1 ? password_->c_str() : nullptr) != 0)
        return false;
    // A replaced entry keeps the old one's extra fields: its times (Unix time, NTFS times, the
    // older Info-ZIP Unix field) would outlive it.
    for (const zip_uint16_t id : {0x5455, 0x000A, 0x5855})
        if (zip_file_extra_field_delete_by_id(z, index, id, ZIP_EXTRA_FIELD_ALL,
                                              ZIP_FL_LOCAL | ZIP_FL_CENTRAL) != 0)
            return false;
    // The Unix time field, as Info-ZIP writes it: the modification time in UTC, which a reader in
    // another time zone needs, the DOS time being local time. Flags byte (bit 0: modification
    // time), then signed 32-bit seconds; a time beyond that range goes without.
    if (mtime < INT32_MIN || mtime > INT32_MAX) return true;
    const auto seconds = static_cast<std::uint32_t>(static_cast<std::int32_t>(mtime));
    const zip_uint8_t field[5] = {
        1, static_cast<zip_uint8_t>(seconds), static_cast<zip_uint8_t>(seconds >> 8),
        static_cast<zip_uint8_t>(seconds >> 16), static_cast<zip_uint8_t>(seconds >> 24)};
    return zip_file_extra_field_set(z, index, 0x5455, ZIP_EXTRA_FIELD_NEW, field, sizeof field,
                                    ZIP_FL_LOCAL | ZIP_FL_CENTRAL) == 0;
}

void VFzip::takeBack(std::uint64_t index, const std::string &key) {
    if (index < storedCount_) {
        // Back to the archive's own entry. One replaced earlier in this change loses that file
        // too: libzip has already let go of its source.
        zip_unchange(Z(zip_), index);
    } else {
        zip_delete(Z(zip_), index);
        byName_.erase(key);
    }
    addedFrom_.erase(key);
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
            } else {
                message("Ignoré (ce n'est pas un fichier ordinaire) : " + path);
                told(EntryOutcome::Skipped, path);
            }
        } catch (const ZipError &e) {
            message(e.description());
            told(EntryOutcome::Failed, path);
            failures.add(path, e);
        }
    }
    failures.throwIfAny("ajoutés");
}

void VFzip::AddFile(const std::string &path) {
    if (Encrypt != seenEncrypt_ || ZipFileName != passwordFor_) password_.reset();
    seenEncrypt_ = Encrypt;
    // What libzip cannot write is refused before the archive is touched.
    if (!zip_compression_method_supported(ZIP_CM_DEFLATE, 1))
        throw ZipError("La compression Deflate n'est pas disponible : " + Quoted(path) +
                       " n'est pas ajouté.");
    if (!zip_encryption_method_supported(encryptionMethod(), 1))
        throw ZipError(
            "Le chiffrement " +
            std::string(EncryptionMethod == EncryptionKind::Aes256 ? "AES-256" : "ZipCrypto") +
            " n'est pas disponible : " + Quoted(path) + " n'est pas ajouté.");
    if (Encrypt == 1) password();
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        throw ZipError("Le fichier " + Quoted(path) + " est introuvable.", std::strerror(errno));
    open();
    try {
        if (S_ISDIR(st.st_mode))
            addFolder(path);
        else
            addOne(path, EntryName.empty() ? entryNameFor(path, NoPathNames == 1) : EntryName);
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

void VFzip::ReplaceEntry(const std::string &path, const std::string &fullName) {
    struct Forget { // the password asked here never serves a later addition
        VFzip &self;
        ~Forget() { self.password_.reset(); }
    } forget{*this};
    password_.reset();
    if (Encrypt == 1) password();
    open();
    try {
        if (byName_.find(fullName) == byName_.end())
            throw ZipError("L'entrée " + Quoted(fullName) + " est introuvable dans l'archive.");
        addOne(path, fullName);
    } catch (const ZipError &) {
        if (!inBatch_) DiscardBatch();
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

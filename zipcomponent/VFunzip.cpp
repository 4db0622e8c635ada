#include "VFunzip.h"

#include "ArchiveReader.h"
#include "DirectoryListing.h"
#include "EntryNames.h"
#include "ExtractTarget.h"
#include "LocalTime.h"
#include "VFzip.h"

#include <cmath>
#include <sys/stat.h>

namespace zipcomponent {

VFunzip::VFunzip() = default;
VFunzip::~VFunzip() = default;

std::int64_t VFunzip::SavingPercent(std::uint64_t size, std::uint64_t compressedSize) {
    if (size == 0) return 0;
    const double saving =
        (1.0 - static_cast<double>(compressedSize) / static_cast<double>(size)) * 100.0;
    return static_cast<std::int64_t>(std::nearbyint(saving));
}

std::string VFunzip::MethodName(std::uint16_t method) {
    switch (method) {
    case ZIP_CM_STORE:
        return "Stored";
    case ZIP_CM_DEFLATE:
        return "Deflated";
    case ZIP_CM_DEFLATE64:
        return "Deflate64";
    case ZIP_CM_BZIP2:
        return "BZip2";
    case ZIP_CM_LZMA:
        return "LZMA";
    case ZIP_CM_XZ:
        return "XZ";
    default:
        return "Method " + std::to_string(method);
    }
}

void VFunzip::message(const std::string &text) {
    if (DisplayMessage) DisplayMessage(text);
}

ArchiveReader &VFunzip::reader() {
    if (!reader_ || reader_->path() != ArchivePath || !reader_->isCurrent()) {
        reader_.reset();
        reader_ = std::make_unique<ArchiveReader>(ArchivePath);
    }
    return *reader_;
}

bool VFunzip::EntryEncryption(const std::string &fullName, std::optional<EncryptionKind> &kind) {
    const EntryInfo *entry = reader().find(fullName);
    kind.reset();
    switch (entry ? entry->encryption : ZIP_EM_NONE) {
    case ZIP_EM_NONE:
        break;
    case ZIP_EM_AES_256:
        kind = EncryptionKind::Aes256;
        break;
    case ZIP_EM_AES_192:
        kind = EncryptionKind::Aes192;
        break;
    case ZIP_EM_AES_128:
        kind = EncryptionKind::Aes128;
        break;
    case ZIP_EM_TRAD_PKWARE:
        kind = EncryptionKind::Traditional;
        break;
    default:
        return false;
    }
    return true;
}

std::optional<std::string> VFunzip::GivenPassword() const {
    return reader_ ? reader_->password() : std::nullopt;
}

void VFunzip::ListEntries() {
    struct stat st {};
    if (stat(ArchivePath.c_str(), &st) != 0 && errno == ENOENT) {
        reader_.reset();
        return;
    }
    // A plain archive is listed from its directory, and libzip's copy of it is not kept: the
    // reader opens again when an entry is extracted.
    reader_.reset();
    if (ListCentralDirectory(ArchivePath, [this](const EntryInfo &e) { fileInfo(e); })) return;
    ArchiveReader *r = nullptr;
    try {
        r = &reader();
    } catch (const ZipError &e) {
        message(e.description());
        throw;
    }
    for (const EntryInfo &e : r->entries())
        fileInfo(e);
}

void VFunzip::fileInfo(const EntryInfo &e) {
    if (e.isFolder || !FileInfo) return;
    const std::tm tm = LocalTime(e.mtime);
    FileInfo(static_cast<std::int64_t>(e.size), static_cast<std::int64_t>(e.compressedSize),
             SavingPercent(e.size, e.compressedSize), tm.tm_mon + 1, tm.tm_mday, tm.tm_year + 1900,
             tm.tm_hour, tm.tm_min, EntryFileOf(e.name), EntryFolderOf(e.name),
             MethodName(e.method), e.crc, e.encryption != ZIP_EM_NONE ? 1 : 0);
}

bool VFunzip::extractOne(ArchiveReader &r, const EntryInfo &entry) {
    const ReplacePolicy policy = [&](const std::string &target, const struct stat &existing) {
        if (AlwaysOverwrite == 1) return true;
        if (SkipOlderFiles == 1) {
            if (existing.st_mtim.tv_sec > entry.mtime) {
                message("Fichier plus récent conservé : " + target);
                if (Outcome) Outcome(EntryOutcome::Kept, target);
                return false;
            }
            return true;
        }
        if (ConfirmOverwrite == 1) {
            if (ConfirmReplace && ConfirmReplace(target)) return true;
            message("Fichier conservé : " + target);
            if (Outcome) Outcome(EntryOutcome::Kept, target);
            return false;
        }
        message("Fichier existant conservé : " + target);
        if (Outcome) Outcome(EntryOutcome::Kept, target);
        return false;
    };
    ExtractHooks hooks;
    hooks.progress = [&](std::uint64_t written, std::uint64_t size) {
        if (Progress)
            Progress(static_cast<std::int64_t>(written), static_cast<std::int64_t>(size),
                     ArchivePath);
    };
    hooks.password = PasswordQuestion;
    hooks.cancelled = CancelRequested;
    message("Extraction de " + entry.name);
    return r.writeEntry(entry, DestinationFolder, policy, hooks) == WriteOutcome::Written;
}

void VFunzip::ExtractAll() {
    ArchiveReader &r = reader();
    PrepareDestination(DestinationFolder);
    FailureTally failures;
    for (const EntryInfo &e : r.entries()) {
        if (e.isFolder) continue;
        try {
            extractOne(r, e);
        } catch (const Cancelled &) {
            throw;
        } catch (const ZipError &error) {
            message(error.description());
            failures.add(e.name, error);
        }
    }
    failures.throwIfAny("extraits");
}

void VFunzip::ExtractEntry(const std::string &fullName) {
    ArchiveReader &r = reader();
    const EntryInfo *entry = r.find(fullName);
    if (!entry || entry->isFolder)
        throw ZipError("L'entrée " + Quoted(fullName) + " est introuvable dans l'archive.");
    PrepareDestination(DestinationFolder);
    extractOne(r, *entry);
}

} // namespace zipcomponent

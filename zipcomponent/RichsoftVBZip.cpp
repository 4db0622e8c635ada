#include "RichsoftVBZip.h"

#include "ArchiveReader.h"
#include "EntryNames.h"
#include "ExtractTarget.h"
#include "EntryStream.h"
#include "LocalTime.h"

#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <unordered_set>

namespace zipcomponent {

RichsoftVBZip::RichsoftVBZip() = default;
RichsoftVBZip::~RichsoftVBZip() = default;

void RichsoftVBZip::ArchiveFile(const std::string &path) {
    archiveFile_ = path;
    files_.clear();
    reader_.reset();
    reader_ = std::make_unique<ArchiveReader>(path);
    for (const EntryInfo &e : reader_->entries())
        if (!e.isFolder) files_.push_back(&e);
    if (OnArchiveUpdate) OnArchiveUpdate();
}

std::int64_t RichsoftVBZip::EntryCount() const {
    return static_cast<std::int64_t>(files_.size());
}

RichsoftVBZip::Entry RichsoftVBZip::EntryAt(std::int64_t position) const {
    if (position < 1 || position > EntryCount())
        throw ZipError("Position d'entrée invalide : " + std::to_string(position) + ".");
    const EntryInfo &e = *files_[static_cast<std::size_t>(position - 1)];
    const std::tm tm = LocalTime(e.mtime);
    char text[64];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d", tm.tm_mday, tm.tm_mon + 1,
                  tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return Entry{e.name, text, static_cast<std::int64_t>(e.compressedSize),
                 static_cast<std::int64_t>(e.size)};
}

std::string RichsoftVBZip::EntryFileOf(const std::string &fullName) {
    return zipcomponent::EntryFileOf(fullName);
}

std::string RichsoftVBZip::EntryFolderOf(const std::string &fullName) {
    return zipcomponent::EntryFolderOf(fullName);
}

void RichsoftVBZip::ExtractSelected(const std::string &folder,
                                    const std::vector<std::string> &names, bool, bool, int) {
    if (!reader_) throw ZipError("Aucune archive n'est ouverte.");
    PrepareDestination(folder);
    const std::unordered_set<std::string> wanted(names.begin(), names.end());
    // A failed encrypted entry is asked for again when the failure may be the password's: a
    // password refused by its check, or traditional encryption, where damaged data and a wrong
    // password that passed the one-byte check look the same. A password already refused for
    // that entry makes its failure final, so the same answer never loops; any other failure
    // (damaged AES data, a full disk) is final at once.
    std::vector<std::string> refusedPasswords;
    std::string refused;
    bool declined = false, repeated = false;
    ExtractHooks hooks;
    hooks.password = [&](const std::string &entryName) -> std::optional<std::string> {
        std::optional<std::string> given;
        if (PasswordQuestion) given = PasswordQuestion(entryName, refused);
        if (!given || given->empty()) declined = true;
        else if (std::find(refusedPasswords.begin(), refusedPasswords.end(), *given) !=
                 refusedPasswords.end())
            repeated = true;
        else
            refusedPasswords.push_back(*given);
        return given;
    };
    FailureTally failures;
    for (const EntryInfo *e : files_) {
        if (!wanted.count(EntryFileOf(e->name))) continue;
        refused.clear();
        refusedPasswords.clear();
        repeated = false;
        for (;;) {
            try {
                reader_->writeEntry(*e, folder, nullptr, hooks);
                break;
            } catch (const Cancelled &) {
                throw;
            } catch (const ZipError &error) {
                if (declined) throw Cancelled(error.description());
                const bool passwordsFault = dynamic_cast<const WrongPassword *>(&error) ||
                                            e->encryption == ZIP_EM_TRAD_PKWARE;
                if (e->encryption == ZIP_EM_NONE || !passwordsFault || repeated) {
                    failures.add(e->name, error);
                    break;
                }
                refused = error.description();
            }
        }
    }
    failures.throwIfAny("extraits");
}

} // namespace zipcomponent

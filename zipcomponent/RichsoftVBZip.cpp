#include "RichsoftVBZip.h"

#include "ArchiveReader.h"
#include "EntryNames.h"
#include "ExtractTarget.h"
#include "LocalTime.h"

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
    // The reader keeps a password until it proves wrong and asks again only then: a failed
    // encrypted entry is tried once more, and a failure that brought no new question (damaged
    // data under the right password, a disk full) is that entry's final one.
    std::string refused;
    bool asked = false, declined = false;
    ExtractHooks hooks;
    hooks.password = [&](const std::string &entryName) -> std::optional<std::string> {
        asked = true;
        std::optional<std::string> given;
        if (PasswordQuestion) given = PasswordQuestion(entryName, refused);
        if (!given || given->empty()) declined = true;
        return given;
    };
    FailureTally failures;
    for (const EntryInfo *e : files_) {
        if (!wanted.count(EntryFileOf(e->name))) continue;
        refused.clear();
        for (bool retried = false;; retried = true) {
            asked = false;
            try {
                reader_->writeEntry(*e, folder, nullptr, hooks);
                break;
            } catch (const Cancelled &) {
                throw;
            } catch (const ZipError &error) {
                if (declined) throw Cancelled(error.description());
                if (e->encryption == 0 || (retried && !asked)) {
                    failures.add(error);
                    break;
                }
                refused = error.description();
            }
        }
    }
    failures.throwIfAny("extraits");
}

} // namespace zipcomponent

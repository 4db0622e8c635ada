// RichsoftVBZip, the self-extractor's unpacker: lists an archive's entries by position and
// extracts those named by their file-name part, each under its folder inside the archive.
#pragma once

#include "ZipError.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zipcomponent {

class ArchiveReader;
struct EntryInfo;

class RichsoftVBZip {
public:
    RichsoftVBZip();
    RichsoftVBZip(const RichsoftVBZip &) = delete;
    RichsoftVBZip &operator=(const RichsoftVBZip &) = delete;
    ~RichsoftVBZip();

    struct Entry {
        std::string FullName;
        std::string DateTime; // "DD/MM/YYYY HH:MM:SS", local time
        std::int64_t PackedSize = 0;
        std::int64_t UnpackedSize = 0;
    };

    // Writing the property opens the archive (ZipError when it cannot) and raises
    // OnArchiveUpdate; reading it gives the path back.
    void ArchiveFile(const std::string &path);
    const std::string &ArchiveFile() const { return archiveFile_; }

    std::int64_t EntryCount() const;
    Entry EntryAt(std::int64_t position) const; // 1 to EntryCount
    static std::string EntryFileOf(const std::string &fullName);
    static std::string EntryFolderOf(const std::string &fullName);

    // Extracts every entry whose file-name part is in `names` below `folder`, keeping folders,
    // replacing existing files whole. The booleans and the number are accepted and unused.
    // Unsafe entries (".." names, links) are not written; all failures end in one ZipError
    // after the other entries were extracted. An empty `folder` is refused before anything is
    // written. An encrypted entry asks PasswordQuestion (once for the archive while the answer
    // holds), and again after a wrong one; a question left unanswered stops the extraction
    // with Cancelled, the entries already written staying.
    void ExtractSelected(const std::string &folder, const std::vector<std::string> &names, bool,
                         bool, int);

    std::function<void()> OnArchiveUpdate;
    // The password for an encrypted entry; `refused` is empty at the first question and holds
    // why the last answer failed when asked again. nullopt (or an empty answer) declines.
    std::function<std::optional<std::string>(const std::string &entryName,
                                             const std::string &refused)>
        PasswordQuestion;

private:
    std::string archiveFile_;
    std::unique_ptr<ArchiveReader> reader_;
    std::vector<const EntryInfo *> files_; // the entries by position, folders left out
};

} // namespace zipcomponent

// VFzip, the main program's archive writer. Outside a batch every call commits before it
// returns; inside one (BeginBatch ... CommitBatch) the archive is rewritten once at the end.
// Every commit writes a new file beside the archive and renames it over the archive (through
// a link to it, keeping the link, and keeping the archive's mode): a failure leaves the previous
// archive byte for byte. An archive path that is not a regular file, or an archive without write
// permission, is refused before anything is read or written.
#pragma once

#include "EntryOutcome.h"
#include "ZipError.h"

#include <cstdint>
#include <ctime>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

namespace zipcomponent {

class ZipArchive;
struct FileFailure;

enum class EncryptionKind {
    Aes256,      // the default
    Traditional, // readable by Info-ZIP unzip and other old readers, but weak
    Aes192,
    Aes128 // the kinds other writers may have used, kept when such an entry is replaced
};

class VFzip {
public:
    VFzip();
    VFzip(const VFzip &) = delete;
    VFzip &operator=(const VFzip &) = delete;
    ~VFzip();

    // Properties.
    std::string ZipFileName;
    short NoSubFolders = 0;
    short NoPathNames = 0;
    short Encrypt = 0;
    EncryptionKind EncryptionMethod = EncryptionKind::Aes256;
    // When set, a file added is stored under this entry name instead of the one its path and
    // NoPathNames give (a copy written back over its entry); a folder ignores it.
    std::string EntryName;

    // Adds a file, or a folder's files (and its sub-folders' unless NoSubFolders = 1), creating
    // the archive when missing. The entry is the bare file name with NoPathNames = 1, else the
    // path without its leading '/'; an entry of the same name is replaced. With Encrypt = 1 the
    // password is asked once until Encrypt or ZipFileName changes; an empty one is refused
    // before anything is written. Only regular files are added (a link to one adds that file):
    // a named file that is missing, special (FIFO, device, socket) or unreadable raises ZipError
    // naming it, and in a batch the files already added stay; a folder's special files are
    // passed over with a ZipMessage. A name that is not UTF-8 is stored as its bytes. A file
    // that fails when the archive is written refuses the whole commit, which names it. Each
    // entry also records the file's time in UTC (the Unix time field, as Info-ZIP writes it),
    // and sheds the time fields of an entry it replaces. A method libzip cannot write is refused
    // before the archive is touched; an entry whose settings fail is taken back.
    void AddFile(const std::string &path);
    // Puts the file's bytes in the existing entry of that full name (ZipError when there is
    // none), as AddFile would; the password is asked for this call alone, then forgotten.
    void ReplaceEntry(const std::string &path, const std::string &fullName);
    // Removes the entry of that full name. Removing the last one leaves an empty archive.
    void DeleteEntry(const std::string &fullName);

    void BeginBatch();
    void CommitBatch(); // ZipError when the archive cannot be written; the batch ends either way
    void DiscardBatch();
    bool InBatch() const { return inBatch_; }

    // Event.
    std::function<void(const std::string &Message)> ZipMessage;
    // What happened to a file (Added, Replaced, Skipped, Failed), right after the ZipMessage
    // that says it; `path` is the file on disk.
    std::function<void(EntryOutcome what, const std::string &path)> Outcome;
    // Question: the password for new encrypted entries; nullopt declines.
    std::function<std::optional<std::string>()> PasswordQuestion;
    // While the archive is written: the part done, 0 to 1, and whether to stop. A stop throws
    // Cancelled and leaves the archive as it was.
    std::function<void(double done)> Progress;
    std::function<bool()> CancelRequested;

private:
    void open();
    void commit();
    void addOne(const std::string &path, const std::string &entryName);
    std::uint16_t encryptionMethod() const; // libzip's method for the current properties
    // Compression, encryption and times of an entry just added or replaced; false with the
    // archive's error set.
    bool setAttributes(std::uint64_t index, std::time_t mtime);
    // Undoes an entry whose attributes failed, so that it is never written half set.
    void takeBack(std::uint64_t index, const std::string &key);
    ZipError notAdded(const std::string &path);
    void addFolder(const std::string &folder);
    const std::string &password();
    void message(const std::string &text);
    void told(EntryOutcome what, const std::string &path);

    // Before zip_: the pending archive's file sources record into it until they are freed.
    std::unique_ptr<FileFailure> failedFile_;
    std::unique_ptr<ZipArchive> zip_; // open while a change is pending
    std::string openPath_;
    std::unordered_map<std::string, std::uint64_t> byName_;
    std::uint64_t storedCount_ = 0; // entries of the archive on disk: the first indices
    std::unordered_map<std::string, std::string> addedFrom_; // this change's entries: the file
    bool inBatch_ = false;

    std::optional<std::string> password_;
    std::string passwordFor_;
    short seenEncrypt_ = 0; // Encrypt at the last AddFile: a change forgets the password
    std::uint64_t archiveDevice_ = 0, archiveInode_ = 0; // the archive itself is never added
};

} // namespace zipcomponent

// VFunzip, the main program's archive reader. Properties are plain members set before a call;
// events are raised synchronously inside the call that causes them.
#pragma once

#include "ArchiveTest.h"
#include "EntryOutcome.h"
#include "ZipError.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace zipcomponent {

class ArchiveReader;
struct EntryInfo;
enum class EncryptionKind; // VFzip.h

class VFunzip {
public:
    VFunzip();
    VFunzip(const VFunzip &) = delete;
    VFunzip &operator=(const VFunzip &) = delete;
    ~VFunzip();

    // Properties.
    std::string ArchivePath;
    short ConfirmOverwrite = 0;
    short SkipOlderFiles = 0;
    short AlwaysOverwrite = 0;
    std::string DestinationFolder;

    // Raises FileInfo once per file entry, in archive order; its date and time are local, from
    // the Unix time field (UTC) when the archive has one, else from the DOS time. A path whose
    // file does not exist lists nothing and is no error; an unreadable or damaged archive raises
    // DisplayMessage with the reason, then ZipError. An AES entry of an unknown kind is listed,
    // and refused when extracted.
    void ListEntries();
    // Every file entry below DestinationFolder, keeping its folder inside the archive. An entry
    // that cannot be written, or not safely (".." names, links), is reported by DisplayMessage
    // and the others go on; the failures end in one ZipError that names the first ten. An empty
    // DestinationFolder is refused with ZipError before anything is written (here and in
    // ExtractEntry).
    void ExtractAll();
    // The entry of that full name (folder inside the archive, '/', file name); ZipError when it
    // is missing or cannot be written safely.
    void ExtractEntry(const std::string &fullName);
    // Reads every file entry to its end, writing nothing, and checks its size and its CRC or
    // authentication code; the others go on after a failing one. Each entry is announced by
    // DisplayMessage and followed by Progress as in an extraction; CancelRequested stops with
    // Cancelled. A password refused by an entry is asked again for it, until the same one comes
    // twice; once PasswordQuestion declines, the encrypted entries fail without asking. An
    // archive that cannot be read at all raises ZipError (implemented in ArchiveTest.cpp).
    TestReport TestAll();

    // The encryption of the entry of that full name in the writer's terms, nullopt for a plain
    // (or missing) entry; false for one the writer cannot make. Then the password the last
    // encrypted entry was read with.
    bool EntryEncryption(const std::string &fullName, std::optional<EncryptionKind> &kind);
    std::optional<std::string> GivenPassword() const;

    // Events. Sizes are 64-bit, the saving may go below -32768 % on entries that grew.
    std::function<void(std::int64_t TotalSize, std::int64_t FileSize, std::int64_t Factor,
                       int Month, int Day, int Year, int Hour, int Minute,
                       const std::string &Filename, const std::string &Path,
                       const std::string &Method, std::uint32_t CRC, int Crypt)>
        FileInfo;
    std::function<void(std::int64_t WrittenLength, std::int64_t OriginalLength,
                       const std::string &ZipFileName)>
        Progress;
    std::function<void(const std::string &Message)> DisplayMessage;
    // An existing file left as it was (Kept), right after the DisplayMessage that says it;
    // `path` is that file.
    std::function<void(EntryOutcome what, const std::string &path)> Outcome;

    // Questions. ConfirmReplace gets the existing file's path and says whether to replace it
    // (no answer keeps it); PasswordQuestion gets the entry name (nullopt declines).
    std::function<bool(const std::string &path)> ConfirmReplace;
    std::function<std::optional<std::string>(const std::string &entryName)> PasswordQuestion;
    // Asked between pieces of an entry being written: true stops the extraction with Cancelled
    // (no partly written file is left; the entries already written stay).
    std::function<bool()> CancelRequested;

    // The saving of an entry in percent, rounded to the nearest (0 for an empty entry).
    static std::int64_t SavingPercent(std::uint64_t size, std::uint64_t compressedSize);
    static std::string MethodName(std::uint16_t method);

private:
    ArchiveReader &reader(); // reopened when ArchivePath or the file changed
    void message(const std::string &text);
    bool extractOne(ArchiveReader &r, const EntryInfo &entry);
    void fileInfo(const EntryInfo &entry); // FileInfo for a file entry

    std::unique_ptr<ArchiveReader> reader_;
};

} // namespace zipcomponent

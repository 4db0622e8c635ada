// The program-wide state shared by the main window and its dialogs, and the helpers of Module1.
// Windows hand values to one another only through this state, never through arguments.
#pragma once

#include <QString>

#include <cstdint>

namespace Module1 {

struct SharedState {
    QString AppFolder;
    QString CurrentArchive;
    QString CurrentArchiveTitle;
    QString CurrentEntry; // full name of the entry inside the archive
    short DialogCancelled = 0;

    short ConfirmOverwriteOption = 0;
    short SkipOlderOption = 0;
    short AlwaysOverwriteOption = 0;
    short NoSubFoldersOption = 0;
    short NoPathNamesOption = 0;
    short EncryptOption = 0;
    QString LastAddFolder;
    QString ExtractFolder;
    QString ConfirmedExtractFolder;

    // 0x00BBGGRR, or a system colour with the top bit set (0x80000008: window text).
    std::uint32_t FolderListBackColor = 0;
    std::uint32_t FileListBackColor = 0;
    std::uint32_t FileListTextColor = 0;
};

// The one instance every window sees.
SharedState &Shared();

// The path with one trailing separator ('/' here); an empty path gives "/".
QString WithTrailingBackslash(const QString &path);

// True when the path names at least one regular, non-hidden file: wildcards allowed; a folder
// named without a trailing separator is false; "folder/" is true when the folder holds such a
// file.
bool FileExists(const QString &path);

// True when the path itself names a regular file (a link to one counts; hidden names too). For
// one known file, where brackets, '*', '?' and a leading dot are plain characters of the name.
bool IsFile(const QString &path);

// The system's temporary folder with a trailing separator (honours TMPDIR).
QString TempFolder();

// A number as the status bar writes it: one leading blank when it is not negative.
QString StatusNumberText(std::int64_t value);

} // namespace Module1

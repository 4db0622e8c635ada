// The extraction of a self-extracting program's payloads into a folder, outside the window:
// create the folder, find the payloads after the header, read each in pieces of 5000 bytes,
// decode it and write it under its stored name. The last payload is the archive to unpack.
#pragma once

#include "AtomicFile.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <vector>

// A failure of the extraction: the end of the program file reached while reading (no data),
// or a numbered failure (errno, or the codec's number) with its French description.
class StubFailure : public std::runtime_error {
public:
    StubFailure(bool noData, std::int64_t number, QString description)
        : std::runtime_error(description.toStdString()), noData(noData), number(number),
          description(std::move(description)) {}
    bool noData;
    std::int64_t number;
    QString description;
};

class StubExtraction {
public:
    static constexpr std::int64_t kPiece = 5000;

    struct Hooks {
        std::function<void(const QString &text)> status;
        std::function<void(bool shown)> showProgress;
        std::function<void(std::int64_t value, std::int64_t maximum)> progress;
        std::function<void()> repaint; // once per payload, before it is decoded
    };

    // Whose choice the destination is: the folder proposed beside the program is refused when
    // it is a symbolic link (someone else may have planted it); a folder the user typed is
    // taken as it stands.
    enum class Folder { Typed, Proposed };

    // The folder proposed for `ownFile`: beside it, named after it without its last extension
    // (my.backup.exe proposes my.backup/), ending in a separator. A name without a base of its
    // own ("photos", ".exe") gets "_files" appended, so that the folder can exist beside it.
    static QString ProposedFolder(const QString &ownFile);

    StubExtraction(QString ownFile, QString destination, std::vector<std::string> names,
                   std::vector<std::uint64_t> lengths, Hooks hooks, Folder folder = Folder::Typed);

    // Every payload written; StubFailure otherwise. Each payload is written under a temporary
    // name beside its own and renamed into place once whole: a failure leaves no part of it, and
    // a file already at that name stays as it was. A link at that name is never written through
    // and the program's own file is never replaced.
    void run();

    // The payload being (or last) written; empty until the first one starts.
    const QString &payloadOutputPath() const { return payloadOutputPath_; }
    // The temporary file of the payload being written (registered for removal on signals);
    // empty when none is.
    QString payloadTemporaryPath() const;
    // What the unpacking gets: the last payload's path, and the folder without its trailing
    // separator.
    QString archiveFileToExtract() const { return payloadOutputPath_; }
    QString unpackFolder() const;

    // After a failure of the unpacking: removes the decoded archive, when this run wrote it
    // and it is still the file written. Anything else at that name is left alone.
    void removeWrittenArchive();

private:
    void prepareFolder();
    void writePayload(int in, std::size_t i);

    QString ownFile_, destination_;
    std::vector<std::string> names_;
    std::vector<std::uint64_t> lengths_;
    Hooks hooks_;
    Folder folder_;
    QString payloadOutputPath_;
    fileio::AtomicFile output_;
    struct stat own_ {};
    bool archiveWritten_ = false;
    struct stat written_ {}; // the last payload's file as renamed into place
};

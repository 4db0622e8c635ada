// The extraction of a self-extracting program's payloads into a folder, outside the window:
// create the folder, find the payloads after the header, read each in pieces of 5000 bytes,
// decode it and write it under its stored name. The last payload is the archive to unpack.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
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

    StubExtraction(QString ownFile, QString destination, std::vector<std::string> names,
                   std::vector<std::uint64_t> lengths, Hooks hooks);

    // Every payload written; StubFailure otherwise, with the payload being written removed.
    void run();

    // The payload being (or last) written; empty until the first one starts.
    const QString &payloadOutputPath() const { return payloadOutputPath_; }
    // What the unpacking gets: the last payload's path, and the folder without its trailing
    // separator.
    QString archiveFileToExtract() const { return payloadOutputPath_; }
    QString unpackFolder() const;

private:
    void writePayload(int in, std::size_t i);

    QString ownFile_, destination_;
    std::vector<std::string> names_;
    std::vector<std::uint64_t> lengths_;
    Hooks hooks_;
    QString payloadOutputPath_;
};

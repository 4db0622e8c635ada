// Adding files to the open archive, one operation for every way in: the add dialog, files
// dropped on the entry list, an opened copy written back. One batch: the archive is rewritten
// once, after the last file. A file the writer cannot take is left out and the others still go
// in; a password question cancelled, or answered with an empty password, stops the add before
// anything is written, whatever the number of files (the question comes once per add). A stop
// through the long work writes nothing either. Each run has a writer of its own, so a password
// is never carried from one add to the next.
#pragma once

#include "Prompts.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class LongWork;
class QWidget;

class AddOperation {
public:
    struct Request {
        QString archive;                                      // created when missing
        short noSubFolders = 0, noPathNames = 0, encrypt = 0; // the add options
        QStringList paths;                                    // files and folders
        // One file stored under this entry name (an opened copy written back over its entry);
        // empty: the name follows from the path and the options.
        QString entryName;
        // With encrypt = 1: the password and method to use, asked of nobody; none: asked.
        std::optional<Prompts::EncryptionChoice> encryption;
    };
    struct Result {
        bool declined = false;  // the password question cancelled, or a stop: nothing written
        bool committed = false; // the archive was rewritten (or had nothing to change)
        QStringList problems;   // what went wrong, for the user, each reason once
    };

    // `parent` carries the password question; `work`, when given, shows the rewrite's
    // progress and offers the stop.
    explicit AddOperation(QWidget *parent, LongWork *work = nullptr);

    // Every message of the writer, as it comes (a progress line or a file left out).
    std::function<void(const QString &text)> note;

    Result run(const Request &request);

private:
    QWidget *parent_;
    LongWork *work_;
};

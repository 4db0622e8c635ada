// Files on disk as libzip reads them when it writes them into an archive. libzip reads a file
// only inside zip_close, where one failure sinks the whole commit; so a file is checked when it
// is added, and the source that reads it at the commit says which file failed and why.
#pragma once

#include "ZipError.h"

#include <zip.h>

#include <memory>
#include <string>
#include <sys/stat.h>

namespace zipcomponent {

struct SourceFree {
    void operator()(zip_source_t *s) const { zip_source_free(s); }
};
// A source nobody has taken yet; release() it once libzip owns it.
using SourceHandle = std::unique_ptr<zip_source_t, SourceFree>;

// The file that failed a commit, when one did: its path and the errno of the failure.
struct FileFailure {
    std::string path;
    int error = 0;
};

// What AddFile knows of a file it accepted.
struct CheckedFile {
    std::string path; // the file itself, links resolved
    struct stat st {};
};

// Opens the file as the commit will (no link followed, never blocking on a FIFO or a device),
// reads one byte, and closes it. A link is resolved first, so a link to a regular file counts as
// that file. ZipError naming the file when it is not a regular file or cannot be read.
CheckedFile CheckFile(const std::string &path);

// A source for the checked file, opened only while libzip reads it. Its size, time and mode are
// those seen by CheckFile; a failure of its own is recorded in `failure`, which must outlive it.
SourceHandle CreateFileSource(const CheckedFile &file, FileFailure *failure);

} // namespace zipcomponent

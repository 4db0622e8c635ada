// Writing a whole file so that nobody ever sees it half written: the data goes to a temporary
// file beside the final one, which is flushed to disk and renamed over it. Until then the final
// file is untouched; a failure removes the temporary file and leaves the final file byte for byte.
//
// The temporary file has a unique name, is created exclusively (O_EXCL | O_NOFOLLOW: a file or a
// link planted under that name is never opened) and is registered with TemporaryFiles.h while it
// exists. A target that is a symbolic link is resolved: the file it points to is replaced and the
// link stays; the no-follow form refuses such a target instead (ELOOP), and its rename replaces
// whatever name is there then, never writing through it. The file keeps the mode of the file it
// replaces (a new one: 0666 less the umask).
//
// Failures return false with the reason in error() (an errno value); the temporary file is then
// already gone.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace fileio {

// The file that `path` finally names: symbolic links are followed one by one (a relative target
// from the link's folder) to a file that may not exist yet. False with errno set (ELOOP after 40
// links).
bool ResolveLinks(const std::string &path, std::string &resolved);

// The streaming form: open, write pieces (seeking back to patch is allowed), commit or discard.
class AtomicFile {
public:
    AtomicFile() = default;
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;
    ~AtomicFile() { discard(); } // an uncommitted file is thrown away

    enum class Links { Follow, Refuse };

    // Creates the temporary file for `target`. The final file, when it exists, must be a regular
    // file (EISDIR for a folder, EINVAL for anything else); with Links::Refuse a symbolic link
    // there fails with ELOOP.
    bool open(const std::string &target, Links links = Links::Follow);
    bool write(const void *data, std::size_t size);
    bool seek(off_t offset, int whence);
    off_t tell() const;
    // Flushes the data to disk, renames it over the final file and flushes the folder. The disk
    // has been writing the data since it came, a few MiB at a time: little is left to wait for.
    bool commit();
    // Removes the temporary file; nothing happens when none is open.
    void discard();

    bool isOpen() const { return fd_ >= 0; }
    int error() const { return error_; }
    const std::string &finalPath() const { return final_; }
    const std::string &temporaryPath() const { return temp_; }

private:
    bool fail(); // keeps errno in error_, discards, returns false

    int fd_ = -1;
    int slot_ = 0; // registration in TemporaryFiles
    int error_ = 0;
    off_t position_ = 0;    // where the next write lands
    off_t writtenBack_ = 0; // data before this was handed to the disk early
    std::string final_, temp_;
};

// The whole file at once. False with errno set.
bool WriteFileAtomically(const std::string &target, std::string_view data);

} // namespace fileio

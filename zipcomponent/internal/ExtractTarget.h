// Where an entry's data reach the disk. The destination's folders are walked and made through
// descriptors, each opened without following a link, and the data go to a fresh temporary file
// inside the final folder's descriptor, renamed over the target once complete. A folder swapped
// for a link meanwhile fails the entry: nothing is written through it and no temporary file
// stays behind.
#pragma once

#include "Descriptor.h"
#include "TemporaryFiles.h"
#include "ZipError.h"

#include <cstddef>
#include <ctime>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace zipcomponent {

// Refuses an empty destination (which would mean the root folder), then makes the folder and
// its parents when missing.
void PrepareDestination(const std::string &destination);

// The French text for an errno met while writing `target`.
std::string WriteFailure(int err, const std::string &target);

class ExtractTarget {
public:
    // Opens the folder of destination/relativePath, making the missing ones. ZipError (naming
    // `entryName`) when a folder on the way is a link, is not a folder or cannot be made.
    // `relativePath` holds no "..", no empty component and does not start with '/'.
    ExtractTarget(const std::string &destination, const std::string &relativePath,
                  const std::string &entryName);
    ~ExtractTarget(); // closes, and removes the temporary file unless it was committed
    ExtractTarget(const ExtractTarget &) = delete;
    ExtractTarget &operator=(const ExtractTarget &) = delete;

    // destination/relativePath, for the texts and the overwrite questions.
    const std::string &path() const { return path_; }
    // What is at the target now, a link not followed; nullopt when nothing is.
    std::optional<struct stat> existing() const;

    // Creates the temporary file with `mode`, from which the umask is taken by the kernel.
    void create(mode_t mode);
    void write(const char *data, std::size_t size);
    // Sets the modification time and renames the temporary file over the target.
    void commit(std::time_t mtime);

private:
    // The destination, then each folder of the entry's path opened without following a link,
    // the missing ones made when `make`: the last folder's descriptor, or ZipError.
    fileio::Descriptor openFolder(bool make) const;
    void removeTemporary();

    std::string path_;
    std::string entryName_;
    std::string destination_;
    std::vector<std::string> folders_; // the folders of the relative path, in order
    std::string leaf_;                 // the file's name inside folder_
    std::string absoluteFolder_;
    fileio::Descriptor folder_;
    fileio::Descriptor file_;
    std::string temporary_; // the temporary file's name inside folder_, empty once gone
    fileio::TemporarySlot slot_ = 0;
};

} // namespace zipcomponent

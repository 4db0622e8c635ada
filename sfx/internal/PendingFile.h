// PendingFile: a new file written beside its target and renamed over it at the end, so the
// target is either replaced whole or left as it was. This is the only place the builder
// creates its output; it stands in for the project's shared atomic writer.
#pragma once

#include <cstdint>
#include <string>

namespace sfx::detail {

class PendingFile {
public:
    // Creates a uniquely named file in the target's folder with O_EXCL | O_NOFOLLOW, mode 0777
    // less the umask: what is written here is a program. Throws std::system_error.
    explicit PendingFile(std::string target);
    // Removes the file unless it was committed.
    ~PendingFile();
    PendingFile(const PendingFile &) = delete;
    PendingFile &operator=(const PendingFile &) = delete;

    // Appends all the bytes or throws std::system_error.
    void write(const char *data, std::size_t size);
    // Closes the file and renames it over the target. Throws std::system_error.
    void commit();
    std::uint64_t size() const { return size_; }

private:
    std::string target_;
    std::string temp_;
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

} // namespace sfx::detail

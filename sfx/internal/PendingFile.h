// PendingFile: the builder's output, written through the project's atomic writer (a new file
// beside the target renamed over it at the end, so the target is either replaced whole or left
// as it was) and made executable once it is in place.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace sfx::detail {

class PendingFile {
public:
    // Creates the temporary file beside the target. Throws std::system_error.
    explicit PendingFile(std::string target);
    // Removes the file unless it was committed.
    ~PendingFile();
    PendingFile(const PendingFile &) = delete;
    PendingFile &operator=(const PendingFile &) = delete;

    // Appends all the bytes or throws std::system_error.
    void write(const char *data, std::size_t size);
    // Renames the file over the target and makes it executable where it is readable. Throws
    // std::system_error.
    void commit();
    std::uint64_t size() const { return size_; }

private:
    struct Writer;
    std::string target_;
    std::unique_ptr<Writer> writer_;
    std::uint64_t size_ = 0;
};

} // namespace sfx::detail

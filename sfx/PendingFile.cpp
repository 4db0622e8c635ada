#include "PendingFile.h"

#include "AtomicFile.h"

#include <cerrno>
#include <sys/stat.h>
#include <system_error>

namespace sfx::detail {

namespace {

[[noreturn]] void throwErrno(int error, const std::string &what) {
    throw std::system_error(error, std::generic_category(), what);
}

} // namespace

struct PendingFile::Writer {
    fileio::AtomicFile file;
};

PendingFile::PendingFile(std::string target)
    : target_(std::move(target)), writer_(std::make_unique<Writer>()) {
    if (!writer_->file.open(target_)) throwErrno(writer_->file.error(), target_);
}

PendingFile::~PendingFile() = default; // an uncommitted file is discarded

void PendingFile::write(const char *data, std::size_t size) {
    if (!writer_->file.write(data, size)) throwErrno(writer_->file.error(), target_);
    size_ += size;
}

void PendingFile::commit() {
    if (!writer_->file.commit()) throwErrno(writer_->file.error(), target_);
    // A program: executable wherever it is readable (the umask already shaped the read bits).
    const std::string &written = writer_->file.finalPath();
    struct stat st {};
    if (stat(written.c_str(), &st) != 0) throwErrno(errno, target_);
    const mode_t mode = (st.st_mode & 07777) | ((st.st_mode & 0444) >> 2);
    if (chmod(written.c_str(), mode) != 0) throwErrno(errno, target_);
}

} // namespace sfx::detail

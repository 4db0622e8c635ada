#include "PendingFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <system_error>
#include <unistd.h>

namespace sfx::detail {

namespace {

[[noreturn]] void throwErrno(int error, const std::string &what) {
    throw std::system_error(error, std::generic_category(), what);
}

std::string folderOf(const std::string &path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

PendingFile::PendingFile(std::string target) : target_(std::move(target)) {
    const std::string folder = folderOf(target_);
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[17];
        std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
        temp_ = folder + "/.mivo-sfx-" + suffix;
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0777);
        if (fd_ >= 0) return;
        if (errno != EEXIST) throwErrno(errno, target_);
    }
    throwErrno(EEXIST, target_);
}

PendingFile::~PendingFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!temp_.empty()) ::unlink(temp_.c_str());
}

void PendingFile::write(const char *data, std::size_t size) {
    while (size > 0) {
        const ssize_t put = ::write(fd_, data, size);
        if (put < 0) {
            if (errno == EINTR) continue;
            throwErrno(errno, target_);
        }
        data += put;
        size -= static_cast<std::size_t>(put);
        size_ += static_cast<std::uint64_t>(put);
    }
}

void PendingFile::commit() {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throwErrno(errno, target_);
    if (::rename(temp_.c_str(), target_.c_str()) != 0) throwErrno(errno, target_);
    temp_.clear();
}

} // namespace sfx::detail

#include "ReadWrite.h"

#include <cerrno>
#include <unistd.h>

namespace fileio {

ssize_t ReadAll(int fd, void *data, std::size_t size) {
    auto *out = static_cast<char *>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd, out + done, size - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

ssize_t ReadAllAt(int fd, off_t offset, void *data, std::size_t size) {
    auto *out = static_cast<char *>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, out + done, size - done, offset + static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

bool WriteAll(int fd, const void *data, std::size_t size) {
    const auto *in = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t put = ::write(fd, in, size);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return false;
        in += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

} // namespace fileio

// Whole transfers on a descriptor: read() and write() may move fewer bytes than asked (a pipe,
// a signal) or fail with EINTR; these loops go on until the end.
#pragma once

#include <cstddef>
#include <sys/types.h>

namespace fileio {

// Reads `size` bytes, fewer only when the file ends first. The count read, or -1 with errno set
// (what was read before a failure is lost to the caller).
ssize_t ReadAll(int fd, void *data, std::size_t size);
// The same from `offset` on (pread), leaving the file position alone.
ssize_t ReadAllAt(int fd, off_t offset, void *data, std::size_t size);
// Writes all `size` bytes. False with errno set.
bool WriteAll(int fd, const void *data, std::size_t size);

} // namespace fileio

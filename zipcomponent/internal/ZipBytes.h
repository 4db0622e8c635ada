// Reading the archive's own records: little-endian fields and exact reads at an offset.
#pragma once

#include "ReadWrite.h"

#include <cstddef>
#include <cstdint>
#include <sys/types.h>

namespace zipcomponent {

inline std::uint16_t le16(const unsigned char *p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
inline std::uint32_t le32(const unsigned char *p) {
    return static_cast<std::uint32_t>(le16(p)) | static_cast<std::uint32_t>(le16(p + 2)) << 16;
}
inline std::uint64_t le64(const unsigned char *p) {
    return static_cast<std::uint64_t>(le32(p)) | static_cast<std::uint64_t>(le32(p + 4)) << 32;
}

// Exactly `size` bytes at `offset`; false on a failure or a file that ends before.
inline bool readAt(int fd, std::uint64_t offset, void *out, std::size_t size) {
    return fileio::ReadAllAt(fd, static_cast<off_t>(offset), out, size) ==
           static_cast<ssize_t>(size);
}

} // namespace zipcomponent

// The archive file as libzip sees it when writing: libzip's file source behind a 256 KiB
// read-ahead for reading, and the atomic file writer behind a 1 MiB buffer for the new archive.
// libzip copies an archive it rewrites in small pieces; through these buffers rewriting a 100 MB
// archive costs a hundred system calls instead of tens of thousands. The seek back that patches
// each new entry's header, and libzip's many questions of the position, stay inside the buffer. Removing the archive (libzip's
// answer to deleting every entry) writes an empty archive instead.
#pragma once

#include <zip.h>

#include <string>

namespace zipcomponent {

// A source for zip_open_from_source, or nullptr with `error` set.
zip_source_t *CreateBufferedFileSource(const std::string &path, zip_error_t *error);

} // namespace zipcomponent

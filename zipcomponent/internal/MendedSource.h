// Archives that libzip 1.7.3 refuses whole for one central-directory record it dislikes, read
// through a source that mends those records in passing, so that no other entry is lost:
// - a name or comment flagged UTF-8 that is not: the flag is cleared, and the name is read like
//   any other name that is not UTF-8;
// - a WinZip AES entry whose 0x9901 field has a version, vendor or key strength libzip does not
//   know: the record's method 99 becomes the field's own compression method, so that libzip
//   takes the entry for an ordinary encrypted one. Such an entry stays unreadable: its index is
//   reported, and the reader refuses it as encrypted by an unsupported method.
// Only the reader uses it: a writer would copy the mended records into the new archive.
#pragma once

#include "ArchiveReader.h"

#include <string>
#include <vector>

namespace zipcomponent {

struct MendedArchive {
    ZipHandle zip;                        // empty: nothing to mend, or still refused
    std::vector<zip_uint64_t> unknownAes; // indices of the AES entries nobody can read
};

MendedArchive OpenMended(const std::string &path);

} // namespace zipcomponent

// Listing an archive straight from its central directory, read in bounded pieces, without
// keeping its entries: the window shows 100,000 rows without libzip's copy of the directory.
#pragma once

#include "ArchiveReader.h"

#include <functional>
#include <string>

namespace zipcomponent {

// Calls `each` for every entry (folders included) in directory order, with the values the
// archive reader gives for it (index, decoded name, sizes, time, CRC, method, encryption,
// folder, link and mode), and returns true. An archive whose directory is not plain (a second
// end record or bytes after the comment, ZIP64 fields inside entries, more than one disk, a
// name flagged UTF-8 that is not, a malformed extra field, a Unicode path field, an AES field
// libzip refuses, ...) returns false before `each` was called once: the caller then opens it
// through libzip, which gives the same rows or the same error. The directory is read twice in
// pieces of 256 KiB, checked whole, then reported; nothing of it is kept.
bool ListCentralDirectory(const std::string &path,
                          const std::function<void(const EntryInfo &)> &each);

} // namespace zipcomponent

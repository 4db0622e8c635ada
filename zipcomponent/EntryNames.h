// Entry names as the user sees them, and the paths they may be written to.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zipcomponent {

// A name as stored in the archive, as UTF-8: kept when it is valid UTF-8 (which every name
// flagged as UTF-8 should be), otherwise read as code page 850, the code page of French Windows
// archives. Backslashes, which some Windows tools write as separators, become '/'.
std::string DecodeEntryName(std::string_view raw);

// "docs/notes/a.txt" -> folder "docs/notes", file "a.txt". A name without '/' has no folder.
std::string EntryFileOf(std::string_view fullName);
std::string EntryFolderOf(std::string_view fullName);
// The inverse: the full name of a file part in a folder.
std::string JoinEntryName(std::string_view folder, std::string_view file);

// The relative path an entry may be written to below a destination folder: leading '/', drive
// letters, empty and "." components dropped. Any ".." component refuses the name (nullopt), as
// does a name left empty.
std::optional<std::string> SafeRelativePath(std::string_view fullName);

} // namespace zipcomponent

// UTF-8 validation, for names that must be UTF-8 (entry names, payload names).
#pragma once

#include <string_view>

namespace fileio {

// True for well-formed UTF-8: no overlong form, no surrogate, nothing past U+10FFFF, no
// sequence cut short.
bool IsValidUtf8(std::string_view text);

} // namespace fileio

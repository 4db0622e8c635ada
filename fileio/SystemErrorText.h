// The one French table of the system's error numbers, for every message that gives a failure's
// reason (the writer's sources, the builder's failures, the stub's extraction), and the quotes
// that name a file or an entry in those messages.
#pragma once

#include <string>

namespace fileio {

// The French description of `error` (an errno value); a generic text for numbers without one.
std::string FrenchErrorText(int error);

// A name as the French texts quote it: « name ».
inline std::string Quoted(const std::string &name) {
    return "« " + name + " »";
}

} // namespace fileio

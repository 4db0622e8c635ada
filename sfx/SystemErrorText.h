// French descriptions of the system's error numbers, for messages that show a failure's number
// and description (the builder's failures, the stub's extraction).
#pragma once

#include <string>

namespace sfx {

// The French description of `error` (an errno value); a generic text for numbers without one.
std::string FrenchErrorText(int error);

} // namespace sfx

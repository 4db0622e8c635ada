// Local time of an entry's date, converted for every entry listed or extracted.
#pragma once

#include <ctime>

namespace zipcomponent {

// What localtime_r gives, without a look-up in the zone's rules for every call.
std::tm LocalTime(std::time_t t);

} // namespace zipcomponent

// The stub's number and error texts.
#pragma once

#include <QString>

#include <cstdint>

namespace StubTexts {

// "###,###": the number in decimal with the locale's thousands separator between groups of
// three digits; 0 gives an empty text. Under the C locale, which groups nothing, "," is used so
// that groups still show.
QString GroupedNumber(std::int64_t value);

// The saving of an entry: (1 - packed / size) x 100 rounded to the nearest whole number, a half
// going to the even neighbour, then "%"; "0%" for an empty entry. 64-bit: an entry packed into
// far more than its size shows its real value.
QString SavingText(std::int64_t packedSize, std::int64_t unpackedSize);

} // namespace StubTexts

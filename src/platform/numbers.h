#pragma once

#include <cstdint>
#include <string>

namespace kl {

// Counts and positions are signed 16-bit everywhere and travel through the
// settings store as plain decimal text.

// Text to number. Blanks around the number are allowed and a fraction is
// rounded half to even, as the runtime's own conversion does. Text that is not
// a number throws type mismatch (13); a value outside -32768..32767 throws
// overflow (6).
std::int16_t toInt16(const std::string &text);

// Number to text: decimal digits, "-" for negatives, no padding.
std::string str(std::int16_t value);

// value + delta, throwing overflow (6) outside the 16-bit range.
std::int16_t add16(std::int16_t value, int delta);

} // namespace kl

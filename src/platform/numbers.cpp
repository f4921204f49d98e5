#include "numbers.h"

#include "runtimeerror.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string_view>

namespace kl {

namespace {

bool isAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The blanks trimmed around a number: what the runtime's conversion skips,
// Unicode white space included (no-break and ideographic space among them).
std::size_t blankAt(std::string_view s, std::size_t i)
{
    static constexpr std::string_view kWide[] = {
        "\u0085", "\u00A0", "\u1680", "\u2000", "\u2001", "\u2002", "\u2003", "\u2004", "\u2005", "\u2006",
        "\u2007", "\u2008", "\u2009", "\u200A", "\u2028", "\u2029", "\u202F", "\u205F", "\u3000"};
    if (i >= s.size())
        return 0;
    if (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))
        return 1;
    for (std::string_view blank : kWide) {
        if (s.substr(i).starts_with(blank))
            return blank.size();
    }
    return 0;
}

std::string_view trimmed(std::string_view s)
{
    std::size_t begin = 0;
    while (const std::size_t n = blankAt(s, begin))
        begin += n;
    s.remove_prefix(begin);
    // A blank never starts inside another character: UTF-8 lead bytes and
    // continuation bytes differ.
    std::size_t end = 0;
    for (std::size_t i = 0; i < s.size();) {
        if (const std::size_t n = blankAt(s, i))
            i += n;
        else
            end = ++i;
    }
    return s.substr(0, end);
}

// Accepts [sign] digits [. digits], or [sign] . digits; nothing else.
bool looksNumeric(std::string_view s)
{
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < s.size() && isAsciiDigit(s[i])) {
        ++i;
        ++digits;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isAsciiDigit(s[i])) {
            ++i;
            ++digits;
        }
    }
    return digits > 0 && i == s.size();
}

} // namespace

std::int16_t toInt16(const std::string &text)
{
    std::string_view number = trimmed(text);
    if (!looksNumeric(number))
        throw RuntimeError(err::TypeMismatch);
    if (number.front() == '+')
        number.remove_prefix(1); // from_chars takes no plus sign

    double value = 0;
    const auto [end, failed] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (failed != std::errc() || end != number.data() + number.size())
        throw RuntimeError(err::Overflow); // digits only, so only range can fail

    const double rounded = std::nearbyint(value); // default mode: half to even
    if (rounded < std::numeric_limits<std::int16_t>::min() || rounded > std::numeric_limits<std::int16_t>::max())
        throw RuntimeError(err::Overflow);
    return static_cast<std::int16_t>(rounded);
}

std::string str(std::int16_t value)
{
    return std::to_string(value);
}

std::int16_t add16(std::int16_t value, int delta)
{
    const int sum = int(value) + delta;
    if (sum < std::numeric_limits<std::int16_t>::min() || sum > std::numeric_limits<std::int16_t>::max())
        throw RuntimeError(err::Overflow);
    return static_cast<std::int16_t>(sum);
}

} // namespace kl

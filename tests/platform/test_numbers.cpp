// Counts and positions as the settings store carries them: 16-bit numbers as
// decimal text.
#include "platform/numbers.h"
#include "platform/runtimeerror.h"
#include "support/errorof.h"

#include <doctest/doctest.h>

#include <cstdint>
#include <string>

using namespace kl;

TEST_CASE("text to a 16-bit number")
{
    const struct { const char *text, *expected; } table[] = {
        {"42", "42"}, {" \t7\r\n", "7"}, {"+5", "5"}, {"-0", "0"},
        {"\u3000" "12" "\u00A0", "12"},   // ideographic and no-break space are blanks
        {"2.5", "2"}, {"3.5", "4"}, {"-2.5", "-2"}, {".5", "0"}, {"1.5", "2"}, {"7.", "7"}, // half to even
        {"32767", "32767"}, {"-32768", "-32768"}, {"32767.4", "32767"},
        {"32768", "error 6"}, {"-32769", "error 6"}, {"32767.5", "error 6"}, {"99999999999999999999", "error 6"},
        {"", "error 13"}, {" ", "error 13"}, {"abc", "error 13"}, {"1 2", "error 13"}, {"12abc", "error 13"}, {"1e3", "error 13"},
        {"0x10", "error 13"}, {"--1", "error 13"}, {".", "error 13"}, {"\uFF11", "error 13"}, // a full-width 1
    };
    for (const auto &row : table) {
        const std::string text = row.text; // shown as text, not as a pointer
        CAPTURE(text);
        std::int16_t value = 0;
        const int error = test::errorOf([&] { value = toInt16(text); });
        CHECK((error ? "error " + std::to_string(error) : std::to_string(value)) == std::string(row.expected));
    }
}

TEST_CASE("16-bit numbers to text, and sums that must stay in range")
{
    CHECK(str(0) + "|" + str(-32768) + "|" + str(32767) + "|" + str(100) == "0|-32768|32767|100");
    CHECK(add16(32766, 1) == 32767);
    CHECK(add16(-32767, -1) == -32768);
    for (const int delta : {1, 65535, -65536}) {
        CAPTURE(delta);
        CHECK(test::errorOf([&] { add16(delta > 0 ? 32767 : -32768, delta); }) == err::Overflow);
    }
}

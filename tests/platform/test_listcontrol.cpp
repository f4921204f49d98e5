// The list box's row checks, which every face's list box inherits.
#include "support/errorof.h"
#include "support/std/fakes.h"

#include <doctest/doctest.h>

using namespace kl;

TEST_CASE("a list box refuses rows outside its own, touching nothing")
{
    const struct { const char *what; std::function<void(ListControl &)> call; int error; } cases[] = {
        {"choose -1", [](ListControl &l) { l.setListIndex(-1); }, 0},
        {"choose -2", [](ListControl &l) { l.setListIndex(-2); }, err::InvalidPropertyArrayIndex},
        {"choose past the end", [](ListControl &l) { l.setListIndex(2); }, err::InvalidPropertyArrayIndex},
        {"read the last", [](ListControl &l) { l.List(1); }, 0},
        {"read past the end", [](ListControl &l) { l.List(2); }, err::InvalidPropertyArrayIndex},
        {"read -1", [](ListControl &l) { l.List(-1); }, err::InvalidPropertyArrayIndex},
        {"append", [](ListControl &l) { l.setList(2, "c"); }, 0},
        {"set past the end", [](ListControl &l) { l.setList(3, "c"); }, err::InvalidPropertyArrayIndex},
        {"set -1", [](ListControl &l) { l.setList(-1, "c"); }, err::InvalidPropertyArrayIndex},
        {"remove the last", [](ListControl &l) { l.RemoveItem(1); }, 0},
        {"remove past the end", [](ListControl &l) { l.RemoveItem(2); }, err::InvalidProcedureCall},
        {"remove -1", [](ListControl &l) { l.RemoveItem(-1); }, err::InvalidProcedureCall},
    };
    for (const auto &c : cases) {
        CAPTURE(c.what);
        test::CallLog log;
        test::FakeList list(log);
        list.rows = {"a", "b"};
        CHECK(test::errorOf([&] { c.call(list); }) == c.error);
        if (c.error)
            CHECK_MESSAGE(log.calls.empty(), "a refused call reached the list");
    }
}

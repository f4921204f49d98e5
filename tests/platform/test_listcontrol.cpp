// The list and drive boxes' row checks, which every face's boxes inherit.
#include "support/errorof.h"
#include "support/std/face.h"

#include <doctest/doctest.h>

using namespace kl;

TEST_CASE("a list box refuses rows outside its own, touching nothing")
{
    // Each over rows "a", "b": its first and last rows taken, those beside them refused.
    const struct { std::string what; void (*call)(ListControl &, std::int16_t); int first, last, error; } cases[] = {
        {"choose", [](ListControl &l, std::int16_t r) { l.setListIndex(r); }, -1, 1, err::InvalidPropertyArrayIndex},
        {"read", [](ListControl &l, std::int16_t r) { l.List(r); }, 0, 1, err::InvalidPropertyArrayIndex},
        {"set", [](ListControl &l, std::int16_t r) { l.setList(r, "c"); }, 0, 2, err::InvalidPropertyArrayIndex},
        {"remove", [](ListControl &l, std::int16_t r) { l.RemoveItem(r); }, 0, 1, err::InvalidProcedureCall},
    };
    for (const auto &c : cases)
        for (const int row : {c.first - 1, c.first, c.last, c.last + 1}) {
            CAPTURE(c.what);
            CAPTURE(row);
            test::CallLog log;
            test::FakeList list(log);
            list.rows = {"a", "b"};
            const bool refused = row < c.first || row > c.last;
            CHECK(test::errorOf([&] { c.call(list, std::int16_t(row)); }) == (refused ? c.error : 0));
            if (refused)
                CHECK_MESSAGE(log.calls.empty(), "a refused call reached the list");
        }
}

TEST_CASE("a drive box refuses rows outside its own, keeping its choice")
{
    for (const int row : {-2, -1, 1, 2}) {
        CAPTURE(row);
        test::FakeDriveList drives;
        drives.setRows({"a", "b"});
        drives.setListIndex(0);
        const bool refused = row < -1 || row > 1;
        CHECK(test::errorOf([&] { drives.setListIndex(row); }) == (refused ? err::InvalidPropertyArrayIndex : 0));
        CHECK(drives.ListIndex() == (refused ? 0 : row));
    }
}

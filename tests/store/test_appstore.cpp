// The list of programs as the store keeps it.
#include "support/std/fakes.h"

#include "store/appstore.h"

#include <doctest/doctest.h>

using namespace kl;
using namespace kl::test;
using S = std::vector<std::string>;

namespace {

// Entries registered as both the store and the list hold them, then one or
// more operations; the store's two sections and the list after them.
struct Store
{
    explicit Store(int entries)
    {
        settings.putPrograms(entries);
        for (int p = 1; p <= entries; ++p)
            list.rows.push_back("Program " + std::to_string(p));
        log.calls.clear();
    }
    // Each section's count and entries 1..4 ("-": none).
    S section(const std::string &name) const
    {
        S values;
        for (const char *key : {"AppCount", "1", "2", "3", "4"})
            values.push_back(settings.value(name, key).value_or("-"));
        return values;
    }
    CallLog log;
    FakeSettings settings{log};
    FakeList list{log};
    FakeFlag allRan{log, "AllRan"};
    AppStore store{settings};
};

} // namespace

TEST_CASE("reading entries")
{
    Store s(2);
    CHECK(s.store.Count() == 2);
    s.store.NameOf(2), s.store.PathOf(2), s.store.PathOf(3); // what each reads is the handlers' tests'
    CHECK(s.log.calls == S{"Get SetApp/AppCount [0]", "Get Appnames/2 []", "Get SetApp/2 []", "Get SetApp/3 []"});
    s.settings.erase("SetApp", "AppCount");
    CHECK(s.store.Count() == 0);
}

TEST_CASE("appending")
{
    Store s(2);
    SUBCASE("as path and name, under the next position, in the store's own order")
    {
        s.store.Append("/opt/new", s.list, s.allRan);
        CHECK(s.log.calls == S{"Get SetApp/AppCount [0]", "Get SetApp/AppCount [0]", "Save SetApp/3 = /opt/new", "Save Appnames/3 = /opt/new",
                               "Save SetApp/3 = /opt/new", "List(2) = /opt/new", "Save Appnames/AppCount = 3", "Save SetApp/AppCount = 3", "AllRan enabled"});
    }
    SUBCASE("a count that is no number, at the top or below 0 changes nothing")
    {
        for (const auto &row : {std::pair{"three", err::TypeMismatch}, {"32767", err::Overflow},
                                {"-1", err::SubscriptOutOfRange}, {"-32768", err::SubscriptOutOfRange}}) {
            const std::string count = row.first; // not a binding: clang 14 lets no lambda capture one
            const int error = row.second;
            INFO("count: ", count);
            Store b(0);
            b.settings.put("SetApp", "AppCount", count);
            CHECK(errorOf([&] { b.store.Append("/opt/x", b.list, b.allRan); }) == error);
            CHECK(b.log.matching("Save").empty());
            CHECK(b.section("SetApp") == S{count, "-", "-", "-", "-"});
            CHECK(b.list.rows.empty());
        }
    }
}

TEST_CASE("removing")
{
    SUBCASE("later entries move up in the store and in the list, in the store's own order")
    {
        Store s(3);
        CHECK(s.store.Remove(2, s.list) == 2);
        CHECK(s.log.calls == S{"Get SetApp/AppCount [0]", "Delete SetApp/2", "Delete Appnames/2", "Save Appnames/AppCount = 2", "Save SetApp/AppCount = 2",
                               "Get SetApp/3 [0]", "Save SetApp/2 = /opt/p3", "Get Appnames/3 [0]", "Save Appnames/2 = Program 3", "Get appnames/2 []",
                               "List(1) = Program 3", "RemoveItem 2", "Delete SetApp/3", "Delete Appnames/3"});
    }
    SUBCASE("the only one: the caller clears its list")
    {
        Store s(1);
        CHECK(s.store.Remove(1, s.list) == 0);
        CHECK(s.section("Appnames") == S{"0", "-", "-", "-", "-"});
        CHECK(s.list.rows == S{"Program 1"});
    }
    SUBCASE("a missing name shifts down as 0; the removal stops where deleting it fails")
    {
        Store s(3);
        s.settings.erase("Appnames", "3");
        CHECK(errorOf([&] { s.store.Remove(1, s.list); }) == err::InvalidProcedureCall);
        CHECK(s.section("Appnames") == S{"2", "Program 2", "0", "-", "-"});
        CHECK(s.list.rows == S{"Program 2", "0"});
    }
    SUBCASE("nothing chosen fails at the first delete")
    {
        Store s(2);
        CHECK(errorOf([&] { s.store.Remove(0, s.list); }) == err::InvalidProcedureCall);
        CHECK(s.log.calls == S{"Get SetApp/AppCount [0]", "Delete SetApp/0 !"});
    }
}

TEST_CASE("renaming takes the name as given; a missing entry fails")
{
    Store s(3);
    s.store.Rename(2, "  エディタ  ");
    CHECK(s.log.calls == S{"Delete Appnames/2", "Save Appnames/2 =   エディタ  "});
    CHECK(errorOf([&] { s.store.Rename(7, "x"); }) == err::InvalidProcedureCall);
}

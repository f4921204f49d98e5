// The program picker, driven through the list window's Add button.
#include "support/std/harness.h"

#include "windows/Setup.h"

#include <doctest/doctest.h>

using namespace kl;
using namespace kl::test;
using S = std::vector<std::string>;

namespace {

const std::string kNotExe = "MsgBox 注意: .EXE ファイルを選択して下さい。 [0]";
const std::string kConfirm = "MsgBox アプリケーションの登録: 選択したアプリケーションを登録しますか？ [1]";

// The list window with one program, over the fixture's drives.
struct Picker : Harness
{
    Picker() { programs(1), open(), log.calls.clear(); }
    // Shows the picker from the Add button, steps then running in it.
    void show(const std::function<void()> &steps) { whenModal("Setup", steps), press("AppAdd"); }
    void cancel() { press("Setup", "cxsetup"); }
    // The drive, folder and file the picker shows.
    S where() { return {forms->Setup().drive(), forms->Setup().dirPath(), forms->Setup().fileName()}; }
    bool addEnabled() { return setup().buttons["AddProgram"].enabled; }
};

} // namespace

TEST_CASE("the picker's lists open at the current drive and folder; names that are not text are refused")
{
    Picker p;
    p.answer(), p.answer();
    p.show([&] {
        CHECK(p.setup().drives.rows == S{p.sys, p.cur, p.other});
        CHECK(p.setup().drives.index == 1);
        const std::vector<FolderRow> &rows = p.setup().folders.rows;
        const std::size_t depth = paths::folderChain(p.progs).size();
        REQUIRE(rows.size() == depth + 3);
        CHECK(rows[depth - 1] == FolderRow{"progs", p.progs, int(depth) - 1, true});
        CHECK(p.setup().folders.index == int(depth) - 1);
        CHECK(rows[depth] == FolderRow{"Alpha", Services::folder(p.cur, "progs/Alpha"), int(depth), false});
        CHECK(rows[depth + 2] == FolderRow{"pick\xef\xbf\xbd", "", int(depth), false});
        CHECK(p.setup().files.rows == std::vector<FileRow>{{"a.exe", true}, {"x\xef\xbf\xbd.exe", false}});
        CHECK(!p.addEnabled());
        p.pickFile("a.exe");
        CHECK(p.addEnabled());
        CHECK(p.where() == S{p.cur, p.progs, "a.exe"});
        p.openFolder("pick\xef\xbf\xbd"), p.pickFile("x\xef\xbf\xbd.exe"), p.press("Setup", "AddProgram"), p.cancel();
    });
    // Names that are not text are refused.
    CHECK(p.shownBoxes() == S{std::string("MsgBox 注意: ") + Setup::kFolderNotText + " [0]", std::string("MsgBox 注意: ") + Setup::kFileNotText + " [0]"});
}

TEST_CASE("registering a program picked")
{
    struct Row
    {
        std::string name;
        std::function<void(Picker &)> steps;
        std::function<std::string(Picker &)> registered; // nullptr: nothing
        int answer = vbOK;                               // to the confirm box
    };
    const auto in = [](const char *names, const char *file) {
        return [=](Picker &p) { return Services::folder(p.cur, names) + paths::separator + file; };
    };
    const std::vector<Row> table{
        {"in a folder below", [](Picker &p) { p.openFolder("Alpha"), p.pickFile("c.exe"), p.press("Setup", "AddProgram"); }, in("progs/Alpha", "c.exe")},
        {"a click on a folder opens nothing", [](Picker &p) { p.pickFile("a.exe"), p.clickFolder("Alpha"), p.press("Setup", "AddProgram"); }, in("progs", "a.exe")},
        {"a double-click on the file", [](Picker &p) { p.runFile("a.exe"); }, in("progs", "a.exe")},
        {"at the root the separator is doubled", [](Picker &p) { p.openFolder(p.top), p.pickFile("prog"), p.press("Setup", "AddProgram"); },
         [](Picker &p) { return p.top + paths::separator + "prog"; }},
        {"Cancel in the confirm box", [](Picker &p) { p.runFile("a.exe"); }, nullptr, vbCancel}};
    for (const Row &row : table) {
        CAPTURE(row.name);
        Picker p;
        p.answer(row.answer);
        p.show([&] { row.steps(p); });
        CHECK(p.rows() == (row.registered ? S{"Program 1", row.registered(p)} : S{"Program 1"}));
        CHECK(p.shownBoxes() == S{kConfirm});
        CHECK_FALSE(p.shown("Setup"));
    }
}

TEST_CASE("the picker keeps its choice until its close box discards it")
{
    Picker p;
    p.answer(), p.answer();
    p.show([&] { p.openFolder("Alpha"), p.pickFile("c.exe"), p.press("Setup", "AddProgram"); });
    p.show([&] {
        CHECK(p.where() == S{p.cur, Services::folder(p.cur, "progs/Alpha"), "c.exe"});
        p.press("Setup", "AddProgram");
    });
    p.show([&] { p.close("Setup"); });
    p.show([&] {
        CHECK(p.where() == S{p.cur, p.progs, ""});
        CHECK_FALSE(p.addEnabled());
        p.cancel();
    });
    CHECK(p.rows() == S{"Program 1", Services::folder(p.cur, "progs/Alpha/c.exe"), Services::folder(p.cur, "progs/Alpha/c.exe")});
}

TEST_CASE("what the picker refuses, and where it stays")
{
    Picker p;
    SUBCASE("a file picked, then another folder or drive opened: nothing picked, Add still on")
    {
        for (const bool drive : {false, true}) {
            Picker f;
            f.answer();
            f.show([&] {
                f.pickFile("a.exe"), drive ? f.chooseDrive(f.other) : f.openFolder("beta");
                CHECK(f.where() == S{drive ? f.other : f.cur, drive ? Services::folder(f.other) : Services::folder(f.cur, "progs/beta"), ""});
                CHECK(f.addEnabled());
                f.press("Setup", "AddProgram"), f.cancel();
            });
            CHECK(f.shownBoxes() == S{kNotExe});
            CHECK(f.rows() == S{"Program 1"});
        }
    }
    SUBCASE("a folder removed since it was listed")
    {
        p.answer();
        p.show([&] { p.drives.tree.erase(Services::folder(p.cur, "progs/beta")), p.openFolder("beta"), p.cancel(); });
        CHECK(p.shownBoxes() == S{"MsgBox エラー: " + RuntimeError::describe(err::PathNotFound) + " [0]"});
        CHECK(p.where() == S{p.cur, p.progs, ""});
    }
    SUBCASE("a drive with no medium falls back to the system drive")
    {
        p.drives.failing[p.other] = err::DeviceUnavailable, p.answer();
        p.show([&] { p.chooseDrive(p.other), p.cancel(); });
        CHECK(p.shownBoxes() == S{"MsgBox エラー: " + RuntimeError::describe(err::DeviceUnavailable) + " [0]"});
        CHECK(p.where() == S{p.sys, Services::folder(p.sys), ""});
    }
    SUBCASE("a drive failing otherwise leaves the lists where they were")
    {
        p.drives.failing[p.other] = err::DeviceIoError, p.answer(), p.answer();
        p.show([&] { p.chooseDrive(p.other), p.cancel(); });
        CHECK(p.shownBoxes() == S{"MsgBox エラー: " + RuntimeError::describe(err::DeviceIoError) + " [0]", "MsgBox 予期せぬエラー: エラーナンバーを作成者に伝えてください。 [0]"});
        CHECK(p.where() == S{p.other, p.progs, ""});
    }
}

TEST_CASE("a current folder that has gone: the home folder, else the system drive's root")
{
    for (const bool removed : {false, true})
        for (const bool home : {true, false}) {
            CAPTURE(removed);
            CAPTURE(home);
            Picker p;
            p.drives.current = removed ? Services::folder(p.cur, "gone") : "";
            p.drives.home = home ? Services::folder(p.cur, "home") : "";
            p.show([&] { p.cancel(); });
            CHECK(p.where() == (home ? S{p.cur, Services::folder(p.cur, "home"), ""} : S{p.sys, Services::folder(p.sys), ""}));
        }
}

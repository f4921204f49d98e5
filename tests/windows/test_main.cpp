// The list window and the rename dialog, driven through the fixture.
#include "support/std/harness.h"

#include "platform/numbers.h"
#include "windows/Setup.h"
#include "windows/namechenge.h"
#include "windows/syori.h"

#include <doctest/doctest.h>

using namespace kl;
using namespace kl::test;
using S = std::vector<std::string>;

namespace {

const S kThree{"Program 1", "Program 2", "Program 3"};
const std::string kPrompt = "MsgBox 登録: 起動するアプリケーションを登録してください。 [0]";
const std::string kStale = "MsgBox 注意: 一覧がほかで変更されていたため、表示し直しました。もう一度選択して下さい。 [0]";
const std::string kConfirm = "MsgBox アプリケーションの登録: 選択したアプリケーションを登録しますか？ [1]";
const std::string kFull = "MsgBox 注意: これ以上は登録できません。 [0]";
const std::string kBusy = "MsgBox Kicklist: " + Runtime::busyText(RuntimeError::busy("/settings", 4321)) + " [0]";

std::string report(int number) { return "MsgBox Kicklist: " + Runtime::reportText(RuntimeError(number)) + " [0]"; }

// Whether call a comes before call b in the log.
bool before(const Harness &h, const std::string &a, const std::string &b)
{
    const auto &c = h.log.calls;
    return std::find(c.begin(), c.end(), a) < std::find(c.begin(), c.end(), b);
}

// The picker, when it comes up, registers a.exe.
void addsNewProgram(Harness &h) { h.whenModal("Setup", [&h] { h.pickFile("a.exe"), h.press("Setup", "AddProgram"); }); }

// Nothing happened but the boxes: no start, no modal window, no write, no end.
void onlyTold(Harness &h, const S &boxes)
{
    CHECK(h.shownBoxes() == boxes);
    CHECK(h.started().empty());
    CHECK(h.modals().empty());
    CHECK(h.log.matching("Save").empty());
    CHECK(h.log.matching("Delete").empty());
    CHECK_FALSE(h.ended());
}

} // namespace

TEST_CASE("loading the list")
{
    Harness h;
    SUBCASE("the first start asks for a program, before the list window shows")
    {
        h.programs(0), h.answer();
        h.whenModal("Setup", [&] {
            CHECK(!h.shown("main"));
            h.close("Setup");
        });
        h.open();
        CHECK(h.shownBoxes() == S{kPrompt});
        CHECK(h.rows().empty());
        CHECK(h.enabled().empty());
    }
    // A count outside 0..100 is damaged, as the command line finds it too.
    for (const std::string count : {"many", "101", "-1", "-32768"}) {
        SUBCASE(("a damaged count recovers before the list window shows, the buttons as they were: " + count).c_str())
        {
            h.programs(3), h.settings.put("SetApp", "AppCount", count);
            h.whenModal("syori", [&] {
                CHECK(!h.shown("main"));
                h.close("syori");
            });
            h.open();
            CHECK(h.rows().empty());
            CHECK(h.enabled() == S{"AppDel", "Run", "chenge", "AllRan"});
            CHECK(h.log.matching("Save").empty());
            CHECK(h.log.matching("Get Appnames").empty());
        }
    }
}

TEST_CASE("a store in use: nothing to choose until the rows come by themselves; a row's action given up")
{
    Harness h;
    h.settings.busy = true, h.answer();
    SUBCASE("with entries") { h.programs(3); }
    SUBCASE("empty: no first-start prompt, then or later") { h.programs(0); }
    const S stored = h.settings.value("SetApp", "AppCount") == "3" ? kThree : S{};
    h.open();
    CHECK(h.shown("main"));
    CHECK(h.rows().empty());
    CHECK(h.enabled().empty());
    CHECK(h.watch.retries == 1);
    h.doubleClick(-1);
    for (const char *button : {"Run", "AppDel", "chenge", "AllRan"})
        h.press(button);
    onlyTold(h, {kBusy});
    h.storeChanged(); // the watch's retry, the store still in use: another, silently
    CHECK(h.watch.retries == 2);
    CHECK(h.rows().empty());
    h.settings.busy = false, h.storeChanged();
    CHECK(h.rows() == stored);
    CHECK(h.enabled() == (stored.empty() ? S{} : S{"AllRan"}));
    CHECK(h.watch.retries == 2);
    onlyTold(h, {kBusy});
    if (stored.empty())
        return;
    // In use again: a row's actions are given up, the row stays chosen.
    h.click(1), h.settings.busy = true, h.answer(), h.answer(), h.press("Run"), h.press("AppDel");
    onlyTold(h, {kBusy, kBusy, kBusy});
    CHECK(h.rows() == kThree);
    CHECK(h.chosen() == 1);
    CHECK(h.enabled().size() == 4);
}

TEST_CASE("starting programs")
{
    Harness h;
    h.programs(3), h.open();
    SUBCASE("a program that cannot start recovers, the window left minimised")
    {
        h.starter.missing = {"/opt/p2"}, h.whenModal("syori", [&] { h.close("syori"); });
        h.click(1), h.minimise(), h.press("Run");
        CHECK(h.started() == S{"Shell /opt/p2 1 !"});
        CHECK(h.minimised());
        CHECK(h.modals() == S{"ShowModal syori"});
    }
    SUBCASE("no row chosen, Run is off and a double-click does nothing; on a row it starts it and restores the window")
    {
        h.minimise(), h.press("Run"), h.doubleClick(-1);
        onlyTold(h, {});
        CHECK(h.minimised());
        h.click(1), h.doubleClick(1);
        CHECK(h.started() == S{"Shell /opt/p2 1"});
        CHECK_FALSE(h.minimised());
        CHECK(h.chosen() == 1);
    }
    SUBCASE("start-all goes on past a program that cannot start, then minimises")
    {
        h.starter.missing = {"/opt/p2"}, h.answer();
        h.press("AllRan");
        CHECK(h.started() == S{"Shell /opt/p1 1", "Shell /opt/p2 1 !", "Shell /opt/p3 1"});
        CHECK(h.shownBoxes() == S{"MsgBox 注意: 次のアプリケーションを起動できませんでした。\n/opt/p2\n" + RuntimeError::describe(err::FileNotFound) + " [0]"});
        CHECK(h.minimised());
    }
    for (const std::string how : {"Exit", "close box"}) {
        SUBCASE((how + " ends the program").c_str())
        {
            how == "Exit" ? h.press("Exit") : h.close("main");
            CHECK(h.ended());
            CHECK(h.log.calls.back() == "End");
        }
    }
}

// 99 entries take a picked program; at 100, another process's included,
// the program is refused, and from then on the picker does not come.
TEST_CASE("adding follows the store's last entry: at 100 no more")
{
    Harness h;
    h.programs(99), h.open(), h.programs(100), addsNewProgram(h), h.answer(), h.answer(), h.answer();
    h.press("AppAdd");
    CHECK(h.rows().size() == 100);
    h.press("AppAdd");
    CHECK(h.shownBoxes() == S{kConfirm, kFull, kFull});
    CHECK(h.modals() == S{"ShowModal Setup"});
    CHECK(h.log.matching("Save").empty());
}

// Adding and renaming end the program after the report, as does a removal
// that cannot read the count; one whose save fails recovers.
TEST_CASE("a failure shows the store as on disk")
{
    S during;
    bool ends = true;
    Harness h;
    h.programs(3), h.open(), h.click(1);
    h.settings.failCommits = err::PermissionDenied;
    SUBCASE("adding")
    {
        addsNewProgram(h), h.answer(), h.answer(vbOK, [&] { during = h.rows(); });
        h.press("AppAdd");
        CHECK(h.shownBoxes() == S{kConfirm, report(err::PermissionDenied)});
    }
    SUBCASE("renaming")
    {
        h.press("chenge"), h.type("renamed"), h.answer(vbOK, [&] { during = h.rows(); });
        h.press("namechenge", "chenge");
        CHECK(h.shownBoxes() == S{report(err::PermissionDenied)});
    }
    SUBCASE("removing, the count unreadable")
    {
        h.settings.failCommits = 0, h.settings.put("SetApp", "AppCount", "?"), h.answer(vbOK, [&] { during = h.rows(); });
        h.press("AppDel");
        CHECK(h.shownBoxes() == S{report(err::TypeMismatch)});
    }
    SUBCASE("removing")
    {
        h.whenModal("syori", [&] { during = h.rows(), h.close("syori"); });
        h.press("AppDel");
        ends = false;
        CHECK(h.rows() == kThree);
        CHECK(h.enabled() == S{"AllRan"});
        CHECK(h.modals() == S{"ShowModal syori"});
    }
    CHECK(during == kThree);
    CHECK(h.ended() == ends);
}

TEST_CASE("removing")
{
    Harness h;
    h.programs(3);
    SUBCASE("the row goes, later rows following the store, none stays chosen, written before anything else")
    {
        h.open(), h.click(2), h.programs(4), h.press("AppDel");
        CHECK(h.rows() == S{"Program 1", "Program 2", "Program 4"});
        CHECK(h.chosen() == -1);
        CHECK(h.enabled() == S{"AllRan"});
        CHECK(h.settings.value("SetApp", "AppCount") == "3");
        CHECK(h.log.matching("Commit") == S{"Commit"});
    }
    SUBCASE("the only entry: the prompt and the picker, after the removal is written")
    {
        h.programs(1), h.open(), h.answer(), h.whenModal("Setup", [&] { h.close("Setup"); });
        h.click(0), h.press("AppDel");
        CHECK(h.rows().empty());
        CHECK(h.enabled().empty());
        CHECK(before(h, "Commit", kPrompt));
    }
    SUBCASE("a missing name: shown again first, then the failure recovers")
    {
        h.programs(2), h.open(), h.settings.erase("Appnames", "2"), h.answer();
        h.click(1), h.press("AppDel");
        CHECK(h.shownBoxes() == S{kStale});
        CHECK(h.rows() == S{"Program 1", ""});
        h.whenModal("syori", [&] { h.close("syori"); });
        h.click(1), h.press("AppDel");
        CHECK(h.modals() == S{"ShowModal syori"});
        CHECK(h.rows() == S{"Program 1", ""});
        CHECK(h.enabled() == S{"AllRan"});
    }
}

// A row whose entry another process moved acts on nothing: the user is
// told and the rows are shown again. So too a choice that rows shown again
// took, as when the store changes between the two clicks of a double-click:
// the second click, or a handler already on its way, comes on none.
TEST_CASE("a row whose entry another process moved acts on nothing: told once, the rows shown again")
{
    using Act = void (*)(Harness &);
    using Handler = void (kl::main::*)();
    static const auto acts = [](Harness &h, Handler handler) { h.run([&] { (h.forms->main().*handler)(); }); };
    const struct { std::string name; bool shownAgain; Act act; } table[] = {
        {"Run", false, [](Harness &h) { h.click(1), h.press("Run"); }},
        {"double-click", false, [](Harness &h) { h.doubleClick(0); }},
        {"AppDel", false, [](Harness &h) { h.click(1), h.press("AppDel"); }},
        {"rename", false, [](Harness &h) { h.click(2), h.press("chenge"), h.type("x"), h.press("namechenge", "chenge"); }},
        {"double-click", true, [](Harness &h) { h.doubleClick(-1); }},
        {"AppDel, clicked before", true, [](Harness &h) { acts(h, &kl::main::AppDel_Click); }},
        {"rename", true, [](Harness &h) { h.type("x"), h.press("namechenge", "chenge"); }}};
    for (const auto &row : table) {
        CAPTURE(row.name);
        CAPTURE(row.shownAgain);
        Harness h;
        h.programs(3), h.open(), h.click(1), h.press("chenge"), h.answer();
        h.programs(2, 2);
        if (row.shownAgain)
            h.storeChanged();
        row.act(h);
        onlyTold(h, {kStale});
        CHECK(h.rows() == S{"Program 2", "Program 3"});
        CHECK(h.chosen() == -1);
        CHECK(h.enabled() == S{"AllRan"});
        // Told once: from then on no row chosen is only that, to every handler.
        h.doubleClick(-1), acts(h, &kl::main::Run_Click), acts(h, &kl::main::AppDel_Click);
        onlyTold(h, {kStale});
    }
}

TEST_CASE("the rows follow the store as other processes change it")
{
    Harness h;
    h.programs(3), h.open(), h.click(1);
    h.storeChanged();
    CHECK(h.chosen() == 1);
    CHECK(!h.log.matching("Get SetApp/AppCount").empty());
    CHECK_FALSE(h.settings.open);
    h.programs(4), h.storeChanged();
    CHECK(h.rows().size() == 4);
    CHECK(h.chosen() == 1);
    CHECK(h.enabled().size() == 4); // its entry stayed
    h.programs(2, 2), h.storeChanged();
    CHECK(h.rows() == S{"Program 2", "Program 3"});
    CHECK(h.chosen() == -1);
    h.settings.put("SetApp", "AppCount", "?"), h.storeChanged(); // told at the next action
    onlyTold(h, {});
    h.forms.reset();
    CHECK(!h.watch.changed);
}

TEST_CASE("modal windows wait with the store committed; the recovery dialog's OK starts afresh")
{
    Harness h;
    h.programs(3), h.open(), h.run([&] { h.forms->Setup(); });
    h.settings.SaveSetting("Kicklist", "x", "y", "z");
    h.whenModal("Setup", [&] {
        CHECK(h.log.calls.back() == "ShowModal Setup");
        CHECK(h.log.calls.end()[-2] == "Commit");
        h.close("Setup");
    });
    h.run([&] { h.forms->Setup().showModal(); });
    h.settings.GetSetting("Kicklist", "x", "y", "");
    h.whenModal("syori", [&] {
        CHECK(!h.settings.open);
        h.press("syori", "ok");
    });
    h.run([&] { h.forms->syori().showModal(); });
    CHECK(h.ended());
    CHECK(h.settings.value("SetApp", "AppCount") == "0");
    CHECK(h.settings.value("Appnames", "AppCount") == "0");
    CHECK(before(h, "Keep", "Save SetApp/AppCount = 0"));
}

TEST_CASE("the recovery dialog wipes nothing it could not keep a copy of, nor while the settings are in use")
{
    // In use: told as such, the store let go before the user's wait.
    for (const int failing : {err::DiskFull, -1}) {
        CAPTURE(failing);
        Harness h;
        bool held = false;
        h.programs(3), h.open(), h.resetCopy.failing = failing, h.answer(vbOK, [&] { held = h.settings.open; });
        h.whenModal("syori", [&] { h.settings.GetSetting("Kicklist", "x", "y", ""), h.press("syori", "ok"), h.close("syori"); });
        h.run([&] { h.forms->syori().showModal(); });
        CHECK(h.shownBoxes() == S{failing < 0 ? kBusy : "MsgBox Kicklist: " + syori::notKeptText(RuntimeError(err::DiskFull)) + " [0]"});
        CHECK_FALSE(h.ended());
        CHECK(h.log.matching("Save").empty());
        CHECK(h.settings.value("SetApp", "AppCount") == "3");
        if (failing < 0)
            CHECK_FALSE(held);
    }
}

TEST_CASE("renaming")
{
    Harness h;
    h.programs(3), h.open();
    const auto dialog = [&] { return S{h.namechenge().path.caption, h.namechenge().name.text}; };
    SUBCASE("the dialog reads the store for the row; missing keys read None and no name")
    {
        h.settings.erase("SetApp", "2"), h.settings.erase("Appnames", "2");
        h.run([&] { h.forms->namechenge().OpenForRow(-1); });
        CHECK(dialog() == S{"None", ""});
        h.click(0), h.press("chenge");
        CHECK(dialog() == S{"/opt/p1", "Program 1"});
        h.click(1), h.press("chenge");
        CHECK(dialog() == S{"None", ""});
        CHECK(h.shown("namechenge"));
    }
    for (const std::string &name : S{"Three", "  ", std::string(40000, 'x')}) {
        SUBCASE(("the name goes to the row chosen when it is confirmed, as typed: " + name.substr(0, 5)).c_str())
        {
            h.click(0), h.press("chenge"), h.click(2), h.type(name), h.click(1);
            h.press("namechenge", "chenge");
            CHECK(h.rows() == S{"Program 1", name, "Program 3"});
            CHECK(h.settings.value("Appnames", "2") == name);
            CHECK_FALSE(h.shown("namechenge"));
            CHECK(h.namechenge().path.caption.empty());
        }
    }
    SUBCASE("refused, the dialog staying with the name typed: an empty name, then no row chosen any more")
    {
        h.click(0), h.press("chenge"), h.type(""), h.answer();
        h.press("namechenge", "chenge");
        CHECK(h.shown("namechenge"));
        h.press("AppDel"), h.type("typed"), h.answer();
        h.press("namechenge", "chenge");
        CHECK(h.shownBoxes() == S{"MsgBox 名前の変更: 名前を入力して下さい。 [0]", "MsgBox 名前の変更: 変更するアプリケーションを一覧で選択して下さい。 [0]"});
        CHECK(dialog() == S{"/opt/p1", "typed"});
        CHECK(h.shown("namechenge"));
        CHECK(h.rows() == S{"Program 2", "Program 3"});
    }
    SUBCASE("Cancel hides the dialog, Clear empties the name")
    {
        h.click(1), h.press("chenge"), h.type("typed"), h.press("namechenge", "cancel");
        CHECK_FALSE(h.shown("namechenge"));
        CHECK(h.rows() == kThree);
        h.press("chenge"), h.press("namechenge", "clear");
        CHECK(dialog() == S{"/opt/p2", ""});
    }
}

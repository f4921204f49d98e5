// The about box: its texts, its one instance, and the system information tool.
#include "support/std/harness.h"

#include "windows/frmAbout.h"
#include "windows/main.h"

#include <doctest/doctest.h>

using namespace kl;
using namespace kl::test;
using S = std::vector<std::string>;

namespace {

const std::string kToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", kFolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
const std::string kUnavailable = "MsgBox Kicklist: 現時点ではｼｽﾃﾑ情報を使用できません [0]";

} // namespace

TEST_CASE("the version button shows one about box, owned by the list window; OK and the close box unload it")
{
    Harness h;
    h.programs(1), h.open();
    for (const std::string how : {"cmdOK", "close"}) {
        CAPTURE(how);
        const int built = h.face.built;
        h.press("Command1"), h.press("Command1");
        auto &about = static_cast<FakeAboutView &>(h.view("frmAbout"));
        CHECK(h.face.built == built + 1);
        CHECK(about.window.visible);
        CHECK(about.owner == &h.forms->main().view());
        CHECK(S{about.window.caption, about.version.caption, about.title.caption} == S{"キックリストのﾊﾞｰｼﾞｮﾝ情報", "ﾊﾞｰｼﾞｮﾝ 1.02", "プログラムキックリスト"});
        CHECK(h.log.matching("Reg").empty());
        how == "cmdOK" ? h.press("frmAbout", "cmdOK") : h.close("frmAbout");
        CHECK(h.forms->loadedFrmAbout() == nullptr);
        CHECK_FALSE(about.window.visible);
    }
}

// The tool's path is read from the first place the registry keeps it, else
// from the folder of the second, as the bytes of the value say; every way it
// fails ends in one box and the box stays.
TEST_CASE("the system information button")
{
    struct Row
    {
        std::string name;
        int type; // of the first place's value; 0: the key holds another value, -1: no key
        std::string data;
        std::string folder; // of the second place: "with" holds the tool, "without" not; "": no key
        S seen;             // keys opened, starts and boxes
    };
    const std::string first = "RegOpenKeyEx " + kToolKey, second = "RegOpenKeyEx " + kFolderKey;
    const S viaSecond{first, second, "Shell with\\MSINFO32.EXE 1"};
    const std::vector<Row> table{
        {"text and zero byte, second not read", 1, std::string("/opt/tool\0", 10), "with", {first, "Shell /opt/tool 1"}},
        {"one zero byte goes", 1, std::string("/x\0\0", 4), "", {first, std::string("Shell /x\0 1", 11)}},
        {"text read in the ANSI code page", 1, "\x83\x63\x81\x5b\x83\x8b", "", {first, "Shell ツール 1"}},
        {"1024 bytes, no zero", 1, std::string(1024, 'x'), "", {first, "Shell " + std::string(1024, 'x') + " 1"}},
        {"1025 bytes: second place", 1, std::string(1024, 'x') + '\0', "with", viaSecond},
        {"empty: fails, key left open", 1, "", "with", {first, kUnavailable}},
        {"other value: second place", 0, std::string("/opt/tool\0", 10), "with", viaSecond},
        {"type 2 starts nothing", 2, std::string("/opt/tool\0", 10), "", {first, "Shell  1 !", kUnavailable}},
        {"start failing", 1, std::string("/opt/gone\0", 10), "", {first, "Shell /opt/gone 1 !", kUnavailable}},
        {"dword 0x1234", 4, std::string("\x34\x12\0\0", 4), "", {first, "Shell 4660 1"}},
        {"dword 0x0102 loses a zero", 4, std::string("\x02\x01\0\0", 4), "", {first, "Shell 18 1"}},
        {"dword all ones is signed", 4, "\xff\xff\xff\xff", "", {first, "Shell -1 1"}},
        {"dword of a zero byte", 4, std::string(1, '\0'), "", {first, "Shell &h 1"}},
        {"dword of five bytes", 4, "\x11\x22\x33\x44\x55", "", {first, "Shell &h5544332211 1"}},
        {"second place with the file", -1, "", "with", {first + " !", second, "Shell with\\MSINFO32.EXE 1"}},
        {"second place, no file", -1, "", "without", {first + " !", second, kUnavailable}},
        {"both missing", -1, "", "", {first + " !", second + " !", kUnavailable}}};
    for (const Row &row : table) {
        CAPTURE(row.name);
        Harness h;
        if (row.seen.back() == kUnavailable)
            h.answer();
        h.registry.ansi["\x83\x63\x81\x5b\x83\x8b"] = "ツール";
        if (row.type >= 0)
            h.registry.put(kToolKey, {row.type ? "path" : "Other", std::uint32_t(row.type), row.data});
        if (!row.folder.empty())
            h.registry.put(kFolderKey, {"MSINFO", reg::TypeSz, row.folder + '\0'});
        h.drives.files = {"with\\MSINFO32.EXE"};
        h.starter.missing = {"/opt/gone"};
        h.run([&] { h.forms->frmAbout().view().form().Show(); });
        h.log.calls.clear();
        h.press("frmAbout", "cmdSysInfo");
        CHECK(h.log.calls == row.seen);
        CHECK(h.registry.open.size() == std::size_t(row.data.empty() && row.type == 1 ? 1 : 0));
        CHECK(h.forms->loadedFrmAbout() != nullptr);
    }
}

TEST_CASE("a REG_DWORD value's text follows what KeyVal held")
{
    CHECK(frmAbout::dwordText("1", std::string("\x02", 1)) == "18");
    CHECK(frmAbout::dwordText("x", std::string("\x02", 1)) == "&hx2");
    CHECK(frmAbout::dwordText("1234567", std::string("\x1f", 1)) == "&h12345671F");
}

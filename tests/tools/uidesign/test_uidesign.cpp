// uidesign refuses every form a face could not build from, with one line
// naming the form, the control and the fault, and writes nothing then. (The
// forms it accepts are the build's own.)
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kWindow = R"(<property name="borderStyle" stdset="0"><string>FixedSingle</string></property>
<property name="icon" stdset="0"><bool>true</bool></property>
<property name="geometry"><rect><x>0</x><y>0</y><width>100</width><height>50</height></rect></property>)";

std::string button(const std::string &name, const std::string &extra = {})
{
    return R"(<widget class="QPushButton" name=")" + name
        + R"("><property name="geometry"><rect><x>1</x><y>2</y><width>30</width><height>20</height></rect></property>)"
        + extra + "</widget>";
}

std::string form(const std::string &window, const std::string &controls, const std::string &tabs = {})
{
    return R"(<?xml version="1.0"?><ui version="4.0"><widget class="QDialog" name="w">)" + window + controls
        + "</widget><tabstops>" + tabs + "</tabstops></ui>";
}

using Args = std::vector<std::string>;
const Args kArgs{"windows.h", "windows.json", "w.ui"}; // the table, its JSON, the form

// Runs uidesign, the form in w.ui and args in a folder of its own; its standard error.
struct Run
{
    explicit Run(const std::string &text, const Args &args = kArgs)
    {
        std::ofstream(dir / "w.ui") << text;
        std::string command = UIDESIGN;
        for (const std::string &arg : args)
            command += " " + (dir / arg).string();
        command += " 2>" + (dir / "err").string();
        status = std::system(command.c_str());
        std::ifstream in(dir / "err");
        error.assign(std::istreambuf_iterator<char>(in), {});
    }
    ~Run() { fs::remove_all(dir); }
    fs::path dir = [] {
        auto d = fs::temp_directory_path() / ("uidesign-test-" + std::to_string(std::random_device{}()));
        fs::create_directories(d);
        return d;
    }();
    int status = 0;
    std::string error;
};

} // namespace

TEST_CASE("refusals")
{
    const auto window = [](const std::string &from, const std::string &to) {
        return std::string(kWindow).replace(kWindow.find(from), from.size(), to);
    };
    const std::string isDefault = R"(<property name="default"><bool>true</bool></property>)";
    const struct { std::string what, form, error; Args args = kArgs; } cases[] = {
        {"no form", form(kWindow, button("ok")), "usage: uidesign", {"windows.h", "windows.json"}},
        {"a form it cannot open", form(kWindow, button("ok")), "none.ui: No such file", {"windows.h", "windows.json", "none.ui"}},
        {"a table it cannot write", form(kWindow, button("ok")), "missing/windows.h", {"missing/windows.h", "windows.json", "w.ui"}},
        {"not XML", "<ui", "w.ui: "},
        {"no border or icon", R"(<ui><widget class="QDialog" name="w"/></ui>)", "needs borderStyle and icon"},
        {"an unknown border", form(window("FixedSingle", "Sizable"), ""), "w: unknown borderStyle"},
        {"an icon neither on nor off", form(window("<bool>true", "<bool>maybe"), ""), "w: icon is neither"},
        {"no client size", form(window("<width>100", "<width>0"), ""), "w: no client size"},
        {"a widget of no known class", form(kWindow, R"(<widget class="QSlider" name="s"/>)"), "s: no kind"},
        {"an unknown kind",
         form(kWindow, R"(<widget class="QFrame" name="f"><property name="kind"><string>Dial</string></property></widget>)"),
         "f: unknown kind Dial"},
        {"a name twice", form(kWindow, button("ok") + button("ok")), "ok: name given twice"},
        {"no size", form(kWindow, R"(<widget class="QPushButton" name="b"/>)"), "b: place or size"},
        {"two defaults", form(kWindow, button("a", isDefault) + button("b", isDefault)), "more than one default"},
        {"a tab stop naming nothing", form(kWindow, button("ok"), "<tabstop>gone</tabstop>"), "gone: a tab stop"},
        {"a label in the tab order",
         form(kWindow, R"(<widget class="kl::qt::DesignLabel" name="l"><property name="geometry"><rect><x>1</x><y>1</y>)"
                       R"(<width>9</width><height>9</height></rect></property></widget>)", "<tabstop>l</tabstop>"),
         "l: a label or line in the tab order"},
        {"default on what is no button",
         form(kWindow, R"(<widget class="QLineEdit" name="t"><property name="geometry"><rect><x>1</x><y>1</y>)"
                       R"(<width>9</width><height>9</height></rect></property>)" + isDefault + "</widget>"),
         "t: default or cancel on what is not a button"},
        {"a font without a face",
         form(kWindow, button("ok", R"(<property name="fontPoints"><double>9</double></property>)")),
         "ok: a font needs fontFace and fontPoints"},
        {"a colour on a button",
         form(kWindow, button("ok", R"(<property name="systemColour"><string>ButtonShadow</string></property>)")),
         "ok: systemColour on what is not a line"},
        {"an unknown colour",
         form(kWindow, R"(<widget class="QFrame" name="l"><property name="kind"><string>Line</string></property>)"
                       R"(<property name="geometry"><rect><x>1</x><y>1</y><width>9</width><height>1</height></rect></property>)"
                       R"(<property name="systemColour"><string>Purple</string></property></widget>)"),
         "l: unknown systemColour"},
    };
    for (const auto &c : cases) {
        CAPTURE(c.what);
        const Run run(c.form, c.args);
        CHECK(run.status != 0);
        CHECK_MESSAGE(run.error.find(c.error) != std::string::npos, run.error);
        CHECK_FALSE(fs::exists(run.dir / "windows.h"));
        CHECK_FALSE(fs::exists(run.dir / "windows.json"));
    }
}

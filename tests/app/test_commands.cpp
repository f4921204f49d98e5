// The command line both programs read: the outcomes and Qt's words for the
// parse errors, as QCommandLineParser gives them.
#include "app/commands.h"
#include "app/commandline.h"

#include <doctest/doctest.h>

using namespace kl::commandline;

TEST_CASE("the command line read as QCommandLineParser reads it")
{
    using A = Request::Action;
#ifdef _WIN32
    const A helpAll = A::Help; // as -?, a help name on Windows alone
#else
    const A helpAll = A::List;
#endif
    const struct { std::vector<std::string> args; A action; std::string error; } cases[] = {
        {{"--list"}, A::List, ""},
        {{"--start-all"}, A::StartAll, ""},
        {{"--autostart", "on"}, A::AutostartOn, ""},
        {{"--autostart=off"}, A::AutostartOff, ""},
        {{"-h"}, A::Help, ""},
        {{"--list", "--help-all"}, helpAll, ""},
        {{"-v", "--list"}, A::Version, ""},
        {{"--bogus"}, A::Usage, "Unknown option 'bogus'."},
        {{"-x", "--list"}, A::Usage, "Unknown option 'x'."},
        {{"-xy"}, A::Usage, "Unknown options: x, y."},
        {{"--list=1", "--bogus", "--start-all=2"}, A::Usage, "Unexpected value after '--start-all'."},
        {{"--autostart"}, A::Usage, "Missing value after '--autostart'."},
        {{"--autostart", "maybe"}, A::Usage, texts::badAutostartValue("maybe")},
        {{"--list", "extra", "more"}, A::Usage, texts::extraArguments("extra more")},
        {{"--list", "--", "--start-all"}, A::Usage, texts::extraArguments("--start-all")},
        {{"--list", "--start-all"}, A::Usage, texts::chooseOne},
        {{"--"}, A::Usage, texts::chooseOne},
    };
    for (const auto &c : cases) {
        CAPTURE(c.args.size() > 0 ? c.args[0] : "");
        const Request request = parse(c.args);
        CHECK(request.action == c.action);
        CHECK(request.error == c.error);
    }
    const std::string help = helpText("kicklist-cli");
    CHECK(help.rfind("Usage: kicklist-cli [options]\n", 0) == 0);
    CHECK(help.find("  --autostart <on|off>  on でログインのたびに") != std::string::npos);
    const Words words = [](const char *english) { return std::string(english) == "Options:" ? "オプション:" : english; };
    CHECK(helpText("kicklist", words).find("\nオプション:\n  -h, --help ") != std::string::npos);
}

TEST_CASE("fields of the list keep to one line and show what they hold")
{
    const struct { std::string what, name, shown; } cases[] = {
        {"tab, line breaks", "a\tb\nc\rd", "a\\tb\\nc\\rd"},
        {"other C0 controls and DEL", "\x01\x1b[2J\x7f", "\\x01\\x1b[2J\\x7f"},
        {"C1 controls (CSI, NEL)", "csi\xc2\x9b" "2J\xc2\x80\xc2\x85\xc2\x9f", "csi\\u009B2J\\u0080\\u0085\\u009F"},
        {"line and paragraph separators", "a\u2028b\u2029", "a\\u2028b\\u2029"},
        {"embeddings and overrides", "\u202a\u202b\u202c\u202d\u202e", "\\u202A\\u202B\\u202C\\u202D\\u202E"},
        {"isolates", "\u2066\u2067\u2068\u2069", "\\u2066\\u2067\\u2068\\u2069"},
        {"direction marks", "\u200e\u200f\u061c", "\\u200E\\u200F\\u061C"},
        {"bytes that are not UTF-8", "B\xfcro \xc2 \xed\xa0\x80 \xe2\x80", "B\uFFFDro \uFFFD \uFFFD\uFFFD\uFFFD \uFFFD\uFFFD"},
        {"text passes as it is", "名前 \u00a0\u200d\u2027\u2030\u206a\U0001F600 \uFFFD", "名前 \u00a0\u200d\u2027\u2030\u206a\U0001F600 \uFFFD"},
    };
    for (const auto &c : cases) {
        CAPTURE(c.what);
        CHECK(field(c.name) == c.shown);
    }
}

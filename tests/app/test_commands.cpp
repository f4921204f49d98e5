// The command line as the Windows program reads it: the same outcomes, and
// Qt's words for the parse errors, as the Linux program's parser.
#include "app/commands.h"
#include "app/commandline.h"

#include <doctest/doctest.h>

using namespace kl::commandline;

TEST_CASE("the command line read as Qt's parser reads it")
{
    using A = Request::Action;
    const struct { std::vector<std::string> args; A action; std::string error; } cases[] = {
        {{"--list"}, A::List, ""},
        {{"--start-all"}, A::StartAll, ""},
        {{"--autostart", "on"}, A::AutostartOn, ""},
        {{"--autostart=off"}, A::AutostartOff, ""},
        {{"-h"}, A::Help, ""},
        {{"--list", "--help-all"}, A::Help, ""},
        {{"-v", "--list"}, A::Version, ""},
        {{"--bogus"}, A::Usage, "Unknown option 'bogus'."},
        {{"-x", "--list"}, A::Usage, "Unknown option 'x'."},
        {{"-xy"}, A::Usage, "Unknown options: x, y."},
        {{"--list=1"}, A::Usage, "Unexpected value after '--list'."},
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
}

TEST_CASE("fields of the list keep to one line")
{
    CHECK(field("a\tb\nc\rd\x01\x7f" "名前") == "a\\tb\\nc\\rd\\x01\\x7f名前");
}

#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kl {
class AppStore;
class ProgramStarter;
class SettingsStore;
} // namespace kl

// The command line's reading, work and texts, in the standard library alone,
// for the Linux program and the Windows one.
namespace kl::commandline {

// Where the command line writes: whole lines of UTF-8, without the line break.
class Console
{
public:
    virtual ~Console() = default;
    virtual void out(const std::string &line) = 0;
    // A line on the error stream, after "Kicklist: ".
    virtual void error(const std::string &message) = 0;
    // False when what was written could not all be delivered.
    virtual bool flush() = 0;
};

// A field of a tab-separated line, with tabs, line breaks and other control
// characters written as escapes.
std::string field(const std::string &utf8);

// Where the store lives, for messages; asked only when one is written.
using Location = std::function<std::string()>;

// --list and --start-all over the store. Return the exit status.
int list(AppStore &store, SettingsStore &settings, Console &console, const Location &storeLocation);
int startAll(AppStore &store, SettingsStore &settings, ProgramStarter &starter, Console &console,
             const Location &storeLocation);

// The line for an autostart entry that could not be changed, and why.
std::string autostartFailure(const std::string &why);

// The texts of the options and the program, as --help shows them.
namespace texts {
extern const char *const description;
extern const char *const startAll;
extern const char *const list;
extern const char *const autostart;
extern const char *const chooseOne;
extern const char *const cannotWrite; // standard output took not all that was written
std::string extraArguments(const std::string &joined);
std::string badAutostartValue(const std::string &value);
} // namespace texts

// Qt's words (its parse errors, its help lines) by their English source
// text: the Linux program gives Qt's translation, the Windows one none.
using Words = std::function<std::string(const char *english)>;

// The command line as QCommandLineParser reads it with the options above
// (help, version, start-all, list, autostart <on|off>): exactly one of
// start-all, list and autostart, whose value is on or off. args excludes
// the program name.
struct Request
{
    enum Action {
        Help,
        Version,
        List,
        StartAll,
        AutostartOn,
        AutostartOff,
        Usage,
    } action = Usage;
    std::string error; // for Usage: the line to print before the help
};
Request parse(const std::vector<std::string> &args, const Words &words = {});
// The help text as Qt writes it, for program (the executable's name as given).
std::string helpText(const std::string &program, const Words &words = {});

} // namespace kl::commandline

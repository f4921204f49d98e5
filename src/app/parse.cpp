// The one command line of both programs, read as QCommandLineParser reads
// it (Qt's words for its errors and its help lines, in the user's language
// when the caller has Qt translate them).
#include "commands.h"

namespace kl::commandline {

namespace {

// Help names Qt adds on Windows alone: -? for help; the Windows program has
// always shown help for --help-all too, which the Linux one only accepts.
#ifdef _WIN32
constexpr bool windowsHelp = true;
#else
constexpr bool windowsHelp = false;
#endif

std::string say(const Words &words, const char *english, const std::string &arg = {})
{
    std::string text = words ? words(english) : english;
    if (const std::size_t at = text.find("%1"); at != std::string::npos)
        text.replace(at, 2, arg);
    return text;
}

std::string joined(const std::vector<std::string> &parts, const char *separator)
{
    std::string text;
    for (const std::string &part : parts)
        text += (text.empty() ? "" : separator) + part;
    return text;
}

} // namespace

Request parse(const std::vector<std::string> &args, const Words &words)
{
    bool help = false, version = false, startAll = false, list = false, autostart = false;
    std::string value;
    Request request;
    std::vector<std::string> unknown, positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (arg == "--") {
            positional.insert(positional.end(), args.begin() + std::ptrdiff_t(i) + 1, args.end());
            break;
        }
        if (arg.rfind("--", 0) == 0) {
            const std::size_t assign = arg.find('=');
            const std::string name = arg.substr(2, assign == std::string::npos ? std::string::npos : assign - 2);
            if (name == "autostart") {
                autostart = true;
                if (assign != std::string::npos)
                    value = arg.substr(assign + 1);
                else if (i + 1 < args.size())
                    value = args[++i];
                else // as Qt, the last error found is the one told
                    request.error = say(words, "Missing value after '%1'.", arg);
                continue;
            }
            bool helpAll = false;
            bool *flag = name == "help" ? &help
                : name == "help-all"    ? (windowsHelp ? &help : &helpAll)
                : name == "version"     ? &version
                : name == "start-all"   ? &startAll
                : name == "list"        ? &list
                                        : nullptr;
            if (!flag)
                unknown.push_back(name);
            else if (assign != std::string::npos)
                request.error = say(words, "Unexpected value after '%1'.", arg.substr(0, assign));
            else
                *flag = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            // Short options, several in one argument.
            for (const char c : arg.substr(1)) {
                if (c == 'h' || (windowsHelp && c == '?'))
                    help = true;
                else if (c == 'v')
                    version = true;
                else
                    unknown.push_back(std::string(1, c));
            }
        } else {
            positional.push_back(arg);
        }
    }

    if (request.error.empty() && unknown.size() == 1)
        request.error = say(words, "Unknown option '%1'.", unknown.front());
    else if (request.error.empty() && !unknown.empty())
        request.error = say(words, "Unknown options: %1.", joined(unknown, ", "));
    if (!request.error.empty())
        return request;
    if (help || version)
        request.action = help ? Request::Help : Request::Version;
    else if (!positional.empty())
        request.error = texts::extraArguments(joined(positional, " "));
    else if (int(startAll) + int(list) + int(autostart) != 1)
        request.error = texts::chooseOne;
    else if (autostart && value != "on" && value != "off")
        request.error = texts::badAutostartValue(value);
    else
        request.action = startAll ? Request::StartAll : list ? Request::List
            : value == "on"                                  ? Request::AutostartOn
                                                             : Request::AutostartOff;
    return request;
}

std::string helpText(const std::string &program, const Words &words)
{
    return say(words, "Usage: %1", program + " " + say(words, "[options]")) + "\n" + texts::description + "\n\n"
        + say(words, "Options:") + "\n  -h, --help            " + say(words, "Displays help on commandline options.")
        + "\n  --help-all            " + say(words, "Displays help including Qt specific options.")
        + "\n  -v, --version         " + say(words, "Displays version information.") + "\n  --start-all           "
        + texts::startAll + "\n  --list                " + texts::list + "\n  --autostart <on|off>  " + texts::autostart
        + "\n";
}

} // namespace kl::commandline

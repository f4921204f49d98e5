// The command line read as QCommandLineParser reads it, with its English
// texts, for the Windows program, which has no Qt.
#include "commands.h"

namespace kl::commandline {

Request parse(const std::vector<std::string> &args)
{
    bool help = false, version = false, startAll = false, list = false, autostart = false;
    std::string value, missing, unexpected;
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
                else if (missing.empty())
                    missing = arg;
                continue;
            }
            bool *flag = name == "help" || name == "help-all" ? &help
                : name == "version"                           ? &version
                : name == "start-all"                         ? &startAll
                : name == "list"                              ? &list
                                                              : nullptr;
            if (!flag)
                unknown.push_back(name);
            else if (assign != std::string::npos && unexpected.empty())
                unexpected = arg.substr(0, assign);
            else
                *flag = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            // Short options, several in one argument.
            for (const char c : arg.substr(1)) {
                if (c == 'h' || c == '?')
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

    Request request;
    if (!missing.empty())
        request.error = "Missing value after '" + missing + "'.";
    else if (!unexpected.empty())
        request.error = "Unexpected value after '" + unexpected + "'.";
    else if (unknown.size() == 1)
        request.error = "Unknown option '" + unknown.front() + "'.";
    else if (!unknown.empty()) {
        std::string names;
        for (const std::string &name : unknown)
            names += (names.empty() ? "" : ", ") + name;
        request.error = "Unknown options: " + names + ".";
    }
    if (!request.error.empty())
        return request;
    if (help || version) {
        request.action = help ? Request::Help : Request::Version;
        return request;
    }
    if (!positional.empty()) {
        std::string joined;
        for (const std::string &arg : positional)
            joined += (joined.empty() ? "" : " ") + arg;
        request.error = texts::extraArguments(joined);
        return request;
    }
    if (int(startAll) + int(list) + int(autostart) != 1) {
        request.error = texts::chooseOne;
        return request;
    }
    if (autostart && value != "on" && value != "off") {
        request.error = texts::badAutostartValue(value);
        return request;
    }
    request.action = startAll ? Request::StartAll : list ? Request::List
        : value == "on"       ? Request::AutostartOn
                              : Request::AutostartOff;
    return request;
}

} // namespace kl::commandline

namespace kl::commandline {

std::string helpText(const std::string &program)
{
    return "Usage: " + program + " [options]\n" + texts::description
        + "\n\nOptions:\n"
          "  -h, --help            Displays help on commandline options.\n"
          "  --help-all            Displays help including Qt specific options.\n"
          "  -v, --version         Displays version information.\n"
          "  --start-all           "
        + texts::startAll + "\n  --list                " + texts::list + "\n  --autostart <on|off>  " + texts::autostart
        + "\n";
}

} // namespace kl::commandline

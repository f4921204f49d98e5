#include "commands.h"

#include "commandline.h"
#include "platform/runtimeerror.h"
#include "platform/services.h"
#include "platform/settingsstore.h"
#include "store/appstore.h"

#include <cstdint>
#include <cstdio>

namespace kl::commandline {

namespace {

int storeFailure(const RuntimeError &e, Console &console, const Location &storeLocation)
{
    if (e.isBusy())
        console.error(e.description()); // not damaged, only in use: no more to say
    else
        console.error("登録の一覧を読めません (" + storeLocation() + "): " + e.description());
    return CannotAccess;
}

} // namespace

std::string field(const std::string &utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (byte < 0x20 || byte == 0x7f) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02x", byte);
            out += escape;
        } else
            out += c;
    }
    return out;
}

// Both commands read all they need and release the store (its commit drops
// the lock) before they write to a pipe or start a program: a reader that
// never reads, or a child that inherits something, must not hold every
// other instance up.
int list(AppStore &store, SettingsStore &settings, Console &console, const Location &storeLocation)
{
    std::vector<std::string> lines;
    try {
        const std::int16_t count = store.CheckedCount();
        for (std::int16_t position = 1; position <= count; ++position)
            lines.push_back(std::to_string(position) + '\t' + field(store.NameOf(position)) + '\t'
                            + field(store.PathOf(position)));
        settings.commit();
    } catch (const RuntimeError &e) {
        return storeFailure(e, console, storeLocation);
    }
    for (const std::string &line : lines)
        console.out(line);
    if (!console.flush()) {
        console.error("一覧を書き出せません。");
        return CannotAccess;
    }
    return Done;
}

// The same reads and starts as the list window's start-all button; a program
// that cannot start is reported and the rest still start.
int startAll(AppStore &store, SettingsStore &settings, ProgramStarter &starter, Console &console,
             const Location &storeLocation)
{
    std::vector<std::string> paths;
    try {
        const std::int16_t count = store.CheckedCount();
        for (std::int16_t position = 1; position <= count; ++position)
            paths.push_back(store.PathOf(position));
        settings.commit();
    } catch (const RuntimeError &e) {
        return storeFailure(e, console, storeLocation);
    }
    bool allStarted = true;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        try {
            starter.Shell(paths[i], vbNormalFocus);
        } catch (const RuntimeError &e) {
            allStarted = false;
            console.error(std::to_string(i + 1) + '\t' + field(paths[i]) + '\t' + field(e.description()));
        }
    }
    return allStarted ? Done : NotAllStarted;
}

std::string autostartFailure(const std::string &why)
{
    return "自動起動の項目を書き換えられません: " + why;
}

namespace texts {
const char *const description = "登録したプログラムを起動します。オプションなしで一覧のウィンドウを開きます。";
const char *const startAll = "登録したすべてのプログラムを順に起動します。ウィンドウは開きません。";
const char *const list = "登録したプログラムを一行にひとつ、番号、名前、パスの順にタブで区切って書き出します。";
const char *const autostart = "on でログインのたびに --start-all を実行させ、off でそれを取りやめます。";
const char *const chooseOne = "--start-all、--list、--autostart のどれかひとつを指定してください。";
std::string extraArguments(const std::string &joined)
{
    return "余分な引数です: " + joined;
}
std::string badAutostartValue(const std::string &value)
{
    return "--autostart には on か off を指定してください: " + value;
}
} // namespace texts

} // namespace kl::commandline

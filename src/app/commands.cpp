#include "commands.h"

#include "commandline.h"
#include "platform/runtimeerror.h"
#include "platform/services.h"
#include "platform/settingsstore.h"
#include "store/appstore.h"

#include <cstdint>
#include <cstdio>
#include <utility>

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

// The code point of the UTF-8 sequence at text[i] and its length; a byte
// that starts no valid sequence reads as U+FFFD, one byte long.
std::pair<char32_t, std::size_t> decodeAt(const std::string &text, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0; // of the sequence lead starts; 0: it starts none
    if (lead < 0x80)
        return {lead, 1};
    if (lead >= 0xc2 && lead < 0xe0)
        length = 2;
    else if (lead >= 0xe0 && lead < 0xf0)
        length = 3;
    else if (lead >= 0xf0 && lead < 0xf5)
        length = 4;
    if (length == 0 || i + length > text.size())
        return {U'\uFFFD', 1};
    char32_t cp = lead & (0x7f >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xc0) != 0x80)
            return {U'\uFFFD', 1};
        cp = (cp << 6) | (byte(i + k) & 0x3f);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
    constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < smallest[length] || (cp >= 0xd800 && cp <= 0xdfff) || cp > 0x10ffff)
        return {U'\uFFFD', 1};
    return {cp, length};
}

// What a terminal or a reader of lines would take for something other than
// a character of the name: line and paragraph breaks, controls, and the
// marks that turn the direction of the text around them.
bool invisibleControl(char32_t cp)
{
    return cp < 0x20 || (cp >= 0x7f && cp <= 0x9f) || cp == 0x061c || cp == 0x200e || cp == 0x200f
        || (cp >= 0x2028 && cp <= 0x202e) || (cp >= 0x2066 && cp <= 0x2069);
}

} // namespace

std::string field(const std::string &utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto [cp, length] = decodeAt(utf8, i);
        if (cp == U'\t') {
            out += "\\t";
        } else if (cp == U'\n') {
            out += "\\n";
        } else if (cp == U'\r') {
            out += "\\r";
        } else if (invisibleControl(cp)) {
            char escape[8];
            std::snprintf(escape, sizeof escape, cp <= 0x7f ? "\\x%02x" : "\\u%04X", unsigned(cp));
            out += escape;
        } else if (cp == U'\uFFFD' && length == 1) {
            out += "\uFFFD"; // a byte that is not UTF-8 is shown as the picker shows it
        } else {
            out.append(utf8, i, length);
        }
        i += length;
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
        console.error(texts::cannotWrite);
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
const char *const cannotWrite = "標準出力に書き出せません。";
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

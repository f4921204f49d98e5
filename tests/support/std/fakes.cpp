#include "fakes.h"

#include <doctest/doctest.h>

#include <algorithm>
#include <utility>

namespace kl::test {

namespace {

const std::string kApp = "Kicklist";

std::string folded(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    return text;
}

// As the real stores: an empty name is refused (a read of one finds nothing).
std::string id(const std::string &app, const std::string &section, const std::string &key, bool reading = false)
{
    if (app.empty() || (!reading && (section.empty() || key.empty())))
        throw RuntimeError(err::InvalidProcedureCall);
    return folded(app + '/' + section + '/' + key);
}

#ifdef _WIN32
const std::vector<std::string> kDrives{"c:", "d:", "e:"};
#else
const std::vector<std::string> kDrives{"/", "/cur", "/other"};
#endif

} // namespace

std::string FakeSettings::GetSetting(const std::string &app, const std::string &section, const std::string &key,
                                     const std::string &def)
{
    if (busy)
        throw RuntimeError::busy("/settings", 4321);
    log.add("Get " + section + '/' + key + " [" + def + ']');
    open = true;
    const auto found = values.find(id(app, section, key, true));
    return found == values.end() ? def : found->second;
}

void FakeSettings::SaveSetting(const std::string &app, const std::string &section, const std::string &key,
                               const std::string &value)
{
    log.add("Save " + section + '/' + key + " = " + value);
    values[id(app, section, key)] = value;
    dirty = open = true;
}

void FakeSettings::DeleteSetting(const std::string &app, const std::string &section, const std::string &key)
{
    const bool missing = values.erase(id(app, section, key)) == 0;
    log.add("Delete " + section + '/' + key + (missing ? " !" : ""));
    open = true;
    if (missing)
        throw RuntimeError(err::InvalidProcedureCall);
    dirty = true;
}

void FakeSettings::commit()
{
    open = false;
    if (!std::exchange(dirty, false))
        return;
    log.add(failCommits ? "Commit !" : "Commit");
    if (failCommits) {
        values = committed;
        throw RuntimeError(failCommits);
    }
    committed = values;
}

void FakeSettings::put(const std::string &section, const std::string &key, const std::string &value)
{
    committed[id(kApp, section, key)] = values[id(kApp, section, key)] = value;
}

void FakeSettings::erase(const std::string &section, const std::string &key)
{
    committed.erase(id(kApp, section, key));
    values.erase(id(kApp, section, key));
}

std::optional<std::string> FakeSettings::value(const std::string &section, const std::string &key) const
{
    const auto found = values.find(id(kApp, section, key));
    return found == values.end() ? std::nullopt : std::optional(found->second);
}

void FakeSettings::putPrograms(int n, int first)
{
    for (const char *section : {"SetApp", "Appnames"}) {
        put(section, "AppCount", std::to_string(n));
        for (int p = 1; p <= n; ++p)
            put(section, std::to_string(p), (section[0] == 'S' ? "/opt/p" : "Program ") + std::to_string(p + first - 1));
        erase(section, std::to_string(n + 1));
    }
}

void FakeStarter::Shell(const std::string &path, int style)
{
    const bool fails = path.empty() || missing.count(path);
    log.add("Shell " + path + ' ' + std::to_string(style) + (fails ? " !" : ""));
    if (fails)
        throw RuntimeError(err::FileNotFound);
}

int FakeBoxes::MsgBox(const std::string &prompt, int buttons, const std::string &title)
{
    log.add("MsgBox " + title + ": " + prompt + " [" + std::to_string(buttons) + ']');
    if (answers.empty())
        FAIL("a message box no test answers: 「" << title << "」 " << prompt);
    auto [button, whileOpen] = std::move(answers.front());
    answers.pop_front();
    if (whileOpen)
        whileOpen();
    return button;
}

void FakeRegistry::put(const std::string &key, Value value)
{
    keys[folded(key)] = std::move(value);
}

long FakeRegistry::RegOpenKeyEx(std::uint32_t root, const std::string &subKey, std::uint32_t, std::uint32_t samDesired,
                                std::uint32_t &key)
{
    const bool found = root == reg::LocalMachine && samDesired == reg::Read && keys.count(folded(subKey));
    log.add("RegOpenKeyEx " + subKey + (found ? "" : " !"));
    if (!found)
        return reg::FileNotFound;
    open[key = nextKey++] = folded(subKey);
    return reg::Success;
}

// A buffer too short gets MoreData and the size needed, as the real call.
long FakeRegistry::RegQueryValueEx(std::uint32_t key, const std::string &valueName, std::uint32_t &type,
                                   std::string &buffer, std::uint32_t &size)
{
    if (!open.count(key))
        return reg::InvalidHandle;
    const Value &value = keys.at(open[key]);
    if (folded(value.name) != folded(valueName))
        return reg::FileNotFound;
    const bool fits = value.data.size() <= std::min<std::size_t>(size, buffer.size());
    if (fits)
        std::copy(value.data.begin(), value.data.end(), buffer.begin());
    type = value.type;
    size = std::uint32_t(value.data.size());
    return fits ? reg::Success : reg::MoreData;
}

Services::Services()
    : sys(kDrives[0]), cur(kDrives[1]), other(kDrives[2]), progs(folder(cur, "progs")), top(paths::folderChain(progs)[0])
{
    drives.driveList = kDrives, drives.system = sys, drives.currentDriveText = cur;
    drives.current = progs, drives.home = folder(cur, "home");
    const std::vector<std::string> chain = paths::folderChain(progs);
    for (std::size_t i = 0; i + 1 < chain.size(); ++i)
        drives.tree[chain[i]].folders = {paths::lastName(chain[i + 1])};
    drives.tree[top].programs = {"prog"};
    drives.tree[progs] = {{"Alpha", "beta"}, {"a.exe"}, {"pick\xef\xbf\xbd"}, {"x\xef\xbf\xbd.exe"}};
    drives.tree[folder(cur, "progs/Alpha")].programs = {"c.exe"};
    for (const std::string &empty : {folder(cur, "progs/beta"), folder(cur, "home"), folder(sys)})
        drives.tree[empty];
    drives.tree[folder(other)].programs = {"z.exe"};
}

} // namespace kl::test

#include "fakes.h"

#include <doctest/doctest.h>

#include <algorithm>
#include <iterator>
#include <utility>

namespace kl::test {

namespace {

const std::string kApp = "Kicklist";

std::string folded(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    return text;
}

std::string id(const std::string &app, const std::string &section, const std::string &key)
{
    return folded(app + '/' + section + '/' + key);
}

} // namespace

std::vector<std::string> CallLog::matching(const std::string &prefix) const
{
    std::vector<std::string> found;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(found), [&](const std::string &c) { return c.rfind(prefix, 0) == 0; });
    return found;
}

std::string FakeSettings::GetSetting(const std::string &app, const std::string &section, const std::string &key,
                                     const std::string &def)
{
    if (busy)
        throw RuntimeError::busy("/settings", 4321);
    m_log.add("Get " + section + '/' + key + " [" + def + ']');
    open = true;
    const auto found = m_values.find(id(app, section, key));
    return found == m_values.end() ? def : found->second;
}

void FakeSettings::SaveSetting(const std::string &app, const std::string &section, const std::string &key,
                               const std::string &value)
{
    m_log.add("Save " + section + '/' + key + " = " + value);
    m_values[id(app, section, key)] = value;
    m_dirty = open = true;
}

void FakeSettings::DeleteSetting(const std::string &app, const std::string &section, const std::string &key)
{
    const bool missing = m_values.erase(id(app, section, key)) == 0;
    m_log.add("Delete " + section + '/' + key + (missing ? " !" : ""));
    open = true;
    if (missing)
        throw RuntimeError(err::InvalidProcedureCall);
    m_dirty = true;
}

void FakeSettings::commit()
{
    open = false;
    if (!std::exchange(m_dirty, false))
        return;
    m_log.add(failCommits ? "Commit !" : "Commit");
    if (failCommits) {
        m_values = m_committed;
        throw RuntimeError(failCommits);
    }
    m_committed = m_values;
}

void FakeSettings::put(const std::string &section, const std::string &key, const std::string &value)
{
    m_committed[id(kApp, section, key)] = m_values[id(kApp, section, key)] = value;
}

void FakeSettings::erase(const std::string &section, const std::string &key)
{
    m_committed.erase(id(kApp, section, key));
    m_values.erase(id(kApp, section, key));
}

std::optional<std::string> FakeSettings::value(const std::string &section, const std::string &key) const
{
    const auto found = m_values.find(id(kApp, section, key));
    return found == m_values.end() ? std::nullopt : std::optional(found->second);
}

void FakeSettings::putPrograms(int n, int first)
{
    put("SetApp", "AppCount", std::to_string(n));
    put("Appnames", "AppCount", std::to_string(n));
    for (int p = 1; p <= n; ++p) {
        put("SetApp", std::to_string(p), "/opt/p" + std::to_string(p + first - 1));
        put("Appnames", std::to_string(p), "Program " + std::to_string(p + first - 1));
    }
    erase("SetApp", std::to_string(n + 1));
    erase("Appnames", std::to_string(n + 1));
}

void FakeStarter::Shell(const std::string &path, int style)
{
    const bool fails = path.empty() || missing.count(path);
    m_log.add("Shell " + path + ' ' + std::to_string(style) + (fails ? " !" : ""));
    if (fails)
        throw RuntimeError(err::FileNotFound);
}

int FakeBoxes::MsgBox(const std::string &prompt, int buttons, const std::string &title)
{
    m_log.add("MsgBox " + title + ": " + prompt + " [" + std::to_string(buttons) + ']');
    if (m_answers.empty())
        FAIL("a message box no test answers: 「" << title << "」 " << prompt);
    auto [button, whileOpen] = std::move(m_answers.front());
    m_answers.pop_front();
    if (whileOpen)
        whileOpen();
    return button;
}

void FakeBoxes::answer(int button, std::function<void()> whileOpen)
{
    m_answers.emplace_back(button, std::move(whileOpen));
}

void FakeProcess::end()
{
    m_log.add("End");
    throw ProgramEnded{};
}

std::string FakeList::List(std::int16_t row) const
{
    if (row < 0 || std::size_t(row) >= rows.size())
        throw RuntimeError(err::InvalidPropertyArrayIndex);
    return rows[std::size_t(row)];
}

void FakeList::setList(std::int16_t row, const std::string &text)
{
    m_log.add("List(" + std::to_string(row) + ") = " + text);
    if (row < 0 || std::size_t(row) > rows.size())
        throw RuntimeError(err::InvalidPropertyArrayIndex);
    (std::size_t(row) == rows.size() ? rows.emplace_back() : rows[std::size_t(row)]) = text;
}

void FakeList::RemoveItem(std::int16_t row)
{
    m_log.add("RemoveItem " + std::to_string(row));
    if (row < 0 || std::size_t(row) >= rows.size())
        throw RuntimeError(err::InvalidProcedureCall);
    rows.erase(rows.begin() + row);
    selected = -1;
}

void FakeList::Clear()
{
    m_log.add("Clear");
    rows.clear();
    selected = -1;
}

std::string FakeDrives::openDrive(const std::string &drive)
{
    if (const auto found = failing.find(drive); found != failing.end())
        throw RuntimeError(found->second);
    return drive;
}

std::vector<std::string> FakeDrives::unnamed(const std::string &folder, Kind kind)
{
    const Listing &listing = at(folder);
    return kind == Kind::Folders ? listing.unnamedFolders : listing.unnamedPrograms;
}

std::string FakeDrives::Dir(const std::string &path)
{
    return files.count(path) ? path.substr(path.find_last_of(std::string("/") + paths::separator) + 1) : std::string();
}

const FakeDrives::Listing &FakeDrives::at(const std::string &folder) const
{
    const auto found = tree.find(folder);
    if (found == tree.end())
        throw RuntimeError(err::PathNotFound);
    return found->second;
}

void FakeRegistry::put(const std::string &key, Value value)
{
    m_keys[folded(key)] = std::move(value);
}

long FakeRegistry::RegOpenKeyEx(std::uint32_t root, const std::string &subKey, std::uint32_t, std::uint32_t samDesired,
                                std::uint32_t &key)
{
    const bool found = root == reg::LocalMachine && samDesired == reg::Read && m_keys.count(folded(subKey));
    m_log.add("RegOpenKeyEx " + subKey + (found ? "" : " !"));
    if (!found)
        return reg::FileNotFound;
    m_open[key = m_nextKey++] = folded(subKey);
    return reg::Success;
}

// A buffer too short gets MoreData and the size needed, as the real call.
long FakeRegistry::RegQueryValueEx(std::uint32_t key, const std::string &valueName, std::uint32_t &type,
                                   std::string &buffer, std::uint32_t &size)
{
    const auto open = m_open.find(key);
    if (open == m_open.end())
        return reg::InvalidHandle;
    const Value &value = m_keys.at(open->second);
    if (folded(value.name) != folded(valueName))
        return reg::FileNotFound;
    const bool fits = value.data.size() <= std::min<std::size_t>(size, buffer.size());
    if (fits)
        std::copy(value.data.begin(), value.data.end(), buffer.begin());
    type = value.type;
    size = std::uint32_t(value.data.size());
    return fits ? reg::Success : reg::MoreData;
}

std::string FakeRegistry::textOf(const std::string &bytes)
{
    const auto found = ansi.find(bytes);
    return found == ansi.end() ? bytes : found->second;
}

int errorOf(const std::function<void()> &f)
{
    try {
        f();
        return 0;
    } catch (const RuntimeError &e) {
        return e.number();
    }
}

} // namespace kl::test

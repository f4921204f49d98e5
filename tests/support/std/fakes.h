#pragma once

#include "platform/drives.h"
#include "platform/listcontrol.h"
#include "platform/registry.h"
#include "platform/runtimeerror.h"
#include "platform/services.h"
#include "platform/settingsstore.h"

#include <doctest/doctest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace doctest {
// Lists of text as failed checks show them.
template <>
struct StringMaker<std::vector<std::string>>
{
    static String convert(const std::vector<std::string> &texts)
    {
        std::ostringstream out;
        for (const std::string &text : texts)
            out << (&text == texts.data() ? "{\"" : ", \"") << text << '"';
        out << (texts.empty() ? "{}" : "}");
        return out.str().c_str();
    }
};
} // namespace doctest

namespace kl::test {

// One ordered record of the calls the fakes receive, so that a test can
// check the order across services (settings, starts, boxes, the end).
struct CallLog
{
    std::vector<std::string> calls;
    void add(std::string call) { calls.push_back(std::move(call)); }
    // The calls starting with prefix, in order.
    std::vector<std::string> matching(const std::string &prefix) const;
};

// Thrown by FakeProcess::end(): the program ended. Not a RuntimeError, so no
// handler catches it; the fixture does.
struct ProgramEnded
{
};

// An in-memory settings store. Application, section and key match without
// regard to case by ASCII folding only (the names the program uses are
// ASCII). Calls are logged as
//   Get SetApp/AppCount [0]     (section and key as the caller spelled them)
//   Save SetApp/1 = /bin/true
//   Delete Appnames/2           (" !" when missing: that throws)
//   Commit                      (only when writes are pending; "Commit !" failed)
class FakeSettings final : public SettingsStore
{
public:
    explicit FakeSettings(CallLog &log) : m_log(log) {}
    std::string GetSetting(const std::string &app, const std::string &section, const std::string &key,
                           const std::string &def) override;
    void SaveSetting(const std::string &app, const std::string &section, const std::string &key,
                     const std::string &value) override;
    void DeleteSetting(const std::string &app, const std::string &section, const std::string &key) override;
    void commit() override;

    // Arranging and inspecting without logging, under "Kicklist".
    void put(const std::string &section, const std::string &key, const std::string &value);
    void erase(const std::string &section, const std::string &key);
    std::optional<std::string> value(const std::string &section, const std::string &key) const;
    // n programs "/opt/pK" named "Program K", K from first on, with nothing
    // after them (as another process's removal leaves the store).
    void putPrograms(int n, int first = 1);

    // Non-zero: commits fail with this number and the pending writes are
    // gone, as when the disk refuses them.
    int failCommits = 0;
    // Reads fail as when another process holds the store.
    bool busy = false;
    // From a read or write to the commit that ends the transaction.
    bool open = false;

private:
    CallLog &m_log;
    std::map<std::string, std::string> m_values, m_committed;
    bool m_dirty = false;
};

// Logs "Shell <path> <style>" (" !" when it fails); paths in missing, and
// the empty one, fail as file not found.
class FakeStarter final : public ProgramStarter
{
public:
    explicit FakeStarter(CallLog &log) : m_log(log) {}
    void Shell(const std::string &path, int style) override;
    std::set<std::string> missing;

private:
    CallLog &m_log;
};

// Logs "MsgBox <title>: <prompt> [<buttons>]" and answers from a queue; a box
// no answer is queued for fails the test at once. whileOpen runs while the
// box is up.
class FakeBoxes final : public MessageBoxes
{
public:
    explicit FakeBoxes(CallLog &log) : m_log(log) {}
    int MsgBox(const std::string &prompt, int buttons, const std::string &title) override;
    void answer(int button, std::function<void()> whileOpen = {});
    std::size_t unanswered() const { return m_answers.size(); }

private:
    CallLog &m_log;
    std::deque<std::pair<int, std::function<void()>>> m_answers;
};

// Logs "End" and throws ProgramEnded.
class FakeProcess final : public ProcessControl
{
public:
    explicit FakeProcess(CallLog &log) : m_log(log) {}
    [[noreturn]] void end() override;

private:
    CallLog &m_log;
};

// A list box in memory, logging "List(row) = text", "RemoveItem row" and
// "Clear"; rows out of range fail as the real one does.
class FakeList final : public ListControl
{
public:
    explicit FakeList(CallLog &log) : m_log(log) {}
    std::int16_t ListCount() const override { return std::int16_t(rows.size()); }
    std::int16_t ListIndex() const override { return selected; }
    void setListIndex(std::int16_t row) override { selected = row; }
    std::string List(std::int16_t row) const override;
    void setList(std::int16_t row, const std::string &text) override;
    void RemoveItem(std::int16_t row) override;
    void Clear() override;
    std::vector<std::string> rows;
    std::int16_t selected = -1;

private:
    CallLog &m_log;
};

// Logs "<name> enabled" / "<name> disabled".
class FakeFlag final : public EnabledFlag
{
public:
    FakeFlag(CallLog &log, std::string name) : m_log(log), m_name(std::move(name)) {}
    void setEnabled(bool enabled) override { m_log.add(m_name + (enabled ? " enabled" : " disabled")); }

private:
    CallLog &m_log;
    std::string m_name;
};

// Drives over an in-memory tree of folders: a folder exists when listed in
// tree; any drive opens at its root unless failing names an error for it.
// The test sets the drives, the current folder and drive and the home folder.
class FakeDrives final : public DriveSystem
{
public:
    struct Listing
    {
        std::vector<std::string> folders, programs, unnamedFolders, unnamedPrograms;
    };
    std::map<std::string, Listing> tree; // folder path -> what it holds
    std::set<std::string> files;         // paths Dir finds
    std::vector<std::string> driveList;
    std::string system, current, currentDriveText, home;
    std::map<std::string, int> failing; // drive -> error number opening it fails with

    std::vector<std::string> drives() override { return driveList; }
    std::string systemDrive() override { return system; }
    std::string currentFolder() override { return current; }
    std::string currentDrive() override { return currentDriveText; }
    std::string homeFolder() override { return home; }
    std::string openDrive(const std::string &drive) override;
    std::vector<std::string> folders(const std::string &folder) override { return at(folder).folders; }
    std::vector<std::string> programs(const std::string &folder) override { return at(folder).programs; }
    std::vector<std::string> unnamed(const std::string &folder, Kind kind) override;
    std::string Dir(const std::string &path) override;

private:
    const Listing &at(const std::string &folder) const;
};

// An in-memory HKEY_LOCAL_MACHINE of keys holding one value each, answering
// as the Win32 calls do; key and value names match by ASCII folding, handles
// count up from 1. Opens are logged as "RegOpenKeyEx <key>" (" !" when the
// key is missing). textOf reads bytes through ansi, else as they are.
class FakeRegistry final : public Registry
{
public:
    explicit FakeRegistry(CallLog &log) : m_log(log) {}
    struct Value
    {
        std::string name;
        std::uint32_t type;
        std::string data;
    };
    void put(const std::string &key, Value value);
    int openKeys() const { return int(m_open.size()); }
    std::map<std::string, std::string> ansi; // bytes -> their text

    long RegOpenKeyEx(std::uint32_t root, const std::string &subKey, std::uint32_t options, std::uint32_t samDesired,
                      std::uint32_t &key) override;
    long RegQueryValueEx(std::uint32_t key, const std::string &valueName, std::uint32_t &type, std::string &buffer,
                         std::uint32_t &size) override;
    long RegCloseKey(std::uint32_t key) override { return m_open.erase(key) ? reg::Success : reg::InvalidHandle; }
    std::string textOf(const std::string &bytes) override;

private:
    CallLog &m_log;
    std::map<std::string, Value> m_keys;        // folded key -> its value
    std::map<std::uint32_t, std::string> m_open; // handle -> folded key
    std::uint32_t m_nextKey = 1;
};

// Tells the list window of changes when the test says so.
class FakeWatch final : public StoreWatch
{
public:
    void follow(std::function<void()> changed) override { this->changed = std::move(changed); }
    std::function<void()> changed;
};

// The number of the runtime failure f throws, 0 when none.
int errorOf(const std::function<void()> &f);

} // namespace kl::test

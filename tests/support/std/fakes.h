#pragma once

#include "platform/drives.h"
#include "platform/enabledflag.h"
#include "platform/listcontrol.h"
#include "platform/registry.h"
#include "platform/runtimeerror.h"
#include "platform/services.h"
#include "platform/settingsstore.h"
#include "support/errorof.h"

#include <doctest/doctest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace doctest {
// Lists of text as failed checks show them.
template <> struct StringMaker<std::vector<std::string>>
{
    static String convert(const std::vector<std::string> &texts)
    {
        std::string out;
        for (const std::string &text : texts)
            out += (out.empty() ? "{\"" : ", \"") + text + '"';
        return (texts.empty() ? "{}" : out + "}").c_str();
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
    std::vector<std::string> matching(const std::string &prefix) const
    {
        std::vector<std::string> found;
        std::copy_if(calls.begin(), calls.end(), std::back_inserter(found), [&](const std::string &c) { return c.rfind(prefix, 0) == 0; });
        return found;
    }
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
struct FakeSettings final : SettingsStore
{
    explicit FakeSettings(CallLog &log) : log(log) {}
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

    CallLog &log;
    // Non-zero: commits fail with this number and the pending writes are
    // gone, as when the disk refuses them.
    int failCommits = 0;
    // Reads fail as when another process holds the store.
    bool busy = false;
    // From a read or write to the commit that ends the transaction.
    bool open = false;
    std::map<std::string, std::string> values, committed; // by folded "app/section/key"
    bool dirty = false;
};

// Logs "Shell <path> <style>" (" !" when it fails); paths in missing, and
// the empty one, fail as file not found.
struct FakeStarter final : ProgramStarter
{
    explicit FakeStarter(CallLog &log) : log(log) {}
    void Shell(const std::string &path, int style) override;
    CallLog &log;
    std::set<std::string> missing;
};

// Logs "MsgBox <title>: <prompt> [<buttons>]" and answers from a queue; a box
// no answer is queued for fails the test at once. whileOpen runs while the
// box is up.
struct FakeBoxes final : MessageBoxes
{
    explicit FakeBoxes(CallLog &log) : log(log) {}
    int MsgBox(const std::string &prompt, int buttons, const std::string &title) override;
    void answer(int button, std::function<void()> whileOpen = {}) { answers.emplace_back(button, std::move(whileOpen)); }
    CallLog &log;
    std::deque<std::pair<int, std::function<void()>>> answers;
};

// Logs "End" and throws ProgramEnded.
struct FakeProcess final : ProcessControl
{
    explicit FakeProcess(CallLog &log) : log(log) {}
    [[noreturn]] void end() override { log.add("End"), throw ProgramEnded{}; }
    CallLog &log;
};

// A list box in memory, logging "List(row) = text", "RemoveItem row" and
// "Clear"; its rows are checked as the real ones are.
struct FakeList final : CheckedList
{
    explicit FakeList(CallLog &log) : log(log) {}
    int rawCount() const override { return int(rows.size()); }
    int rawChosen() const override { return selected; }
    void rawChoose(int row) override { selected = std::int16_t(row); }
    std::string rawText(int row) const override { return rows[std::size_t(row)]; }
    void rawAppend(const std::string &text) override { log.add(set(rawCount(), text)), rows.push_back(text); }
    void rawReplace(int row, const std::string &text) override { log.add(set(row, text)), rows[std::size_t(row)] = text; }
    void rawRemove(int row) override { log.add("RemoveItem " + std::to_string(row)), rows.erase(rows.begin() + row), selected = -1; }
    void rawClear() override { log.add("Clear"), rows.clear(), selected = -1; }
    static std::string set(int row, const std::string &text) { return "List(" + std::to_string(row) + ") = " + text; }
    CallLog &log;
    std::vector<std::string> rows;
    std::int16_t selected = -1;
};

// Logs "<name> enabled" / "<name> disabled".
struct FakeFlag final : EnabledFlag
{
    FakeFlag(CallLog &log, std::string name) : log(log), name(std::move(name)) {}
    void setEnabled(bool enabled) override { log.add(name + (enabled ? " enabled" : " disabled")); }
    CallLog &log;
    const std::string name;
};

// Drives over an in-memory tree of folders: a folder exists when listed in
// tree; any drive opens at its root unless failing names an error for it.
// The test sets the drives, the current folder and drive and the home folder.
struct FakeDrives final : DriveSystem
{
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
    std::string openDrive(const std::string &drive) override { return failing.count(drive) ? throw RuntimeError(failing[drive]) : drive; }
    std::vector<std::string> folders(const std::string &folder) override { return at(folder).folders; }
    std::vector<std::string> programs(const std::string &folder) override { return at(folder).programs; }
    std::vector<std::string> unnamed(const std::string &folder, Kind kind) override
    {
        return kind == Kind::Folders ? at(folder).unnamedFolders : at(folder).unnamedPrograms;
    }
    std::string Dir(const std::string &path) override
    {
        return files.count(path) ? path.substr(path.find_last_of(std::string("/") + paths::separator) + 1) : std::string();
    }
    const Listing &at(const std::string &folder) const { return tree.count(folder) ? tree.at(folder) : throw RuntimeError(err::PathNotFound); }
};

// An in-memory HKEY_LOCAL_MACHINE of keys holding one value each, answering
// as the Win32 calls do; key and value names match by ASCII folding, handles
// count up from 1. Opens are logged as "RegOpenKeyEx <key>" (" !" when the
// key is missing). textOf reads bytes through ansi, else as they are.
struct FakeRegistry final : Registry
{
    explicit FakeRegistry(CallLog &log) : log(log) {}
    struct Value
    {
        std::string name;
        std::uint32_t type;
        std::string data;
    };
    void put(const std::string &key, Value value);
    long RegOpenKeyEx(std::uint32_t root, const std::string &subKey, std::uint32_t options, std::uint32_t samDesired,
                      std::uint32_t &key) override;
    long RegQueryValueEx(std::uint32_t key, const std::string &valueName, std::uint32_t &type, std::string &buffer,
                         std::uint32_t &size) override;
    long RegCloseKey(std::uint32_t key) override { return open.erase(key) ? reg::Success : reg::InvalidHandle; }
    std::string textOf(const std::string &bytes) override { return ansi.count(bytes) ? ansi[bytes] : bytes; }

    CallLog &log;
    std::map<std::string, std::string> ansi;   // bytes -> their text
    std::map<std::string, Value> keys;         // folded key -> its value
    std::map<std::uint32_t, std::string> open; // handle -> folded key
    std::uint32_t nextKey = 1;
};

// Tells the list window of changes when the test says so; counts the
// retries asked for.
struct FakeWatch final : StoreWatch
{
    void follow(std::function<void()> changed) override { this->changed = std::move(changed); }
    void retry() override { ++retries; }
    std::function<void()> changed;
    int retries = 0;
};

// Logs "Keep" (" !" when it fails with failing, an error number; -1: the settings in use).
struct FakeResetCopy final : ResetCopy
{
    explicit FakeResetCopy(CallLog &log) : log(log) {}
    void keepBeforeReset() override
    {
        log.add(failing ? "Keep !" : "Keep");
        if (failing)
            throw failing < 0 ? RuntimeError::busy("/settings", 4321) : RuntimeError(failing);
    }
    CallLog &log;
    int failing = 0;
};

// The fakes every window runs over but the boxes and the face, which each
// harness brings, and a store holding nothing. The drives: the system's, the
// current one, holding the current folder progs and home, and another:
//   progs/  a.exe  Alpha/c.exe  beta/  pick? and x?.exe (names not text)
//   other:  z.exe      the root of progs' chain: prog
struct Services
{
    Services();
    // A folder below a drive's root, names separated by "/".
    static std::string folder(const std::string &drive, const std::string &names = "") { return paths::folderPath(drive + '/' + names); }

    const std::string sys, cur, other, progs, top;
    CallLog log;
    FakeSettings settings{log};
    FakeStarter starter{log};
    FakeProcess process{log};
    FakeDrives drives;
    FakeRegistry registry{log};
    FakeWatch watch;
    FakeResetCopy resetCopy{log};
};

} // namespace kl::test

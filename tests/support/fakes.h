#pragma once

#include "platform/listcontrol.h"
#include "platform/runtimeerror.h"
#include "platform/services.h"
#include "platform/settingsstore.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

namespace kl::test {

// The number of the runtime failure f throws, 0 when it throws none.
int errorOf(const std::function<void()> &f);

// Fails the running test at once, saying what went wrong; inside
// endsInChild() the child reports it to the test and stops.
void failNow(const QString &what);

// One ordered record of every call the fakes below receive, so a test can
// check the order across services (settings, starts, boxes, the end).
struct CallLog
{
    QStringList calls;
    void add(const QString &call) { calls.append(call); }
    QStringList take() { return std::exchange(calls, {}); }
    QStringList matching(const QString &prefix) const { return calls.filter(QRegularExpression(u'^' + QRegularExpression::escape(prefix))); }
};

// Runs action in a child process, where the end of the program really ends
// it; the calls the child logged then replace log. True when the program
// ended, false when action returned (or the child failed the test).
bool endsInChild(CallLog &log, const std::function<void()> &action);

// The fakes below log their calls to one CallLog.
struct LogsTo
{
    CallLog &m_log;
};

// An in-memory settings store, case-insensitive like the real one. Calls are
// logged as
//   Get SetApp/AppCount [0]      (section and key as the caller spelled them)
//   Save SetApp/1 = /bin/true
//   Delete Appnames/2
//   Commit                        (only when writes were pending; "Commit !" failed)
// The application name is not logged; under another than "Kicklist" there is nothing.
class FakeSettings final : public SettingsStore, private LogsTo
{
public:
    explicit FakeSettings(CallLog &log) : LogsTo{log} {}
    QString GetSetting(const QString &app, const QString &section, const QString &key, const QString &def) override
    {
        if (busy)
            throw RuntimeError::busy(QStringLiteral("/settings"), 4321);
        m_log.add(QStringLiteral("Get %1/%2 [%3]").arg(section, key, def)), open = true;
        return m_values.value(id(app, section, key), def);
    }
    void SaveSetting(const QString &app, const QString &section, const QString &key, const QString &value) override
    {
        m_log.add(QStringLiteral("Save %1/%2 = %3").arg(section, key, value));
        m_values.insert(id(app, section, key), value), m_dirty = open = true;
    }
    void DeleteSetting(const QString &app, const QString &section, const QString &key) override
    {
        const bool missing = !m_values.remove(id(app, section, key));
        m_log.add(QStringLiteral("Delete %1/%2").arg(section, key) + (missing ? " !" : "")), open = true;
        if (missing)
            throw RuntimeError(err::InvalidProcedureCall);
        m_dirty = true;
    }
    void commit() override
    {
        if (open = false; !std::exchange(m_dirty, false))
            return;
        m_log.add(failCommits ? "Commit !" : "Commit");
        if (failCommits) {
            m_values = m_committed;
            throw RuntimeError(failCommits);
        }
        m_committed = m_values;
    }

    // Arranging and inspecting without logging.
    void put(const QString &section, const QString &key, const QString &value) { m_committed[id(kApp, section, key)] = m_values[id(kApp, section, key)] = value; }
    void erase(const QString &section, const QString &key) { m_committed.remove(id(kApp, section, key)), m_values.remove(id(kApp, section, key)); }
    std::optional<QString> value(const QString &section, const QString &key) const
    {
        const auto it = m_values.constFind(id(kApp, section, key));
        return it == m_values.constEnd() ? std::nullopt : std::optional(*it);
    }
    // Registers n programs "/opt/pK" named "Program K", K from first on, with
    // nothing after them (as another process's removal leaves the store).
    void putPrograms(int n, int first = 1);

    // Non-zero: commits fail with this number, and the pending writes are
    // gone, as when the disk refuses them.
    int failCommits = 0;
    // From a read or write to the commit that ends the transaction.
    bool open = false;
    // Reads fail as when another process holds the store.
    bool busy = false;

private:
    static inline const QString kApp = QStringLiteral("Kicklist");
    static QString id(const QString &app, const QString &section, const QString &key) { return QStringList{app, section, key}.join(u'/').toCaseFolded(); }
    QHash<QString, QString> m_values, m_committed;
    bool m_dirty = false;
};

// Logs "Shell <path> <style>"; paths marked missing fail as file not found.
class FakeStarter final : public ProgramStarter, private LogsTo
{
public:
    explicit FakeStarter(CallLog &log) : LogsTo{log} {}
    void Shell(const QString &path, int style) override
    {
        const bool fails = path.isEmpty() || missing.contains(path);
        m_log.add(QStringLiteral("Shell %1 %2").arg(path).arg(style) + (fails ? " !" : ""));
        if (fails)
            throw RuntimeError(err::FileNotFound);
    }
    QSet<QString> missing;
};

// Logs "MsgBox <title>: <prompt> [buttons]" and answers from a script; a box
// the script does not answer fails the test. An action may run while the box
// is "open".
class ScriptedBoxes final : public MessageBoxes, private LogsTo
{
public:
    explicit ScriptedBoxes(CallLog &log) : LogsTo{log} {}
    int MsgBox(const QString &prompt, int buttons, const QString &title) override;
    void answer(int button, std::function<void()> whileOpen = {}) { m_script.emplace_back(button, std::move(whileOpen)); }

private:
    std::deque<std::pair<int, std::function<void()>>> m_script;
};

// Logs "End" and ends the process, as the real one does: only a child of
// endsInChild() may end, and the end of the test process fails the test.
class FakeProcess final : public ProcessControl, private LogsTo
{
public:
    explicit FakeProcess(CallLog &log) : LogsTo{log} {}
    [[noreturn]] void end() override;
};

// A list box in memory, logging "List(row) = text", "RemoveItem row" and
// "Clear"; out-of-range rows fail as the real one does.
class FakeList final : public ListControl, private LogsTo
{
public:
    explicit FakeList(CallLog &log) : LogsTo{log} {}
    qint16 ListCount() const override { return qint16(rows.size()); }
    qint16 ListIndex() const override { return selected; }
    QString List(qint16 row) const override
    {
        if (row < 0 || row >= rows.size())
            throw RuntimeError(err::InvalidPropertyArrayIndex);
        return rows[row];
    }
    void setList(qint16 row, const QString &text) override
    {
        m_log.add(QStringLiteral("List(%1) = %2").arg(row).arg(text));
        if (row < 0 || row > rows.size())
            throw RuntimeError(err::InvalidPropertyArrayIndex);
        (row == rows.size() ? rows.emplace_back() : rows[row]) = text;
    }
    void RemoveItem(qint16 row) override
    {
        m_log.add(QStringLiteral("RemoveItem %1").arg(row));
        if (row < 0 || row >= rows.size())
            throw RuntimeError(err::InvalidProcedureCall);
        rows.removeAt(row), selected = -1;
    }
    void Clear() override { m_log.add(QStringLiteral("Clear")), rows.clear(), selected = -1; }
    QStringList rows;
    qint16 selected = -1;
};

// Logs "<name> enabled" / "<name> disabled".
class FakeFlag final : public EnabledFlag, private LogsTo
{
public:
    FakeFlag(CallLog &log, QString name) : LogsTo{log}, m_name(std::move(name)) {}
    void setEnabled(bool enabled) override { m_log.add(m_name + (enabled ? " enabled" : " disabled")); }

private:
    QString m_name;
};

} // namespace kl::test

#include "fakes.h"

#include <QDataStream>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

namespace kl::test {

namespace {

// Where a child of endsInChild() reports to; -1 in the test process.
int g_parent = -1;

enum class Outcome : int { Ended, Returned, Failed };

[[noreturn]] void reportAndExit(Outcome outcome, const QString &failure, const QStringList &calls)
{
    QByteArray bytes;
    QDataStream(&bytes, QIODevice::WriteOnly) << int(outcome) << failure << calls;
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(g_parent, bytes.constData() + done, size_t(bytes.size() - done));
        if (n <= 0)
            break;
        done += n;
    }
    std::_Exit(0);
}

} // namespace

void failNow(const QString &what)
{
    if (g_parent >= 0)
        reportAndExit(Outcome::Failed, what, {});
    QTest::qFail(qPrintable(what), __FILE__, __LINE__);
}

bool endsInChild(CallLog &log, const std::function<void()> &action)
{
    int fds[2];
    if (::pipe(fds) != 0)
        qFatal("pipe failed");
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        g_parent = fds[1];
        action();
        reportAndExit(Outcome::Returned, {}, log.calls);
    }
    ::close(fds[1]);
    QByteArray bytes;
    char buffer[65536];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, n);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);

    int outcome = -1;
    QString failure;
    QDataStream(bytes) >> outcome >> failure >> log.calls;
    if (outcome == int(Outcome::Failed) || outcome < 0) {
        failNow(outcome < 0 ? QStringLiteral("the child process died (wait status %1)").arg(status) : failure);
        return false;
    }
    return outcome == int(Outcome::Ended);
}

int errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const RuntimeError &e) {
        return e.number();
    }
    return 0;
}

QStringList CallLog::matching(const QString &prefix) const
{
    QStringList result;
    for (const QString &call : calls) {
        if (call.startsWith(prefix))
            result.append(call);
    }
    return result;
}

FakeSettings::FakeSettings(CallLog &log)
    : m_log(log)
{
}

QString FakeSettings::id(const QString &section, const QString &key)
{
    return section.toCaseFolded() + u'/' + key.toCaseFolded();
}

QString FakeSettings::GetSetting(const QString &app, const QString &section, const QString &key, const QString &def)
{
    Q_ASSERT(app.compare(QStringLiteral("Kicklist"), Qt::CaseInsensitive) == 0);
    const QString call = QStringLiteral("Get %1/%2 [%3]").arg(section, key, def);
    m_log.add(call);
    return m_values.value(id(section, key), def);
}

void FakeSettings::SaveSetting(const QString &app, const QString &section, const QString &key, const QString &value)
{
    Q_ASSERT(app.compare(QStringLiteral("Kicklist"), Qt::CaseInsensitive) == 0);
    const QString call = QStringLiteral("Save %1/%2 = %3").arg(section, key, value);
    m_log.add(call);
    m_values.insert(id(section, key), value);
    m_dirty = true;
}

void FakeSettings::DeleteSetting(const QString &app, const QString &section, const QString &key)
{
    Q_ASSERT(app.compare(QStringLiteral("Kicklist"), Qt::CaseInsensitive) == 0);
    const QString call = QStringLiteral("Delete %1/%2").arg(section, key);
    if (!m_values.contains(id(section, key))) {
        m_log.add(call + QStringLiteral(" !"));
        throw RuntimeError(err::InvalidProcedureCall);
    }
    m_log.add(call);
    m_values.remove(id(section, key));
    m_dirty = true;
}

void FakeSettings::commit()
{
    if (!m_dirty)
        return;
    m_dirty = false;
    if (failCommits) {
        m_log.add(QStringLiteral("Commit !"));
        m_values = m_committed;
        throw RuntimeError(failCommits);
    }
    ++commits;
    m_committed = m_values;
    m_log.add(QStringLiteral("Commit"));
}

QStringList FakeSettings::names() const
{
    QStringList result;
    const int count = value(QStringLiteral("SetApp"), QStringLiteral("AppCount")).value_or("0").toInt();
    for (int p = 1; p <= count; ++p)
        result.append(value(QStringLiteral("Appnames"), QString::number(p)).value_or(QString()));
    return result;
}

void FakeSettings::put(const QString &section, const QString &key, const QString &value)
{
    m_values.insert(id(section, key), value);
    m_committed.insert(id(section, key), value);
}

void FakeSettings::erase(const QString &section, const QString &key)
{
    m_values.remove(id(section, key));
    m_committed.remove(id(section, key));
}

std::optional<QString> FakeSettings::value(const QString &section, const QString &key) const
{
    const auto it = m_values.constFind(id(section, key));
    if (it == m_values.constEnd())
        return std::nullopt;
    return *it;
}

void FakeSettings::putPrograms(int n)
{
    put(QStringLiteral("SetApp"), QStringLiteral("AppCount"), QString::number(n));
    put(QStringLiteral("Appnames"), QStringLiteral("AppCount"), QString::number(n));
    for (int p = 1; p <= n; ++p) {
        put(QStringLiteral("SetApp"), QString::number(p), QStringLiteral("/opt/p%1").arg(p));
        put(QStringLiteral("Appnames"), QString::number(p), QStringLiteral("Program %1").arg(p));
    }
}

FakeStarter::FakeStarter(CallLog &log)
    : m_log(log)
{
}

void FakeStarter::Shell(const QString &path, int style)
{
    if (path.isEmpty() || missing.contains(path)) {
        m_log.add(QStringLiteral("Shell %1 %2 !").arg(path).arg(style));
        throw RuntimeError(err::FileNotFound);
    }
    m_log.add(QStringLiteral("Shell %1 %2").arg(path).arg(style));
}

ScriptedBoxes::ScriptedBoxes(CallLog &log)
    : m_log(log)
{
}

int ScriptedBoxes::MsgBox(const QString &prompt, int buttons, const QString &title)
{
    m_log.add(QStringLiteral("MsgBox %1: %2 [%3]").arg(title, prompt).arg(buttons));
    if (m_script.empty()) {
        failNow(QStringLiteral("a message box no test answers: 「%1」 %2").arg(title, prompt));
        return vbCancel;
    }
    auto [button, whileOpen] = std::move(m_script.front());
    m_script.pop_front();
    if (whileOpen)
        whileOpen();
    return button;
}

void ScriptedBoxes::answer(int button, std::function<void()> whileOpen)
{
    m_script.emplace_back(button, std::move(whileOpen));
}

FakeProcess::FakeProcess(CallLog &log)
    : m_log(log)
{
}

void FakeProcess::end()
{
    m_log.add(QStringLiteral("End"));
    if (g_parent >= 0)
        reportAndExit(Outcome::Ended, {}, m_log.calls);
    std::fprintf(stderr, "FAIL!  : %s() the program ended outside endsInChild(); last calls:\n%s\n",
                 QTest::currentTestFunction(), qPrintable(m_log.calls.mid(m_log.calls.size() - 5).join(u'\n')));
    std::_Exit(1);
}

FakeList::FakeList(CallLog &log)
    : m_log(log)
{
}

void FakeList::setList(qint16 row, const QString &text)
{
    m_log.add(QStringLiteral("List(%1) = %2").arg(row).arg(text));
    if (row < 0 || row > rows.size())
        throw RuntimeError(err::InvalidPropertyArrayIndex);
    if (row == rows.size())
        rows.append(text);
    else
        rows[row] = text;
}

void FakeList::RemoveItem(qint16 row)
{
    m_log.add(QStringLiteral("RemoveItem %1").arg(row));
    if (row < 0 || row >= rows.size())
        throw RuntimeError(err::InvalidProcedureCall);
    rows.removeAt(row);
    selected = -1;
}

void FakeList::Clear()
{
    m_log.add(QStringLiteral("Clear"));
    rows.clear();
    selected = -1;
}

FakeFlag::FakeFlag(CallLog &log, QString name)
    : m_log(log)
    , m_name(std::move(name))
{
}

void FakeFlag::setEnabled(bool enabled)
{
    m_log.add(m_name + (enabled ? QStringLiteral(" enabled") : QStringLiteral(" disabled")));
}

} // namespace kl::test

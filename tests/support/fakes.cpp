#include "fakes.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QFile>
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

// A forked child has none of the parent's threads, and Qt's raster engine
// hands large fills to a thread pool it believes is there: the child draws
// nothing, so it never waits on threads that are gone.
struct NoDrawing final : QObject
{
    bool eventFilter(QObject *, QEvent *event) override
    {
        return event->type() == QEvent::Expose || event->type() == QEvent::UpdateRequest
            || event->type() == QEvent::Paint;
    }
};

[[noreturn]] void reportAndExit(Outcome outcome, const QString &failure, const QStringList &calls)
{
    QFile parent;
    parent.open(g_parent, QIODevice::WriteOnly);
    QDataStream(&parent) << int(outcome) << failure << calls;
    parent.flush();
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
        QCoreApplication::instance()->installEventFilter(new NoDrawing);
        action();
        reportAndExit(Outcome::Returned, {}, log.calls);
    }
    ::close(fds[1]);
    QFile report;
    report.open(fds[0], QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    int outcome = -1, status = 0;
    QString failure;
    QDataStream stream(report.readAll());
    stream >> outcome >> failure >> log.calls;
    ::waitpid(child, &status, 0);
    if (stream.status() != QDataStream::Ok)
        outcome = -1;
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
        return 0;
    } catch (const RuntimeError &e) {
        return e.number();
    }
}

QStringList CallLog::matching(const QString &prefix) const
{
    QStringList result;
    std::copy_if(calls.cbegin(), calls.cend(), std::back_inserter(result), [&](auto &c) { return c.startsWith(prefix); });
    return result;
}

QString FakeSettings::id(const QString &app, const QString &section, const QString &key)
{
    Q_ASSERT(app.compare(QStringLiteral("Kicklist"), Qt::CaseInsensitive) == 0);
    return section.toCaseFolded() + u'/' + key.toCaseFolded();
}

QString FakeSettings::GetSetting(const QString &app, const QString &section, const QString &key, const QString &def)
{
    m_log.add(QStringLiteral("Get %1/%2 [%3]").arg(section, key, def));
    return m_values.value(id(app, section, key), def);
}

void FakeSettings::SaveSetting(const QString &app, const QString &section, const QString &key, const QString &value)
{
    m_log.add(QStringLiteral("Save %1/%2 = %3").arg(section, key, value));
    m_values.insert(id(app, section, key), value);
    m_dirty = true;
}

void FakeSettings::DeleteSetting(const QString &app, const QString &section, const QString &key)
{
    const bool missing = !m_values.remove(id(app, section, key));
    m_log.add(QStringLiteral("Delete %1/%2").arg(section, key) + (missing ? " !" : ""));
    if (missing)
        throw RuntimeError(err::InvalidProcedureCall);
    m_dirty = true;
}

void FakeSettings::commit()
{
    if (!std::exchange(m_dirty, false))
        return;
    m_log.add(failCommits ? "Commit !" : "Commit");
    if (failCommits) {
        m_values = m_committed;
        throw RuntimeError(failCommits);
    }
    ++commits;
    m_committed = m_values;
}

QStringList FakeSettings::names() const
{
    QStringList result;
    for (int p = 1, count = value("SetApp", "AppCount").value_or("0").toInt(); p <= count; ++p)
        result.append(value("Appnames", QString::number(p)).value_or(QString()));
    return result;
}

void FakeSettings::put(const QString &section, const QString &key, const QString &value)
{
    m_committed.insert(id(kApp, section, key), value);
    m_values.insert(id(kApp, section, key), value);
}

void FakeSettings::erase(const QString &section, const QString &key)
{
    m_committed.remove(id(kApp, section, key));
    m_values.remove(id(kApp, section, key));
}

std::optional<QString> FakeSettings::value(const QString &section, const QString &key) const
{
    const auto it = m_values.constFind(id(kApp, section, key));
    return it == m_values.constEnd() ? std::nullopt : std::optional(*it);
}

void FakeSettings::putPrograms(int n)
{
    put("SetApp", "AppCount", QString::number(n));
    put("Appnames", "AppCount", QString::number(n));
    for (int p = 1; p <= n; ++p) {
        put("SetApp", QString::number(p), QStringLiteral("/opt/p%1").arg(p));
        put("Appnames", QString::number(p), QStringLiteral("Program %1").arg(p));
    }
}

void FakeStarter::Shell(const QString &path, int style)
{
    const bool fails = path.isEmpty() || missing.contains(path);
    m_log.add(QStringLiteral("Shell %1 %2").arg(path).arg(style) + (fails ? " !" : ""));
    if (fails)
        throw RuntimeError(err::FileNotFound);
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

void FakeProcess::end()
{
    m_log.add(QStringLiteral("End"));
    if (g_parent >= 0)
        reportAndExit(Outcome::Ended, {}, m_log.calls);
    std::fprintf(stderr, "FAIL!  : %s() the program ended outside endsInChild(); last calls:\n%s\n",
                 QTest::currentTestFunction(), qPrintable(m_log.calls.mid(m_log.calls.size() - 5).join(u'\n')));
    std::_Exit(1);
}

void FakeList::setList(qint16 row, const QString &text)
{
    m_log.add(QStringLiteral("List(%1) = %2").arg(row).arg(text));
    if (row < 0 || row > rows.size())
        throw RuntimeError(err::InvalidPropertyArrayIndex);
    (row == rows.size() ? rows.emplace_back() : rows[row]) = text;
}

void FakeList::RemoveItem(qint16 row)
{
    m_log.add(QStringLiteral("RemoveItem %1").arg(row));
    if (row < 0 || row >= rows.size())
        throw RuntimeError(err::InvalidProcedureCall);
    rows.removeAt(row);
    selected = -1;
}

} // namespace kl::test

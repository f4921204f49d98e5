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
    bool eventFilter(QObject *, QEvent *e) override { return QList{QEvent::Expose, QEvent::UpdateRequest, QEvent::Paint}.contains(e->type()); }
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
    if (stream.status() != QDataStream::Ok || outcome == int(Outcome::Failed))
        failNow(stream.status() != QDataStream::Ok ? QStringLiteral("the child process died (wait status %1)").arg(status) : failure);
    return stream.status() == QDataStream::Ok && outcome == int(Outcome::Ended);
}

int errorOf(const std::function<void()> &f)
{
    try {
        return f(), 0;
    } catch (const RuntimeError &e) {
        return e.number();
    }
}

void FakeSettings::putPrograms(int n, int first)
{
    put("SetApp", "AppCount", QString::number(n));
    put("Appnames", "AppCount", QString::number(n));
    for (int p = 1; p <= n; ++p) {
        put("SetApp", QString::number(p), QStringLiteral("/opt/p%1").arg(p + first - 1));
        put("Appnames", QString::number(p), QStringLiteral("Program %1").arg(p + first - 1));
    }
    erase("SetApp", QString::number(n + 1)), erase("Appnames", QString::number(n + 1));
}

int ScriptedBoxes::MsgBox(const QString &prompt, int buttons, const QString &title)
{
    m_log.add(QStringLiteral("MsgBox %1: %2 [%3]").arg(title, prompt).arg(buttons));
    if (m_script.empty())
        return failNow(QStringLiteral("a message box no test answers: 「%1」 %2").arg(title, prompt)), vbCancel;
    auto [button, whileOpen] = std::move(m_script.front());
    m_script.pop_front();
    return whileOpen ? whileOpen() : void(), button;
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

} // namespace kl::test

#include "processstarter.h"

#include "platform/runtimeerror.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace kl {

namespace {

// Why a start failed, in the user's words, with the platform's own reason.
RuntimeError startFailure(const QString &path, const QString &platformReason)
{
    const QFileInfo info(path);
    int number = err::PathFileAccessError;
    QString why = QStringLiteral("プログラムを起動できません。");
    if (!info.exists()) {
        number = err::FileNotFound;
        why = QString::fromStdString(RuntimeError::describe(err::FileNotFound));
    } else if (info.isDir()) {
        why = QStringLiteral("フォルダーはプログラムとして起動できません。");
    } else if (!info.isExecutable()) {
        number = err::PermissionDenied;
        why = QStringLiteral("実行する権限がありません。");
    }
    if (!platformReason.isEmpty())
        why += QStringLiteral(" (%1)").arg(platformReason);
    return RuntimeError(number, why.toStdString());
}

// posix_spawn rather than QProcess::startDetached: it does not copy the
// launcher's address space (twice) for every program, which made starting a
// long list several times slower, and it still reports a failed exec before
// returning. The program gets a session of its own, default signal handling
// and no terminal input, and inherits nothing else of ours but the
// environment and the working folder.
int spawnDetached(const QString &path, pid_t &pid)
{
    QByteArray file = QFile::encodeName(path);
    char *argv[] = {file.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    sigfillset(&signals);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);

    // A name without a folder is looked up on PATH, as a command line would.
    const int result = path.contains(u'/')
        ? posix_spawn(&pid, file.constData(), &actions, &attributes, argv, environ)
        : posix_spawnp(&pid, file.constData(), &actions, &attributes, argv, environ);

    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return result;
}

// A started program stays our child until it exits, and must be collected
// then so it does not linger as a zombie. Each gets a small thread that
// waits for that one pid: no SIGCHLD handler (Qt's own process machinery
// owns that signal), no waitpid(-1) (it would take children that are not
// ours), no fork in a threaded program, and it works whether or not an
// event loop is running.
void reapWhenExited(pid_t pid)
{
    try {
        std::thread([pid] {
            while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error &error) {
        // Without a thread the program still runs; it is only left uncollected.
        std::fprintf(stderr, "kicklist: cannot watch program %d: %s\n", int(pid), error.what());
    }
}

} // namespace

void ProcessStarter::Shell(const std::string &text, int style)
{
    if (text.empty())
        throw RuntimeError(err::InvalidProcedureCall, "起動するプログラムのパスが空です。");

    Q_UNUSED(style); // window placement is the window manager's business here
    const QString path = QString::fromStdString(text);
    pid_t pid = 0;
    const int error = spawnDetached(path, pid);
    if (error != 0)
        throw startFailure(path, QString::fromLocal8Bit(std::strerror(error)));
    reapWhenExited(pid);
}

void ExitProcess::end()
{
    std::fflush(nullptr);
    std::_Exit(0);
}

} // namespace kl

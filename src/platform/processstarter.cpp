#include "processstarter.h"

#include "runtimeerror.h"

#include <QFileInfo>
#include <QProcess>

#include <cstdio>
#include <cstdlib>

#ifdef Q_OS_WIN
#include "win32/win32shell.h"
#endif

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
        why = RuntimeError::describe(err::FileNotFound);
    } else if (info.isDir()) {
        why = QStringLiteral("フォルダーはプログラムとして起動できません。");
    } else if (!info.isExecutable()) {
        number = err::PermissionDenied;
        why = QStringLiteral("実行する権限がありません。");
    }
    if (!platformReason.isEmpty())
        why += QStringLiteral(" (%1)").arg(platformReason);
    return RuntimeError(number, why);
}

} // namespace

void ProcessStarter::Shell(const QString &path, int style)
{
    if (path.isEmpty())
        throw RuntimeError(err::InvalidProcedureCall, QStringLiteral("起動するプログラムのパスが空です。"));

#ifdef Q_OS_WIN
    const std::wstring reason = win32::startProgram(path.toStdWString(), style);
    if (!reason.empty())
        throw startFailure(path, QString::fromStdWString(reason));
#else
    Q_UNUSED(style); // window placement is the window manager's business here
    QProcess process;
    process.setProgram(path);
    process.setStandardInputFile(QProcess::nullDevice());
    if (!process.startDetached())
        throw startFailure(path, process.errorString());
#endif
}

void ExitProcess::end()
{
    std::fflush(nullptr);
    std::_Exit(0);
}

} // namespace kl

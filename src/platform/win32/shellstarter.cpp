#include "shellstarter.h"

#include "platform/runtimeerror.h"
#include "utf8.h"
#include "win32shell.h"

namespace kl::win32 {

namespace {

RuntimeError startFailure(const StartResult &result)
{
    const std::string reason = " (" + narrow(result.reason) + ')';
    switch (result.problem) {
    case StartProblem::Missing:
        return RuntimeError(err::FileNotFound, RuntimeError::describe(err::FileNotFound) + reason);
    case StartProblem::Folder:
        return RuntimeError(err::PathFileAccessError, "フォルダーはプログラムとして起動できません。" + reason);
    case StartProblem::NotAllowed:
        return RuntimeError(err::PermissionDenied, "実行する権限がありません。" + reason);
    default:
        return RuntimeError(err::PathFileAccessError, "プログラムを起動できません。" + reason);
    }
}

} // namespace

void ShellStarter::Shell(const std::string &path, int style)
{
    if (path.empty())
        throw RuntimeError(err::InvalidProcedureCall, "起動するプログラムのパスが空です。");
    const StartResult result = startProgram(widen(path), style);
    if (!result.ok())
        throw startFailure(result);
}

} // namespace kl::win32

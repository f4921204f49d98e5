#include "runtimeerror.h"

#include <utility>

namespace kl {

RuntimeError::RuntimeError(int number)
    : RuntimeError(number, describe(number))
{
}

RuntimeError::RuntimeError(int number, std::string description)
    : m_number(number)
    , m_description(std::move(description))
    , m_what(std::to_string(number) + ": " + m_description)
{
}

RuntimeError RuntimeError::busy(const std::string &path, std::int64_t holderPid)
{
    // The number a locked file gives in the runtime the windows follow.
    RuntimeError e(err::PermissionDenied,
                   holderPid > 0 ? "設定 (" + path + ") はほかのプロセス (プロセス ID " + std::to_string(holderPid) + ") が使用中です。"
                                 : "設定 (" + path + ") はほかのプロセスが使用中です。");
    e.m_busy = true;
    return e;
}

std::string RuntimeError::describe(int number)
{
    switch (number) {
    case err::InvalidProcedureCall:
        return "プロシージャの呼び出し、または引数が不正です。";
    case err::Overflow:
        return "オーバーフローしました。";
    case err::OutOfMemory:
        return "メモリが不足しています。";
    case err::SubscriptOutOfRange:
        return "インデックスが有効範囲にありません。";
    case err::TypeMismatch:
        return "型が一致しません。";
    case err::FileNotFound:
        return "ファイルが見つかりません。";
    case err::DeviceIoError:
        return "デバイス I/O エラーです。";
    case err::DiskFull:
        return "ディスクの空き容量が不足しています。";
    case err::DeviceUnavailable:
        return "デバイスが準備されていません。";
    case err::PermissionDenied:
        return "書き込みできません。";
    case err::PathFileAccessError:
        return "パス名が無効です。";
    case err::PathNotFound:
        return "パスが見つかりません。";
    case err::InvalidPropertyArrayIndex:
        return "プロパティ配列のインデックスが不正です。";
    default:
        return "アプリケーション定義またはオブジェクト定義のエラーです。";
    }
}

} // namespace kl

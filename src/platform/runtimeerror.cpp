#include "runtimeerror.h"

namespace kl {

RuntimeError::RuntimeError(int number)
    : RuntimeError(number, describe(number))
{
}

RuntimeError::RuntimeError(int number, QString description)
    : m_number(number)
    , m_description(std::move(description))
    , m_what(QByteArray::number(number) + ": " + m_description.toUtf8())
{
}

RuntimeError RuntimeError::busy(const QString &path, qint64 holderPid)
{
    // The number a locked file gives in the runtime the windows follow.
    RuntimeError e(err::PermissionDenied,
                   holderPid > 0 ? QStringLiteral("設定 (%1) はほかのプロセス (プロセス ID %2) が使用中です。").arg(path, QString::number(holderPid))
                                 : QStringLiteral("設定 (%1) はほかのプロセスが使用中です。").arg(path));
    e.m_busy = true;
    return e;
}

QString RuntimeError::describe(int number)
{
    switch (number) {
    case err::InvalidProcedureCall:
        return QStringLiteral("プロシージャの呼び出し、または引数が不正です。");
    case err::Overflow:
        return QStringLiteral("オーバーフローしました。");
    case err::OutOfMemory:
        return QStringLiteral("メモリが不足しています。");
    case err::SubscriptOutOfRange:
        return QStringLiteral("インデックスが有効範囲にありません。");
    case err::TypeMismatch:
        return QStringLiteral("型が一致しません。");
    case err::FileNotFound:
        return QStringLiteral("ファイルが見つかりません。");
    case err::DeviceIoError:
        return QStringLiteral("デバイス I/O エラーです。");
    case err::DiskFull:
        return QStringLiteral("ディスクの空き容量が不足しています。");
    case err::DeviceUnavailable:
        return QStringLiteral("デバイスが準備されていません。");
    case err::PermissionDenied:
        return QStringLiteral("書き込みできません。");
    case err::PathFileAccessError:
        return QStringLiteral("パス名が無効です。");
    case err::PathNotFound:
        return QStringLiteral("パスが見つかりません。");
    case err::InvalidPropertyArrayIndex:
        return QStringLiteral("プロパティ配列のインデックスが不正です。");
    default:
        return QStringLiteral("アプリケーション定義またはオブジェクト定義のエラーです。");
    }
}

} // namespace kl

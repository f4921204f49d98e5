#include "registrysettingsstore.h"

#ifdef Q_OS_WIN

#include "runtimeerror.h"
#include "win32/registrysettings.h"
#include "win32/win32shell.h"

#include <windows.h>

namespace kl {

namespace {

[[noreturn]] void fail(const win32::RegistryStatus &status)
{
    int number = err::PathFileAccessError;
    switch (status.code) {
    case ERROR_ACCESS_DENIED:
        number = err::PermissionDenied;
        break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        number = err::DiskFull;
        break;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        number = err::OutOfMemory;
        break;
    case ERROR_INVALID_PARAMETER:
        number = err::InvalidProcedureCall;
        break;
    default:
        break;
    }
    throw RuntimeError(number, QStringLiteral("%1 (%2)").arg(
                                   RuntimeError::describe(number),
                                   QString::fromStdWString(win32::systemMessage(static_cast<unsigned long>(status.code)))));
}

} // namespace

QString RegistrySettingsStore::GetSetting(const QString &app, const QString &section, const QString &key,
                                          const QString &def)
{
    if (app.isEmpty())
        throw RuntimeError(err::InvalidProcedureCall);
    win32::RegistryStatus status;
    const std::optional<std::wstring> value =
        win32::getSetting(app.toStdWString(), section.toStdWString(), key.toStdWString(), status);
    if (!status.ok())
        fail(status);
    return value ? QString::fromStdWString(*value) : def;
}

void RegistrySettingsStore::SaveSetting(const QString &app, const QString &section, const QString &key,
                                        const QString &value)
{
    const win32::RegistryStatus status =
        win32::saveSetting(app.toStdWString(), section.toStdWString(), key.toStdWString(), value.toStdWString());
    if (!status.ok())
        fail(status);
}

void RegistrySettingsStore::DeleteSetting(const QString &app, const QString &section, const QString &key)
{
    win32::RegistryStatus status;
    const bool found = win32::removeSetting(app.toStdWString(), section.toStdWString(), key.toStdWString(), status);
    if (!status.ok())
        fail(status);
    if (!found)
        throw RuntimeError(err::InvalidProcedureCall);
}

} // namespace kl

#endif // Q_OS_WIN

#include "registrysettingsstore.h"

#include "platform/runtimeerror.h"
#include "registrysettings.h"
#include "utf8.h"
#include "win32shell.h"

#include <windows.h>

namespace kl::win32 {

namespace {

[[noreturn]] void fail(const RegistryStatus &status)
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
    throw RuntimeError(number, RuntimeError::describe(number) + " ("
                                   + narrow(systemMessage(static_cast<unsigned long>(status.code))) + ')');
}

} // namespace

std::string RegistrySettingsStore::GetSetting(const std::string &app, const std::string &section,
                                              const std::string &key, const std::string &def)
{
    if (app.empty())
        throw RuntimeError(err::InvalidProcedureCall);
    RegistryStatus status;
    const std::optional<std::wstring> value = m_sections.get(widen(app), widen(section), widen(key), status);
    if (!status.ok())
        fail(status);
    return value ? narrow(*value) : def;
}

void RegistrySettingsStore::SaveSetting(const std::string &app, const std::string &section, const std::string &key,
                                        const std::string &value)
{
    const RegistryStatus status = m_sections.save(widen(app), widen(section), widen(key), widen(value));
    if (!status.ok())
        fail(status);
}

void RegistrySettingsStore::DeleteSetting(const std::string &app, const std::string &section,
                                          const std::string &key)
{
    RegistryStatus status;
    const bool found = m_sections.remove(widen(app), widen(section), widen(key), status);
    if (!status.ok())
        fail(status);
    if (!found)
        throw RuntimeError(err::InvalidProcedureCall);
}

} // namespace kl::win32

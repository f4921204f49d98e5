#include "settingslock.h"

#include "platform/runtimeerror.h"
#include "platform/settingsstore.h"
#include "utf8.h"
#include "win32shell.h"

#include <windows.h>
#include <sddl.h>

#include <cstdint>
#include <vector>

namespace kl::win32 {

namespace {

// The current user's SID as text, or empty when it cannot be had (the
// session's namespace still keeps other sessions apart).
std::wstring userSid()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    std::wstring result;
    wchar_t *text = nullptr;
    if (size && GetTokenInformation(token, TokenUser, buffer.data(), size, &size)
        && ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER *>(buffer.data())->User.Sid, &text)) {
        result = text;
        LocalFree(text);
    }
    CloseHandle(token);
    return result;
}

[[noreturn]] void fail(DWORD code)
{
    throw RuntimeError(err::PathFileAccessError,
                       RuntimeError::describe(err::PathFileAccessError) + " (" + narrow(systemMessage(code)) + ')');
}

std::wstring holderName(const std::wstring &app)
{
    return SettingsLock::name(app) + L"-holder";
}

// The process id the holder left, 0 when there is none to read.
std::int64_t holderOf(const std::wstring &app)
{
    const HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, FALSE, holderName(app).c_str());
    if (!mapping)
        return 0;
    std::int64_t pid = 0;
    if (const auto *view = static_cast<const DWORD *>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, sizeof(DWORD)))) {
        pid = *view;
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    return pid;
}

} // namespace

std::wstring SettingsLock::name(const std::wstring &app)
{
    std::wstring upper = app;
    CharUpperBuffW(upper.data(), DWORD(upper.size()));
    return L"Local\\Kicklist-settings-" + userSid() + L"-" + upper;
}

bool SettingsLock::inUse(const std::wstring &app)
{
    const HANDLE mutex = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name(app).c_str());
    if (!mutex)
        return false; // no one has it open
    const DWORD waited = WaitForSingleObject(mutex, 0);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED)
        ReleaseMutex(mutex);
    CloseHandle(mutex);
    return waited == WAIT_TIMEOUT;
}

SettingsLock::SettingsLock(const std::wstring &app, const std::string &where)
{
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, name(app).c_str());
    if (!mutex)
        fail(GetLastError());
    // WAIT_ABANDONED: the holder ended without letting go; the mutex is ours.
    const DWORD waited = WaitForSingleObject(mutex, DWORD(kSettingsLockWait.count()));
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
        m_mutex = mutex;
        m_holder = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(DWORD),
                                      holderName(app).c_str());
        if (auto *view = m_holder ? static_cast<DWORD *>(MapViewOfFile(m_holder, FILE_MAP_WRITE, 0, 0, sizeof(DWORD)))
                                  : nullptr) {
            *view = GetCurrentProcessId();
            UnmapViewOfFile(view);
        }
        return;
    }
    const DWORD code = waited == WAIT_FAILED ? GetLastError() : 0;
    CloseHandle(mutex);
    if (waited == WAIT_TIMEOUT)
        throw RuntimeError::busy(where, holderOf(app));
    fail(code);
}

SettingsLock::~SettingsLock()
{
    if (m_holder)
        CloseHandle(m_holder);
    ReleaseMutex(m_mutex);
    CloseHandle(m_mutex);
}

} // namespace kl::win32

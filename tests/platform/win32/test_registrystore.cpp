// The settings store over the real registry (under wine): transactions, the
// journal that makes a commit all or nothing, the lock's name, and how
// values Kicklist did not write are read. Built for Windows only.
#ifdef _WIN32
#include "platform/win32/registryjournal.h"
#include "platform/win32/registrykey.h"
#include "platform/win32/registrysettingsstore.h"
#include "platform/settingsstore_contract.h"
#include "support/errorof.h"

#include <doctest/doctest.h>

#include <windows.h>
#include <sddl.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

using namespace kl;
using namespace std::string_literals;
using win32::RegistrySettingsStore;

namespace {

using Bytes = std::vector<unsigned char>;

Bytes bytesOf(const std::wstring &text) // UTF-16 as stored, without a closing NUL
{
    const auto *data = reinterpret_cast<const unsigned char *>(text.data());
    return Bytes(data, data + text.size() * sizeof(wchar_t));
}

const DWORD Three = 3;
const Bytes Dword3(reinterpret_cast<const unsigned char *>(&Three), reinterpret_cast<const unsigned char *>(&Three + 1));

// HKCU\Software\<app>, emptied before and after a case, written and read
// behind the store's back. An empty section is the application's own key.
struct RawRegistry
{
    explicit RawRegistry(std::wstring app)
        : root(L"Software\\" + std::move(app))
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, root.c_str());
    }
    ~RawRegistry() { RegDeleteTreeW(HKEY_CURRENT_USER, root.c_str()); }
    std::wstring path(const std::wstring &section) const { return section.empty() ? root : root + L"\\" + section; }
    void put(const std::wstring &section, const std::wstring &name, DWORD type, const Bytes &data) const
    {
        REQUIRE(RegSetKeyValueW(HKEY_CURRENT_USER, path(section).c_str(), name.c_str(), type, data.data(),
                                DWORD(data.size()))
                == ERROR_SUCCESS);
    }
    void text(const std::wstring &section, const std::wstring &name, const std::wstring &value) const
    {
        put(section, name, REG_SZ, bytesOf(value + L'\0'));
    }
    // The value's bytes, or nothing when it is missing.
    std::optional<Bytes> get(const std::wstring &section, const std::wstring &name) const
    {
        Bytes data(1 << 16);
        DWORD size = DWORD(data.size());
        if (RegGetValueW(HKEY_CURRENT_USER, path(section).c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, nullptr,
                         data.data(), &size) != ERROR_SUCCESS)
            return std::nullopt;
        data.resize(size);
        return data;
    }
    std::wstring root;
};

const std::string App = "KicklistSharedTest";

// The store's view of one value, or the failure's number as text.
std::string read(SettingsStore &store, const std::string &section, const std::string &key)
{
    try {
        return store.GetSetting(App, section, key, "<default>");
    } catch (const RuntimeError &e) {
        return "<error " + std::to_string(e.number()) + ">";
    }
}

std::wstring userSid()
{
    HANDLE token;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    Bytes user(256);
    DWORD size = DWORD(user.size());
    GetTokenInformation(token, TokenUser, user.data(), size, &size);
    CloseHandle(token);
    wchar_t *text = nullptr;
    ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER *>(user.data())->User.Sid, &text);
    const std::wstring sid = text ? text : L"";
    LocalFree(text);
    return sid;
}

// The contract's storage: its applications' keys, emptied before and after.
struct RegistryStorage
{
    const RawRegistry first{L"KicklistContract"}, second{L"KicklistContract2"};
    RegistrySettingsStore registry;
    SettingsStore &store() { return registry; }
    std::unique_ptr<SettingsStore> another() { return std::make_unique<RegistrySettingsStore>(); }
};

} // namespace

TYPE_TO_STRING(RegistryStorage);
TEST_CASE_TEMPLATE_INVOKE(settingsStoreContract, RegistryStorage);

TEST_CASE("the registry store: a handler's writes land whole at commit")
{
    const RawRegistry raw(L"KicklistSharedTest");
    RegistrySettingsStore store;
    const std::vector<win32::JournalEntry> change = {
        {L"SetApp", L"1", L"after-1"}, {L"SetApp", L"2", std::nullopt}, {L"Appnames", L"1", L"名前"}};
    raw.text(L"SetApp", L"1", L"before-1");
    raw.text(L"SetApp", L"2", L"before-2");

    SUBCASE("writes wait for the commit, as REG_SZ; the first spelling of a name stays")
    {
        store.SaveSetting(App, "SetApp", "1", "after-1");
        store.DeleteSetting(App, "setapp", "2");
        store.SaveSetting(App, "New", "Key", "x"), store.SaveSetting(App, "NEW", "KEY", "y");
        // A section with a backslash would reach into another key.
        CHECK(test::errorOf([&] { store.SaveSetting(App, "a\\b", "Key", "v"); }) == err::InvalidProcedureCall);
        CHECK(raw.get(L"SetApp", L"1") == bytesOf(L"before-1\0"s));
        store.commit(); // that the deletion landed, the contract checks
        CHECK(raw.get(L"SetApp", L"1") == bytesOf(L"after-1\0"s));
        DWORD type = 0, length = 8;
        RegGetValueW(HKEY_CURRENT_USER, raw.path(L"SetApp").c_str(), L"1", RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, nullptr);
        CHECK(type == REG_SZ);
        CHECK(!raw.get(L"", RegistrySettingsStore::JournalValue));
        HKEY key = nullptr;
        RegOpenKeyExW(HKEY_CURRENT_USER, raw.path(L"New").c_str(), 0, KEY_READ, &key);
        const win32::RegistryKey owned(key);
        wchar_t name[8] = {};
        RegEnumValueW(key, 0, name, &length, {}, {}, {}, {});
        CHECK(std::wstring(name) == L"Key");
    }
    SUBCASE("a journal a killed process left is finished before anything is read")
    {
        raw.put(L"", RegistrySettingsStore::JournalValue, REG_BINARY, win32::encodeJournal(change));
        CHECK(read(store, "SetApp", "1") == "after-1");
        CHECK(read(store, "SetApp", "2") == "<default>");
        CHECK(read(store, "Appnames", "1") == "名前");
        CHECK(!raw.get(L"", RegistrySettingsStore::JournalValue));
        store.commit();
    }
    SUBCASE("a journal that cannot be read is set aside and reported once, as damage")
    {
        Bytes cut = win32::encodeJournal(change), altered = cut;
        cut.pop_back();
        altered[20] ^= 1;
        const struct { std::string what; DWORD type; Bytes bytes; } journals[] = {
            {"cut short", REG_BINARY, cut}, {"one bit altered", REG_BINARY, altered},
            {"empty", REG_BINARY, {}}, {"text", REG_SZ, bytesOf(L"KLJ1\0"s)}};
        for (const auto &[what, type, bytes] : journals) {
            CAPTURE(what);
            raw.put(L"", RegistrySettingsStore::JournalValue, type, bytes);
            CHECK(read(store, "SetApp", "1") == "<error 75>");
            CHECK(raw.get(L"", RegistrySettingsStore::DamagedJournalValue) == bytes);
            CHECK(!raw.get(L"", RegistrySettingsStore::JournalValue));
            store.commit();
            CHECK(read(store, "SetApp", "1") == "before-1"); // nothing of it applied
            store.commit();
        }
    }
}

TEST_CASE("the registry store's lock: the session's mutex, per user and list, held till commit")
{
    const RawRegistry raw(L"KicklistSharedTest");
    const std::wstring name = L"Kicklist-settings-" + userSid() + L"-KICKLISTSHAREDTEST";
    const auto exists = [](const std::wstring &mutex) {
        const HANDLE handle = OpenMutexW(SYNCHRONIZE, FALSE, mutex.c_str());
        return handle && CloseHandle(handle);
    };
    RegistrySettingsStore store;
    read(store, "SetApp", "1");
    CHECK(exists(L"Local\\" + name));
    CHECK(!exists(L"Global\\" + name));
    store.commit();
    CHECK(!exists(L"Local\\" + name));
    // Another holder, in a thread: it takes the lock, then commits once
    // released or after ms.
    struct Holder
    {
        HANDLE taken = CreateEventW(nullptr, FALSE, FALSE, nullptr), release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        DWORD ms;
        HANDLE thread = CreateThread(nullptr, 0, hold, this, 0, nullptr);
        static DWORD WINAPI hold(void *self)
        {
            auto &h = *static_cast<Holder *>(self);
            RegistrySettingsStore other;
            read(other, "SetApp", "1");
            SetEvent(h.taken), WaitForSingleObject(h.release, h.ms), other.commit();
            return 0;
        }
        ~Holder() { SetEvent(release), WaitForSingleObject(thread, 30000), CloseHandle(thread), CloseHandle(taken), CloseHandle(release); }
    };
    // One that lets go well within the wait is waited for.
    {
        Holder brief{.ms = 1500};
        WaitForSingleObject(brief.taken, 30000);
        CHECK(read(store, "SetApp", "1") == "<default>");
        store.commit();
    }
    // One that does not makes the store busy, not before the wait is over.
    Holder stuck{.ms = INFINITE};
    WaitForSingleObject(stuck.taken, 30000);
    const auto asked = std::chrono::steady_clock::now();
    CHECK(read(store, "SetApp", "1") == "<error " + std::to_string(err::PermissionDenied) + ">");
    CHECK(std::chrono::steady_clock::now() - asked >= kSettingsLockWait);
}

TEST_CASE("registry values: text kinds read as text up to a NUL, other types are damage")
{
    const RawRegistry raw(L"KicklistSharedTest");
    const struct { std::string what; DWORD type; Bytes bytes; std::string read; } values[] = {
        {"REG_SZ", REG_SZ, bytesOf(L"C:\\a b\\c.exe\0"s), "C:\\a b\\c.exe"},
        {"REG_SZ without its NUL", REG_SZ, bytesOf(L"abc"), "abc"},
        {"REG_SZ with a NUL inside", REG_SZ, bytesOf(L"abc\0def\0"s), "abc"},
        {"REG_EXPAND_SZ, unexpanded", REG_EXPAND_SZ, bytesOf(L"%SystemRoot%\\a.exe\0"s), "%SystemRoot%\\a.exe"},
        {"REG_DWORD", REG_DWORD, Dword3, "<error 13>"},
        {"REG_BINARY", REG_BINARY, bytesOf(L"3"), "<error 13>"},
        {"REG_MULTI_SZ", REG_MULTI_SZ, bytesOf(L"3\0\0"s), "<error 13>"},
        {"REG_NONE", REG_NONE, {}, "<error 13>"}};
    RegistrySettingsStore store;
    for (const auto &[what, type, bytes, expected] : values) {
        CAPTURE(what);
        raw.put(L"Sec", L"Value", type, bytes);
        CHECK(read(store, "Sec", "Value") == expected);
        store.commit();
    }
}

#endif

#pragma once

#include "platform/settingsstore.h"
#include "registrysettings.h"
#include "settingslock.h"

#include <map>
#include <memory>
#include <optional>
#include <string>

namespace kl::win32 {

// Settings in the current user's registry, where Windows programs keep them:
// HKEY_CURRENT_USER\Software\<app>\<section>, one string value per key.
// The registry matches names without regard to case by itself.
//
// Each stretch from a first access to commit() is one transaction between
// processes (SettingsLock). Writes are gathered in memory, where reads see
// them; commit() writes them all as one journal value of the application's
// key, flushes, applies them, flushes and removes the journal. A journal
// found at a transaction's start was left by a process that ended half way:
// it is applied first, so that every reader sees all of a change or none.
class RegistrySettingsStore final : public SettingsStore
{
public:
    // The journal's value in HKEY_CURRENT_USER\Software\<app>, and where a
    // journal that cannot be read is set aside (it is then reported once,
    // as damage).
    static constexpr const wchar_t *JournalValue = L"Journal";
    static constexpr const wchar_t *DamagedJournalValue = L"Journal.damaged";

    std::string GetSetting(const std::string &app, const std::string &section, const std::string &key,
                           const std::string &def) override;
    void SaveSetting(const std::string &app, const std::string &section, const std::string &key,
                     const std::string &value) override;
    void DeleteSetting(const std::string &app, const std::string &section, const std::string &key) override;
    void commit() override;
    // Begins app's transaction now (locks it, finishes a journal left over)
    // for a reader of the registry beside the store; commit() ends it.
    void begin(const std::string &app) { open(app); }

private:
    struct Change
    {
        std::wstring section;
        std::wstring key;
        std::optional<std::wstring> text; // none: removed
    };
    struct Transaction
    {
        std::wstring app; // as first spelt
        std::unique_ptr<SettingsLock> lock;
        std::map<std::wstring, Change> changes; // by section and key in upper case
    };

    // The application's transaction, begun (locked, a journal left over
    // applied) at its first access.
    Transaction &open(const std::string &app);
    void finishJournal(const std::wstring &app);
    void commitApp(Transaction &transaction);

    RegistrySections m_sections;
    std::map<std::wstring, Transaction> m_transactions; // by application in upper case
};

} // namespace kl::win32

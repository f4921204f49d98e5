#include "registrysettingsstore.h"

#include "platform/runtimeerror.h"
#include "registryjournal.h"
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
    const std::string why = narrow(systemMessage(static_cast<unsigned long>(status.code)));
    throw RuntimeError(number, RuntimeError::describe(number) + " (" + why + ')');
}

void check(const RegistryStatus &status)
{
    if (!status.ok())
        fail(status);
}

std::wstring upper(std::wstring text)
{
    CharUpperBuffW(text.data(), DWORD(text.size()));
    return text;
}

std::string where(const std::wstring &app)
{
    return "HKEY_CURRENT_USER\\Software\\" + narrow(app);
}

std::string typeName(unsigned long type)
{
    switch (type) {
    case REG_NONE:
        return "REG_NONE";
    case REG_BINARY:
        return "REG_BINARY";
    case REG_DWORD:
        return "REG_DWORD";
    case REG_DWORD_BIG_ENDIAN:
        return "REG_DWORD_BIG_ENDIAN";
    case REG_MULTI_SZ:
        return "REG_MULTI_SZ";
    case REG_QWORD:
        return "REG_QWORD";
    default:
        return "type " + std::to_string(type);
    }
}

} // namespace

RegistrySettingsStore::Transaction &RegistrySettingsStore::open(const std::string &app8)
{
    const std::wstring app = widen(app8);
    const std::wstring folded = upper(app);
    const auto open = m_transactions.find(folded);
    if (open != m_transactions.end())
        return open->second;
    // Locked first: a journal is finished by one process only, and no one
    // reads while it is.
    auto lock = std::make_unique<SettingsLock>(app, where(app));
    Transaction &transaction = m_transactions[folded];
    transaction.app = app;
    transaction.lock = std::move(lock);
    finishJournal(app);
    return transaction;
}

void RegistrySettingsStore::finishJournal(const std::wstring &app)
{
    RegistryStatus status;
    const StoredValue journal = m_sections.getOwn(app, JournalValue, status);
    check(status);
    if (journal.kind == StoredValue::Kind::Missing)
        return;
    const std::optional<std::vector<JournalEntry>> entries =
        journal.type == REG_BINARY ? decodeJournal(journal.bytes) : std::nullopt;
    if (!entries) {
        // Which of its changes were applied cannot be known: the list may be
        // half changed, which is damage. Kept aside for whoever looks, and
        // out of the way so that what follows (a reset) can work.
        check(m_sections.saveOwn(app, DamagedJournalValue, journal.bytes));
        check(m_sections.removeOwn(app, JournalValue));
        check(m_sections.flush(app));
        throw RuntimeError(err::PathFileAccessError,
                           "書きかけの変更の記録 (" + where(app) + "\\" + narrow(JournalValue) + ") が壊れています。"
                               + narrow(DamagedJournalValue) + " に移しました。");
    }
    for (const JournalEntry &entry : *entries) {
        if (entry.text) {
            check(m_sections.save(app, entry.section, entry.key, *entry.text));
        } else {
            m_sections.remove(app, entry.section, entry.key, status); // gone already: nothing to do
            check(status);
        }
    }
    check(m_sections.flush(app));
    // Left in place, it would only be applied once more, to the same effect.
    m_sections.removeOwn(app, JournalValue);
}

std::string RegistrySettingsStore::GetSetting(const std::string &app, const std::string &section,
                                              const std::string &key, const std::string &def)
{
    if (app.empty())
        throw RuntimeError(err::InvalidProcedureCall);
    const std::wstring wsection = widen(section), wkey = widen(key);
    if (!storableNames(widen(app), wsection, wkey))
        return def; // nothing can be stored under such a name
    Transaction &transaction = open(app);
    const auto changed = transaction.changes.find(upper(wsection + L'\\' + wkey));
    if (changed != transaction.changes.end())
        return changed->second.text ? narrow(*changed->second.text) : def;
    RegistryStatus status;
    const StoredValue value = m_sections.get(transaction.app, wsection, wkey, status);
    check(status);
    switch (value.kind) {
    case StoredValue::Kind::Missing:
        return def;
    case StoredValue::Kind::Text:
        return narrow(value.text);
    case StoredValue::Kind::Other:
        break;
    }
    // Nothing Kicklist writes; read as text it would be misread (a count as
    // none, a list as its first line): damage, as a count that is no number.
    const std::string named = where(transaction.app) + "\\" + section + " の " + key;
    const std::string why = named + " は " + typeName(value.type) + " で、文字列ではありません";
    throw RuntimeError(err::TypeMismatch, RuntimeError::describe(err::TypeMismatch) + " (" + why + ')');
}

void RegistrySettingsStore::SaveSetting(const std::string &app, const std::string &section, const std::string &key,
                                        const std::string &value)
{
    const std::wstring wsection = widen(section), wkey = widen(key);
    if (!storableNames(widen(app), wsection, wkey))
        throw RuntimeError(err::InvalidProcedureCall);
    Transaction &transaction = open(app);
    // The first spelling stays, as the registry keeps it.
    const auto [at, added] = transaction.changes.try_emplace(upper(wsection + L'\\' + wkey), Change{wsection, wkey, {}});
    at->second.text = widen(value);
}

void RegistrySettingsStore::DeleteSetting(const std::string &app, const std::string &section,
                                          const std::string &key)
{
    const std::wstring wsection = widen(section), wkey = widen(key);
    if (!storableNames(widen(app), wsection, wkey))
        throw RuntimeError(err::InvalidProcedureCall);
    Transaction &transaction = open(app);
    const std::wstring folded = upper(wsection + L'\\' + wkey);
    const auto changed = transaction.changes.find(folded);
    bool present = false;
    if (changed != transaction.changes.end()) {
        present = changed->second.text.has_value();
    } else {
        RegistryStatus status;
        present = m_sections.get(transaction.app, wsection, wkey, status).kind != StoredValue::Kind::Missing;
        check(status);
    }
    if (!present)
        throw RuntimeError(err::InvalidProcedureCall);
    transaction.changes.try_emplace(folded, Change{wsection, wkey, {}}).first->second.text.reset();
}

void RegistrySettingsStore::commitApp(Transaction &transaction)
{
    const std::wstring &app = transaction.app;
    std::vector<JournalEntry> entries;
    for (const auto &[folded, change] : transaction.changes)
        entries.push_back({change.section, change.key, change.text});
    // Once the journal is in place the change is made, whatever stops this
    // process: the next transaction finishes it.
    check(m_sections.saveOwn(app, JournalValue, encodeJournal(entries)));
    check(m_sections.flush(app));
    finishJournal(app);
}

void RegistrySettingsStore::commit()
{
    std::optional<RuntimeError> firstFailure;
    for (auto &[folded, transaction] : m_transactions) {
        if (transaction.changes.empty())
            continue;
        try {
            commitApp(transaction);
        } catch (const RuntimeError &e) {
            // What could not be written is dropped; a journal written stays
            // for the next transaction to finish.
            if (!firstFailure)
                firstFailure = e;
        }
    }
    m_transactions.clear(); // lets go of the locks
    m_sections.close();
    if (firstFailure)
        throw *firstFailure;
}

} // namespace kl::win32

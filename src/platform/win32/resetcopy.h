#pragma once

#include "platform/services.h"

#include <string>
#include <vector>

namespace kl::win32 {

class RegistrySettingsStore;

// Before the recovery dialog's reset: the list's two registry keys
// (HKEY_CURRENT_USER\Software\<app>\SetApp and \Appnames) as they stand,
// written as "<app>.reset-<yyyyMMdd-HHmmss>[-n].reg" (Windows Registry
// Editor 5.00, UTF-16LE with BOM) in %LOCALAPPDATA%\<app>. Opening it
// replaces both keys with what they held. The newest Kept copies stay.
class RegResetCopy final : public ResetCopy
{
public:
    static constexpr int Kept = 5;

    // folder: where the copies go; empty: %LOCALAPPDATA%\<app>. The copy is
    // made within store's transaction, so that no other process changes the
    // keys between the copy and the reset.
    RegResetCopy(RegistrySettingsStore &store, std::wstring app = L"Kicklist", std::wstring folder = {});
    void keepBeforeReset() override;

    // The .reg text for the two keys; empty when neither exists.
    std::wstring exportText() const;
    // The copies in the folder, newest first, as full paths.
    std::vector<std::wstring> copies() const;
    std::wstring folder() const;

private:
    RegistrySettingsStore &m_store;
    std::wstring m_app;
    std::wstring m_folder;
};

} // namespace kl::win32

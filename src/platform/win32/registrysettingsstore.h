#pragma once

#include "platform/settingsstore.h"
#include "registrysettings.h"

namespace kl::win32 {

// Settings in the current user's registry, where Windows programs keep them:
// HKEY_CURRENT_USER\Software\<app>\<section>, one string value per key.
// The registry matches names without regard to case by itself, and each
// value written is already durable on its own, so commit() only closes the
// sections' keys the transaction opened.
class RegistrySettingsStore final : public SettingsStore
{
public:
    std::string GetSetting(const std::string &app, const std::string &section, const std::string &key,
                           const std::string &def) override;
    void SaveSetting(const std::string &app, const std::string &section, const std::string &key,
                     const std::string &value) override;
    void DeleteSetting(const std::string &app, const std::string &section, const std::string &key) override;
    void commit() override { m_sections.close(); }

private:
    RegistrySections m_sections;
};

} // namespace kl::win32

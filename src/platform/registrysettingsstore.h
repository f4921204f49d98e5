#pragma once

#include <QtGlobal>

#ifdef Q_OS_WIN

#include "settingsstore.h"

namespace kl {

// Settings in the current user's registry, where Windows programs keep them:
// HKEY_CURRENT_USER\Software\<app>\<section>, one string value per key.
// The registry matches names without regard to case by itself, and each
// value written is already durable on its own, so commit() has nothing to do.
class RegistrySettingsStore final : public SettingsStore
{
public:
    QString GetSetting(const QString &app, const QString &section, const QString &key,
                       const QString &def) override;
    void SaveSetting(const QString &app, const QString &section, const QString &key,
                     const QString &value) override;
    void DeleteSetting(const QString &app, const QString &section, const QString &key) override;
    void commit() override {}
};

} // namespace kl

#endif // Q_OS_WIN

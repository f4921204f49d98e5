#pragma once

#include "platform/services.h"

#include <QString>

#include <string>

namespace kl {

class IniSettingsStore;

// Before the recovery dialog's reset: the settings file as it stands, byte
// for byte, copied beside it as "<file>.reset-<yyyyMMdd-HHmmss>[-n]" (mode
// 0600), named as the copies of damaged files are; copying it back over the
// file brings the list back. The newest Kept copies stay, older ones go.
class IniResetCopy final : public ResetCopy
{
public:
    static constexpr int Kept = 5;

    IniResetCopy(IniSettingsStore &store, std::string app);
    void keepBeforeReset() override;

    // The copies beside file, newest first.
    static QStringList copiesOf(const QString &file);

private:
    IniSettingsStore &m_store;
    std::string m_app;
};

} // namespace kl

#pragma once

#include <QString>
#include <QtGlobal>

namespace kl {

class EnabledFlag;
class ListControl;
class SettingsStore;

// The registered programs, kept only in the settings store: two parallel
// numbered sections, "SetApp" (paths) and "Appnames" (display names), each
// with its own copy of the count. Nothing is held in memory; every operation
// is a fixed sequence of settings calls, and that sequence, with its defaults
// and repeated writes, is the format the next start reads back, even when a
// failure stopped it half way. Failures are RuntimeError and are not rolled
// back.
class AppStore
{
public:
    explicit AppStore(SettingsStore &settings);

    static QString application() { return QStringLiteral("Kicklist"); }

    qint16 Count();
    QString NameOf(qint16 position);
    QString PathOf(qint16 position);

    // Appends path under the next position, as path and as display name, adds
    // it as the last row of list and enables startAll.
    void Append(const QString &path, ListControl &list, EnabledFlag &startAll);
    void Rename(qint16 position, const QString &name);
    // Removes position, moving later entries up in the store and in list.
    // Returns the new count.
    qint16 Remove(qint16 position, ListControl &list);
    // Both counts to zero; position keys stay until an append overwrites them.
    void Reset();

private:
    SettingsStore &m_settings;
};

} // namespace kl

#pragma once

#include <cstdint>
#include <string>

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

    static std::string application() { return "Kicklist"; }
    // The most entries the list window can load.
    static constexpr std::int16_t Capacity = 100;

    std::int16_t Count();
    // Count(), refused as damaged (subscript out of range, 9) outside
    // 0..Capacity: no version wrote such a count, and none loads it.
    std::int16_t CheckedCount();
    std::string NameOf(std::int16_t position);
    std::string PathOf(std::int16_t position);

    // Appends path under the next position, as path and as display name, adds
    // it as the last row of list and enables startAll. A count below 0 is
    // refused as damaged before anything is written.
    void Append(const std::string &path, ListControl &list, EnabledFlag &startAll);
    void Rename(std::int16_t position, const std::string &name);
    // Removes position, moving later entries up in the store and in list.
    // Returns the new count.
    std::int16_t Remove(std::int16_t position, ListControl &list);
    // Both counts to zero; position keys stay until an append overwrites them.
    void Reset();

private:
    SettingsStore &m_settings;
};

} // namespace kl

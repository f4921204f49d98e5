#include "appstore.h"

#include "platform/enabledflag.h"
#include "platform/listcontrol.h"
#include "platform/numbers.h"
#include "platform/runtimeerror.h"
#include "platform/settingsstore.h"

#include <algorithm>

namespace kl {

namespace {
const std::string kPaths = "SetApp";
const std::string kNames = "Appnames";
const std::string kCount = "AppCount";

RuntimeError damagedCount(std::int16_t count)
{
    const std::string range = "0 から " + str(AppStore::Capacity);
    return RuntimeError(err::SubscriptOutOfRange, "登録数 " + str(count) + " は " + range + " の範囲にありません。");
}
} // namespace

AppStore::AppStore(SettingsStore &settings)
    : m_settings(settings)
{
}

std::int16_t AppStore::Count()
{
    return toInt16(m_settings.GetSetting(application(), kPaths, kCount, "0"));
}

std::int16_t AppStore::CheckedCount()
{
    const std::int16_t count = Count();
    if (count < 0 || count > Capacity)
        throw damagedCount(count);
    return count;
}

std::string AppStore::NameOf(std::int16_t position)
{
    return m_settings.GetSetting(application(), kNames, str(position), "");
}

std::string AppStore::PathOf(std::int16_t position)
{
    return m_settings.GetSetting(application(), kPaths, str(position), "");
}

void AppStore::Append(const std::string &path, ListControl &list, EnabledFlag &startAll)
{
    // The count is read twice; a half-written store from older versions is
    // read back the same way, so the sequence stays as it always was.
    std::int16_t c1 = Count();
    const std::int16_t c2 = Count();
    // Below 0 the next position would be 0 or less, a key no load reads.
    if (c1 < 0 || c2 < 0)
        throw damagedCount(std::min(c1, c2));

    c1 = add16(c1, 1);
    m_settings.SaveSetting(application(), kPaths, str(c1), path);

    const std::int16_t n = add16(c2, 1);
    m_settings.SaveSetting(application(), kNames, str(n), path);
    m_settings.SaveSetting(application(), kPaths, str(n), path);

    list.setList(c2, path);

    m_settings.SaveSetting(application(), kNames, kCount, str(n));
    m_settings.SaveSetting(application(), kPaths, kCount, str(n));

    startAll.setEnabled(true);
}

void AppStore::Rename(std::int16_t position, const std::string &name)
{
    m_settings.DeleteSetting(application(), kNames, str(position));
    m_settings.SaveSetting(application(), kNames, str(position), name);
}

std::int16_t AppStore::Remove(std::int16_t position, ListControl &list)
{
    std::int16_t n = Count();

    m_settings.DeleteSetting(application(), kPaths, str(position));
    m_settings.DeleteSetting(application(), kNames, str(position));

    n = add16(n, -1);
    m_settings.SaveSetting(application(), kNames, kCount, str(n));
    m_settings.SaveSetting(application(), kPaths, kCount, str(n));

    if (n == 0)
        return n;

    for (int k = position; k <= n; ++k) {
        const std::int16_t at = std::int16_t(k);
        const std::int16_t next = add16(at, 1);
        m_settings.SaveSetting(application(), kPaths, str(at),
                               m_settings.GetSetting(application(), kPaths, str(next), "0"));
        m_settings.SaveSetting(application(), kNames, str(at),
                               m_settings.GetSetting(application(), kNames, str(next), "0"));
        list.setList(add16(at, -1),
                     m_settings.GetSetting(application(), "appnames", str(at), ""));
    }

    list.RemoveItem(n);

    const std::int16_t last = add16(n, 1);
    if (last != position) {
        m_settings.DeleteSetting(application(), kPaths, str(last));
        m_settings.DeleteSetting(application(), kNames, str(last));
    }
    return n;
}

void AppStore::Reset()
{
    m_settings.SaveSetting(application(), kPaths, kCount, "0");
    m_settings.SaveSetting(application(), kNames, kCount, "0");
}

} // namespace kl

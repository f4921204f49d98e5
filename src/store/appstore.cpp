#include "appstore.h"

#include "platform/listcontrol.h"
#include "platform/numbers.h"
#include "platform/settingsstore.h"

namespace kl {

namespace {
const QString kPaths = QStringLiteral("SetApp");
const QString kNames = QStringLiteral("Appnames");
const QString kCount = QStringLiteral("AppCount");
} // namespace

AppStore::AppStore(SettingsStore &settings)
    : m_settings(settings)
{
}

qint16 AppStore::Count()
{
    return toInt16(m_settings.GetSetting(application(), kPaths, kCount, QStringLiteral("0")));
}

QString AppStore::NameOf(qint16 position)
{
    return m_settings.GetSetting(application(), kNames, str(position), QString());
}

QString AppStore::PathOf(qint16 position)
{
    return m_settings.GetSetting(application(), kPaths, str(position), QString());
}

void AppStore::Append(const QString &path, ListControl &list, EnabledFlag &startAll)
{
    // The count is read twice; a half-written store from older versions is
    // read back the same way, so the sequence stays as it always was.
    qint16 c1 = Count();
    const qint16 c2 = Count();

    c1 = add16(c1, 1);
    m_settings.SaveSetting(application(), kPaths, str(c1), path);

    const qint16 n = add16(c2, 1);
    m_settings.SaveSetting(application(), kNames, str(n), path);
    m_settings.SaveSetting(application(), kPaths, str(n), path);

    list.setList(c2, path);

    m_settings.SaveSetting(application(), kNames, kCount, str(n));
    m_settings.SaveSetting(application(), kPaths, kCount, str(n));

    startAll.setEnabled(true);
}

void AppStore::Rename(qint16 position, const QString &name)
{
    m_settings.DeleteSetting(application(), kNames, str(position));
    m_settings.SaveSetting(application(), kNames, str(position), name);
}

qint16 AppStore::Remove(qint16 position, ListControl &list)
{
    qint16 n = Count();

    m_settings.DeleteSetting(application(), kPaths, str(position));
    m_settings.DeleteSetting(application(), kNames, str(position));

    n = add16(n, -1);
    m_settings.SaveSetting(application(), kNames, kCount, str(n));
    m_settings.SaveSetting(application(), kPaths, kCount, str(n));

    if (n == 0)
        return n;

    for (int k = position; k <= n; ++k) {
        const qint16 at = qint16(k);
        const qint16 next = add16(at, 1);
        m_settings.SaveSetting(application(), kPaths, str(at),
                               m_settings.GetSetting(application(), kPaths, str(next), QStringLiteral("0")));
        m_settings.SaveSetting(application(), kNames, str(at),
                               m_settings.GetSetting(application(), kNames, str(next), QStringLiteral("0")));
        list.setList(add16(at, -1),
                     m_settings.GetSetting(application(), QStringLiteral("appnames"), str(at), QString()));
    }

    list.RemoveItem(n);

    const qint16 last = add16(n, 1);
    if (last != position) {
        m_settings.DeleteSetting(application(), kPaths, str(last));
        m_settings.DeleteSetting(application(), kNames, str(last));
    }
    return n;
}

void AppStore::Reset()
{
    m_settings.SaveSetting(application(), kPaths, kCount, QStringLiteral("0"));
    m_settings.SaveSetting(application(), kNames, kCount, QStringLiteral("0"));
}

} // namespace kl

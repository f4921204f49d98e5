#pragma once

#include "registry.h"

#include <QHash>
#include <QStringList>

namespace kl {

// The registry where the platform has none. It holds one value only, the one
// that says where the system information tool is:
//   HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Shared Tools\MSINFO, value PATH
// a text value (REG_SZ, with its terminating zero byte) giving the full path of
// the first of toolNames found as an executable in searchDirs. Without such a
// tool that key is missing too, like every other key. Names match without
// regard to letter case, as the real registry's do.
class SysInfoRegistry final : public Registry
{
public:
    // Empty searchDirs means the directories of PATH.
    explicit SysInfoRegistry(QStringList toolNames = defaultToolNames(), QStringList searchDirs = {});

    // Well-known system information programs, the most complete first.
    static QStringList defaultToolNames();

    long RegOpenKeyEx(quint32 root, const QString &subKey, quint32 options, quint32 samDesired,
                      quint32 &key) override;
    long RegQueryValueEx(quint32 key, const QString &valueName, quint32 &type, QByteArray &buffer,
                         quint32 &size) override;
    long RegCloseKey(quint32 key) override;

private:
    QString findTool() const;

    QStringList m_toolNames;
    QStringList m_searchDirs;
    QHash<quint32, QString> m_open; // handle -> the tool path found when opened
    quint32 m_nextKey = 1;
};

} // namespace kl

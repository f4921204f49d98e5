#include "sysinforegistry.h"

#include <QFile>
#include <QStandardPaths>

#include <algorithm>
#include <cstring>

namespace kl {

namespace {

const QString kToolKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kToolValue = QStringLiteral("PATH");

bool isPredefinedRoot(quint32 root)
{
    // HKEY_CLASSES_ROOT (0x80000000) .. HKEY_DYN_DATA (0x80000006)
    return root >= 0x80000000u && root <= 0x80000006u;
}

} // namespace

SysInfoRegistry::SysInfoRegistry(QStringList toolNames, QStringList searchDirs)
    : m_toolNames(std::move(toolNames))
    , m_searchDirs(std::move(searchDirs))
{
}

QStringList SysInfoRegistry::defaultToolNames()
{
    return {QStringLiteral("hardinfo2"), QStringLiteral("hardinfo"), QStringLiteral("kinfocenter"),
            QStringLiteral("i-nex"),     QStringLiteral("cpu-x"),    QStringLiteral("lshw-gtk")};
}

QString SysInfoRegistry::findTool() const
{
    for (const QString &name : m_toolNames) {
        QString path = QStandardPaths::findExecutable(name, m_searchDirs);
        if (!path.isEmpty())
            return path;
    }
    return {};
}

long SysInfoRegistry::RegOpenKeyEx(quint32 root, const QString &subKey, quint32 options, quint32 samDesired,
                                   quint32 &key)
{
    Q_UNUSED(options);
    Q_UNUSED(samDesired); // nothing here is protected
    if (!isPredefinedRoot(root) && !m_open.contains(root))
        return reg::InvalidHandle;
    if (root != reg::LocalMachine || subKey.compare(kToolKey, Qt::CaseInsensitive) != 0)
        return reg::FileNotFound;
    // Looked up at every open: a tool installed while the program runs counts.
    QString tool = findTool();
    if (tool.isEmpty())
        return reg::FileNotFound;
    key = m_nextKey++;
    m_open.emplace(key, std::move(tool));
    return reg::Success;
}

long SysInfoRegistry::RegQueryValueEx(quint32 key, const QString &valueName, quint32 &type, QByteArray &buffer,
                                      quint32 &size)
{
    const auto it = m_open.constFind(key);
    if (it == m_open.constEnd())
        return reg::InvalidHandle;
    if (valueName.compare(kToolValue, Qt::CaseInsensitive) != 0)
        return reg::FileNotFound;

    QByteArray data = QFile::encodeName(*it);
    data.append('\0');
    const auto needed = quint32(data.size());
    type = reg::TypeSz;
    const quint32 offered = std::min(size, quint32(buffer.size()));
    size = needed;
    if (needed > offered)
        return reg::MoreData;
    std::memcpy(buffer.data(), data.constData(), needed);
    return reg::Success;
}

long SysInfoRegistry::RegCloseKey(quint32 key)
{
    return m_open.remove(key) ? reg::Success : reg::InvalidHandle;
}

} // namespace kl

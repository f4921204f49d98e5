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

QStringList qtList(const std::vector<std::string> &texts)
{
    QStringList list;
    for (const std::string &text : texts)
        list.append(QString::fromStdString(text));
    return list;
}

} // namespace

SysInfoRegistry::SysInfoRegistry(const std::vector<std::string> &toolNames, const std::vector<std::string> &searchDirs)
    : m_toolNames(qtList(toolNames))
    , m_searchDirs(qtList(searchDirs))
{
}

std::vector<std::string> SysInfoRegistry::defaultToolNames()
{
    return {"hardinfo2", "hardinfo", "kinfocenter", "i-nex", "cpu-x", "lshw-gtk"};
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

long SysInfoRegistry::RegOpenKeyEx(std::uint32_t root, const std::string &subKey, std::uint32_t options,
                                   std::uint32_t samDesired, std::uint32_t &key)
{
    Q_UNUSED(options);
    Q_UNUSED(samDesired); // nothing here is protected
    if (!isPredefinedRoot(root) && !m_open.contains(root))
        return reg::InvalidHandle;
    if (root != reg::LocalMachine || QString::fromStdString(subKey).compare(kToolKey, Qt::CaseInsensitive) != 0)
        return reg::FileNotFound;
    // Looked up at every open: a tool installed while the program runs counts.
    QString tool = findTool();
    if (tool.isEmpty())
        return reg::FileNotFound;
    key = m_nextKey++;
    m_open.emplace(key, std::move(tool));
    return reg::Success;
}

long SysInfoRegistry::RegQueryValueEx(std::uint32_t key, const std::string &valueName, std::uint32_t &type,
                                      std::string &buffer, std::uint32_t &size)
{
    const auto it = m_open.constFind(key);
    if (it == m_open.constEnd())
        return reg::InvalidHandle;
    if (QString::fromStdString(valueName).compare(kToolValue, Qt::CaseInsensitive) != 0)
        return reg::FileNotFound;

    QByteArray data = QFile::encodeName(*it);
    data.append('\0');
    const auto needed = std::uint32_t(data.size());
    type = reg::TypeSz;
    const std::uint32_t offered = std::min(size, std::uint32_t(buffer.size()));
    size = needed;
    if (needed > offered)
        return reg::MoreData;
    std::memcpy(buffer.data(), data.constData(), needed);
    return reg::Success;
}

long SysInfoRegistry::RegCloseKey(std::uint32_t key)
{
    return m_open.remove(key) ? reg::Success : reg::InvalidHandle;
}

} // namespace kl

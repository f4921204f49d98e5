#pragma once

#include "platform/registry.h"

#include <QHash>
#include <QStringList>

#include <string>
#include <vector>

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
    explicit SysInfoRegistry(const std::vector<std::string> &toolNames = defaultToolNames(),
                             const std::vector<std::string> &searchDirs = {});

    // Well-known system information programs, the most complete first.
    static std::vector<std::string> defaultToolNames();

    long RegOpenKeyEx(std::uint32_t root, const std::string &subKey, std::uint32_t options,
                      std::uint32_t samDesired, std::uint32_t &key) override;
    long RegQueryValueEx(std::uint32_t key, const std::string &valueName, std::uint32_t &type,
                         std::string &buffer, std::uint32_t &size) override;
    long RegCloseKey(std::uint32_t key) override;
    // The values written here are paths: their bytes are the file names'.
    std::string textOf(const std::string &bytes) override { return bytes; }

private:
    QString findTool() const;

    QStringList m_toolNames;
    QStringList m_searchDirs;
    QHash<quint32, QString> m_open; // handle -> the tool path found when opened
    quint32 m_nextKey = 1;
};

} // namespace kl

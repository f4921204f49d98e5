#pragma once

#include "platform/drives.h"

namespace kl::win32 {

// The drives and folders of this machine through Win32: drives as "c:",
// folders listed with FindFirstFileExW and sorted here. Every Windows name is
// text, so nothing is ever unnamed. (The list-box directory calls are not
// used: they rewrite the caller's buffer and change the current folder.)
class WinDriveSystem final : public DriveSystem
{
public:
    std::vector<std::string> drives() override;
    std::string systemDrive() override;
    std::string currentFolder() override;
    std::string currentDrive() override;
    std::string homeFolder() override;
    std::string openDrive(const std::string &drive) override;
    std::vector<std::string> folders(const std::string &folder) override;
    std::vector<std::string> programs(const std::string &folder) override;
    std::vector<std::string> unnamed(const std::string &, Kind) override { return {}; }
    std::string Dir(const std::string &path) override;
};

} // namespace kl::win32

#pragma once

#include "platform/drives.h"

#include <string>
#include <vector>

namespace kl {

// The drive system of the machine the program runs on: the mounted file
// systems a user keeps files in, each a drive named by its root folder.
class LocalDriveSystem final : public DriveSystem
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
    std::vector<std::string> unnamed(const std::string &folder, Kind kind) override;
    std::string Dir(const std::string &path) override;
};

// Folder listings as LocalDriveSystem makes them, for doubles to reuse.
std::vector<std::string> listFolders(const std::string &folder);
// Files matching "*.exe" in any letter case and the files the user may
// execute (programs here carry no extension).
std::vector<std::string> listPrograms(const std::string &folder);
std::vector<std::string> listUnnamed(const std::string &folder, DriveSystem::Kind kind);

// The text of a path the system gives as bytes, empty when no text stands
// for exactly those bytes (they are not UTF-8): such a path is never
// replaced by its look-alike.
std::string pathText(const std::string &bytes);

} // namespace kl

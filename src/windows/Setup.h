#pragma once

#include "face.h"

#include <memory>
#include <string>
#include <vector>

namespace kl {

class AppStore;
class DriveSystem;
class Forms;
class Runtime;
struct Platform;

// The program picker: a drive, a folder and a program file chosen in three
// linked lists, then registered through the store. It hides when done and
// keeps its lists and buttons for the next showing.
class Setup final
{
public:
    Setup(const Platform &platform, Forms &forms);
    ~Setup();
    Setup(const Setup &) = delete;
    Setup &operator=(const Setup &) = delete;

    // Entries whose names are not text have no path: the faces show their
    // rows greyed with these tips, and using one says why it cannot be.
    static constexpr const char *kFolderNotText = FolderRow::kNotText;
    static constexpr const char *kFileNotText = FileRow::kNotText;

    SetupView &view() { return *m_view; }
    // Shows the picker modally (pending writes committed first) and returns
    // when it hides or is unloaded.
    void showModal();

    // Handlers. The face calls Drive1_Change when the user chooses another
    // drive, Dir1_Click and File1_Click when the user chooses a row or clicks
    // the chosen one, Dir1_Open for a double-click or Enter on a folder row,
    // Unload for the close box.
    void Form_Load();
    void Drive1_Change();
    void Dir1_Change();
    void Dir1_Click();
    void Dir1_Open(int row);
    void File1_Click();
    void File1_DblClick();
    void AddProgram_Click();
    void cxsetup_Click();
    void Unload();
    bool isUnloaded() const { return m_unloaded; }

    // What the lists show: Drive1's drive, Dir1's path (the open folder),
    // File1's path and its file name (empty when no file is selected).
    std::string drive() const;
    const std::string &dirPath() const { return m_dirPath; }
    const std::string &filePath() const { return m_filePath; }
    std::string fileName() const;

private:
    void AddSelectedProgram();
    // The control side of the lists: what changes when a property is set,
    // raising the change handler as the platform's lists do.
    void setDrive(const std::string &drive);
    void setDirPath(const std::string &folder);
    // Fills Dir1 for a folder; false when it already shows it.
    bool showFolder(const std::string &folder);
    void setFilePath(const std::string &folder);
    // Fills Drive1 and chooses the drive given, else the system drive.
    void fillDrives(std::string current);
    void driveFailed(int number, const std::string &description);

    Runtime &m_runtime;
    AppStore &m_store;
    DriveSystem &m_drives;
    Forms &m_forms;
    std::unique_ptr<SetupView> m_view;
    bool m_unloaded = false;

    // What the lists show, row by row.
    std::vector<std::string> m_driveRows;
    std::vector<FolderRow> m_folderRows;
    std::vector<FileRow> m_fileRows;
    std::string m_dirPath;
    std::string m_filePath;
};

} // namespace kl

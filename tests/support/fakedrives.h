#pragma once

#include "platform/drives.h"
#include "platform/runtimeerror.h"

#include <QFile>
#include <QHash>

#include <filesystem>

namespace kl::test {

// Drives as a test arranges them, over real folders: the drive list, the
// start folder and drive are set by the test, and a drive can be made to
// fail with any error number; any other opens at its root. Folders and
// program files are read from disk as the real drive system reads them. By
// default there is one drive, "/", the system drive, and the process's
// current folder; a test that sets startDrive tells the current drive from
// the system drive.
class FakeDrives final : public DriveSystem
{
public:
    QStringList driveList{QStringLiteral("/")};
    QString startFolder = LocalDriveSystem().currentFolder(), startDrive = QStringLiteral("/");
    QHash<QString, int> failing; // a drive that fails to open, with the error number it fails with
    // Program files listed for a folder instead of what is on disk (no test can put a program in "/").
    QHash<QString, QStringList> listed;

    QStringList drives() override { return driveList; }
    QString systemDrive() override { return QStringLiteral("/"); }
    QString currentFolder() override { return startFolder; }
    QString currentDrive() override { return startDrive; }
    QString openDrive(const QString &drive) override { return failing.contains(drive) ? throw RuntimeError(failing.value(drive)) : drive; }
    QStringList folders(const QString &folder) override { return listFolders(folder); }
    QStringList programs(const QString &folder) override { return listed.value(folder, listPrograms(folder)); }
    QStringList unnamed(const QString &folder, Kind kind) override { return listUnnamed(folder, kind); }
};

// Removes a folder that holds names Qt cannot read (and so QTemporaryDir leaves).
inline void removeAll(const QString &folder)
{
    std::error_code failed;
    std::filesystem::remove_all(QFile::encodeName(folder).toStdString(), failed);
}

} // namespace kl::test

#pragma once

#include "platform/drives.h"
#include "platform/runtimeerror.h"

#include <QDir>
#include <QHash>

namespace kl::test {

// Drives as a test arranges them, over real folders: the drive list, the
// start folder and where each drive opens are set by the test, and a drive
// can be made to fail with any error number. Folders and program files are
// read from disk as the real drive system reads them. By default there is
// one drive, "/", and the process's current folder.
class FakeDrives final : public DriveSystem
{
public:
    QStringList driveList{QStringLiteral("/")};
    QString system = QStringLiteral("/");
    QString startFolder = folderPath(QDir::currentPath());
    QString startDrive = QStringLiteral("/");
    // Where a drive opens; the drive itself when not given.
    QHash<QString, QString> opens;
    // A drive that fails to open, with the error number it fails with.
    QHash<QString, int> failing;
    // Program files listed for a folder instead of what is on disk (no
    // test can put a program in "/").
    QHash<QString, QStringList> listed;
    // Every drive opened, in order.
    QStringList opened;

    QStringList drives() override { return driveList; }
    QString systemDrive() override { return system; }
    QString currentFolder() override { return startFolder; }
    QString currentDrive() override { return startDrive; }
    QString openDrive(const QString &drive) override
    {
        opened.append(drive);
        if (failing.contains(drive))
            throw RuntimeError(failing.value(drive));
        return opens.value(drive, drive);
    }
    QStringList folders(const QString &folder) override { return listFolders(folder); }
    QStringList programs(const QString &folder) override
    {
        return listed.contains(folder) ? listed.value(folder) : listPrograms(folder);
    }
};

} // namespace kl::test

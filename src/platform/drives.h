#pragma once

#include <QString>
#include <QStringList>

namespace kl {

// The drives, folders and program files the picker browses.
//
// A drive reads as "c:" on Windows and as the root folder of a mounted file
// system elsewhere. A folder path is absolute, in the platform's own
// separators, and ends in a separator only at a root ("c:\", "/").
class DriveSystem
{
public:
    virtual ~DriveSystem() = default;

    // The drives a user browses, the system drive first on Unix.
    virtual QStringList drives() = 0;
    // Where the picker falls back to when a drive is unavailable.
    virtual QString systemDrive() = 0;
    // The process's current folder, empty when it has been removed, and the
    // drive it lies on (the system drive then).
    virtual QString currentFolder() = 0;
    virtual QString currentDrive() = 0;
    // The folder a drive opens at: its current folder. Throws
    // RuntimeError(err::DeviceUnavailable) when the drive cannot be opened
    // (no medium, not ready, not readable).
    virtual QString openDrive(const QString &drive) = 0;
    // Names of the subfolders and of the program files of a folder, sorted
    // without regard to case; hidden entries left out. A folder that does not
    // exist throws RuntimeError(err::PathNotFound); one that cannot be read
    // lists nothing.
    virtual QStringList folders(const QString &folder) = 0;
    virtual QStringList programs(const QString &folder) = 0;
    // What the lists show for the subfolders or program files whose names
    // are not text (not UTF-8): no path names them, so they are never opened
    // or registered, only shown. Sorted as above.
    enum class Kind { Folders, Programs };
    virtual QStringList unnamed(const QString &folder, Kind kind) = 0;
};

// The drive system of the machine the program runs on.
class LocalDriveSystem final : public DriveSystem
{
public:
    QStringList drives() override;
    QString systemDrive() override;
    QString currentFolder() override;
    QString currentDrive() override;
    QString openDrive(const QString &drive) override;
    QStringList folders(const QString &folder) override;
    QStringList programs(const QString &folder) override;
    QStringList unnamed(const QString &folder, Kind kind) override;
};

// Folder listings as LocalDriveSystem makes them, for doubles to reuse.
QStringList listFolders(const QString &folder);
// Files matching "*.exe" in any letter case and, where programs carry no
// extension, the files the user may execute.
QStringList listPrograms(const QString &folder);
QStringList listUnnamed(const QString &folder, DriveSystem::Kind kind);

// The text of a path the system gives as bytes, empty when no text stands
// for exactly those bytes (they are not UTF-8): such a path is never
// replaced by its look-alike.
QString pathText(const QByteArray &bytes);
// The user's home folder, empty when it has no such text.
QString homeFolder();

// Path helpers, pure text.
// A folder path in the form above, from any absolute path.
QString folderPath(const QString &path);
// The folder and each of its ancestors, root first.
QStringList folderChain(const QString &folder);
// The path of a subfolder.
QString subfolderPath(const QString &folder, const QString &name);
// The root of the drive a folder lies on, chosen among drives.
QString driveOf(const QString &folder, const QStringList &drives);

} // namespace kl

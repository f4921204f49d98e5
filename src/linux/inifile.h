#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <memory>

class QFile;

namespace kl {
class RuntimeError;
}

namespace kl::inifile {

// Access to a settings file on disk. Every failure is thrown as a
// RuntimeError whose description names the path.

// The failure number, described with the path it concerns.
RuntimeError failure(int number, const QString &path);

// What a path looked like at one moment; equal stamps mean an unchanged file.
struct Stamp
{
    bool exists = false;
    qint64 device = 0;
    qint64 inode = 0;
    qint64 size = 0;
    qint64 mtimeNs = 0;
    qint64 ctimeNs = 0;
    friend bool operator==(const Stamp &, const Stamp &) = default;
};

Stamp stampOf(const QString &path);

// The whole file, with the stamp of what was actually read and the file kept
// open in *held (so that its inode cannot pass to a new file while the stamp
// is in use). A missing file reads as empty, with a stamp that does not exist.
QByteArray read(const QString &path, Stamp *stamp, std::shared_ptr<QFile> *held);
// Opens path to hold it, as read() does, and stamps it.
std::shared_ptr<QFile> hold(const QString &path, Stamp *stamp);

// Creates each missing folder of dir in turn, private to the user.
void ensureDir(const QString &dir);

// Puts data in place of file at once: readers see the old or the new
// content, never a mix, even if the writer is killed or the disk fills.
void replace(const QString &file, const QByteArray &data, bool isNew);

// Refuses (a failure naming the path and the reason) a folder or file that
// a user other than this one or root owns or can write to.
void requireTrusted(const QString &dir, const QString &file);

// Removes temporary files of a writer killed before replacing file; call
// only under the CommitLock.
void removeLeftovers(const QString &file);

// Copies damaged content of file aside, next to it, unless the very content
// with this digest was copied before.
void backupDamaged(const QString &file, const QByteArray &data, QByteArray *backedUpDigest);

} // namespace kl::inifile

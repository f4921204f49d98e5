#pragma once

// What the tests of the Linux implementations share: their interfaces speak
// UTF-8 std::string, the tests Qt, over files, processes and locks.
#include "support/errorof.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kl::test {

inline QString q(const std::string &text)
{
    return QString::fromStdString(text);
}

inline std::string s(const QString &text)
{
    return text.toStdString();
}

inline QStringList q(const std::vector<std::string> &texts)
{
    QStringList list;
    for (const std::string &text : texts)
        list.append(q(text));
    return list;
}

inline std::vector<std::string> s(const QStringList &list)
{
    std::vector<std::string> texts;
    for (const QString &text : list)
        texts.push_back(s(text));
    return texts;
}

// A file's bytes, or "<unreadable>".
inline QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Writes a file whole, making its folder, a program of the user's if
// executable; whether that worked.
inline bool writeBytes(const QString &path, const QByteArray &data, bool executable = false)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size()
        && (!executable || f.setPermissions(f.permissions() | QFile::ExeOwner));
}

// A file's permission bits, or -1.
inline int modeOf(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

// Removes a folder that holds names Qt cannot read (and so QTemporaryDir leaves).
inline void removeAll(const QString &folder)
{
    std::error_code failed;
    std::filesystem::remove_all(QFile::encodeName(folder).toStdString(), failed);
}

} // namespace kl::test

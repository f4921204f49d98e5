#include "dir.h"

#include <QFileInfo>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace kl {

namespace {

bool isSystemFile([[maybe_unused]] const QString &path)
{
#ifdef Q_OS_WIN
    const DWORD attributes = GetFileAttributesW(reinterpret_cast<const wchar_t *>(path.utf16()));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_SYSTEM);
#else
    return false; // no such attribute here
#endif
}

} // namespace

QString Dir(const QString &path)
{
    if (path.isEmpty())
        return {};
    const QFileInfo info(path);
    if (!info.isFile() || info.isHidden() || isSystemFile(path))
        return {};
    return info.fileName();
}

} // namespace kl

#include "autostart.h"

#include "linux/inifile.h"
#include "linux/inisettingsstore.h"
#include "platform/runtimeerror.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <memory>

#ifdef Q_OS_LINUX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kl::autostart {

namespace {

// One argument of an Exec line: quoted when it holds a reserved character,
// with ", `, $ and \ escaped inside the quotes; then, as in every string
// value, each \ doubled, and % doubled as Exec requires.
QString execArgument(const QString &argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString quoted = argument;
    if (std::any_of(argument.cbegin(), argument.cend(), [](QChar c) { return reserved.contains(c); })) {
        quoted.clear();
        for (const QChar c : argument) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                quoted += u'\\';
            quoted += c;
        }
        quoted = u'"' + quoted + u'"';
    }
    return quoted.replace(u'\\', QStringLiteral("\\\\")).replace(u'%', QStringLiteral("%%"));
}

// The entry exactly as Kicklist writes it to start program at login.
QByteArray entryFor(const QString &program)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Kicklist\n"
                          "Name[ja]=キックリスト\n"
                          "Comment=Starts the registered programs at login\n"
                          "Comment[ja]=ログイン時に、登録したプログラムをすべて起動します\n"
                          "Exec=%1 --start-all\n"
                          "TryExec=%2\n"
                          "Icon=" KICKLIST_APP_ID "\n"
                          "Terminal=false\n")
        .arg(execArgument(program), QString(program).replace(u'\\', QStringLiteral("\\\\")))
        .toUtf8();
}

// Whether text is an entry Kicklist wrote, unchanged, for some program: the
// program is read back from TryExec and its entry made again to compare.
bool isOwn(const QByteArray &text)
{
    static const QByteArray key = "\nTryExec=";
    const qsizetype start = text.indexOf(key) + key.size();
    const qsizetype end = start < key.size() ? -1 : text.indexOf('\n', start);
    if (end < 0)
        return false;
    const QString program =
        QString::fromUtf8(text.mid(start, end - start)).replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
    return entryFor(program) == text;
}

// Why the entry at path is the user's to keep, or nothing when it is missing
// or Kicklist's own. Throws when it cannot be read.
QString userEntry(const QString &path)
{
    if (QFileInfo(path).isSymLink())
        return QStringLiteral("%1 はシンボリックリンクのため、そのままにしました。").arg(QDir::toNativeSeparators(path));
    inifile::Stamp stamp;
    std::shared_ptr<QFile> held;
    const QByteArray text = inifile::read(path, &stamp, &held);
    if (!stamp.exists || isOwn(text))
        return {};
    return QStringLiteral("%1 はキックリストが書いたままの項目ではないため、そのままにしました。")
        .arg(QDir::toNativeSeparators(path));
}

QString noHome()
{
    return QStringLiteral("使えるホームフォルダーがありません (HOME, XDG_CONFIG_HOME)。");
}

#ifdef Q_OS_LINUX
QByteArray linkTarget(const char *link)
{
    for (qsizetype size = 256; size <= 65536; size *= 4) {
        QByteArray target(size, Qt::Uninitialized);
        const ssize_t length = ::readlink(link, target.data(), size_t(size));
        if (length < 0)
            return {};
        if (length < size)
            return target.left(length);
    }
    return {};
}

// The path of the file this code was loaded from, as the process's map shows
// it: /proc/self/exe names the dynamic loader when that started the program.
QByteArray loadedFrom()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return {};
    const auto here = reinterpret_cast<quintptr>(&loadedFrom);
    for (const QByteArray &line : maps.readAll().split('\n')) {
        // start-end perms offset device inode path
        const qsizetype dash = line.indexOf('-');
        const qsizetype space = line.indexOf(' ');
        bool startRead = false;
        bool endRead = false;
        const quintptr start = line.left(dash).toULongLong(&startRead, 16);
        const quintptr end = line.mid(dash + 1, space - dash - 1).toULongLong(&endRead, 16);
        if (startRead && endRead && start <= here && here < end)
            return line.indexOf('/') < 0 ? QByteArray() : line.mid(line.indexOf('/'));
    }
    return {};
}
#endif

// The bytes of the running executable's path, checked to name the very file
// running (not the loader it was started through, nor a file put in its place
// since); empty when that cannot be told.
QByteArray runningProgram()
{
#ifdef Q_OS_LINUX
    QByteArray path = linkTarget("/proc/self/exe");
    struct stat running = {};
    struct stat named = {};
    if (path.isEmpty() || path != loadedFrom() || ::stat("/proc/self/exe", &running) != 0
        || ::stat(path.constData(), &named) != 0 || running.st_dev != named.st_dev || running.st_ino != named.st_ino)
        return {};
    return path;
#else
    return QFile::encodeName(QCoreApplication::applicationFilePath());
#endif
}

} // namespace

QString entryPath()
{
    const QString config = QString::fromStdString(IniSettingsStore::defaultConfigDir(false));
    return config.isEmpty() ? QString() : config + QStringLiteral("/autostart/" KICKLIST_APP_ID ".desktop");
}

QString add()
{
    const QString path = entryPath();
    if (path.isEmpty())
        return noHome();
    const QByteArray bytes = runningProgram();
    if (bytes.isEmpty())
        return QStringLiteral("実行中のプログラムのファイルを確かめられません (動的ローダーから起動したか、起動後に置き換え"
                              "られました)。");
    // A desktop entry is UTF-8: other bytes cannot name the program there.
    const QString program = QString::fromUtf8(bytes);
    if (program.toUtf8() != bytes)
        return QStringLiteral("プログラムのパスが UTF-8 ではなく、自動起動の項目に書けません。");
    if (std::any_of(program.cbegin(), program.cend(), [](QChar c) { return c.category() == QChar::Other_Control; }))
        return QStringLiteral("プログラムのパスに制御文字があり、自動起動の項目に書けません。");
    try {
        if (QString why = userEntry(path); !why.isEmpty())
            return why;
        inifile::ensureDir(QFileInfo(path).path());
        // Whoever else can write the folder (one an older version made under
        // umask 0) could put a command into the user's login.
        inifile::requireTrusted(QFileInfo(path).path(), path);
        // As the settings file: the old entry stays whole unless the new one
        // is all on disk. Owner-only, as a new file is, also over an entry an
        // older version left open to others.
        inifile::replace(path, entryFor(program), true);
    } catch (const RuntimeError &e) {
        return QString::fromStdString(e.description());
    }
    return {};
}

QString remove()
{
    const QString path = entryPath();
    if (path.isEmpty())
        return noHome();
    try {
        if (QString why = userEntry(path); !why.isEmpty())
            return why;
    } catch (const RuntimeError &e) {
        return QString::fromStdString(e.description());
    }
    QFile file(path);
    if (file.remove() || !QFileInfo::exists(path))
        return {};
    return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), file.errorString());
}

} // namespace kl::autostart

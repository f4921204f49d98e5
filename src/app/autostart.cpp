#include "autostart.h"

#include "platform/inisettingsstore.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace kl::autostart {

namespace {

// A control character cannot be written into a desktop entry's Exec line.
bool hasControlCharacter(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

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

} // namespace

QString entryPath()
{
    return IniSettingsStore::defaultConfigDir() + QStringLiteral("/autostart/" KICKLIST_APP_ID ".desktop");
}

QString add(const QString &program)
{
    if (hasControlCharacter(program))
        return QStringLiteral("プログラムのパスに制御文字があり、自動起動の項目に書けません。");
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Kicklist\n"
                                        "Name[ja]=キックリスト\n"
                                        "Comment=Starts the registered programs at login\n"
                                        "Comment[ja]=ログイン時に、登録したプログラムをすべて起動します\n"
                                        "Exec=%1 --start-all\n"
                                        "TryExec=%2\n"
                                        "Icon=" KICKLIST_APP_ID "\n"
                                        "Terminal=false\n")
                             .arg(execArgument(program), QString(program).replace(u'\\', QStringLiteral("\\\\")));

    const QString path = entryPath();
    const QString folder = QFileInfo(path).path();
    if (!QDir().mkpath(folder))
        return QStringLiteral("%1: フォルダーを作れません。").arg(QDir::toNativeSeparators(folder));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
        return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), file.errorString());
    return {};
}

QString remove()
{
    QFile file(entryPath());
    const QFileInfo info(file.fileName());
    if (file.remove() || (!info.exists() && !info.isSymLink()))
        return {};
    return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(file.fileName()), file.errorString());
}

} // namespace kl::autostart

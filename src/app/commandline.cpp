#include "commandline.h"

#include "autostart.h"
#include "platform/runtimeerror.h"
#include "store/appstore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#ifdef Q_OS_WIN
#include "platform/win32/registrysettingsstore.h"
#include "platform/win32/shellstarter.h"
#else
#include "linux/inisettingsstore.h"
#include "linux/processstarter.h"
#endif

namespace kl::commandline {

namespace {

// The window's scratch table holds positions up to this; a larger count
// cannot have been written by the program and fails to load in the window.
constexpr std::int16_t kCapacity = 100;

void print(std::FILE *stream, const QString &line)
{
    std::fputs((line + u'\n').toLocal8Bit().constData(), stream);
}

void printError(const QString &message)
{
    print(stderr, QStringLiteral("%1: %2").arg(QCoreApplication::applicationName(), message));
}

// A field of a tab-separated line: a tab, a line break or another control
// character in a name or path would break the line, so it is written as an
// escape.
QString field(const std::string &utf8)
{
    const QString text = QString::fromStdString(utf8);
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\t')
            out += QStringLiteral("\\t");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            out += QStringLiteral("\\x%1").arg(int(c.unicode()), 2, 16, QChar(u'0'));
        else
            out += c;
    }
    return out;
}

// Where the settings live, for messages.
QString storeLocation()
{
#ifdef Q_OS_WIN
    return QStringLiteral("HKEY_CURRENT_USER\\Software\\") + QString::fromStdString(AppStore::application());
#else
    return QDir::toNativeSeparators(QString::fromStdString(
        IniSettingsStore(IniSettingsStore::defaultConfigDir()).fileName(AppStore::application())));
#endif
}

int storeFailure(const RuntimeError &e)
{
    if (e.isBusy())
        printError(QString::fromStdString(e.description())); // not damaged, only in use: no more to say
    else
        printError(QStringLiteral("登録の一覧を読めません (%1): %2").arg(storeLocation(), QString::fromStdString(e.description())));
    return CannotAccess;
}

// The stored count, read as the window reads it, and refused when the window
// could not load it either.
std::int16_t checkedCount(AppStore &store)
{
    const std::int16_t count = store.Count();
    if (count < 0 || count > kCapacity)
        throw RuntimeError(err::SubscriptOutOfRange, QStringLiteral("登録数 %1 は 0 から %2 の範囲にありません。")
                                                         .arg(count)
                                                         .arg(kCapacity)
                                                         .toStdString());
    return count;
}

// Both commands read all they need and release the store (its commit drops
// the lock) before they write to a pipe or start a program: a reader that
// never reads, or a child that inherits something, must not hold every
// other instance up.
int list(AppStore &store, SettingsStore &settings)
{
    QStringList lines;
    try {
        const std::int16_t count = checkedCount(store);
        for (std::int16_t position = 1; position <= count; ++position)
            lines += QStringLiteral("%1\t%2\t%3")
                         .arg(QString::number(position), field(store.NameOf(position)), field(store.PathOf(position)));
        settings.commit();
    } catch (const RuntimeError &e) {
        return storeFailure(e);
    }
    for (const QString &line : lines)
        print(stdout, line);
    if (std::fflush(stdout) != 0) {
        printError(QStringLiteral("一覧を書き出せません。"));
        return CannotAccess;
    }
    return Done;
}

// The same reads and starts as the list window's start-all button; a program
// that cannot start is reported and the rest still start.
int startAll(AppStore &store, SettingsStore &settings, ProgramStarter &starter)
{
    std::vector<std::string> paths;
    try {
        const std::int16_t count = checkedCount(store);
        for (std::int16_t position = 1; position <= count; ++position)
            paths.push_back(store.PathOf(position));
        settings.commit();
    } catch (const RuntimeError &e) {
        return storeFailure(e);
    }
    bool allStarted = true;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        try {
            starter.Shell(paths[i], vbNormalFocus);
        } catch (const RuntimeError &e) {
            allStarted = false;
            printError(QStringLiteral("%1\t%2\t%3").arg(QString::number(i + 1), field(paths[i]), field(e.description())));
        }
    }
    return allStarted ? Done : NotAllStarted;
}

int usageError(const QCommandLineParser &parser, const QString &message)
{
    printError(message);
    std::fputs(parser.helpText().toLocal8Bit().constData(), stderr);
    return BadUsage;
}

} // namespace

int run(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kicklist"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KICKLIST_VERSION));
    // Qt's own texts (help, parse errors) in the user's language where Qt
    // ships a translation.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("登録したプログラムを起動します。オプションなしで一覧のウィンドウを開きます。"));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption startAllOption(
        QStringLiteral("start-all"),
        QStringLiteral("登録したすべてのプログラムを順に起動します。ウィンドウは開きません。"));
    const QCommandLineOption listOption(QStringLiteral("list"),
                                        QStringLiteral("登録したプログラムを一行にひとつ、番号、名前、パスの順にタブで"
                                                       "区切って書き出します。"));
    const QCommandLineOption autostartOption(
        QStringLiteral("autostart"),
        QStringLiteral("on でログインのたびに --start-all を実行させ、off でそれを取りやめます。"),
        QStringLiteral("on|off"));
    parser.addOptions({startAllOption, listOption, autostartOption});

    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser, parser.errorText());
    if (parser.isSet(help))
        parser.showHelp(Done);
    if (parser.isSet(version))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty())
        return usageError(parser, QStringLiteral("余分な引数です: %1").arg(parser.positionalArguments().join(u' ')));
    const int chosen = int(parser.isSet(startAllOption)) + int(parser.isSet(listOption))
        + int(parser.isSet(autostartOption));
    if (chosen != 1)
        return usageError(parser, QStringLiteral("--start-all、--list、--autostart のどれかひとつを指定してください。"));

    if (parser.isSet(autostartOption)) {
        const QString value = parser.value(autostartOption);
        if (value != QLatin1String("on") && value != QLatin1String("off"))
            return usageError(parser, QStringLiteral("--autostart には on か off を指定してください: %1").arg(value));
        const QString failure = value == QLatin1String("on") ? autostart::add() : autostart::remove();
        if (!failure.isEmpty()) {
            printError(QStringLiteral("自動起動の項目を書き換えられません: %1").arg(failure));
            return CannotAccess;
        }
        return Done;
    }

#ifdef Q_OS_WIN
    win32::RegistrySettingsStore settings;
    win32::ShellStarter starter;
#else
    IniSettingsStore settings(IniSettingsStore::defaultConfigDir());
    ProcessStarter starter;
#endif
    AppStore store(settings);
    if (parser.isSet(listOption))
        return list(store, settings);
    return startAll(store, settings, starter);
}

} // namespace kl::commandline

#include "commandline.h"

#include "autostart.h"
#include "commands.h"
#include "store/appstore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <string>

#include "linux/inisettingsstore.h"
#include "linux/processstarter.h"

namespace kl::commandline {

namespace {

void print(std::FILE *stream, const QString &line)
{
    std::fputs((line + u'\n').toLocal8Bit().constData(), stream);
}

void printError(const QString &message)
{
    print(stderr, QStringLiteral("%1: %2").arg(QCoreApplication::applicationName(), message));
}

// The standard streams in the locale's encoding.
class StdConsole final : public Console
{
public:
    void out(const std::string &line) override { print(stdout, QString::fromStdString(line)); }
    void error(const std::string &message) override { printError(QString::fromStdString(message)); }
    bool flush() override { return std::fflush(stdout) == 0 && !std::ferror(stdout); }
};

// Where the settings live, for messages.
std::string storeLocation()
{
    return QDir::toNativeSeparators(QString::fromStdString(
                                        IniSettingsStore(IniSettingsStore::defaultConfigDir()).fileName(AppStore::application())))
        .toStdString();
}

// What --help and --version print, as Qt prints it, with a failed write
// reported rather than ended on with success.
int printOut(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        printError(QString::fromUtf8(texts::cannotWrite));
        return CannotAccess;
    }
    return Done;
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
        QString::fromUtf8(texts::description));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption startAllOption(
        QStringLiteral("start-all"),
        QString::fromUtf8(texts::startAll));
    const QCommandLineOption listOption(QStringLiteral("list"), QString::fromUtf8(texts::list));
    const QCommandLineOption autostartOption(
        QStringLiteral("autostart"),
        QString::fromUtf8(texts::autostart),
        QStringLiteral("on|off"));
    parser.addOptions({startAllOption, listOption, autostartOption});

    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser, parser.errorText());
    if (parser.isSet(help))
        return printOut(parser.helpText());
    if (parser.isSet(version))
        return printOut(QCoreApplication::applicationName() + u' ' + QCoreApplication::applicationVersion() + u'\n');
    if (!parser.positionalArguments().isEmpty())
        return usageError(parser, QString::fromStdString(
                                      texts::extraArguments(parser.positionalArguments().join(u' ').toStdString())));
    const int chosen = int(parser.isSet(startAllOption)) + int(parser.isSet(listOption))
        + int(parser.isSet(autostartOption));
    if (chosen != 1)
        return usageError(parser, QString::fromUtf8(texts::chooseOne));

    if (parser.isSet(autostartOption)) {
        const QString value = parser.value(autostartOption);
        if (value != QLatin1String("on") && value != QLatin1String("off"))
            return usageError(parser, QString::fromStdString(texts::badAutostartValue(value.toStdString())));
        const QString failure = value == QLatin1String("on") ? autostart::add() : autostart::remove();
        if (!failure.isEmpty()) {
            printError(QString::fromStdString(autostartFailure(failure.toStdString())));
            return CannotAccess;
        }
        return Done;
    }

    IniSettingsStore settings(IniSettingsStore::defaultConfigDir());
    ProcessStarter starter;
    AppStore store(settings);
    StdConsole console;
    if (parser.isSet(listOption))
        return list(store, settings, console, storeLocation);
    return startAll(store, settings, starter, console, storeLocation);
}

} // namespace kl::commandline

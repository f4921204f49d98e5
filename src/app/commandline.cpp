#include "commandline.h"

#include "autostart.h"
#include "commands.h"
#include "store/appstore.h"

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

} // namespace

int run(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kicklist"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KICKLIST_VERSION));
    // Qt's words (help lines, parse errors) in the user's language where Qt
    // ships a translation.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);

    // Qt keeps the arguments it reads in the locale's encoding; the parser
    // takes them as UTF-8.
    const QStringList arguments = QCoreApplication::arguments();
    std::vector<std::string> args;
    for (qsizetype i = 1; i < arguments.size(); ++i)
        args.push_back(arguments[i].toStdString());
    const Words qtWords = [](const char *english) {
        return QCoreApplication::translate("QCommandLineParser", english).toStdString();
    };
    const Request request = parse(args, qtWords);
    const QString help = QString::fromStdString(helpText(arguments.constFirst().toStdString(), qtWords));
    switch (request.action) {
    case Request::Usage:
        printError(QString::fromStdString(request.error));
        std::fputs(help.toLocal8Bit().constData(), stderr);
        return BadUsage;
    case Request::Help:
        return printOut(help);
    case Request::Version:
        return printOut(QCoreApplication::applicationName() + u' ' + QCoreApplication::applicationVersion() + u'\n');
    case Request::AutostartOn:
    case Request::AutostartOff: {
        const QString failure = request.action == Request::AutostartOn ? autostart::add() : autostart::remove();
        if (!failure.isEmpty()) {
            printError(QString::fromStdString(autostartFailure(failure.toStdString())));
            return CannotAccess;
        }
        return Done;
    }
    case Request::List:
    case Request::StartAll:
        break;
    }

    IniSettingsStore settings(IniSettingsStore::defaultConfigDir());
    ProcessStarter starter;
    AppStore store(settings);
    StdConsole console;
    return request.action == Request::List ? list(store, settings, console, storeLocation)
                                           : startAll(store, settings, starter, console, storeLocation);
}

} // namespace kl::commandline

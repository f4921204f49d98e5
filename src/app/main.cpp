#include "commandline.h"
#include "platform/drives.h"
#include "widgets/form.h"
#include "platform/inisettingsstore.h"
#include "platform/processstarter.h"
#include "widgets/qtmessageboxes.h"
#include "platform/registry.h"
#include "platform/registrysettingsstore.h"
#include "platform/runtime.h"
#include "store/appstore.h"
#include "windows/forms.h"
#include "windows/main.h"

#include <QApplication>
#include <QRegularExpression>
#include <QGuiApplication>
#include <QIcon>

#include <cstddef>
#include <cstdio>
#include <cstring>

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace {

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
// Connects as the X library does: the abstract socket first, then the file.
bool localXServerAnswers(const QByteArray &number)
{
    const QByteArray path = "/tmp/.X11-unix/X" + number;
    for (const bool abstract : {true, false}) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const qsizetype offset = abstract ? 1 : 0; // abstract names start with a NUL
        std::memcpy(address.sun_path + offset, path.constData(), std::size_t(path.size()));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return true; // cannot tell; let Qt try
        const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + offset + path.size());
        const bool connected = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), length) == 0;
        ::close(fd);
        if (connected)
            return true;
    }
    return false;
}
#endif

// Without a display Qt aborts with a screenful; say it in one line instead.
// Returns what is missing, or nothing when a display looks reachable.
QString missingDisplay()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return {};
    const QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty())
        return QStringLiteral("DISPLAY is not set");
    // A local display ":N" must answer on its socket; remote ones are left to Qt.
    static const QRegularExpression local(QStringLiteral("^:(\\d+)(\\.\\d+)?$"));
    const QRegularExpressionMatch match = local.match(display);
    if (match.hasMatch() && !localXServerAnswers(match.captured(1).toLatin1()))
        return QStringLiteral("no X server answers on DISPLAY=%1").arg(display);
#endif
    return {};
}

} // namespace

int main(int argc, char *argv[])
{
    // The window takes no arguments: any argument is the command line's,
    // which needs no display.
    if (argc > 1)
        return kl::commandline::run(argc, argv);

    if (const QString missing = missingDisplay(); !missing.isEmpty()) {
        std::fprintf(stderr,
                     "kicklist: no display found (%s); run it in a desktop session, "
                     "or under a virtual one: xvfb-run -a build/kicklist\n",
                     qPrintable(missing));
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kicklist"));
    QGuiApplication::setDesktopFileName(QStringLiteral(KICKLIST_APP_ID));
    QApplication::setWindowIcon(kl::programIcon());
    kl::preferJapaneseFont();

#ifdef Q_OS_WIN
    kl::RegistrySettingsStore settings;
    const QString storeFile; // the registry: not watched
#else
    kl::IniSettingsStore settings(kl::IniSettingsStore::defaultConfigDir());
    const QString storeFile = settings.configDir().isEmpty() ? QString() : settings.fileName(kl::AppStore::application());
#endif
    kl::ProcessStarter starter;
    kl::QtMessageBoxes boxes;
    kl::ExitProcess process;
    kl::Runtime runtime(settings, starter, boxes, process);
    kl::AppStore store(settings);
    kl::LocalDriveSystem drives;
    const auto registry = kl::systemRegistry();
    kl::Forms forms(kl::Platform{runtime, store, drives, *registry, storeFile});

    forms.main().show();
    return app.exec();
}

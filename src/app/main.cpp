#include "platform/drives.h"
#include "platform/form.h"
#include "platform/inisettingsstore.h"
#include "platform/processstarter.h"
#include "platform/qtmessageboxes.h"
#include "platform/registry.h"
#include "platform/runtime.h"
#include "store/appstore.h"
#include "windows/forms.h"
#include "windows/main.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>

#include <cstdio>

namespace {

// Without a display, Qt would abort with a long message; say it in one line.
bool displayAvailable()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty())
        return true;
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
    return true;
#endif
}

} // namespace

int main(int argc, char *argv[])
{
    if (!displayAvailable()) {
        std::fputs("kicklist: no display found (DISPLAY is not set); run it in a desktop session, "
                   "or under a virtual one: xvfb-run -a build/kicklist\n",
                   stderr);
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kicklist"));
    QApplication::setWindowIcon(kl::programIcon());
    kl::preferJapaneseFont();

    kl::IniSettingsStore settings(kl::IniSettingsStore::defaultConfigDir());
    kl::ProcessStarter starter;
    kl::QtMessageBoxes boxes;
    kl::ExitProcess process;
    kl::Runtime runtime(settings, starter, boxes, process);
    kl::AppStore store(settings);
    kl::LocalDriveSystem drives;
    const auto registry = kl::systemRegistry();
    kl::Forms forms(kl::Platform{runtime, store, drives, *registry});

    forms.main().show();
    return app.exec();
}

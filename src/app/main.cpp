#include "commandline.h"
#include "platform/runtime.h"
#include "platform/runtimeerror.h"
#include "store/appstore.h"
#include "windows/forms.h"
#include "linux/filestorewatch.h"
#include "linux/inisettingsstore.h"
#include "linux/localdrives.h"
#include "linux/processstarter.h"
#include "linux/resetcopy.h"
#include "linux/systemregistry.h"
#include "linux/unkeptlinesnotice.h"
#include "qt/form.h"
#include "qt/qtface.h"
#include "qt/qtmessageboxes.h"
#include "windows/main.h"

#include "singleinstance.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif
#ifdef Q_OS_UNIX
#include <fcntl.h>
#endif

namespace {

// A closed standard descriptor would be taken by the next file or socket
// opened (the X connection, say), and warnings written into that.
void openClosedStandardDescriptors()
{
#ifdef Q_OS_UNIX
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1)
            ::open("/dev/null", O_RDWR); // the lowest free descriptor: fd itself, kept across exec
    }
#endif
}

[[noreturn]] void noDisplay(const QString &reason)
{
    std::fprintf(stderr,
                 "kicklist: no display found (%s); run it in a desktop session, "
                 "or under a virtual one: xvfb-run -a build/kicklist\n",
                 qPrintable(reason));
    std::_Exit(2);
}

// Qt ends the process with a screenful when no platform plugin can start (a
// dead display, a plugin missing or failing). Until the application object
// stands, messages are held: a fatal one becomes one line, and a start that
// ends early says only its own. A message handler is a plain function, hence
// the one held list at file level.
struct HeldMessage
{
    QtMsgType type;
    QByteArray category;
    QString text;
};
std::vector<HeldMessage> *heldMessages = nullptr;

void holdMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtFatalMsg) {
        // The platform's first message says why: "could not connect to display :9".
        for (const HeldMessage &m : *heldMessages) {
            if (m.category.startsWith("qt.qpa."))
                noDisplay(m.text);
        }
        noDisplay(text.section(u'\n', 0, 0));
    }
    heldMessages->push_back({type, context.category, text});
}

class MessageHold
{
public:
    MessageHold()
        : m_passOn(qInstallMessageHandler(holdMessage))
    {
        heldMessages = &m_held;
    }
    // Drops what is held unless passed on.
    ~MessageHold()
    {
        qInstallMessageHandler(m_passOn);
        heldMessages = nullptr;
    }
    MessageHold(const MessageHold &) = delete;
    MessageHold &operator=(const MessageHold &) = delete;

    void passOn()
    {
        for (const HeldMessage &m : std::exchange(m_held, {}))
            m_passOn(m.type, QMessageLogContext(nullptr, 0, nullptr, m.category.constData()), m.text);
    }

private:
    std::vector<HeldMessage> m_held;
    QtMessageHandler m_passOn;
};

// A later start asks for the list window: restored, raised and given the
// focus, or the modal window in front of it if one is open. listWindow is
// the widget of the loaded list window, nullptr when it is not loaded.
void bringForward(QWidget *listWindow)
{
    for (QWidget *window : {listWindow, QApplication::activeModalWidget()}) {
        if (!window || !window->isVisible())
            continue;
        if (window->isMinimized())
            window->showNormal();
        window->raise();
        window->activateWindow();
#if QT_CONFIG(xcb)
        // Qt focuses with the time of the last X event it had, which the
        // server ignores where the focus moved later (with no window manager
        // to ask): focus with the current time too. Checked, so that a window
        // a window manager has yet to map fails quietly.
        if (const auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>()) {
            const xcb_void_cookie_t focus = xcb_set_input_focus_checked(
                x11->connection(), XCB_INPUT_FOCUS_PARENT, window->winId(), XCB_CURRENT_TIME);
            std::free(xcb_request_check(x11->connection(), focus));
        }
#endif
    }
}

} // namespace

int main(int argc, char *argv[])
{
    openClosedStandardDescriptors();
    // The window takes no arguments: any argument is the command line's,
    // which needs no display.
    if (argc > 1)
        return kl::commandline::run(argc, argv);

    const std::string configDir = kl::IniSettingsStore::defaultConfigDir();
    const QByteArray list = QByteArray::fromStdString(configDir);
    const QByteArray display = kl::SingleInstance::displayName(qgetenv("DISPLAY"), qgetenv("WAYLAND_DISPLAY"));
    auto hold = std::make_unique<MessageHold>();
    kl::SingleInstance instance(list, display);
    switch (instance.claim()) {
    case kl::SingleInstance::Claim::Ours:
        break;
    case kl::SingleInstance::Claim::Shown:
        return 0;
    case kl::SingleInstance::Claim::OtherDisplay:
        std::fprintf(stderr, "kicklist: キックリストはディスプレイ %s で開いています\n",
                     instance.otherDisplay().isEmpty() ? "(なし)" : instance.otherDisplay().constData());
        return 2;
    case kl::SingleInstance::Claim::NoAnswer:
        std::fprintf(stderr, "kicklist: 開いているキックリストが応答しません\n");
        return 2;
    case kl::SingleInstance::Claim::Unguarded:
        std::fprintf(stderr, "kicklist: 一覧のウィンドウがすでに開いているかを確かめられないため、開きません (%s)\n",
                     instance.why().constData());
        return 2;
    }

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("DISPLAY"))
        noDisplay(QStringLiteral("DISPLAY is not set"));
#endif
    QApplication app(argc, argv);
    hold->passOn();
    hold.reset();
    QApplication::setApplicationName(QStringLiteral("Kicklist"));
    QGuiApplication::setDesktopFileName(QStringLiteral(KICKLIST_APP_ID));
    QApplication::setWindowIcon(kl::qt::programIcon());
    kl::qt::preferJapaneseFont();

    kl::IniSettingsStore settings(configDir);
    kl::FileStoreWatch storeWatch(settings.configDir().empty() ? std::string()
                                                               : settings.fileName(kl::AppStore::application()),
                                  settings.configDir());
    kl::ProcessStarter starter;
    kl::qt::QtMessageBoxes boxes;
    kl::ExitProcess process;
    kl::Runtime runtime(settings, starter, boxes, process);
    kl::AppStore store(settings);
    kl::LocalDriveSystem drives;
    const auto registry = kl::systemRegistry();
    kl::qt::QtFace face;
    kl::UnkeptLinesNotice notice(settings, boxes, storeWatch, kl::AppStore::application());
    notice.check(); // before the window's load, which may go on to register a program
    kl::IniResetCopy resetCopy(settings, kl::AppStore::application());
    kl::Forms forms(kl::Platform{runtime, store, drives, *registry, face, &notice, &resetCopy});

    instance.serve([&forms] {
        kl::main *list = forms.loadedMain();
        bringForward(list ? dynamic_cast<QWidget *>(&list->view()) : nullptr);
    });
    // Shown as any new window is: the window manager gives it the focus.
    dynamic_cast<QWidget &>(forms.main().view()).show();
    return QApplication::exec();
}

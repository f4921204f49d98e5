#include "singleinstance.h"

#include <QCryptographicHash>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace kl {

namespace {

constexpr int answerWaitMs = 10000; // the first may be inside a handler waiting on the settings lock
constexpr qsizetype maxLine = 256;

// Serialises claims: who finds no one listening removes a dead instance's
// socket and listens, with no other start in between.
class ClaimLock
{
public:
    explicit ClaimLock(const QByteArray &path)
        : m_fd(::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600))
    {
        while (m_fd >= 0 && ::flock(m_fd, LOCK_EX) == -1 && errno == EINTR) {
        }
    }
    ~ClaimLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ClaimLock(const ClaimLock &) = delete;
    ClaimLock &operator=(const ClaimLock &) = delete;

private:
    int m_fd;
};

std::optional<sockaddr_un> addressOf(const QByteArray &path)
{
    sockaddr_un address{};
    if (path.isEmpty() || std::size_t(path.size()) >= sizeof(address.sun_path))
        return std::nullopt;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    return address;
}

// One line from fd, without its end: empty when the peer closed first,
// nothing when it went quiet or wrote too much.
std::optional<QByteArray> readLine(int fd, int waitMs)
{
    QByteArray line;
    while (!line.endsWith('\n')) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, waitMs);
        if (ready < 0 && errno == EINTR)
            continue;
        char buffer[maxLine];
        const ssize_t n = ready > 0 ? ::read(fd, buffer, sizeof buffer) : -1;
        if (ready > 0 && (n == 0 || (n < 0 && errno == ECONNRESET)))
            return QByteArray();
        if (n <= 0 || line.size() + n > maxLine)
            return std::nullopt;
        line.append(buffer, n);
    }
    line.chop(1);
    return line;
}

bool writeLine(int fd, const QByteArray &line)
{
    const QByteArray bytes = line + '\n';
    return ::send(fd, bytes.constData(), std::size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size();
}

} // namespace

SingleInstance::SingleInstance(const QByteArray &key, const QByteArray &display)
    : m_display(display)
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        return;
    const QByteArray user = QByteArray::number(::getuid());
    const QByteArray hash = QCryptographicHash::hash(user + '\0' + key, QCryptographicHash::Sha256).toHex();
    m_path = QFile::encodeName(runtime) + "/kicklist-" + hash.left(24);
}

SingleInstance::~SingleInstance()
{
    if (m_listener < 0)
        return;
    // Under the lock, so that no start takes the socket for a dead one's meanwhile.
    const ClaimLock lock(m_path + ".lock");
    m_notifier.reset();
    ::close(m_listener);
    ::unlink(m_path.constData());
}

SingleInstance::Claim SingleInstance::claim()
{
    const std::optional<sockaddr_un> address = addressOf(m_path);
    if (!address)
        return Claim::Ours; // no runtime folder, or a name too long for a socket: no guard
    const auto *raw = reinterpret_cast<const sockaddr *>(&*address);
    // An instance that ends while it is asked closes without an answer: claim again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        int fd = -1;
        {
            const ClaimLock lock(m_path + ".lock");
            fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (fd < 0)
                return Claim::Ours;
            if (::connect(fd, raw, sizeof *address) != 0) {
                // No one listens: what is left is a dead instance's socket.
                ::close(fd);
                ::unlink(m_path.constData());
                const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
                if (listener >= 0 && ::bind(listener, raw, sizeof *address) == 0 && ::listen(listener, 8) == 0)
                    m_listener = listener;
                else if (listener >= 0)
                    ::close(listener);
                return Claim::Ours;
            }
        }
        // The answer is '@' and the running instance's display.
        const std::optional<QByteArray> other = writeLine(fd, m_display) ? readLine(fd, answerWaitMs) : QByteArray();
        ::close(fd);
        if (!other)
            return Claim::NoAnswer;
        if (!other->startsWith('@'))
            continue;
        m_other = other->mid(1);
        return m_other == m_display ? Claim::Shown : Claim::OtherDisplay;
    }
    return Claim::NoAnswer;
}

void SingleInstance::serve(std::function<void()> show)
{
    if (m_listener < 0)
        return;
    m_show = std::move(show);
    m_notifier = std::make_unique<QSocketNotifier>(m_listener, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] { answer(); });
}

void SingleInstance::answer()
{
    bool show = false;
    for (int fd; (fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
        // A start writes its display as soon as it connects.
        const std::optional<QByteArray> display = readLine(fd, 1000);
        if (display && writeLine(fd, '@' + m_display))
            show = show || *display == m_display;
        ::close(fd);
    }
    if (show && m_show)
        m_show();
}

QByteArray SingleInstance::displayName(QByteArray x11, const QByteArray &wayland)
{
    if (x11.isEmpty())
        return wayland.isEmpty() ? QByteArray() : "wayland-display " + wayland;
    if (x11.startsWith("unix:"))
        x11.remove(0, 4);
    // The screen is part of the same display.
    const qsizetype colon = x11.lastIndexOf(':');
    const qsizetype dot = x11.indexOf('.', colon);
    if (colon >= 0 && dot > colon)
        x11.truncate(dot);
    return x11;
}

} // namespace kl

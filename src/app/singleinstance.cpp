#include "singleinstance.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace kl {

namespace {

constexpr int answerWaitMs = 10000;    // the first may be inside a handler waiting on the settings lock
constexpr std::size_t maxClients = 16; // beyond this the oldest is dropped
constexpr qsizetype maxLine = 256;
// Names the socket may take, in order: something of the user's own standing
// at the first that cannot be moved aside leaves the next.
constexpr int socketChoices = 3;

QByteArray reason(const QByteArray &path, int error)
{
    return path + ": " + std::strerror(error);
}

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
    bool held() const { return m_fd >= 0; }

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
    return ::send(fd, bytes.constData(), std::size_t(bytes.size()), MSG_NOSIGNAL | MSG_DONTWAIT) == bytes.size();
}

} // namespace

// A later start, connected and read as it writes.
struct SingleInstance::Client
{
    int fd = -1;
    QByteArray received;
    std::unique_ptr<QSocketNotifier> notifier;
    std::unique_ptr<QTimer> deadline;
    ~Client()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

SingleInstance::SingleInstance(const QByteArray &key, const QByteArray &display, std::chrono::milliseconds silence)
    : m_display(display)
    , m_silence(silence)
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty()) {
        m_why = "no runtime folder (XDG_RUNTIME_DIR)";
        return;
    }
    // A window for one settings folder must not stop a start for another.
    const QByteArray user = QByteArray::number(::getuid());
    const QByteArray hash = QCryptographicHash::hash(user + '\0' + key, QCryptographicHash::Sha256).toHex();
    m_reach = QFile::encodeName(runtime);
    m_name = "kicklist-" + hash.left(24);
    m_path = m_reach + '/' + m_name;
    // A socket's address holds about 100 bytes: a longer folder is reached
    // through a handle on it, the same socket under a shorter name.
    if (!addressOf(socketPath(socketChoices - 1))) {
        m_folder = ::open(m_reach.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (m_folder >= 0)
            m_reach = "/proc/self/fd/" + QByteArray::number(m_folder);
    }
}

SingleInstance::~SingleInstance()
{
    m_clients.clear();
    if (m_listener >= 0) {
        // Under the lock, so that no start takes the socket for a dead one's meanwhile.
        const ClaimLock lock(socketPath(0) + ".lock");
        m_notifier.reset();
        ::close(m_listener);
        ::unlink(m_bound.constData());
    }
    if (m_folder >= 0)
        ::close(m_folder);
}

QByteArray SingleInstance::socketPath(int choice) const
{
    return m_reach + '/' + m_name + (choice == 0 ? QByteArray() : '-' + QByteArray::number(choice));
}

int SingleInstance::connectToAny() const
{
    for (int choice = 0; choice < socketChoices; ++choice) {
        const std::optional<sockaddr_un> address = addressOf(socketPath(choice));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (address && fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr *>(&*address), sizeof *address) == 0)
            return fd;
        if (fd >= 0)
            ::close(fd);
    }
    return -1;
}

bool SingleInstance::takeOver()
{
    // No one listens: what stands at a name is a dead instance's socket, or
    // something else of the user's own, moved aside where it can be.
    int firstError = 0;
    for (int choice = 0; choice < socketChoices; ++choice) {
        const QByteArray path = socketPath(choice);
        struct stat st;
        const bool exists = ::lstat(path.constData(), &st) == 0;
        if (exists && S_ISDIR(st.st_mode))
            ::rmdir(path.constData()); // only when empty
        else if (exists)
            ::unlink(path.constData());
        const std::optional<sockaddr_un> address = addressOf(path);
        const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (address && listener >= 0 && ::bind(listener, reinterpret_cast<const sockaddr *>(&*address), sizeof *address) == 0
            && ::listen(listener, 16) == 0) {
            m_listener = listener;
            m_bound = path;
            return true;
        }
        if (!firstError)
            firstError = address ? errno : ENAMETOOLONG;
        if (listener >= 0)
            ::close(listener);
    }
    m_why = reason(m_path, firstError);
    return false;
}

SingleInstance::Claim SingleInstance::claim()
{
    if (m_path.isEmpty())
        return Claim::Unguarded;
    // An instance that ends while it is asked closes without an answer: claim again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        int fd = -1;
        {
            const ClaimLock lock(socketPath(0) + ".lock");
            if (!lock.held()) {
                m_why = reason(m_path + ".lock", errno);
                return Claim::Unguarded;
            }
            fd = connectToAny();
            if (fd < 0)
                return takeOver() ? Claim::Ours : Claim::Unguarded;
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
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] { accept(); });
}

void SingleInstance::accept()
{
    // Clients finished since are let go here, outside their own handlers.
    m_clients.remove_if([](const Client &c) { return c.fd < 0; });
    for (int fd; (fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK)) >= 0;) {
        if (m_clients.size() >= maxClients)
            m_clients.pop_front();
        Client &client = m_clients.emplace_back();
        client.fd = fd;
        client.notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        client.deadline = std::make_unique<QTimer>();
        client.deadline->setSingleShot(true);
        QObject::connect(client.notifier.get(), &QSocketNotifier::activated, client.notifier.get(),
                         [this, &client] { read(client); });
        QObject::connect(client.deadline.get(), &QTimer::timeout, client.deadline.get(), [this, &client] {
            read(client);
            finish(client); // still silent
        });
        // A start writes as it connects: one that does not is dropped.
        client.deadline->start(m_silence);
    }
}

void SingleInstance::read(Client &client)
{
    while (client.fd >= 0) {
        char buffer[maxLine];
        const ssize_t n = ::recv(client.fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return; // the rest of the line later
        if (n <= 0 || client.received.size() + n > maxLine) {
            finish(client);
            return;
        }
        client.received.append(buffer, n);
        const qsizetype end = client.received.indexOf('\n');
        if (end < 0)
            continue;
        // A start writes its display as soon as it connects.
        const bool show = writeLine(client.fd, '@' + m_display) && client.received.left(end) == m_display;
        finish(client);
        if (show && m_show)
            m_show();
    }
}

void SingleInstance::finish(Client &client)
{
    if (client.fd < 0)
        return;
    client.notifier->setEnabled(false);
    client.deadline->stop();
    ::close(client.fd);
    client.fd = -1;
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

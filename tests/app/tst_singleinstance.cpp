// The single-instance claim: one owner per user and settings folder, found
// by every later start even where the runtime folder's name is long or
// something stands at the socket's name, and answered from the event loop
// however many clients connect and say nothing.
#include "linux/linuxtest.h"

#include "app/singleinstance.h"

#include <future>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

using kl::SingleInstance;
using Claim = SingleInstance::Claim;

namespace {

// A later start's claim, in a thread of its own: it waits for the owner's
// answer, which this thread's event loop gives (the claim gives up after 10 s).
Claim laterStart(const QByteArray &key, const QByteArray &display)
{
    auto later = std::async(std::launch::async, [&] { return SingleInstance(key, display).claim(); });
    while (later.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return later.get();
}

// A socket bound to path (a dead instance's), or connected to it and never
// writing (a silent client); -1 when that fails.
int socketAt(const QByteArray &path, bool bind)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const auto *at = reinterpret_cast<const sockaddr *>(&address);
    if ((bind ? ::bind(fd, at, sizeof address) : ::connect(fd, at, sizeof address)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Whether the owner has closed its end of fd.
bool dropped(int fd)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1;
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;
    int m_row = 0;

    // A fresh runtime folder, private, whose path has about length characters.
    QByteArray runtimeFolder(int length)
    {
        QString path = m_tmp.filePath(QString::number(++m_row));
        path += u'/' + QString(std::max<qsizetype>(1, length - path.size() - 1), u'r');
        if (!QDir().mkpath(path) || !QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
            return {};
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(path));
        return QFile::encodeName(path);
    }

private Q_SLOTS:
    void oneOwnerPerList_data()
    {
        QTest::addColumn<int>("runtimeLength");
        QTest::addColumn<QString>("atSocket"); // what stands at the socket's name before the first start
        QTest::newRow("as usual") << 40 << "";
        QTest::newRow("a runtime folder of 130 characters") << 130 << "";
        QTest::newRow("a dead instance's socket") << 40 << "socket";
        QTest::newRow("a file") << 40 << "file";
        QTest::newRow("an empty folder") << 40 << "folder";
        QTest::newRow("a folder with a file in it") << 40 << "full folder";
        QTest::newRow("a folder with a file in it, long runtime folder") << 130 << "full folder";
    }
    void oneOwnerPerList()
    {
        QFETCH(int, runtimeLength);
        QFETCH(QString, atSocket);
        QVERIFY(!runtimeFolder(runtimeLength).isEmpty());
        const QByteArray list = "/home/u/.config";
        SingleInstance first(list, ":7");
        const QByteArray at = first.path();
        if (atSocket == "socket")
            QVERIFY(::close(socketAt(at, true)) == 0);
        if (atSocket.endsWith("folder"))
            QVERIFY(::mkdir(at.constData(), 0700) == 0);
        if (atSocket == "file" || atSocket == "full folder")
            QVERIFY(QFile(QFile::decodeName(atSocket == "file" ? at : at + "/x")).open(QIODevice::WriteOnly));

        QCOMPARE(first.claim(), Claim::Ours);
        int shown = 0;
        first.serve([&shown] { ++shown; });
        QCOMPARE(laterStart(list, ":7"), Claim::Shown);
        QCOMPARE(shown, 1);
        QCOMPARE(laterStart(list, ":8"), Claim::OtherDisplay);
        QCOMPARE(shown, 1);
        // The window for one settings folder does not stop a start for another.
        SingleInstance another(list + "-other", ":7");
        QCOMPARE(another.claim(), Claim::Ours);
    }

    // Two users' starts for one list never meet: the user is in the name.
    void onePerUser()
    {
        QVERIFY(!runtimeFolder(40).isEmpty());
        const uid_t me = ::getuid();
        const QByteArray mine = SingleInstance("/home/u/.config", ":7").path();
        if (::setresuid(me + 1, uid_t(-1), uid_t(-1)) != 0)
            QSKIP("cannot take another user's id here");
        const QByteArray theirs = SingleInstance("/home/u/.config", ":7").path();
        QCOMPARE(::setresuid(me, uid_t(-1), uid_t(-1)), 0);
        QVERIFY(mine != theirs);
    }

    // Connections that never write: the window never waits for one, and
    // drops each once its time is up.
    void silentClients()
    {
        QVERIFY(!runtimeFolder(40).isEmpty());
        const QByteArray list = "/home/u/.config";
        SingleInstance first(list, ":7", std::chrono::hours(1)), brisk(list + "-other", ":7", std::chrono::milliseconds(50));
        QVERIFY(first.claim() == Claim::Ours && brisk.claim() == Claim::Ours);
        int shown = 0;
        first.serve([&shown] { ++shown; });
        brisk.serve([] {});
        std::vector<int> silent;
        const auto closeAll = qScopeGuard([&silent] {
            for (int fd : silent)
                ::close(fd);
        });
        // Each seen by the window before the next.
        for (int i = 0; i < 15; ++i) {
            silent.push_back(socketAt(first.path(), false));
            QVERIFY(silent.back() >= 0);
            QCoreApplication::processEvents();
        }
        // The window handles what is posted to it, with every one of them still connected.
        bool handled = false;
        QMetaObject::invokeMethod(this, [&handled] { handled = true; }, Qt::QueuedConnection);
        QTRY_VERIFY(handled);
        for (int fd : silent)
            QVERIFY2(!dropped(fd), "a silent client was waited for, then dropped");
        // A real start meanwhile is answered.
        QCOMPARE(laterStart(list, ":7"), Claim::Shown);
        QCOMPARE(shown, 1);
        silent.push_back(socketAt(brisk.path(), false));
        QVERIFY(silent.back() >= 0);
        QTRY_VERIFY(dropped(silent.back()));
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"

// The settings store on a real file that is damaged, out of reach, too big
// to write, left locked by a killed process or shared with a second instance.

#include "support/fakes.h"

#include "platform/inisettingsstore.h"
#include "platform/runtimeerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#ifdef Q_OS_LINUX
#include <csignal>
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

using namespace kl;
using kl::test::errorOf;

namespace {

const QString App = QStringLiteral("Kicklist");
const QString SetApp = QStringLiteral("SetApp");
const QByteArray TwoPrograms = "[Appnames]\nAppCount=2\n1=First\n2=Second\n\n[SetApp]\nAppCount=2\n1=/a\n2=/b\n";

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeBytes(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(data), data.size());
}

// What a folder holds besides the lock file a store keeps.
QStringList leftovers(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    names.removeIf([](const QString &n) { return n.endsWith(QStringLiteral(".lock")); });
    return names;
}

#ifdef Q_OS_LINUX
int modeOf(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

// Root passes permission checks; while one of these lives, this thread gives
// up that override, so permission faults reach root as they reach a user.
class ObeyPermissions
{
public:
    ObeyPermissions()
    {
        if (::geteuid() != 0 || ::syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct lowered[2] = {m_saved[0], m_saved[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_lowered = ::syscall(SYS_capset, &m_header, lowered) == 0;
    }
    ~ObeyPermissions() { if (m_lowered) ::syscall(SYS_capset, &m_header, m_saved); }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_lowered = false;
};
#endif

} // namespace

class TestStoreFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void damagedFileIsCopiedAsideBeforeTheFirstWrite_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("good1"); // a later line of the same name wins
        QTest::addColumn<bool>("damaged");
        QTest::newRow("comment: clean") << QByteArray("  ; a comment") << "one" << false;
        QTest::newRow("no equals sign") << QByteArray("not a setting") << "one" << true;
        QTest::newRow("invalid UTF-8") << QByteArray("Bad=\xff\xfe\xc3") << "one" << true;
        QTest::newRow("NUL byte") << QByteArray("Bad=a\0b", 7) << "one" << true;
        QTest::newRow("open quote") << QByteArray("Bad=\"never closed") << "one" << true;
        QTest::newRow("dangling backslash") << QByteArray("Bad=C:\\dir\\") << "one" << true;
        QTest::newRow("empty key") << QByteArray("=value") << "one" << true;
        QTest::newRow("same key twice") << QByteArray("GOOD1=later") << "later" << true;
    }
    void damagedFileIsCopiedAsideBeforeTheFirstWrite()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, good1);
        QFETCH(bool, damaged);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Kicklist/Kicklist.ini"));
        const QString folder = QFileInfo(file).path();
        const QByteArray original = "[SetApp]\ngood1=one\n" + line + "\ngood2=two\n\n[Appnames]\nName=\xe5\x90\x8d\n";
        writeBytes(file, original);

        IniSettingsStore store(dir.path());
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("Bad"), QStringLiteral("skipped")),
                 QStringLiteral("skipped"));
        QCOMPARE(leftovers(folder), QStringList{QStringLiteral("Kicklist.ini")}); // reading copies nothing
        store.SaveSetting(App, SetApp, QStringLiteral("New"), QStringLiteral("n"));
        store.commit();
        QCOMPARE(readBytes(file),
                 "[SetApp]\ngood1=" + good1.toUtf8() + "\ngood2=two\nNew=n\n\n[Appnames]\nName=\xe5\x90\x8d\n");
        QStringList names = leftovers(folder);
        QVERIFY(names.removeOne(QStringLiteral("Kicklist.ini")));
        QCOMPARE(names.size(), damaged ? 1 : 0);
        if (damaged) {
            const QRegularExpression copyName(QStringLiteral("^Kicklist\\.ini\\.damaged-\\d{8}-\\d{6}$"));
            QVERIFY2(copyName.match(names.at(0)).hasMatch(), qPrintable(names.at(0)));
            QCOMPARE(readBytes(folder + u'/' + names.at(0)), original);
        }
    }

    // Each sees what the other committed at its next read, and a handler's
    // reads and writes are one transaction: from its first access to its
    // commit no other instance gets in.
    void twoInstancesKeepEachOthersWrites()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Kicklist/Kicklist.ini"));
        writeBytes(file, TwoPrograms);
        IniSettingsStore a(dir.path());
        IniSettingsStore b(dir.path());
        QCOMPARE(b.GetSetting(App, SetApp, QStringLiteral("1"), QString()), QStringLiteral("/a"));
#ifdef Q_OS_LINUX
        const int fd = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        QCOMPARE(::flock(fd, LOCK_EX | LOCK_NB), -1); // b's transaction holds it
        b.commit();
        QCOMPARE(::flock(fd, LOCK_EX | LOCK_NB), 0);
        ::close(fd);
#else
        b.commit();
#endif
        a.SaveSetting(App, SetApp, QStringLiteral("1"), QStringLiteral("/a2"));
        a.DeleteSetting(App, SetApp, QStringLiteral("2"));
        a.commit();
        QCOMPARE(b.GetSetting(App, SetApp, QStringLiteral("1"), QString()), QStringLiteral("/a2"));
        b.SaveSetting(App, SetApp, QStringLiteral("3"), QStringLiteral("/c"));
        b.commit();
        QCOMPARE(readBytes(file), "[Appnames]\nAppCount=2\n1=First\n2=Second\n\n[SetApp]\nAppCount=2\n1=/a2\n3=/c\n");
    }

#ifdef Q_OS_LINUX // the rest needs POSIX permissions, limits and locks
    // Out of reach after the store read it, with a write pending: nothing is
    // replaced, and the next read fails too.
    void unreachableFileIsLeftAlone_data()
    {
        QTest::addColumn<bool>("folderInItsPlace"); // else no read permission
        QTest::addColumn<int>("number");
        QTest::newRow("no read permission") << false << int(err::PermissionDenied);
        QTest::newRow("a folder in its place") << true << int(err::PathFileAccessError);
    }
    void unreachableFileIsLeftAlone()
    {
        QFETCH(bool, folderInItsPlace);
        QFETCH(int, number);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Kicklist/Kicklist.ini"));
        const QString moved = file + QStringLiteral(".moved");
        writeBytes(file, TwoPrograms);
        IniSettingsStore store(dir.path());
        store.SaveSetting(App, SetApp, QStringLiteral("1"), QStringLiteral("/new"));
        if (folderInItsPlace)
            QVERIFY(QFile::rename(file, moved) && QDir().mkdir(file));
        int commitError = 0, readError = 0;
        {
            ObeyPermissions obey;
            if (!folderInItsPlace && QFile::setPermissions(file, QFile::WriteOwner)
                && QFile(file).open(QIODevice::ReadOnly))
                QSKIP("cannot give up the permission override here");
            commitError = errorOf([&] { store.commit(); });
            readError = errorOf([&] { store.GetSetting(App, SetApp, QStringLiteral("1"), QString()); });
        }
        if (!folderInItsPlace)
            QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(commitError, number);
        QCOMPARE(readError, number);
        QCOMPARE(readBytes(folderInItsPlace ? moved : file), TwoPrograms);
        QCOMPARE(leftovers(QFileInfo(file).path()).size(), folderInItsPlace ? 2 : 1);
    }

    // A disk that fills up part way through a small file, the common case.
    // A file size limit stands in for it; its signal would kill us.
    void writeCutShortKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Kicklist/Kicklist.ini"));
        writeBytes(file, TwoPrograms);
        IniSettingsStore store(dir.path());
        store.SaveSetting(App, QStringLiteral("Appnames"), QStringLiteral("2"), QString(200, u'n'));

        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit old;
        ::getrlimit(RLIMIT_FSIZE, &old);
        struct rlimit lower = old;
        lower.rlim_cur = rlim_t(TwoPrograms.size() + 64);
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &lower), 0);
        const int number = errorOf([&] { store.commit(); });
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);

        QCOMPARE(number, int(err::PathFileAccessError));
        QCOMPARE(readBytes(file), TwoPrograms);
        QCOMPARE(leftovers(QFileInfo(file).path()), QStringList{QStringLiteral("Kicklist.ini")});
        // The pending write is gone: memory is what the disk holds.
        QCOMPARE(store.GetSetting(App, QStringLiteral("Appnames"), QStringLiteral("2"), QString()),
                 QStringLiteral("Second"));
    }

    // A lock held by a live writer keeps the file from being written. A dead
    // writer's lock is gone with it, whatever file it left (this version's or
    // an older one's, cut off at any point).
    void lockLeftByAWriter_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("beside"); // a second file left next to it
        QTest::addColumn<bool>("held");
        QTest::newRow("held by a live writer") << QByteArray() << QString() << true;
        QTest::newRow("empty, killed before writing it") << QByteArray() << QString() << false;
        QTest::newRow("killed holding it") << QByteArray("12345\nkicklist\nhost\n") << QString() << false;
        QTest::newRow("killed removing a stale one") << QByteArray("12345\n") << ".lock.rmlock" << false;
    }
    void lockLeftByAWriter()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, beside);
        QFETCH(bool, held);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Kicklist/Kicklist.ini"));
        writeBytes(file, TwoPrograms);
        writeBytes(file + QStringLiteral(".lock"), content);
        if (!beside.isEmpty())
            writeBytes(file + beside, QByteArray());
        // Another open file description: to flock() as good as another process.
        const int fd = ::open(QFile::encodeName(file + QStringLiteral(".lock")).constData(), O_RDWR | O_CLOEXEC);
        QVERIFY(fd >= 0 && (!held || ::flock(fd, LOCK_EX) == 0));

        IniSettingsStore store(dir.path());
        store.SaveSetting(App, QStringLiteral("Appnames"), QStringLiteral("1"), QStringLiteral("Renamed"));
        const int number = errorOf([&] { store.commit(); });
        ::close(fd);
        QCOMPARE(number, held ? int(err::PermissionDenied) : 0);
        IniSettingsStore after(dir.path());
        QCOMPARE(after.GetSetting(App, QStringLiteral("Appnames"), QStringLiteral("1"), QString()),
                 held ? QStringLiteral("First") : QStringLiteral("Renamed"));
    }

    // Whatever stands at the settings path or beside it: nothing blocks,
    // nothing is written through a link or into a folder others can change,
    // nothing is loaded whole when far too big; a killed writer's temporary
    // file goes at the next commit; a file system out of inodes is full.
    void hostileOrOddPlaces_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("number"); // of the read, else of the commit
        QTest::addColumn<bool>("written");
        QTest::newRow("FIFO") << "fifo" << int(err::PathFileAccessError) << false;
        QTest::newRow("file over 16 MiB") << "huge" << int(err::PathFileAccessError) << false;
        QTest::newRow("folder writable by group") << "chmod 770 folder" << int(err::PermissionDenied) << false;
        QTest::newRow("file writable by others") << "chmod 606 file" << int(err::PermissionDenied) << false;
        QTest::newRow("folder of another user") << "chown folder" << int(err::PermissionDenied) << false;
        QTest::newRow("file of another user") << "chown file" << int(err::PermissionDenied) << false;
        QTest::newRow("lock file a link") << "lock link" << int(err::PathFileAccessError) << false;
        QTest::newRow("file a link to the user's own") << "file link" << 0 << true;
        QTest::newRow("killed writer's temporary file") << "leftover" << 0 << true;
        QTest::newRow("out of inodes") << "inodes" << int(err::DiskFull) << false;
    }
    void hostileOrOddPlaces()
    {
        QFETCH(QString, setup);
        QFETCH(int, number);
        QFETCH(bool, written);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("Kicklist"));
        QString file = folder + QStringLiteral("/Kicklist.ini");
        const QString victim = dir.filePath(QStringLiteral("victim"));
        writeBytes(victim, "mine\n");
        const QByteArray nativeFolder = QFile::encodeName(folder), native = QFile::encodeName(file);
        if (setup == QLatin1String("fifo")) {
            QVERIFY(QDir().mkpath(folder) && ::mkfifo(native.constData(), 0600) == 0);
        } else {
            writeBytes(file, TwoPrograms);
        }
        if (setup == QLatin1String("huge"))
            QCOMPARE(::truncate(native.constData(), 16 * 1024 * 1024 + 1), 0);
        if (setup.startsWith(QLatin1String("chmod")))
            QCOMPARE(::chmod(setup.endsWith(QLatin1String("folder")) ? nativeFolder.constData() : native.constData(),
                             setup.mid(6, 3).toUInt(nullptr, 8)), 0);
        if (setup.startsWith(QLatin1String("chown")))
            QCOMPARE(::chown(setup.endsWith(QLatin1String("folder")) ? nativeFolder.constData() : native.constData(),
                             54321, 54321), 0);
        if (setup == QLatin1String("lock link"))
            QVERIFY(QFile::link(victim, file + QStringLiteral(".lock")));
        if (setup == QLatin1String("file link")) {
            QVERIFY(QFile::rename(file, victim + QStringLiteral(".ini")) && QFile::link(victim + QStringLiteral(".ini"), file));
            file = victim + QStringLiteral(".ini");
        }
        if (setup == QLatin1String("leftover"))
            writeBytes(file + QStringLiteral(".aBcDeF"), "[SetApp]\nhalf");
        if (setup == QLatin1String("inodes")) {
            if (::mount("tmpfs", nativeFolder.constData(), "tmpfs", 0, "size=1m,nr_inodes=2,mode=0700") != 0)
                QSKIP("cannot mount a small file system here");
            writeBytes(file, TwoPrograms); // the root folder and this file take both inodes
        }
        const struct Unmount { QByteArray at; ~Unmount() { ::umount(at.constData()); } } unmount{nativeFolder};

        IniSettingsStore store(dir.path());
        QString why;
        const auto attempt = [&why](const std::function<void()> &f) {
            try {
                f();
                return 0;
            } catch (const RuntimeError &e) {
                why = e.description();
                return e.number();
            }
        };
        int error = attempt([&] { store.GetSetting(App, SetApp, QStringLiteral("1"), QString()); });
        if (error == 0) {
            error = attempt([&] {
                store.SaveSetting(App, SetApp, QStringLiteral("1"), QStringLiteral("/new"));
                store.commit();
            });
        }
        QCOMPARE(error, number);
        QCOMPARE(leftovers(folder).join(u' '), setup == QLatin1String("fifo") ? "" : "Kicklist.ini"); // no copies
        QCOMPARE(readBytes(victim), QByteArray("mine\n"));
        struct stat st;
        QCOMPARE(::stat(native.constData(), &st), 0);
        QCOMPARE(S_ISFIFO(st.st_mode), setup == QLatin1String("fifo"));
        if (setup != QLatin1String("fifo") && setup != QLatin1String("huge"))
            QCOMPARE(readBytes(file).contains("1=/new"), written);
        if (setup.startsWith(QLatin1String("ch")))
            QVERIFY2(why.contains((setup.endsWith(QLatin1String("folder")) ? folder : file) + u':'), qPrintable(why));
    }

    // Private whatever the umask: the list says which programs a user runs.
    void filesArePrivateUnderAnyUmask()
    {
        QTemporaryDir dir;
        const QString config = dir.filePath(QStringLiteral("config"));
        const QString folder = config + QStringLiteral("/Kicklist");
        const mode_t old = ::umask(0);
        IniSettingsStore store(config);
        store.SaveSetting(App, SetApp, QStringLiteral("1"), QStringLiteral("/a"));
        store.commit();
        writeBytes(store.fileName(App), readBytes(store.fileName(App)) + "junk line\n");
        store.SaveSetting(App, SetApp, QStringLiteral("2"), QStringLiteral("/b"));
        store.commit(); // copies the damaged file aside first
        ::umask(old);
        QCOMPARE(modeOf(config), 0700);
        QCOMPARE(modeOf(folder), 0700);
        const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(files.size(), 3); // the file, its lock and the damaged copy
        for (const QString &name : files)
            QVERIFY2(modeOf(folder + u'/' + name) == 0600, qPrintable(name));
    }

    void commitWithNothingPendingTouchesNothing()
    {
        QTemporaryDir dir;
        const QString config = dir.filePath(QStringLiteral("config"));
        IniSettingsStore store(config);
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("Path"), QStringLiteral("d")), QStringLiteral("d"));
        store.commit();
        QVERIFY(!QFileInfo::exists(config)); // reading creates nothing, not even the folder

        store.SaveSetting(App, SetApp, QStringLiteral("Path"), QStringLiteral("x"));
        store.commit();
        const auto stamp = [](const QString &path) {
            struct stat st = {};
            ::stat(QFile::encodeName(path).constData(), &st);
            return QList<qint64>{qint64(st.st_ino), st.st_mtim.tv_sec, st.st_mtim.tv_nsec, st.st_ctim.tv_nsec};
        };
        const QString file = store.fileName(App);
        const auto fileBefore = stamp(file);
        const auto folderBefore = stamp(QFileInfo(file).path());
        QVERIFY(fileBefore.at(0) != 0);
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("Path"), QString()), QStringLiteral("x"));
        store.commit();
        QCOMPARE(stamp(file), fileBefore);
        QCOMPARE(stamp(QFileInfo(file).path()), folderBefore);
    }
#endif
};

QTEST_GUILESS_MAIN(TestStoreFaults)
#include "tst_storefaults.moc"

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

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/fsuid.h>
#include <unistd.h>

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
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size());
}

// What a folder holds besides the lock file a store keeps.
QStringList leftovers(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    names.removeIf([](const QString &n) { return n.endsWith(QStringLiteral(".lock")); });
    return names;
}

int modeOf(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

// The widest umask is the hardest case for keeping files private.
struct NoUmask
{
    mode_t old = ::umask(0);
    ~NoUmask() { ::umask(old); }
};

} // namespace

class TestStoreFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Under any umask, and only once a write goes over it.
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
        const QString folder = dir.filePath(QStringLiteral("Kicklist")), file = folder + QStringLiteral("/Kicklist.ini");
        const QByteArray original = "[SetApp]\ngood1=one\n" + line + "\ngood2=two\n\n[Appnames]\nName=\xe5\x90\x8d\n";
        writeBytes(file, original);
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0700), 0);
        const NoUmask noUmask;
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
            QVERIFY2(QRegularExpression(QStringLiteral("^Kicklist\\.ini\\.damaged-\\d{8}-\\d{6}$")).match(names[0]).hasMatch(),
                     qPrintable(names[0]));
            QCOMPARE(readBytes(folder + u'/' + names[0]), original);
            QCOMPARE(modeOf(folder + u'/' + names[0]), 0600);
        }
    }

    // A fresh store under any umask is private (the list says which programs
    // a user runs); reading creates nothing, and a commit with nothing
    // pending touches nothing.
    void freshFilesArePrivateAndIdleCommitsTouchNothing()
    {
        QTemporaryDir dir;
        const QString config = dir.filePath(QStringLiteral("config")), folder = config + QStringLiteral("/Kicklist");
        const NoUmask noUmask;
        IniSettingsStore store(config);
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("Path"), QStringLiteral("d")), QStringLiteral("d"));
        store.commit();
        QVERIFY(!QFileInfo::exists(config));
        store.SaveSetting(App, SetApp, QStringLiteral("Path"), QStringLiteral("x"));
        store.commit();
        QStringList modes;
        for (const QString &path : {config, folder, store.fileName(App), store.fileName(App) + QStringLiteral(".lock")})
            modes << QString::number(modeOf(path), 8);
        QCOMPARE(modes.join(u' '), QStringLiteral("700 700 600 600"));
        const auto stamp = [&](const QString &path) {
            struct stat st = {};
            ::stat(QFile::encodeName(path).constData(), &st);
            return QList<qint64>{qint64(st.st_ino), st.st_mtim.tv_sec, st.st_mtim.tv_nsec, st.st_ctim.tv_nsec};
        };
        const auto before = stamp(store.fileName(App)) + stamp(folder);
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("Path"), QString()), QStringLiteral("x"));
        store.commit();
        QCOMPARE(stamp(store.fileName(App)) + stamp(folder), before);
    }

    // Each sees what the other committed at its next read, even of the same
    // size, and a handler's reads and writes are one transaction: from its
    // first access to its commit no other instance gets in.
    void twoInstancesKeepEachOthersWrites()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Kicklist/Kicklist.ini"));
        writeBytes(file, TwoPrograms);
        IniSettingsStore a(dir.path()), b(dir.path());
        QCOMPARE(b.GetSetting(App, SetApp, QStringLiteral("1"), QString()), QStringLiteral("/a"));
        const int fd = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        QCOMPARE(::flock(fd, LOCK_EX | LOCK_NB), -1); // b's transaction holds it
        b.commit();
        QCOMPARE(::flock(fd, LOCK_EX | LOCK_NB), 0);
        ::close(fd);
        a.SaveSetting(App, SetApp, QStringLiteral("1"), QStringLiteral("/x"));
        a.DeleteSetting(App, SetApp, QStringLiteral("2"));
        QCOMPARE(a.GetSetting(App, SetApp, QStringLiteral("2"), QStringLiteral("gone")), QStringLiteral("gone"));
        QCOMPARE(readBytes(file), TwoPrograms); // pending until the commit
        a.commit();
        QCOMPARE(b.GetSetting(App, SetApp, QStringLiteral("1"), QString()), QStringLiteral("/x"));
        b.SaveSetting(App, SetApp, QStringLiteral("3"), QStringLiteral("/c"));
        b.commit();
        QCOMPARE(readBytes(file), "[Appnames]\nAppCount=2\n1=First\n2=Second\n\n[SetApp]\nAppCount=2\n1=/x\n3=/c\n");
    }

    // Whatever stands at the settings path or beside it, or happens while a
    // write is pending: nothing blocks, nothing half-written replaces the
    // file, nothing is written through a link or into a folder others can
    // change, nothing far too big is loaded; a live writer's lock holds, a
    // killed writer's lock and temporary file do not.
    void hostileOrOddPlaces_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("state"); // error, then a second read, the file, the folder
        QTest::newRow("FIFO") << "fifo" << "75 75 - []";
        QTest::newRow("file over 16 MiB") << "huge" << "75 75 - [Kicklist.ini]";
        QTest::newRow("folder writable by group") << "chmod 770 folder" << "70 old old [Kicklist.ini]";
        QTest::newRow("file writable by others") << "chmod 606 file" << "70 old old [Kicklist.ini]";
        QTest::newRow("folder of another user") << "chown folder" << "70 old old [Kicklist.ini]";
        QTest::newRow("file of another user") << "chown file" << "70 old old [Kicklist.ini]";
        QTest::newRow("lock file a link") << "lock link" << "75 old old [Kicklist.ini]";
        QTest::newRow("file a link to the user's own") << "file link" << "0 new new [Kicklist.ini]";
        QTest::newRow("killed writer's temporary file") << "leftover" << "0 new new [Kicklist.ini]";
        QTest::newRow("out of inodes") << "inodes" << "61 old old [Kicklist.ini]";
        QTest::newRow("no read permission later") << "unreadable" << "70 70 old [Kicklist.ini]";
        QTest::newRow("a folder in its place later") << "folder" << "75 75 old [Kicklist.ini Kicklist.ini.moved]";
        QTest::newRow("disk full part way") << "cut short" << "75 old old [Kicklist.ini]";
        QTest::newRow("lock held by a live writer") << "lock held" << "70 old old [Kicklist.ini]";
        QTest::newRow("lock empty, killed before writing it") << "lock " << "0 new new [Kicklist.ini]";
        QTest::newRow("lock killed holding it") << "lock 12345\nkicklist\nhost\n" << "0 new new [Kicklist.ini]";
        QTest::newRow("lock killed removing a stale one") << "lock 12345\n" << "0 new new [Kicklist.ini Kicklist.ini.lock.rmlock]";
    }
    void hostileOrOddPlaces()
    {
        QFETCH(QString, setup);
        QFETCH(QString, state);
        const auto is = [&setup](const char *s) { return setup == QLatin1String(s); };
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("Kicklist")), victim = dir.filePath(QStringLiteral("victim"));
        QString file = folder + QStringLiteral("/Kicklist.ini"), kept = file;
        writeBytes(victim, "mine\n");
        const QByteArray nativeFolder = QFile::encodeName(folder), native = QFile::encodeName(file);
        const char *target = setup.endsWith(QLatin1String("folder")) ? nativeFolder.constData() : native.constData();
        if (is("fifo"))
            QVERIFY(QDir().mkpath(folder) && ::mkfifo(native.constData(), 0600) == 0);
        else
            writeBytes(file, TwoPrograms);
        if (is("huge"))
            QCOMPARE(::truncate(native.constData(), 16 * 1024 * 1024 + 1), 0);
        if (setup.startsWith(QLatin1String("chmod")))
            QCOMPARE(::chmod(target, setup.mid(6, 3).toUInt(nullptr, 8)), 0);
        if (setup.startsWith(QLatin1String("chown")))
            QCOMPARE(::chown(target, 54321, 54321), 0);
        if (is("lock link"))
            QVERIFY(QFile::link(victim, file + QStringLiteral(".lock")));
        else if (setup.startsWith(QLatin1String("lock ")))
            writeBytes(file + QStringLiteral(".lock"), setup.mid(5).toUtf8());
        if (setup.endsWith(QLatin1String("12345\n")))
            writeBytes(file + QStringLiteral(".lock.rmlock"), {});
        // Another open file description: to flock() as good as another process.
        const int fd = is("lock held") ? ::open(QFile::encodeName(file + QStringLiteral(".lock")).constData(), O_RDWR) : -1;
        QVERIFY(!is("lock held") || ::flock(fd, LOCK_EX) == 0);
        if (is("file link")) {
            kept = victim + QStringLiteral(".ini");
            QVERIFY(QFile::rename(file, kept) && QFile::link(kept, file));
        }
        if (is("leftover"))
            writeBytes(file + QStringLiteral(".aBcDeF"), "[SetApp]\nhalf");
        if (is("inodes")) {
            if (::mount("tmpfs", nativeFolder.constData(), "tmpfs", 0, "size=1m,nr_inodes=3,mode=0700") != 0)
                QSKIP("cannot mount a small file system here");
            writeBytes(file, TwoPrograms); // with the folder and the lock: every inode
            writeBytes(file + QStringLiteral(".lock"), {});
        }
        const struct Unmount { QByteArray at; ~Unmount() { ::umount(at.constData()); } } unmount{nativeFolder};

        IniSettingsStore store(dir.path());
        QString why, seen;
        const auto attempt = [&](const std::function<void()> &f) {
            try {
                f();
                return QStringLiteral("0");
            } catch (const RuntimeError &e) {
                why = e.description();
                return QString::number(e.number());
            }
        };
        const auto read = [&] { // an error number, or what the first program's path now is
            const QString e = attempt([&] { seen = store.GetSetting(App, SetApp, QStringLiteral("1"), QString()); });
            return e != u'0' ? e : seen == QLatin1String("/a") ? QStringLiteral("old") : seen.left(4).mid(1);
        };
        QString error = read(), again;
        const auto oldXfsz = std::signal(SIGXFSZ, SIG_IGN); // a size limit stands in for a full disk
        struct rlimit unlimited, limit;
        ::getrlimit(RLIMIT_FSIZE, &unlimited);
        limit = {is("cut short") ? rlim_t(TwoPrograms.size() + 64) : unlimited.rlim_cur, unlimited.rlim_max};
        if (is("folder"))
            QVERIFY(QFile::rename(file, (kept = file + QStringLiteral(".moved"))) && QDir().mkdir(file));
        // Root passes permission checks; another file system user does not.
        const struct Root { ~Root() { ::setfsuid(0); } } root;
        const bool obey = is("unreadable") && QFile::setPermissions(file, QFile::WriteOwner) && (::setfsuid(54321), true);
        if (obey && QFile(file).open(QIODevice::ReadOnly))
            QSKIP("cannot give up the permission override here");
        if (!error.at(0).isDigit()) {
            ::setrlimit(RLIMIT_FSIZE, &limit);
            error = attempt([&] {
                store.SaveSetting(App, SetApp, QStringLiteral("1"), QStringLiteral("/new") + QString(200, u'n'));
                store.commit();
            });
            ::setrlimit(RLIMIT_FSIZE, &unlimited);
        }
        again = read();
        ::setfsuid(0);
        std::signal(SIGXFSZ, oldXfsz);
        if (is("unreadable"))
            QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
        ::close(fd);
        const QByteArray content = is("fifo") || is("huge") ? "-" : readBytes(kept);
        QCOMPARE(QStringLiteral("%1 %2 %3 [%4]").arg(error, again,
                     content == TwoPrograms ? "old" : content.contains("1=/new") ? "new" : QString::fromUtf8(content))
                     .arg(leftovers(folder).join(u' ')), state);
        QCOMPARE(readBytes(victim), QByteArray("mine\n"));
        QCOMPARE(QFileInfo(file).isFile(), !is("fifo") && !is("folder"));
        if (setup.startsWith(QLatin1String("ch")))
            QVERIFY2(why.contains(QFile::decodeName(target) + u':'), qPrintable(why));
    }
};

QTEST_GUILESS_MAIN(TestStoreFaults)
#include "tst_storefaults.moc"

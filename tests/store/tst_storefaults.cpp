// The program store on a real settings file that is damaged, out of reach,
// left locked by a killed process or shared with a second instance.

#include "platform/inisettingsstore.h"
#include "platform/listcontrol.h"
#include "platform/runtimeerror.h"
#include "store/appstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace kl;

namespace {

const QString App = QStringLiteral("Kicklist");

// A list that takes rows wherever the store puts them; what a window's list
// says about rows out of range is the window tests' business.
class RowList final : public ListControl
{
public:
    qint16 ListCount() const override { return qint16(rows.size()); }
    qint16 ListIndex() const override { return -1; }
    void setList(qint16 row, const QString &text) override
    {
        if (row >= 0 && row < rows.size())
            rows[row] = text;
        else
            rows.append(text);
    }
    void RemoveItem(qint16 row) override
    {
        if (row >= 0 && row < rows.size())
            rows.removeAt(row);
    }
    void Clear() override { rows.clear(); }
    QStringList rows;
};

class Flag final : public EnabledFlag
{
public:
    void setEnabled(bool e) override { enabled = e; }
    bool enabled = false;
};

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

int errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const RuntimeError &e) {
        return e.number();
    }
    return 0;
}

QByteArray twoPrograms()
{
    return "[Appnames]\nAppCount=2\n1=First\n2=Second\n\n[SetApp]\nAppCount=2\n1=/opt/first\n2=/opt/second\n";
}

// Root reads and writes whatever the permission bits say. While one of these
// lives, this thread gives up that override, so permission faults happen to
// root as they do to a user.
class ObeyPermissions
{
public:
    ObeyPermissions()
    {
#ifdef Q_OS_LINUX
        if (::geteuid() != 0)
            return;
        m_header.version = _LINUX_CAPABILITY_VERSION_3;
        m_header.pid = 0;
        if (::syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct lowered[2] = {m_saved[0], m_saved[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_lowered = ::syscall(SYS_capset, &m_header, lowered) == 0;
#endif
    }
    ~ObeyPermissions()
    {
#ifdef Q_OS_LINUX
        if (m_lowered)
            ::syscall(SYS_capset, &m_header, m_saved);
#endif
    }

private:
#ifdef Q_OS_LINUX
    __user_cap_header_struct m_header{};
    __user_cap_data_struct m_saved[2]{};
#endif
    bool m_lowered = false;
};

// What a folder of settings holds besides lock files, which a store may keep.
QStringList settingsFiles(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    names.removeIf([](const QString &n) { return n.endsWith(QStringLiteral(".lock")); });
    return names;
}

int modeOf(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
#else
    return -1;
#endif
}

bool canOpen(const QString &path, QIODevice::OpenMode mode)
{
    QFile f(path);
    return f.open(mode);
}

} // namespace

class TestStoreFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // What the list window's load, add and remove meet in a hand-edited file;
    // the file itself is never changed by a failing operation.
    void countsThatDoNotFit_data()
    {
        QTest::addColumn<QByteArray>("count");
        QTest::addColumn<int>("countError");  // 0: Count() gives the number
        QTest::addColumn<int>("appendError"); // what Append meets
        QTest::newRow("not a number") << QByteArray("two") << int(err::TypeMismatch) << int(err::TypeMismatch);
        QTest::newRow("empty") << QByteArray("") << int(err::TypeMismatch) << int(err::TypeMismatch);
        QTest::newRow("beyond 16 bits") << QByteArray("40000") << int(err::Overflow) << int(err::Overflow);
        QTest::newRow("largest") << QByteArray("32767") << 0 << int(err::Overflow);
        QTest::newRow("101") << QByteArray("101") << 0 << 0;
        QTest::newRow("negative") << QByteArray("-3") << 0 << 0;
    }
    void countsThatDoNotFit()
    {
        QFETCH(QByteArray, count);
        QFETCH(int, countError);
        QFETCH(int, appendError);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Kicklist/Kicklist.ini"));
        const QByteArray original = "[Appnames]\nAppCount=" + count + "\n1=First\n\n[SetApp]\nAppCount=" + count
            + "\n1=/opt/first\n";
        writeBytes(file, original);

        IniSettingsStore settings(dir.path());
        AppStore store(settings);
        qint16 n = 0;
        QCOMPARE(errorOf([&] { n = store.Count(); }), countError);
        if (countError == 0)
            QCOMPARE(n, qint16(count.toInt()));

        if (appendError == 0)
            return; // the list window never gets to add with these (100 rows or none to add after)

        // Adding fails before anything is written; the handler then commits
        // what ran, which is nothing.
        RowList list;
        Flag allRan;
        QCOMPARE(errorOf([&] { store.Append(QStringLiteral("/opt/new"), list, allRan); }), appendError);
        settings.commit();
        QCOMPARE(readBytes(file), original);
        QVERIFY(list.rows.isEmpty());
        QVERIFY(!allRan.enabled);
    }

    // A writer killed while it held the lock leaves the lock file behind;
    // the next start must still be able to save.
    void lockLeftByKilledWriter_data()
    {
        QTest::addColumn<QByteArray>("lockContent");
        QTest::addColumn<bool>("rmlock");
        QTest::newRow("killed before writing its lock") << QByteArray() << false;
        QTest::newRow("killed holding its lock") << QByteArray("dead") << false;
        QTest::newRow("killed removing a stale lock") << QByteArray("dead") << true;
    }
    void lockLeftByKilledWriter()
    {
        QFETCH(QByteArray, lockContent);
        QFETCH(bool, rmlock);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Kicklist/Kicklist.ini"));
        writeBytes(file, twoPrograms());

        const QString lockName = file + QStringLiteral(".lock");
        if (lockContent == "dead") {
#ifdef Q_OS_UNIX
            // A child takes the lock the way the store does, then dies with it.
            const pid_t child = ::fork();
            if (child == 0) {
                QLockFile lock(lockName);
                ::_exit(lock.tryLock(0) ? 0 : 1);
            }
            int status = -1;
            QCOMPARE(::waitpid(child, &status, 0), child);
            QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
            QVERIFY(QFileInfo(lockName).size() > 0);
#else
            QSKIP("POSIX only");
#endif
        } else {
            writeBytes(lockName, lockContent);
        }
        if (rmlock)
            writeBytes(lockName + QStringLiteral(".rmlock"), QByteArray());

        IniSettingsStore settings(dir.path());
        AppStore store(settings);
        store.Rename(1, QStringLiteral("Renamed"));
        QCOMPARE(errorOf([&] { settings.commit(); }), 0);
        IniSettingsStore again(dir.path());
        QCOMPARE(again.GetSetting(App, QStringLiteral("Appnames"), QStringLiteral("1"), QString()),
                 QStringLiteral("Renamed"));
    }

    // Two instances at once: each sees what the other committed at its next
    // read, and neither's commit drops the other's entries.
    void twoInstancesShareTheList()
    {
        QTemporaryDir dir;
        writeBytes(dir.filePath(QStringLiteral("Kicklist/Kicklist.ini")), twoPrograms());
        IniSettingsStore settingsA(dir.path());
        IniSettingsStore settingsB(dir.path());
        AppStore a(settingsA);
        AppStore b(settingsB);
        RowList listA, listB;
        Flag flagA, flagB;
        QCOMPARE(a.Count(), qint16(2));
        QCOMPARE(b.Count(), qint16(2));

        a.Append(QStringLiteral("/opt/third"), listA, flagA);
        settingsA.commit();
        QCOMPARE(b.Count(), qint16(3));
        QCOMPARE(b.PathOf(3), QStringLiteral("/opt/third"));

        b.Append(QStringLiteral("/opt/fourth"), listB, flagB);
        settingsB.commit();
        listA.rows = {QStringLiteral("First"), QStringLiteral("Second"), QStringLiteral("/opt/third"),
                      QStringLiteral("/opt/fourth")};
        QCOMPARE(a.Remove(1, listA), qint16(3));
        settingsA.commit();

        QCOMPARE(b.Count(), qint16(3));
        QCOMPARE(b.PathOf(1), QStringLiteral("/opt/second"));
        QCOMPARE(b.PathOf(3), QStringLiteral("/opt/fourth"));
        QCOMPARE(b.NameOf(3), QStringLiteral("/opt/fourth"));
        QCOMPARE(b.PathOf(4), QString());
        QCOMPARE(listA.rows, (QStringList{QStringLiteral("Second"), QStringLiteral("/opt/third"),
                                          QStringLiteral("/opt/fourth")}));
    }

    // Permission faults, for root too: the file is never replaced or lost.
    void fileOutOfReach_data()
    {
        QTest::addColumn<bool>("unreadableFile"); // else a read-only folder
        QTest::newRow("unreadable file") << true;
        QTest::newRow("read-only folder") << false;
    }
    void fileOutOfReach()
    {
#ifdef Q_OS_LINUX
        QFETCH(bool, unreadableFile);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Kicklist/Kicklist.ini"));
        const QString folder = QFileInfo(file).path();
        writeBytes(file, twoPrograms());
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        int loadError = 0;
        int saveError = 0;
        {
            ObeyPermissions obey;
            if (unreadableFile)
                QFile::setPermissions(file, QFile::WriteOwner);
            else
                QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
            const QString probe = folder + QStringLiteral("/probe");
            const bool reachable = unreadableFile ? canOpen(file, QIODevice::ReadOnly)
                                                  : canOpen(probe, QIODevice::WriteOnly | QIODevice::NewOnly);
            QFile::remove(probe);

            IniSettingsStore settings(dir.path());
            AppStore store(settings);
            RowList list{};
            list.rows = {QStringLiteral("First"), QStringLiteral("Second")};
            loadError = errorOf([&] { store.Count(); });
            saveError = errorOf([&] {
                store.Remove(1, list);
                settings.commit();
            });
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
            if (reachable)
                QSKIP("cannot give up the permission override here");
        }
        if (unreadableFile) {
            QCOMPARE(loadError, int(err::PermissionDenied));
            QCOMPARE(saveError, int(err::PermissionDenied));
        } else {
            QCOMPARE(loadError, 0);
            QVERIFY2(saveError == err::PermissionDenied || saveError == err::PathFileAccessError,
                     qPrintable(QString::number(saveError)));
        }
        QCOMPARE(readBytes(file), twoPrograms());
        QCOMPARE(settingsFiles(folder), QStringList{QStringLiteral("Kicklist.ini")});
#else
        QSKIP("POSIX permissions only");
#endif
    }

    // A disk that fills up part way through the new file: the write comes
    // back short. Small files are the common case, and they go out in one
    // buffered write at commit.
    void writeCutShortKeepsTheOldFile()
    {
#ifdef Q_OS_UNIX
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Kicklist/Kicklist.ini"));
        writeBytes(file, twoPrograms());
        IniSettingsStore settings(dir.path());
        AppStore store(settings);
        store.Rename(2, QString(200, u'n'));

        int number = 0;
        {
            // The limit stands in for the full disk; its signal would kill us.
            const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            struct rlimit old;
            ::getrlimit(RLIMIT_FSIZE, &old);
            struct rlimit lower = old;
            lower.rlim_cur = rlim_t(twoPrograms().size() + 64);
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &lower), 0);
            number = errorOf([&] { settings.commit(); });
            ::setrlimit(RLIMIT_FSIZE, &old);
            std::signal(SIGXFSZ, oldHandler);
        }
        QVERIFY2(number != 0, "a short write was taken for a whole one");
        QCOMPARE(readBytes(file), twoPrograms());
        QCOMPARE(settingsFiles(QFileInfo(file).path()), QStringList{QStringLiteral("Kicklist.ini")});
#else
        QSKIP("POSIX file size limits only");
#endif
    }

    // Private whatever the umask: the list says which programs a user runs.
    void newFilesArePrivateUnderAnyUmask()
    {
#ifdef Q_OS_UNIX
        QTemporaryDir dir;
        const mode_t old = ::umask(0);
        {
            IniSettingsStore settings(dir.path());
            AppStore store(settings);
            RowList list;
            Flag flag;
            store.Append(QStringLiteral("/opt/one"), list, flag);
            settings.commit();
        }
        writeBytes(dir.filePath(QStringLiteral("Kicklist/Kicklist.ini")),
                   readBytes(dir.filePath(QStringLiteral("Kicklist/Kicklist.ini"))) + "junk line\n");
        {
            IniSettingsStore settings(dir.path());
            AppStore store(settings);
            store.Rename(1, QStringLiteral("One"));
            settings.commit(); // keeps a copy of the damaged file first
        }
        ::umask(old);
        const QDir folder(dir.filePath(QStringLiteral("Kicklist")));
        QCOMPARE(modeOf(folder.path()), 0700);
        const QStringList files = settingsFiles(folder.path());
        QCOMPARE(files.size(), 2); // the file and the damaged copy
        for (const QString &name : files)
            QVERIFY2(modeOf(folder.filePath(name)) == 0600, qPrintable(name));
#else
        QSKIP("POSIX permissions only");
#endif
    }
};

QTEST_GUILESS_MAIN(TestStoreFaults)
#include "tst_storefaults.moc"

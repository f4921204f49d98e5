// The settings store on real files: the stores' contract, the text QSettings
// reads, where the file lives, and a file that is damaged, out of reach, too
// big to read, locked or half written by a killed process; the copies kept
// before a reset.
#define DOCTEST_CONFIG_IMPLEMENT
#include "linuxtest.h"
#include "platform/settingsstore_contract.h"

#include "linux/inisettingsstore.h"
#include "linux/processstarter.h"
#include "linux/resetcopy.h"

#include <QRegularExpression>
#include <QSettings>

#include <thread>
#include <sys/fsuid.h>

using namespace kl;
using namespace kl::test;

namespace {

const std::string App = "Kicklist", SetApp = "SetApp";
const QByteArray TwoPrograms = "[Appnames]\nAppCount=2\n1=First\n2=Second\n\n[SetApp]\nAppCount=2\n1=/a\n2=/b\n";

// What a folder holds besides the lock file a store keeps.
QStringList leftovers(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    names.removeIf([](const QString &n) { return n.endsWith(QStringLiteral(".lock")); });
    return names;
}

// Whether a flock() on path is held elsewhere: what a second process would wait for.
bool locked(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    const bool held = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    return ::close(fd), held;
}

// The contract's storage: a folder of its own. (The contract is doctest's,
// run from a slot below: this program is already the one linking the store.)
struct IniStorage
{
    QTemporaryDir dir;
    IniSettingsStore first{s(dir.filePath(QStringLiteral("config")))};
    SettingsStore &store() { return first; }
    std::unique_ptr<SettingsStore> another() { return std::make_unique<IniSettingsStore>(first.configDir()); }
};

} // namespace

TYPE_TO_STRING(IniStorage);
TEST_CASE_TEMPLATE_INVOKE(settingsStoreContract, IniStorage);

class TestIniSettingsStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void contract() { QCOMPARE(doctest::Context().run(), 0); }

    // Any spelling finds a folder, file, section and key; the spelling found
    // on disk, or first written, stays. What QSettings cannot say plainly
    // (text that is not Unicode, as another program may leave) is written
    // back byte for byte as it was read; a name ending in '/' as QSettings
    // escapes it (the fuzz target reads such a name back).
    void namesIgnoreLetterCaseAndOddValuesSurviveRewrites()
    {
        const QList<std::pair<QString, QString>> odd{{"high", QString(QChar(0xD800))},
            {"low", QString(QChar(0xDC00)) + u'a'}, {"pair", QStringLiteral("😀") + QChar(0xD83D)}, {"a/b/", "x"}};
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("KICKLIST/kicklist.INI"));
        QVERIFY(writeBytes(file, "[setAPP]\nLASTpath=first\nhigh=\\xd800\nlow=\\xdc00\\x61\npair=\xf0\x9f\x98\x80\\xd83d\n"));
        IniSettingsStore store(s(dir.path()));
        QCOMPARE(q(store.GetSetting("kICKlIST", "sEtApP", "lAsTpAtH", {})), QStringLiteral("first"));
        store.SaveSetting(App, SetApp, "LastPath", "second");
        store.SaveSetting(App, "New", "key", "x");
        store.SaveSetting("kicklist", "NEW", "KEY", "y");
        store.SaveSetting(App, "new", "Goné", "g");
        store.DeleteSetting(App, "nEw", "gONÉ");
        store.SaveSetting(App, SetApp, s(odd.last().first), s(odd.last().second));
        store.commit();
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"KICKLIST"});
        QCOMPARE(leftovers(QFileInfo(file).path()), QStringList{"kicklist.INI"});
        QCOMPARE(readBytes(file), "[setAPP]\nLASTpath=second\nhigh=\\xd800\nlow=\\xdc00\\x61\n"
                                  "pair=\xf0\x9f\x98\x80\\xd83d\na\\b%2F=x\n\n[New]\nkey=y\n");
        const QSettings theirs(file, QSettings::IniFormat);
        for (const auto &[key, value] : odd.first(3)) // QSettings drops a last '/' from any name it is asked for
            QCOMPARE(theirs.value(QStringLiteral("setAPP/") + key).toString(), value);
    }

    // Both write the same lines (so QSettings reads ours as its own), and
    // the store reads what QSettings wrote: the contract's odd values, and
    // names of their own.
    void valuesAndKeysMatchQSettings()
    {
        std::vector<contract::Value> values = contract::OddValues;
        values.insert(values.end(), {{"Sec", "Path_1.x-y", "C:/Program Files/app.exe"}, {"Sec", "two words", " "},
            {"Sec", "100% café", std::string("nul\0" "1a", 5)}, {"名前", "𠮷", " @x;\"\\,=\t日本 "}});
        QTemporaryDir dir;
        IniSettingsStore store(s(dir.path()));
        const QString theirs = dir.filePath(QStringLiteral("Other/Other.ini"));
        QSettings qs(theirs, QSettings::IniFormat);
        for (const contract::Value &v : values) {
            store.SaveSetting(App, v.section, v.key, v.text);
            qs.setValue(q(v.section) + u'/' + q(v.key), q(v.text));
        }
        store.commit();
        qs.sync();
        IniSettingsStore reader(s(dir.path()));
        for (const contract::Value &v : values)
            QCOMPARE(q(reader.GetSetting("Other", v.section, v.key, "missing")), q(v.text));
        const auto lines = [](const QString &path) { QByteArrayList l = readBytes(path).split('\n'); std::sort(l.begin(), l.end()); return l; };
        QCOMPARE(lines(q(store.fileName(App))), lines(theirs));
    }

    // Where the store lives comes from the environment's bytes as given;
    // with no absolute home it reads nothing and writes nothing.
    void folderFollowsTheEnvironment_data()
    {
        QTest::addColumn<QByteArray>("xdg"); // "-": unset; a leading '~' is the test's folder
        QTest::addColumn<QByteArray>("home");
        QTest::addColumn<QByteArray>("where"); // the file made, under the test's folder; empty: none
        QTest::newRow("XDG_CONFIG_HOME first") << QByteArray("~/xdg") << QByteArray("~/home") << QByteArray("/xdg");
        QTest::newRow("relative XDG_CONFIG_HOME") << QByteArray("xdg") << QByteArray("~/home") << QByteArray("/home/.config");
        QTest::newRow("not UTF-8") << QByteArray("-") << QByteArray("~/h\xff\xfe") << QByteArray("/h\xff\xfe/.config");
        QTest::newRow("XDG not UTF-8") << QByteArray("~/h\xff\xfe/x") << QByteArray("-") << QByteArray("/h\xff\xfe/x");
        QTest::newRow("no HOME") << QByteArray("-") << QByteArray("-") << QByteArray();
        QTest::newRow("relative HOME") << QByteArray("-") << QByteArray("home") << QByteArray();
    }
    void folderFollowsTheEnvironment()
    {
        QFETCH(QByteArray, xdg);
        QFETCH(QByteArray, home);
        QFETCH(QByteArray, where);
        QTemporaryDir dir;
        const QByteArray root = QFile::encodeName(dir.path());
        QVERIFY(QDir::setCurrent(dir.path()) && QDir().mkdir(QStringLiteral("home")));
        QCOMPARE(::mkdir((root + "/h\xff\xfe").constData(), 0700), 0);
        const auto restore = qScopeGuard([xdg = qgetenv("XDG_CONFIG_HOME"), home = qgetenv("HOME")] { qputenv("XDG_CONFIG_HOME", xdg), qputenv("HOME", home); });
        for (const auto &[name, v] : {std::pair{"XDG_CONFIG_HOME", xdg}, std::pair{"HOME", home}})
            v == "-" ? qunsetenv(name) : qputenv(name, v.startsWith('~') ? root + v.mid(1) : v);
        IniSettingsStore store(IniSettingsStore::defaultConfigDir());
        store.SaveSetting(App, SetApp, "1", "/a");
        QCOMPARE(errorOf([&] { store.commit(); }), where.isEmpty() ? int(err::PathFileAccessError) : 0);
        struct stat st; // by the bytes: a name that is not UTF-8 has no QString
        QCOMPARE(::stat((root + where + "/Kicklist/Kicklist.ini").constData(), &st), where.isEmpty() ? -1 : 0);
        for (const char *drift : {"/Kicklist", "/xdg", "/home/.config"})
            QVERIFY2(where == drift || ::stat((root + drift).constData(), &st) != 0, drift);
        removeAll(dir.path());
    }

    // Under any umask, and only once a write goes over it; a comment is no
    // damage, and of a name given twice the later line wins. Lines the write
    // does not touch stay byte for byte, QSettings' typed values among them.
    void damagedFileIsCopiedAsideBeforeTheFirstWrite_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("comment: clean") << QByteArray("  ; a comment");
        QTest::newRow("no equals sign") << QByteArray("not a setting");
        QTest::newRow("NUL byte") << QByteArray("Bad=a\0b", 7);
        QTest::newRow("open quote") << QByteArray("Bad=\"never closed");
        QTest::newRow("dangling backslash") << QByteArray("Bad=C:\\dir\\");
        QTest::newRow("empty key") << QByteArray("=value");
        QTest::newRow("same key twice") << QByteArray("GOOD1=later");
    }
    void damagedFileIsCopiedAsideBeforeTheFirstWrite()
    {
        QFETCH(QByteArray, line);
        const bool damaged = !line.contains(';');
        const QByteArray good1 = line.startsWith("GOOD1") ? "later" : "one";
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("Kicklist")), file = folder + QStringLiteral("/Kicklist.ini");
        const QByteArray theirs = "\n[Mine] ; kept\nr=@Rect(1 2 3 4)\nb=@ByteArray(\\xff\\xfe)\nl=a, b, c\n"
                                  "v=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x5)\n  s = \" x\" ; note\n";
        const QByteArray original = "[SetApp]\ngood1=one\n" + line + "\ngood2=two\n\n[Appnames]\nName=\xe5\x90\x8d\n" + theirs;
        QVERIFY(writeBytes(file, original));
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0700), 0);
        const auto umask = qScopeGuard([old = ::umask(0)] { ::umask(old); }); // the widest: the hardest to keep private
        IniSettingsStore store(s(dir.path()));
        QCOMPARE(q(store.GetSetting(App, SetApp, "Bad", "skipped")), QStringLiteral("skipped"));
        QCOMPARE(store.readsWhole(App), !damaged);
        store.commit(); // with nothing pending: neither copies nor rewrites the file
        QCOMPARE(leftovers(folder) << QString::fromUtf8(readBytes(file)), (QStringList{"Kicklist.ini", QString::fromUtf8(original)}));
        store.SaveSetting(App, SetApp, "New", "n");
        store.commit();
        QCOMPARE(readBytes(file),
                 "[SetApp]\ngood1=" + good1 + "\ngood2=two\nNew=n\n\n[Appnames]\nName=\xe5\x90\x8d\n" + theirs);
        QCOMPARE(leftovers(folder).replaceInStrings(QRegularExpression(QStringLiteral("-\\d{8}-\\d{6}$")), QStringLiteral("-<time>")),
                 QStringList{"Kicklist.ini"} + (damaged ? QStringList{"Kicklist.ini.damaged-<time>"} : QStringList()));
        QVERIFY(writeBytes(file, "again\n" + original)); // damaged again within the second: a copy beside the first
        store.SaveSetting(App, SetApp, "New", "m");
        store.commit();
        QByteArrayList copies;
        for (const QString &copy : QDir(folder).entryList({QStringLiteral("*.damaged-*")}, QDir::Files))
            copies << readBytes(folder + u'/' + copy) + QByteArray::number(modeOf(folder + u'/' + copy), 8);
        QCOMPARE(copies, (damaged ? QByteArrayList{original + "600"} : QByteArrayList()) << "again\n" + original + "600");
    }

    // Bytes that are not UTF-8, as another program or a user may leave them:
    // every line the store does not write stays byte for byte, a name moved
    // by a removal moves as its bytes, and nothing is taken for damage.
    void bytesThatAreNotUtf8StayAsTheyAre_data()
    {
        QTest::addColumn<QByteArray>("name"); // the second entry's name in the file, and as read
        QTest::addColumn<int>("removed"); // 1: the second entry moves to key 1, written as it stood
        QTest::newRow("Latin-1, the last entry removed") << QByteArray("B\xfcro-Programm") << 3;
        QTest::newRow("Latin-1, moved") << QByteArray("B\xfcro-Programm") << 1;
        QTest::newRow("a cut sequence and a surrogate's form, moved") << QByteArray("\xe5\x90 \xed\xa0\x80 \xc3") << 1;
        QTest::newRow("a byte order mark after them, moved") << QByteArray("\xe6\x9c\xef\xbb\xbfx") << 1;
        QTest::newRow("quoted, moved") << QByteArray("a,\xff") << 1;
    }
    void bytesThatAreNotUtf8StayAsTheyAre()
    {
        QFETCH(QByteArray, name);
        QFETCH(int, removed);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Kicklist/Kicklist.ini"));
        const QByteArray others = "[Other]\nnote=caf\xe9\n\xff\xfe=\x80\n";
        const QByteArray inFile = name.contains(',') ? '"' + name + '"' : name;
        QVERIFY(writeBytes(file, "[SetApp]\nAppCount=3\n1=/a\n2=/b\n3=/c\n\n[Appnames]\nAppCount=3\n1=alpha\n2="
                                     + inFile + "\n3=gamma\n\n" + others));
        IniSettingsStore store(s(dir.path()));
        QCOMPARE(QByteArray::fromStdString(store.GetSetting(App, "Appnames", "2", {})), name);
        // The list window's removal: later entries move down a key, the last key goes.
        for (const std::string section : {"SetApp", "Appnames"}) {
            for (int k = removed; k < 3; ++k)
                store.SaveSetting(App, section, std::to_string(k), store.GetSetting(App, section, std::to_string(k + 1), "0"));
            store.DeleteSetting(App, section, "3");
            store.SaveSetting(App, section, "AppCount", "2");
        }
        store.commit();
        const QByteArray names = removed == 3 ? "1=alpha\n2=" + inFile : "1=" + inFile + "\n2=gamma";
        const QByteArray paths = removed == 3 ? "1=/a\n2=/b" : "1=/b\n2=/c";
        QCOMPARE(readBytes(file), "[SetApp]\nAppCount=2\n" + paths + "\n\n[Appnames]\nAppCount=2\n" + names + "\n\n" + others);
        QCOMPARE(leftovers(QFileInfo(file).path()), QStringList{"Kicklist.ini"}); // no damaged copy
    }

    // A fresh store under the widest umask: an application name that is no
    // file name (a path, a dot) is refused before anything touches the disk;
    // the first read locks the settings folder, made for it (a lock on a
    // parent would move), creating nothing else, till the commit; all written
    // is private; a program started in a transaction inherits nothing of it
    // (a lock it kept would hold up every other instance).
    void aFreshStoreIsPrivateAndLendsNothing()
    {
        QTemporaryDir dir;
        const QString config = dir.filePath(QStringLiteral("config")), program = dir.filePath(QStringLiteral("fds"));
        QVERIFY(writeBytes(program, "#!/bin/sh\nls -l /proc/$$/fd > \"$0.tmp\" && mv \"$0.tmp\" \"$0.out\"\n", true));
        const auto umask = qScopeGuard([old = ::umask(0)] { ::umask(old); });
        IniSettingsStore store(s(config));
        for (const std::string &app : std::vector<std::string>{"../elsewhere", "..", ".", "a\\b", "a/b", std::string("a\0b", 3)}) {
            QCOMPARE(errorOf([&] { store.SaveSetting(app, SetApp, "Path", "p"); }), int(err::InvalidProcedureCall));
            QCOMPARE(errorOf([&] { store.GetSetting(app, SetApp, "Path", {}); }), int(err::InvalidProcedureCall));
        }
        store.commit();
        QVERIFY(!QFileInfo::exists(config));
        QCOMPARE(q(store.GetSetting(App, SetApp, "Path", "d")), QStringLiteral("d"));
        QVERIFY2(locked(config) && !locked(dir.path()), "the first read did not lock the settings folder");
        store.commit();
        QVERIFY2(QDir(config).isEmpty() && !locked(config), "a commit with nothing written wrote or kept the lock");
        store.SaveSetting(App, SetApp, "Path", "x");
        store.commit();
        const QString folder = config + QStringLiteral("/Kicklist"), file = q(store.fileName(App));
        QCOMPARE((QList<int>{modeOf(config), modeOf(folder), modeOf(file), modeOf(file + ".lock")}), (QList<int>{0700, 0700, 0600, 0600}));
        ProcessStarter().Shell(s(program), vbNormalFocus);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(program + ".out"), 5000);
        const QByteArray fds = readBytes(program + ".out");
        QVERIFY2(fds.contains("/dev/null") && !fds.contains(QFile::encodeName(config)), fds);
        store.commit();
    }

    // Whatever stands at the settings path or beside it, or happens while a
    // write is pending: nothing blocks, nothing half-written replaces the
    // file, nothing is written through a link or into a folder others can
    // change, nothing far too big is loaded; a live writer's lock holds, the
    // lock file alone and a killed writer's temporary file do not, and a
    // failed commit releases the folder. A live holder makes the store busy,
    // not broken.
    void hostileOrOddPlaces_data()
    {
        // What stands there, or comes later; then what the first read, or the
        // write after it, fails with ("0": nothing; "busy": in use); what a
        // second read fails with, or the first program it finds ("old": as
        // stored before, "new": as written); the same of the file left ("-":
        // not read); the folder's names but the lock.
        for (const char *column : {"setup", "failure", "reread", "stored"})
            QTest::addColumn<QString>(column);
        QTest::addColumn<QStringList>("names");
        const QString denied = QString::number(err::PermissionDenied), refused = QString::number(err::PathFileAccessError);
        const QStringList ini{"Kicklist.ini"};
        QTest::newRow("FIFO") << "fifo" << refused << refused << "-" << QStringList();
        QTest::newRow("file over 16 MiB") << "huge" << refused << refused << "-" << ini;
        QTest::newRow("folder writable by group") << "chmod 770 folder" << denied << "old" << "old" << ini;
        QTest::newRow("file writable by others") << "chmod 606 file" << denied << "old" << "old" << ini;
        QTest::newRow("folder of another user") << "chown folder" << denied << "old" << "old" << ini;
        QTest::newRow("file of another user") << "chown file" << denied << "old" << "old" << ini;
        QTest::newRow("lock file a link") << "lock link" << refused << "old" << "old" << ini;
        QTest::newRow("file a link to the user's own") << "file link" << "0" << "new" << "new" << ini;
        QTest::newRow("killed writer's temporary file") << "leftover" << "0" << "new" << "new" << ini;
        QTest::newRow("out of inodes") << "inodes" << QString::number(err::DiskFull) << "old" << "old" << ini;
        QTest::newRow("no read permission later") << "unreadable" << denied << denied << "old" << ini;
        QTest::newRow("a folder in its place later") << "folder" << refused << refused << "old" << ini + QStringList{"Kicklist.ini.moved"};
        QTest::newRow("lock held by a live writer") << "lock held" << "busy" << "old" << "old" << ini;
        QTest::newRow("lock held for a moment") << "lock held briefly" << "0" << "new" << "new" << ini;
    }
    void hostileOrOddPlaces()
    {
        QFETCH(QString, setup);
        const auto is = [&setup](const char *s) { return setup == QLatin1String(s); };
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("Kicklist")), victim = dir.filePath(QStringLiteral("victim"));
        QString file = folder + QStringLiteral("/Kicklist.ini"), kept = file;
        QVERIFY(writeBytes(victim, "mine\n"));
        const QByteArray nativeFolder = QFile::encodeName(folder), native = QFile::encodeName(file);
        const char *target = setup.endsWith(QLatin1String("folder")) ? nativeFolder.constData() : native.constData();
        if (is("fifo"))
            QVERIFY(QDir().mkpath(folder) && ::mkfifo(native.constData(), 0600) == 0);
        else
            QVERIFY(writeBytes(file, TwoPrograms));
        if (is("huge"))
            QCOMPARE(::truncate(native.constData(), 16 * 1024 * 1024 + 1), 0);
        if (setup.startsWith(QLatin1String("chmod")))
            QCOMPARE(::chmod(target, setup.mid(6, 3).toUInt(nullptr, 8)), 0);
        if (setup.startsWith(QLatin1String("chown")))
            QCOMPARE(::chown(target, 54321, 54321), 0);
        if (is("lock link"))
            QVERIFY(QFile::link(victim, file + QStringLiteral(".lock")));
        else if (setup.startsWith(QLatin1String("lock ")))
            QVERIFY(writeBytes(file + QStringLiteral(".lock"), setup.mid(5).toUtf8()));
        // Another open file description: to flock() as good as another process.
        const bool held = setup.startsWith(QLatin1String("lock held"));
        const int fd = held ? ::open(QFile::encodeName(file + QStringLiteral(".lock")).constData(), O_RDWR) : -1;
        QVERIFY(!held || ::flock(fd, LOCK_EX) == 0);
        std::jthread letGo; // within the store's wait
        if (is("lock held briefly"))
            letGo = std::jthread([fd] { std::this_thread::sleep_for(std::chrono::milliseconds(300)), ::flock(fd, LOCK_UN); });
        if (is("file link")) {
            kept = victim + QStringLiteral(".ini");
            QVERIFY(QFile::rename(file, kept) && QFile::link(kept, file));
        }
        if (is("leftover"))
            QVERIFY(writeBytes(file + QStringLiteral(".aBcDeF"), "[SetApp]\nhalf"));
        if (is("inodes")) {
            if (::mount("tmpfs", nativeFolder.constData(), "tmpfs", 0, "size=1m,nr_inodes=3,mode=0700") != 0)
                QSKIP("cannot mount a small file system here");
            // With the folder and the lock: every inode.
            QVERIFY(writeBytes(file, TwoPrograms) && writeBytes(file + QStringLiteral(".lock"), {}));
        }
        const struct Unmount { QByteArray at; ~Unmount() { ::umount(at.constData()); } } unmount{nativeFolder};

        IniSettingsStore store(s(dir.path()));
        QString why, seen;
        const auto attempt = [&](const std::function<void()> &f) { // what f fails with
            try { f(); } catch (const RuntimeError &e) { return why = q(e.description()), e.isBusy() ? QStringLiteral("busy") : QString::number(e.number()); }
            return QStringLiteral("0");
        };
        const auto read = [&] { // an error number, or what the first program's path now is
            const QString e = attempt([&] { seen = q(store.GetSetting(App, SetApp, "1", {})); });
            return e != u'0' ? e : seen == QLatin1String("/a") ? QStringLiteral("old") : seen.left(4).mid(1);
        };
        QString error = read(), again;
        if (is("folder"))
            QVERIFY(QFile::rename(file, (kept = file + QStringLiteral(".moved"))) && QDir().mkdir(file));
        // Root passes permission checks; another file system user does not.
        const struct Root { ~Root() { ::setfsuid(0); } } root;
        const bool obey = is("unreadable") && QFile::setPermissions(file, QFile::WriteOwner) && (::setfsuid(54321), true);
        if (obey && QFile(file).open(QIODevice::ReadOnly))
            QSKIP("cannot give up the permission override here");
        if (error == QLatin1String("old")) {
            bool saved = false;
            error = attempt([&] { store.SaveSetting(App, SetApp, "1", "/new"), saved = true, store.commit(); });
            QVERIFY2(!saved || !locked(dir.path()), "the commit left the settings folder locked");
        }
        again = read();
        ::setfsuid(0);
        if (is("unreadable"))
            QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
        ::close(fd);
        const QByteArray content = is("fifo") || is("huge") ? "-" : readBytes(kept);
        QFETCH(QString, failure);
        QFETCH(QString, reread);
        QFETCH(QString, stored);
        QFETCH(QStringList, names);
        QCOMPARE(error, failure);
        QCOMPARE(again, reread);
        QCOMPARE(content == TwoPrograms ? "old" : content.contains("1=/new") ? "new" : QString::fromUtf8(content), stored);
        QCOMPARE(leftovers(folder), names);
        QCOMPARE(readBytes(victim), QByteArray("mine\n"));
        if (setup.startsWith(QLatin1String("ch")))
            QVERIFY2(why.contains(QFile::decodeName(target) + u':'), qPrintable(why));
    }

    // The copies kept before the recovery dialog's reset: none of no file,
    // only the newest few of it. (Their bytes and mode, and the list one
    // brings back, are the whole-program test's.)
    void resetKeepsTheNewestFewCopies()
    {
        QTemporaryDir dir;
        const QString config = dir.filePath(QStringLiteral("config")), file = config + "/Kicklist/Kicklist.ini";
        const auto reset = [&] { // the dialog's OK as the store sees it: the copy, then the reset
            IniSettingsStore store(s(config));
            IniResetCopy(store, App).keepBeforeReset();
            store.SaveSetting(App, SetApp, "AppCount", "0");
            store.commit();
        };
        reset();
        QVERIFY(IniResetCopy::copiesOf(file).isEmpty());
        QVERIFY(writeBytes(file, TwoPrograms));
        const QStringList old{"reset-20200101-000000", "reset-20200101-000000-2", "reset-20200101-000000-10",
                              "reset-20210101-000000", "reset-20220101-000000", "reset-20230101-000000"};
        const QStringList others{"reset-notes", "damaged-20200101-000000", "reset-20190101-000000.txt"};
        for (const QString &name : old + others)
            QVERIFY(writeBytes(file + u'.' + name, name.toUtf8()));
        reset();
        const QStringList names = IniResetCopy::copiesOf(file).replaceInStrings(file + u'.', QString());
        QCOMPARE(names.size(), IniResetCopy::Kept);
        QCOMPARE(names.mid(1), (QStringList{"reset-20230101-000000", "reset-20220101-000000", "reset-20210101-000000",
                                            "reset-20200101-000000-10"}));
        for (const QString &name : others)
            QVERIFY2(QFileInfo::exists(file + u'.' + name), qPrintable(name));
    }
};

QTEST_GUILESS_MAIN(TestIniSettingsStore)
#include "tst_inisettingsstore.moc"

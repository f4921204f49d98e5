#include "platform/inisettingsstore.h"
#include "platform/runtimeerror.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace kl;

namespace {

const QString App = QStringLiteral("Kicklist");
const QString SetApp = QStringLiteral("SetApp");

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return f.readAll();
}

void writeBytes(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(data), data.size());
}

// The error number f throws, or 0 when it returns normally.
int errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const RuntimeError &e) {
        return e.number();
    }
    return 0;
}

// What a folder holds besides the lock file a store keeps.
QStringList entriesOf(const QString &dir)
{
    QStringList names = QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    names.removeIf([](const QString &n) { return n.endsWith(QStringLiteral(".lock")); });
    return names;
}

// The line QSettings writes for key=value, found in the file it wrote.
QByteArray lineFor(const QByteArray &file, const QByteArray &escapedKey)
{
    for (const QByteArray &line : file.split('\n')) {
        if (line.startsWith(escapedKey + '='))
            return line;
    }
    return QByteArray();
}

#ifdef Q_OS_UNIX
struct FileId
{
    bool exists = false;
    qint64 inode = 0;
    qint64 mtimeNs = 0;
    qint64 size = 0;
    friend bool operator==(const FileId &, const FileId &) = default;
};

FileId fileId(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {true, qint64(st.st_ino), qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            qint64(st.st_size)};
}

int modeOf(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 07777);
}

// Writes past limit bytes fail with EFBIG instead of killing the process;
// unlike permissions, this holds for root too.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lower = m_old;
        lower.rlim_cur = limit;
        m_active = ::setrlimit(RLIMIT_FSIZE, &lower) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool active() const { return m_active; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = SIG_DFL;
    bool m_active = false;
};
#endif

// Run as a second process: save one setting and commit, as another running
// instance of the program would.
int saveAsOtherProcess(const QStringList &args)
{
    try {
        IniSettingsStore store(args.at(0));
        store.SaveSetting(args.at(1), args.at(2), args.at(3), args.at(4));
        store.commit();
    } catch (const RuntimeError &e) {
        return e.number();
    }
    return 0;
}

const char ChildFlag[] = "--save-setting";

} // namespace

class TestIniSettingsStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void missingEntriesGiveTheDefault()
    {
        QTemporaryDir dir;
        IniSettingsStore store(dir.path());
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("Path"), QStringLiteral("def")),
                 QStringLiteral("def"));
        store.SaveSetting(App, SetApp, QStringLiteral("Path"), QStringLiteral("x"));
        store.commit();
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("Other"), QStringLiteral("d1")), QStringLiteral("d1"));
        QCOMPARE(store.GetSetting(App, QStringLiteral("Appnames"), QStringLiteral("Path"), QStringLiteral("d2")),
                 QStringLiteral("d2"));
        QCOMPARE(store.GetSetting(QStringLiteral("OtherApp"), SetApp, QStringLiteral("Path"), QStringLiteral("d3")),
                 QStringLiteral("d3"));
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("Path"), QStringLiteral("d4")), QStringLiteral("x"));
        // Reading never creates anything.
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("OtherApp"))));
    }

    void pendingWritesAreReadBackBeforeCommit()
    {
        QTemporaryDir dir;
        IniSettingsStore store(dir.path());
        store.SaveSetting(App, SetApp, QStringLiteral("A"), QStringLiteral("1"));
        store.SaveSetting(App, SetApp, QStringLiteral("B"), QStringLiteral("2"));
        store.SaveSetting(App, SetApp, QStringLiteral("A"), QStringLiteral("3"));
        store.DeleteSetting(App, SetApp, QStringLiteral("B"));
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("A"), QString()), QStringLiteral("3"));
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("B"), QStringLiteral("gone")), QStringLiteral("gone"));
        QVERIFY(!QFileInfo::exists(store.fileName(App))); // nothing on disk until commit

        store.commit();
        IniSettingsStore other(dir.path());
        QCOMPARE(other.GetSetting(App, SetApp, QStringLiteral("A"), QString()), QStringLiteral("3"));
        QCOMPARE(other.GetSetting(App, SetApp, QStringLiteral("B"), QStringLiteral("gone")), QStringLiteral("gone"));
    }

    void namesMatchWithoutLetterCase_data()
    {
        QTest::addColumn<QString>("readApp");
        QTest::addColumn<QString>("readSection");
        QTest::addColumn<QString>("readKey");
        QTest::newRow("all lower") << "kicklist" << "setapp" << "lastpath";
        QTest::newRow("all upper") << "KICKLIST" << "SETAPP" << "LASTPATH";
        QTest::newRow("mixed") << "kICKlIST" << "sEtApP" << "lAsTpAtH";
        QTest::newRow("same") << "Kicklist" << "SetApp" << "LastPath";
    }
    void namesMatchWithoutLetterCase()
    {
        QFETCH(QString, readApp);
        QFETCH(QString, readSection);
        QFETCH(QString, readKey);
        QTemporaryDir dir;
        {
            IniSettingsStore store(dir.path());
            store.SaveSetting(App, SetApp, QStringLiteral("LastPath"), QStringLiteral("first"));
            QCOMPARE(store.GetSetting(readApp, readSection, readKey, QString()), QStringLiteral("first"));
            // A second spelling replaces the value, not the name.
            store.SaveSetting(readApp, readSection, readKey, QStringLiteral("second"));
            store.commit();
        }
        const QString file = dir.filePath(QStringLiteral("Kicklist/Kicklist.ini"));
        QCOMPARE(entriesOf(dir.path()), QStringList{App});
        const QByteArray text = readBytes(file);
        QCOMPARE(text, QByteArray("[SetApp]\nLastPath=second\n"));

        IniSettingsStore store(dir.path());
        QCOMPARE(store.GetSetting(readApp, readSection, readKey, QString()), QStringLiteral("second"));
        store.DeleteSetting(readApp, readSection, readKey);
        store.commit();
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("LastPath"), QStringLiteral("none")),
                 QStringLiteral("none"));
        QVERIFY(!readBytes(file).contains("LastPath"));
    }

    void existingFolderSpellingIsUsed()
    {
        QTemporaryDir dir;
        const QString existing = dir.filePath(QStringLiteral("KICKLIST/kicklist.INI"));
        writeBytes(existing, "[setapp]\nPATH=/bin/true\n");
        IniSettingsStore store(dir.path());
        QCOMPARE(store.fileName(App), existing);
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("Path"), QString()), QStringLiteral("/bin/true"));
        store.SaveSetting(App, QStringLiteral("Appnames"), QStringLiteral("Name"), QStringLiteral("v"));
        store.commit();
        QCOMPARE(entriesOf(dir.path()), QStringList{QStringLiteral("KICKLIST")});
        QCOMPARE(readBytes(existing), QByteArray("[setapp]\nPATH=/bin/true\n\n[Appnames]\nName=v\n"));
    }

    void writesPersistAcrossStores()
    {
        QTemporaryDir dir;
        IniSettingsStore first(dir.path());
        IniSettingsStore second(dir.path());
        first.SaveSetting(App, SetApp, QStringLiteral("A"), QStringLiteral("from first"));
        first.commit();
        QCOMPARE(second.GetSetting(App, SetApp, QStringLiteral("A"), QString()), QStringLiteral("from first"));

        // Both have pending writes: each commit replays its own on top of
        // what the other already put on disk.
        first.SaveSetting(App, SetApp, QStringLiteral("B"), QStringLiteral("b1"));
        second.SaveSetting(App, SetApp, QStringLiteral("C"), QStringLiteral("c2"));
        second.DeleteSetting(App, SetApp, QStringLiteral("A"));
        first.DeleteSetting(App, SetApp, QStringLiteral("A"));
        first.commit();
        second.commit(); // A is already gone on disk: skipped, not an error

        IniSettingsStore third(dir.path());
        QCOMPARE(third.GetSetting(App, SetApp, QStringLiteral("A"), QStringLiteral("none")), QStringLiteral("none"));
        QCOMPARE(third.GetSetting(App, SetApp, QStringLiteral("B"), QString()), QStringLiteral("b1"));
        QCOMPARE(third.GetSetting(App, SetApp, QStringLiteral("C"), QString()), QStringLiteral("c2"));
        // With nothing pending, the first store sees the second's commit.
        QCOMPARE(first.GetSetting(App, SetApp, QStringLiteral("C"), QString()), QStringLiteral("c2"));
    }

    void otherProcessWritesAreSeenAtNextRead()
    {
        QTemporaryDir dir;
        IniSettingsStore store(dir.path());
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("Shared"), QStringLiteral("none")),
                 QStringLiteral("none"));

        const auto saveElsewhere = [&](const QString &value) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(),
                        {QString::fromLatin1(ChildFlag), dir.path(), App, SetApp, QStringLiteral("Shared"), value});
            QVERIFY(child.waitForFinished(60000));
            QCOMPARE(child.exitStatus(), QProcess::NormalExit);
            QCOMPARE(child.exitCode(), 0);
        };

        saveElsewhere(QStringLiteral("v1"));
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("Shared"), QString()), QStringLiteral("v1"));
        // Same size, possibly the same time stamp: still seen.
        saveElsewhere(QStringLiteral("v2"));
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("Shared"), QString()), QStringLiteral("v2"));

        // Pending writes here survive the other process's commit, and its
        // value survives ours.
        store.SaveSetting(App, SetApp, QStringLiteral("Mine"), QStringLiteral("m"));
        saveElsewhere(QStringLiteral("v3"));
        store.commit();
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("Shared"), QString()), QStringLiteral("v3"));
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("Mine"), QString()), QStringLiteral("m"));
    }

    void valuesMatchQSettings_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("plain") << "C:/Program Files/app.exe";
        QTest::newRow("empty") << "";
        QTest::newRow("leading blanks") << "  lead";
        QTest::newRow("trailing blanks") << "trail  ";
        QTest::newRow("only a blank") << " ";
        QTest::newRow("tab at both ends") << "\tx\t";
        QTest::newRow("backslashes") << "C:\\Program Files\\アプリ\\app.exe";
        QTest::newRow("trailing backslash") << "C:\\dir\\";
        QTest::newRow("quotes") << "say \"hi\"";
        QTest::newRow("lone quote") << "\"";
        QTest::newRow("semicolon") << "a;b";
        QTest::newRow("comma") << "a, b";
        QTest::newRow("equals") << "a=b";
        QTest::newRow("comment look-alike") << "; not a comment";
        QTest::newRow("section look-alike") << "[SetApp]";
        QTest::newRow("control characters") << QStringLiteral("a\x01" "b\x1f" "c\x7f" "d");
        QTest::newRow("hex digit after escape") << QStringLiteral("\x01" "1f");
        QTest::newRow("line breaks") << "one\ntwo\r\nthree";
        QTest::newRow("bell and friends") << "\a\b\f\v";
        QTest::newRow("NUL then hex digits") << (QStringLiteral("nul") + QChar(0) + QStringLiteral("1a"));
        QTest::newRow("leading at") << "@home";
        QTest::newRow("double at") << "@@";
        QTest::newRow("byte array look-alike") << "@ByteArray(x)";
        QTest::newRow("string look-alike") << "@String(x)";
        QTest::newRow("invalid look-alike") << "@Invalid()";
        QTest::newRow("Japanese") << "日本語のテキスト　全角スペース";
        QTest::newRow("outside the BMP") << "𠮷野家 😀";
        QTest::newRow("percent") << "100%20";
        QTest::newRow("everything") << " @x;\"\\,=\t日本 ";
    }
    void valuesMatchQSettings()
    {
        QFETCH(QString, value);
        QTemporaryDir dir;
        const QString key = QStringLiteral("Value");

        // Ours, read by QSettings.
        IniSettingsStore store(dir.path());
        store.SaveSetting(App, SetApp, key, value);
        store.commit();
        const QString ours = store.fileName(App);
        {
            QSettings qs(ours, QSettings::IniFormat);
            QCOMPARE(qs.status(), QSettings::NoError);
            QCOMPARE(qs.value(SetApp + u'/' + key).toString(), value);
        }

        // QSettings', read by ours, and written the same way.
        const QString theirs = dir.filePath(QStringLiteral("Other/Other.ini"));
        {
            QSettings qs(theirs, QSettings::IniFormat);
            qs.setValue(SetApp + u'/' + key, value);
            qs.sync();
            QCOMPARE(qs.status(), QSettings::NoError);
        }
        IniSettingsStore reader(dir.path());
        QCOMPARE(reader.GetSetting(QStringLiteral("Other"), SetApp, key, QStringLiteral("missing")), value);
        QCOMPARE(lineFor(readBytes(ours), key.toLatin1()), lineFor(readBytes(theirs), key.toLatin1()));
    }

    void keysMatchQSettings_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("escaped");
        QTest::newRow("plain") << "Path_1.x-y" << QByteArray("Path_1.x-y");
        QTest::newRow("blank") << "two words" << QByteArray("two%20words");
        QTest::newRow("specials") << "a=b;c\"d" << QByteArray("a%3Db%3Bc%22d");
        QTest::newRow("percent") << "100%" << QByteArray("100%25");
        QTest::newRow("Latin-1") << "café" << QByteArray("caf%E9");
        QTest::newRow("Japanese") << "名前" << QByteArray("%U540D%U524D");
        QTest::newRow("slash") << "a/b" << QByteArray("a\\b");
        QTest::newRow("backslash") << "a\\b" << QByteArray("a%5Cb");
    }
    void keysMatchQSettings()
    {
        QFETCH(QString, key);
        QFETCH(QByteArray, escaped);
        QTemporaryDir dir;
        IniSettingsStore store(dir.path());
        store.SaveSetting(App, SetApp, key, QStringLiteral("v"));
        store.commit();
        QCOMPARE(lineFor(readBytes(store.fileName(App)), escaped), escaped + "=v");
        {
            QSettings qs(store.fileName(App), QSettings::IniFormat);
            QCOMPARE(qs.value(SetApp + u'/' + key).toString(), QStringLiteral("v"));
        }

        const QString theirs = dir.filePath(QStringLiteral("Other/Other.ini"));
        {
            QSettings qs(theirs, QSettings::IniFormat);
            qs.setValue(SetApp + u'/' + key, QStringLiteral("w"));
        }
        QCOMPARE(lineFor(readBytes(theirs), escaped), escaped + "=w");
        IniSettingsStore reader(dir.path());
        QCOMPARE(reader.GetSetting(QStringLiteral("Other"), SetApp, key, QString()), QStringLiteral("w"));
    }

    void handWrittenFilesReadAsQSettingsReadsThem_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("value");
        QTest::newRow("blanks around") << QByteArray("[SetApp]\n  K =  v w \t\n") << "v w";
        QTest::newRow("trailing comment") << QByteArray("[SetApp]\nK=v ; note\n") << "v";
        QTest::newRow("quoted comment sign") << QByteArray("[SetApp]\nK=\"v ; w\"\n") << "v ; w";
        QTest::newRow("raw UTF-8") << QByteArray("[SetApp]\n\xe3\x82\xad=x\nK=\xe3\x81\x82\n") << "あ";
        QTest::newRow("octal and long hex escapes") << QByteArray("[SetApp]\nK=\\101\\x263a\n") << "A☺";
        QTest::newRow("string mark") << QByteArray("[SetApp]\nK=@String(a\\0b)\n")
                                     << (QStringLiteral("a") + QChar(0) + u'b');
        QTest::newRow("byte array") << QByteArray("[SetApp]\nK=@ByteArray(\\xe3\\x81\\x82)\n") << "あ";
        QTest::newRow("CRLF line ends") << QByteArray("[SetApp]\r\nK=crlf\r\nL=x\r\n") << "crlf";
        QTest::newRow("UTF-8 byte order mark") << QByteArray("\xef\xbb\xbf[SetApp]\nK=bom\n") << "bom";
        QTest::newRow("section spelled twice") << QByteArray("[SetApp]\nA=1\n[Other]\nB=2\n[SETAPP]\nK=again\n")
                                               << "again";
    }
    void handWrittenFilesReadAsQSettingsReadsThem()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, value);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Kicklist/Kicklist.ini"));
        writeBytes(file, text);
        {
            QSettings qs(file, QSettings::IniFormat);
            QCOMPARE(qs.value(QStringLiteral("SetApp/K"), qs.value(QStringLiteral("SETAPP/K"))).toString(), value);
        }
        IniSettingsStore store(dir.path());
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("k"), QStringLiteral("missing")), value);
    }

    void damagedLinesAreSkipped_data()
    {
        QTest::addColumn<QByteArray>("bad");
        QTest::addColumn<QString>("good1"); // a later line of the same name wins
        QTest::newRow("no equals sign") << QByteArray("this is not a setting") << "one";
        QTest::newRow("invalid UTF-8") << QByteArray("Bad=\xff\xfe\xc3") << "one";
        QTest::newRow("NUL byte") << QByteArray("Bad=a\0b", 7) << "one";
        QTest::newRow("open quote") << QByteArray("Bad=\"never closed") << "one";
        QTest::newRow("dangling backslash") << QByteArray("Bad=C:\\dir\\") << "one";
        QTest::newRow("empty key") << QByteArray("=value") << "one";
        QTest::newRow("binary junk") << QByteArray("\x01\x02\x03\xff\x80\x00\x7f", 7) << "one";
        QTest::newRow("same key twice") << QByteArray("GOOD1=later") << "later";
    }
    void damagedLinesAreSkipped()
    {
        QFETCH(QByteArray, bad);
        QFETCH(QString, good1);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Kicklist/Kicklist.ini"));
        const QByteArray original = "[SetApp]\ngood1=one\n" + bad + "\ngood2=two\n\n[Appnames]\nName=\xe5\x90\x8d\n";
        writeBytes(file, original);

        IniSettingsStore store(dir.path());
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("good2"), QString()), QStringLiteral("two"));
        QCOMPARE(store.GetSetting(App, QStringLiteral("Appnames"), QStringLiteral("Name"), QString()),
                 QStringLiteral("名"));
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("Bad"), QStringLiteral("skipped")),
                 QStringLiteral("skipped"));
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("good1"), QString()), good1);
        QCOMPARE(entriesOf(QFileInfo(file).path()).size(), 1); // reading alone copies nothing

        store.SaveSetting(App, SetApp, QStringLiteral("New"), QStringLiteral("n"));
        store.commit();

        const QStringList names = entriesOf(QFileInfo(file).path());
        QCOMPARE(names.size(), 2);
        const QString copy = names.at(0) == QStringLiteral("Kicklist.ini") ? names.at(1) : names.at(0);
        QVERIFY2(QRegularExpression(QStringLiteral("^Kicklist\\.ini\\.damaged-\\d{8}-\\d{6}$")).match(copy).hasMatch(),
                 qPrintable(copy));
        QCOMPARE(readBytes(QFileInfo(file).path() + u'/' + copy), original);

        // What remains is clean: QSettings reads all of it.
        QSettings qs(file, QSettings::IniFormat);
        QCOMPARE(qs.status(), QSettings::NoError);
        QCOMPARE(qs.value(QStringLiteral("SetApp/good1")).toString(), good1);
        QCOMPARE(qs.value(QStringLiteral("SetApp/good2")).toString(), QStringLiteral("two"));
        QCOMPARE(qs.value(QStringLiteral("SetApp/New")).toString(), QStringLiteral("n"));
        QCOMPARE(qs.value(QStringLiteral("Appnames/Name")).toString(), QStringLiteral("名"));
    }

    void cleanFilesAreNotCopied()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Kicklist/Kicklist.ini"));
        writeBytes(file, "; a comment\n\n[SetApp]\n  Path = /bin/sh ; why\nOther=\"x, y\"\n");
        IniSettingsStore store(dir.path());
        store.SaveSetting(App, SetApp, QStringLiteral("New"), QStringLiteral("n"));
        store.commit();
        QCOMPARE(entriesOf(QFileInfo(file).path()), QStringList{QStringLiteral("Kicklist.ini")});
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("Path"), QString()), QStringLiteral("/bin/sh"));
    }

    void damagedCopiesAreNeverOverwritten()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Kicklist/Kicklist.ini"));
        const QByteArray first = "[SetApp]\njunk one\nA=1\n";
        const QByteArray second = "[SetApp]\njunk two\nA=2\n";
        writeBytes(file, first);
        {
            IniSettingsStore store(dir.path());
            store.SaveSetting(App, SetApp, QStringLiteral("B"), QStringLiteral("b"));
            store.commit();
        }
        writeBytes(file, second);
        {
            IniSettingsStore store(dir.path());
            store.SaveSetting(App, SetApp, QStringLiteral("B"), QStringLiteral("c"));
            store.commit();
        }
        QList<QByteArray> copies;
        for (const QString &name : entriesOf(QFileInfo(file).path())) {
            if (name.startsWith(QStringLiteral("Kicklist.ini.damaged-")))
                copies.append(readBytes(QFileInfo(file).path() + u'/' + name));
        }
        QCOMPARE(copies.size(), 2);
        QVERIFY(copies.contains(first));
        QVERIFY(copies.contains(second));
    }

    void largeDamagedFileLoads()
    {
        QTemporaryDir dir;
        QByteArray text = "[SetApp]\n";
        text.reserve(11 * 1024 * 1024);
        for (int i = 0; text.size() < 10 * 1024 * 1024; ++i) {
            text += "Key" + QByteArray::number(i) + "=value \xe3\x81\x82 " + QByteArray::number(i * 7) + '\n';
            if (i % 997 == 0)
                text += "junk without equals\n\xff\xfe\n";
        }
        text += "Last=end\n";
        writeBytes(dir.filePath(QStringLiteral("Kicklist/Kicklist.ini")), text);
        IniSettingsStore store(dir.path());
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("last"), QString()), QStringLiteral("end"));
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("key1000"), QString()), QStringLiteral("value あ 7000"));
    }

    void unreadableFileIsNeverOverwritten_data()
    {
        QTest::addColumn<bool>("permissions"); // else the path is a folder
        QTest::addColumn<int>("number");
        QTest::newRow("no read permission") << true << int(err::PermissionDenied);
        QTest::newRow("a folder in its place") << false << int(err::PathFileAccessError);
    }
    void unreadableFileIsNeverOverwritten()
    {
        QFETCH(bool, permissions);
        QFETCH(int, number);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Kicklist/Kicklist.ini"));
        const QByteArray original = "[SetApp]\nPath=/bin/true\n";
        if (permissions) {
            writeBytes(file, original);
            QFile::setPermissions(file, QFile::Permissions());
            QFile probe(file);
            if (probe.open(QIODevice::ReadOnly)) {
                QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
                QSKIP("this user reads files regardless of permissions (root); see the folder case");
            }
        } else {
            writeBytes(file + QStringLiteral("/inside"), original);
        }

        IniSettingsStore store(dir.path());
        QCOMPARE(errorOf([&] { store.GetSetting(App, SetApp, QStringLiteral("Path"), QString()); }), number);
        QCOMPARE(errorOf([&] { store.SaveSetting(App, SetApp, QStringLiteral("Path"), QStringLiteral("x")); }),
                 number);
        QCOMPARE(errorOf([&] { store.DeleteSetting(App, SetApp, QStringLiteral("Path")); }), number);
        QCOMPARE(errorOf([&] { store.commit(); }), 0); // nothing was accepted, nothing to write

        if (permissions) {
            QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
            QCOMPARE(readBytes(file), original);
        } else {
            QVERIFY(QFileInfo(file).isDir());
            QCOMPARE(entriesOf(file), QStringList{QStringLiteral("inside")});
            QCOMPARE(readBytes(file + QStringLiteral("/inside")), original);
        }
        QCOMPARE(entriesOf(QFileInfo(file).path()), QStringList{QStringLiteral("Kicklist.ini")});
    }

    void fileThatTurnsUnreadableIsNotReplaced()
    {
        QTemporaryDir dir;
        IniSettingsStore store(dir.path());
        store.SaveSetting(App, SetApp, QStringLiteral("Path"), QStringLiteral("old"));
        store.commit();
        const QString file = store.fileName(App);

        // Between load and commit the file is swapped for a folder.
        store.SaveSetting(App, SetApp, QStringLiteral("Path"), QStringLiteral("new"));
        QVERIFY(QFile::rename(file, file + QStringLiteral(".moved")));
        QVERIFY(QDir().mkdir(file));
        QCOMPARE(errorOf([&] { store.commit(); }), int(err::PathFileAccessError));
        QVERIFY(QFileInfo(file).isDir());
        QVERIFY(entriesOf(file).isEmpty());
        QCOMPARE(errorOf([&] { store.GetSetting(App, SetApp, QStringLiteral("Path"), QString()); }),
                 int(err::PathFileAccessError));
    }

    void failedWriteKeepsTheOldFile_data()
    {
        QTest::addColumn<bool>("readOnlyFolder"); // else a file size limit
        QTest::newRow("file size limit") << false;
        QTest::newRow("read-only folder") << true;
    }
    void failedWriteKeepsTheOldFile()
    {
#ifdef Q_OS_UNIX
        QFETCH(bool, readOnlyFolder);
        QTemporaryDir dir;
        IniSettingsStore store(dir.path());
        store.SaveSetting(App, SetApp, QStringLiteral("Path"), QStringLiteral("old"));
        store.commit();
        const QString file = store.fileName(App);
        const QString folder = QFileInfo(file).path();
        const QByteArray before = readBytes(file);
        const FileId beforeId = fileId(file);

        store.SaveSetting(App, SetApp, QStringLiteral("Path"), QStringLiteral("new"));
        store.SaveSetting(App, SetApp, QStringLiteral("Big"), QString(64 * 1024, u'x'));
        if (readOnlyFolder) {
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
            if (::access(QFile::encodeName(folder).constData(), W_OK) == 0) {
                QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
                QSKIP("this user writes regardless of permissions (root); see the size limit case");
            }
            const int number = errorOf([&] { store.commit(); });
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QCOMPARE(number, int(err::PermissionDenied));
        } else {
            FileSizeLimit limit(4096);
            QVERIFY(limit.active());
            QCOMPARE(errorOf([&] { store.commit(); }), int(err::PathFileAccessError));
        }

        QCOMPARE(readBytes(file), before);
        QCOMPARE(fileId(file), beforeId);
        QCOMPARE(entriesOf(folder), QStringList{QStringLiteral("Kicklist.ini")}); // no temporary left over
        // The journal is gone: memory is what the disk holds.
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("Path"), QString()), QStringLiteral("old"));
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("Big"), QStringLiteral("none")), QStringLiteral("none"));
        store.commit();
        QCOMPARE(fileId(file), beforeId);
#else
        QSKIP("needs POSIX file size limits");
#endif
    }

    void folderThatCannotBeMadeFailsTheCommit()
    {
        QTemporaryDir dir;
        const QString blocker = dir.filePath(QStringLiteral("config"));
        writeBytes(blocker, "a file where the settings folder should go");
        IniSettingsStore store(blocker);
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("Path"), QStringLiteral("def")), QStringLiteral("def"));
        store.SaveSetting(App, SetApp, QStringLiteral("Path"), QStringLiteral("x"));
        const int number = errorOf([&] { store.commit(); });
        QVERIFY2(number == err::PathFileAccessError || number == err::PermissionDenied,
                 qPrintable(QString::number(number)));
        QCOMPARE(readBytes(blocker), QByteArray("a file where the settings folder should go"));
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("Path"), QStringLiteral("def")), QStringLiteral("def"));
    }

    void deletingWhatIsMissingFails_data()
    {
        QTest::addColumn<QString>("app");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::newRow("missing application") << "Nothing" << "SetApp" << "Path";
        QTest::newRow("missing section") << "Kicklist" << "Nothing" << "Path";
        QTest::newRow("missing key") << "Kicklist" << "SetApp" << "Nothing";
        QTest::newRow("key deleted before") << "Kicklist" << "SetApp" << "Deleted";
        QTest::newRow("empty key") << "Kicklist" << "SetApp" << "";
    }
    void deletingWhatIsMissingFails()
    {
        QFETCH(QString, app);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QTemporaryDir dir;
        IniSettingsStore store(dir.path());
        store.SaveSetting(App, SetApp, QStringLiteral("Path"), QStringLiteral("p"));
        store.SaveSetting(App, SetApp, QStringLiteral("Deleted"), QStringLiteral("d"));
        store.commit();
        store.DeleteSetting(App, SetApp, QStringLiteral("Deleted"));
        QCOMPARE(errorOf([&] { store.DeleteSetting(app, section, key); }), int(err::InvalidProcedureCall));
        store.commit();
        QCOMPARE(errorOf([&] { store.DeleteSetting(app, section, key); }), int(err::InvalidProcedureCall));
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("Path"), QString()), QStringLiteral("p"));
    }

    void unusableNamesAreRejected_data()
    {
        QTest::addColumn<QString>("app");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::newRow("empty application") << "" << "SetApp" << "Path";
        QTest::newRow("application with slash") << "../elsewhere" << "SetApp" << "Path";
        QTest::newRow("parent folder") << ".." << "SetApp" << "Path";
        QTest::newRow("empty section") << "Kicklist" << "" << "Path";
        QTest::newRow("empty key") << "Kicklist" << "SetApp" << "";
    }
    void unusableNamesAreRejected()
    {
        QFETCH(QString, app);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QTemporaryDir dir;
        IniSettingsStore store(dir.path() + QStringLiteral("/config"));
        QCOMPARE(errorOf([&] { store.SaveSetting(app, section, key, QStringLiteral("v")); }),
                 int(err::InvalidProcedureCall));
        store.commit();
        QCOMPARE(entriesOf(dir.path()), QStringList());
    }

    void newFilesArePrivate()
    {
#ifdef Q_OS_UNIX
        QTemporaryDir dir;
        const mode_t oldMask = ::umask(0);
        IniSettingsStore store(dir.path() + QStringLiteral("/config"));
        store.SaveSetting(App, SetApp, QStringLiteral("Path"), QStringLiteral("x"));
        store.commit();
        ::umask(oldMask);
        QCOMPARE(modeOf(store.fileName(App)), 0600);
        QCOMPARE(modeOf(QFileInfo(store.fileName(App)).path()), 0700);
        QCOMPARE(modeOf(dir.path() + QStringLiteral("/config")), 0700);
#else
        QSKIP("POSIX modes only");
#endif
    }

    void commitWithNothingPendingTouchesNothing()
    {
#ifdef Q_OS_UNIX
        QTemporaryDir dir;
        IniSettingsStore store(dir.path() + QStringLiteral("/config"));
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("Path"), QStringLiteral("d")), QStringLiteral("d"));
        store.commit();
        QVERIFY(!QFileInfo::exists(dir.path() + QStringLiteral("/config"))); // not even the folder

        store.SaveSetting(App, SetApp, QStringLiteral("Path"), QStringLiteral("x"));
        store.commit();
        const QString file = store.fileName(App);
        const FileId before = fileId(file);
        QVERIFY(before.exists);
        const FileId folderBefore = fileId(QFileInfo(file).path());

        store.commit();
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("Path"), QString()), QStringLiteral("x"));
        store.commit();
        QCOMPARE(fileId(file), before);
        QCOMPARE(fileId(QFileInfo(file).path()), folderBefore);
#else
        QSKIP("needs POSIX time stamps");
#endif
    }

    void defaultConfigDirFollowsXdg_data()
    {
        QTest::addColumn<QByteArray>("xdg");
        QTest::addColumn<bool>("used");
        QTest::newRow("absolute") << QByteArray("/tmp/kl-config") << true;
        QTest::newRow("relative") << QByteArray("relative/config") << false;
        QTest::newRow("empty") << QByteArray("") << false;
    }
    void defaultConfigDirFollowsXdg()
    {
        QFETCH(QByteArray, xdg);
        QFETCH(bool, used);
        const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
        const bool wasSet = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", xdg);
        const QString got = IniSettingsStore::defaultConfigDir();
        if (wasSet)
            qputenv("XDG_CONFIG_HOME", saved);
        else
            qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(got, used ? QString::fromLocal8Bit(xdg) : QDir::homePath() + QStringLiteral("/.config"));
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 7 && args.at(1) == QLatin1String(ChildFlag))
        return saveAsOtherProcess(args.mid(2));
    TestIniSettingsStore test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_inisettingsstore.moc"

#include "support/fakes.h"

#include "platform/inisettingsstore.h"
#include "platform/runtimeerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <sys/stat.h>

using namespace kl;
using kl::test::errorOf;

namespace {

const QString App = QStringLiteral("Kicklist");
const QString SetApp = QStringLiteral("SetApp");

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

} // namespace

class TestIniSettingsStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Any spelling finds a name; the spelling first written, or found on
    // disk, stays.
    void namesIgnoreLetterCase_data()
    {
        QTest::addColumn<QString>("app");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("onDisk"); // else first written by this store
        QTest::newRow("lower") << "kicklist" << "setapp" << "lastpath" << false;
        QTest::newRow("upper") << "KICKLIST" << "SETAPP" << "LASTPATH" << false;
        QTest::newRow("mixed, file spelled otherwise") << "kICKlIST" << "sEtApP" << "lAsTpAtH" << true;
    }
    void namesIgnoreLetterCase()
    {
        QFETCH(QString, app);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(bool, onDisk);
        QTemporaryDir dir;
        const QString file = dir.filePath(onDisk ? QStringLiteral("KICKLIST/kicklist.INI")
                                                 : QStringLiteral("Kicklist/Kicklist.ini"));
        const QByteArray firstLines = onDisk ? "[setAPP]\nLASTpath=" : "[SetApp]\nLastPath=";
        IniSettingsStore store(dir.path());
        if (onDisk) {
            QVERIFY(QDir().mkpath(QFileInfo(file).path()));
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(firstLines + "first\n") > 0);
        } else {
            store.SaveSetting(App, SetApp, QStringLiteral("LastPath"), QStringLiteral("first"));
        }
        QCOMPARE(store.GetSetting(app, section, key, QString()), QStringLiteral("first"));
        store.SaveSetting(app, section, key, QStringLiteral("second"));
        store.commit();
        QCOMPARE(store.fileName(App), file);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{QFileInfo(file).dir().dirName()});
        QCOMPARE(readBytes(file), firstLines + "second\n");
        QCOMPARE(store.GetSetting(QStringLiteral("Other"), section, key, QString()), QString()); // another file

        store.DeleteSetting(app, section, key);
        store.commit();
        QCOMPARE(readBytes(file), QByteArray());
        store.SaveSetting(app, section, QStringLiteral("the quick brown fox jumps over a lazy dog"), key);
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("THE QUICK BROWN FOX JUMPS OVER A LAZY DOG"), {}), key);
    }

    // Both ways: each reads what the other wrote, and both write the same lines.
    void valuesAndKeysMatchQSettings()
    {
        const QList<std::pair<QString, QString>> pairs{
            {"Path_1.x-y", "C:/Program Files/app.exe"}, {"Empty", ""}, {"two words", "  both ends\t"}, {"Blank", " "},
            {"a\\b", "C:\\Program Files\\アプリ\\"}, {"a/b", "x"}, {"a=b;c\"d", "say \"hi\"; a, b=c"},
            {"100%", QStringLiteral("a\x01" "1f\x7f" "\a\v")}, {"Latin café", "one\ntwo\r\nthree"},
            {"名前", QStringLiteral("nul") + QChar(0) + QStringLiteral("1a")}, {"At", "@home"},
            {"Type", "@ByteArray(x)"}, {"𠮷", "𠮷野家 😀"}, {"All", " @x;\"\\,=\t日本 "}};
        QTemporaryDir dir;
        IniSettingsStore store(dir.path());
        const QString theirs = dir.filePath(QStringLiteral("Other/Other.ini"));
        QSettings qs(theirs, QSettings::IniFormat);
        for (const auto &[key, value] : pairs) {
            store.SaveSetting(App, SetApp, key, value);
            qs.setValue(SetApp + u'/' + key, value);
        }
        store.commit();
        qs.sync();
        const QSettings fromOurs(store.fileName(App), QSettings::IniFormat);
        IniSettingsStore reader(dir.path());
        for (const auto &[key, value] : pairs) {
            QCOMPARE(fromOurs.value(SetApp + u'/' + key).toString(), value);
            QCOMPARE(reader.GetSetting(QStringLiteral("Other"), SetApp, key, QStringLiteral("missing")), value);
        }
        const auto lines = [](const QString &path) { QByteArrayList l = readBytes(path).split('\n'); std::sort(l.begin(), l.end()); return l; };
        QCOMPARE(lines(store.fileName(App)), lines(theirs));
    }

    // What QSettings cannot say plainly still reads back the same after any
    // number of rewrites, and is written back byte for byte as it was read.
    void oddNamesAndValuesSurviveRewrites_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("line"); // as written, and as a hand may write it
        QTest::addColumn<QString>("value");
        QTest::newRow("key ending in a slash") << "a/b/" << QByteArray("a\\b%2F=x") << "x";
        QTest::newRow("lone high surrogate") << "k" << QByteArray("k=\\xd800") << QString(QChar(0xD800));
        QTest::newRow("lone low surrogate, hex after") << "k" << QByteArray("k=\\xdc00\\x61")
                                                       << QString(QChar(0xDC00)) + u'a';
        QTest::newRow("pair, then a lone one") << "k" << QByteArray("k=\xf0\x9f\x98\x80\\xd83d")
                                               << QStringLiteral("😀") + QChar(0xD83D);
    }
    void oddNamesAndValuesSurviveRewrites()
    {
        QFETCH(QString, key);
        QFETCH(QByteArray, line);
        QFETCH(QString, value);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Kicklist/Kicklist.ini"));
        IniSettingsStore store(dir.path());
        store.SaveSetting(App, SetApp, key, value);
        store.commit();
        QCOMPARE(readBytes(file), "[SetApp]\n" + line + "\n");
        for (int n = 1; n <= 3; ++n) {
            IniSettingsStore rewriter(dir.path());
            QCOMPARE(rewriter.GetSetting(App, SetApp, key, QString()), value);
            rewriter.SaveSetting(App, SetApp, QStringLiteral("n"), QString::number(n));
            rewriter.commit();
            QCOMPARE(readBytes(file), "[SetApp]\n" + line + "\nn=" + QByteArray::number(n) + "\n");
        }
        if (!key.endsWith(u'/')) // QSettings drops a last '/' from any name it is asked for
            QCOMPARE(QSettings(file, QSettings::IniFormat).value(SetApp + u'/' + key).toString(), value);
    }

    // Where the store lives comes from the environment's bytes as given;
    // with no absolute home it reads nothing and writes nothing.
    void folderFollowsTheEnvironment_data()
    {
        QTest::addColumn<QByteArray>("xdg"); // "-": unset; a leading '~' is the test's folder
        QTest::addColumn<QByteArray>("home");
        QTest::addColumn<QByteArray>("where"); // the file made, under the test's folder; empty: none
        QTest::newRow("XDG_CONFIG_HOME first") << QByteArray("~/xdg") << QByteArray("~/home") << QByteArray("/xdg");
        QTest::newRow("relative XDG_CONFIG_HOME") << QByteArray("xdg") << QByteArray("~/home")
                                                  << QByteArray("/home/.config");
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
        const QByteArray savedXdg = qgetenv("XDG_CONFIG_HOME"), savedHome = qgetenv("HOME");
        const auto set = [&](const char *name, const QByteArray &v) {
            v == "-" ? qunsetenv(name) : qputenv(name, v.startsWith('~') ? root + v.mid(1) : v);
        };
        set("XDG_CONFIG_HOME", xdg);
        set("HOME", home);
        const QString config = IniSettingsStore::defaultConfigDir();
        qputenv("XDG_CONFIG_HOME", savedXdg);
        qputenv("HOME", savedHome);
        IniSettingsStore store(config);
        store.SaveSetting(App, SetApp, QStringLiteral("1"), QStringLiteral("/a"));
        QCOMPARE(errorOf([&] { store.commit(); }), where.isEmpty() ? int(err::PathFileAccessError) : 0);
        struct stat st; // by the bytes: a name that is not UTF-8 has no QString
        QCOMPARE(::stat((root + where + "/Kicklist/Kicklist.ini").constData(), &st), where.isEmpty() ? -1 : 0);
        for (const char *drift : {"/Kicklist", "/xdg", "/home/.config"})
            QVERIFY2(where == drift || ::stat((root + drift).constData(), &st) != 0, drift);
        QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), dir.path()}); // names Qt cannot spell
    }

    // Calls that cannot be carried out fail and change nothing on disk.
    void unusableCallsFail_data()
    {
        QTest::addColumn<bool>("save"); // else delete
        QTest::addColumn<QString>("app");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::newRow("delete, missing application") << false << "Nothing" << "SetApp" << "Path";
        QTest::newRow("delete, key deleted before") << false << "Kicklist" << "SetApp" << "Deleted";
        QTest::newRow("save, application with a path") << true << "../elsewhere" << "SetApp" << "Path";
        QTest::newRow("save, parent folder") << true << ".." << "SetApp" << "Path";
        QTest::newRow("save, empty section") << true << "Kicklist" << "" << "Path";
    }
    void unusableCallsFail()
    {
        QFETCH(bool, save);
        QFETCH(QString, app);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QTemporaryDir dir;
        const QString config = dir.filePath(QStringLiteral("config"));
        IniSettingsStore store(config);
        store.SaveSetting(App, SetApp, QStringLiteral("Deleted"), QStringLiteral("d"));
        store.SaveSetting(App, SetApp, QStringLiteral("Kept"), QStringLiteral("k"));
        store.commit();
        store.DeleteSetting(App, SetApp, QStringLiteral("Deleted"));
        store.commit();
        const QByteArray before = readBytes(store.fileName(App));
        const auto call = [&] {
            save ? store.SaveSetting(app, section, key, QStringLiteral("v")) : store.DeleteSetting(app, section, key);
        };
        QCOMPARE(errorOf(call), int(err::InvalidProcedureCall));
        store.commit();
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("config")});
        QCOMPARE(QDir(config).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{App});
        QCOMPARE(readBytes(store.fileName(App)), before);
    }
};

QTEST_GUILESS_MAIN(TestIniSettingsStore)
#include "tst_inisettingsstore.moc"

#include "support/fakes.h"

#include "platform/inisettingsstore.h"
#include "platform/runtimeerror.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace kl;
using kl::test::errorOf;

namespace {

const QString App = QStringLiteral("Kicklist");
const QString SetApp = QStringLiteral("SetApp");
const char ChildFlag[] = "--save-setting";

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Another running instance: saves one setting and commits.
int saveAsOtherProcess(const QStringList &args)
{
    return errorOf([&] {
        IniSettingsStore store(args.at(0));
        store.SaveSetting(App, SetApp, args.at(1), args.at(2));
        store.commit();
    });
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
    }

    // Both ways: each reads what the other wrote, and both write the same line.
    void valuesAndKeysMatchQSettings_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("plain") << "Path_1.x-y" << "C:/Program Files/app.exe";
        QTest::newRow("empty value") << "Path" << "";
        QTest::newRow("blanks at the ends") << "two words" << "  both ends\t";
        QTest::newRow("only a blank") << "Path" << " ";
        QTest::newRow("backslashes") << "a\\b" << "C:\\Program Files\\アプリ\\";
        QTest::newRow("slash in the key") << "a/b" << "x";
        QTest::newRow("quotes and separators") << "a=b;c\"d" << "say \"hi\"; a, b=c";
        QTest::newRow("control characters, hex after escape") << "100%" << QStringLiteral("a\x01" "1f\x7f" "\a\v");
        QTest::newRow("line breaks") << "Latin café" << "one\ntwo\r\nthree";
        QTest::newRow("NUL then hex digits") << "名前" << (QStringLiteral("nul") + QChar(0) + QStringLiteral("1a"));
        QTest::newRow("leading at") << "Path" << "@home";
        QTest::newRow("type look-alike") << "Path" << "@ByteArray(x)";
        QTest::newRow("outside the BMP") << "𠮷" << "𠮷野家 😀";
        QTest::newRow("everything") << "Path" << " @x;\"\\,=\t日本 ";
    }
    void valuesAndKeysMatchQSettings()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QTemporaryDir dir;
        IniSettingsStore store(dir.path());
        store.SaveSetting(App, SetApp, key, value);
        store.commit();
        const QString ours = store.fileName(App);
        {
            QSettings qs(ours, QSettings::IniFormat);
            QCOMPARE(qs.value(SetApp + u'/' + key).toString(), value);
        }
        const QString theirs = dir.filePath(QStringLiteral("Other/Other.ini"));
        {
            QSettings qs(theirs, QSettings::IniFormat);
            qs.setValue(SetApp + u'/' + key, value);
        }
        IniSettingsStore reader(dir.path());
        QCOMPARE(reader.GetSetting(QStringLiteral("Other"), SetApp, key, QStringLiteral("missing")), value);
        QCOMPARE(readBytes(ours), readBytes(theirs));
    }

    // Pending writes are read back and reach the disk only at commit; another
    // object, or another process, sees committed writes at its next read.
    void writesPersistAcrossObjectsAndProcesses()
    {
        QTemporaryDir dir;
        IniSettingsStore store(dir.path());
        store.SaveSetting(App, SetApp, QStringLiteral("A"), QStringLiteral("1"));
        store.SaveSetting(App, SetApp, QStringLiteral("B"), QStringLiteral("2"));
        store.DeleteSetting(App, SetApp, QStringLiteral("B"));
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("A"), QString()), QStringLiteral("1"));
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("B"), QStringLiteral("gone")), QStringLiteral("gone"));
        QVERIFY(!QFileInfo::exists(store.fileName(App)));
        store.commit();
        QCOMPARE(IniSettingsStore(dir.path()).GetSetting(App, SetApp, QStringLiteral("A"), QString()),
                 QStringLiteral("1"));

        const auto saveElsewhere = [&](const QString &value) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(),
                        {QString::fromLatin1(ChildFlag), dir.path(), QStringLiteral("Shared"), value});
            QVERIFY(child.waitForFinished(60000));
            QCOMPARE(child.exitStatus(), QProcess::NormalExit);
            QCOMPARE(child.exitCode(), 0);
        };
        saveElsewhere(QStringLiteral("v1"));
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("Shared"), QString()), QStringLiteral("v1"));
        saveElsewhere(QStringLiteral("v2")); // same size, maybe the same time stamp: still seen
        QCOMPARE(store.GetSetting(App, SetApp, QStringLiteral("Shared"), QString()), QStringLiteral("v2"));
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

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args.at(1) == QLatin1String(ChildFlag))
        return saveAsOtherProcess(args.mid(2));
    TestIniSettingsStore test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_inisettingsstore.moc"

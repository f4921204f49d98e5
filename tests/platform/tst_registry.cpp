#include "platform/dir.h"
#include "platform/sysinforegistry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kl;

namespace {

// A file named name in dir, a program unless executable is false.
bool makeFile(const QString &dir, const QString &name, bool executable = true)
{
    QFile file(dir + u'/' + name);
    return file.open(QIODevice::WriteOnly)
        && file.setPermissions(QFileDevice::ReadOwner | (executable ? QFileDevice::ExeOwner : QFileDevice::ReadOwner));
}

} // namespace

class TestRegistry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
#ifdef Q_OS_WIN
        QSKIP("Unix programs and hidden files below");
#endif
    }

    // The stand-in's one value: the path of the first of the names found as
    // a program, whichever folder holds it; looked up at every open.
    void answersWithTheFirstToolFound()
    {
        QTemporaryDir a, b;
        QVERIFY(makeFile(a.path(), "plain", false) && makeFile(a.path(), "second") && makeFile(b.path(), "first"));
        SysInfoRegistry registry({"plain", "first", "second"}, {a.path(), b.path()});
        const QString toolKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
        quint32 key = 0, type = 0, size = 4;
        QCOMPARE(registry.RegOpenKeyEx(reg::LocalMachine, toolKey.toLower(), 0, reg::Read, key), reg::Success);
        QByteArray buffer(64, 'z');
        const QByteArray expected = QFile::encodeName(b.path() + "/first") + '\0';
        // Too short a buffer is left alone and told the size needed.
        QCOMPARE(registry.RegQueryValueEx(key, "PATH", type, buffer, size), reg::MoreData);
        QCOMPARE(buffer + QByteArray::number(size), QByteArray(64, 'z') + QByteArray::number(expected.size()));
        size = 64;
        QCOMPARE(registry.RegQueryValueEx(key, "Path", type, buffer, size), reg::Success);
        QCOMPARE(type, reg::TypeSz);
        QCOMPARE(size, quint32(expected.size()));
        QCOMPARE(buffer, expected + QByteArray(64 - expected.size(), 'z')); // the rest untouched
        QCOMPARE(registry.RegQueryValueEx(key, "MSINFO", type, buffer, size), reg::FileNotFound);
        QCOMPARE(registry.RegCloseKey(key), reg::Success);
        QCOMPARE(registry.RegQueryValueEx(key, "PATH", type, buffer, size), reg::InvalidHandle);
        QCOMPARE(registry.RegOpenKeyEx(reg::LocalMachine, "SOFTWARE\\Other", 0, 0, key), reg::FileNotFound);

        // Without a program of those names the key is missing and key untouched.
        SysInfoRegistry none({"plain"}, {a.path()});
        QCOMPARE(none.RegOpenKeyEx(reg::LocalMachine, toolKey, 0, reg::Read, key = 77), reg::FileNotFound);
        QCOMPARE(key, 77u);
        QVERIFY(QFile::setPermissions(a.path() + "/plain", QFileDevice::ExeOwner));
        QCOMPARE(none.RegOpenKeyEx(reg::LocalMachine, toolKey, 0, reg::Read, key), reg::Success);
    }

    void dirNamesNormalFilesOnly()
    {
        QTemporaryDir folder;
        const QString in = folder.path() + u'/';
        QVERIFY(makeFile(in, "MSINFO32.EXE", false) && makeFile(in, ".msinfo", false) && QDir(in).mkdir("folder"));
        QCOMPARE(Dir(in + "MSINFO32.EXE"), QStringLiteral("MSINFO32.EXE"));
        for (const char *notThere : {"other.exe", "folder", ".msinfo", ""})
            QVERIFY2(Dir(*notThere ? in + notThere : QString()).isEmpty(), notThere);
    }
};

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"

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
    // The stand-in's one value: the path of the first of the names found as
    // a program, whichever folder holds it; looked up at every open.
    void answersWithTheFirstToolFound()
    {
        QTemporaryDir a, b;
        QVERIFY(makeFile(a.path(), "plain", false) && makeFile(a.path(), "second") && makeFile(b.path(), "first"));
        const QString toolKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
        SysInfoRegistry registry({"plain", "first", "second"}, {a.path(), b.path()}), none({"plain"}, {a.path()});
        quint32 key = 0, type = 0, size = 4;
        QByteArray buffer(64, 'z');
        QList<long> got{registry.RegOpenKeyEx(reg::LocalMachine, toolKey.toLower(), 0, reg::Read, key)};
        // Too short a buffer is left alone and told the size needed; a long one keeps what lies past the value.
        got << registry.RegQueryValueEx(key, "PATH", type, buffer, size) << size << (buffer == QByteArray(64, 'z'));
        size = 64;
        got << registry.RegQueryValueEx(key, "Path", type, buffer, size) << type << size;
        QCOMPARE(buffer, (QFile::encodeName(b.path() + "/first") + '\0').leftJustified(64, 'z'));
        got << registry.RegQueryValueEx(key, "MSINFO", type, buffer, size) << registry.RegCloseKey(key)
            << registry.RegQueryValueEx(key, "PATH", type, buffer, size)
            << registry.RegOpenKeyEx(reg::LocalMachine, "SOFTWARE\\Other", 0, 0, key);
        // Without a program of those names the key is missing and key untouched, until there is one.
        key = 77;
        got << none.RegOpenKeyEx(reg::LocalMachine, toolKey, 0, reg::Read, key) << key;
        QVERIFY(QFile::setPermissions(a.path() + "/plain", QFileDevice::ExeOwner));
        got << none.RegOpenKeyEx(reg::LocalMachine, toolKey, 0, reg::Read, key);
        const long length = QFile::encodeName(b.path() + "/first").size() + 1;
        QCOMPARE(got, (QList<long>{reg::Success, reg::MoreData, length, true, reg::Success, reg::TypeSz, length,
                                   reg::FileNotFound, reg::Success, reg::InvalidHandle, reg::FileNotFound,
                                   reg::FileNotFound, 77, reg::Success}));
        // Dir names a normal file only.
        QVERIFY(makeFile(a.path(), "MSINFO32.EXE", false) && makeFile(a.path(), ".msinfo", false) && QDir(a.path()).mkdir("dir"));
        QCOMPARE(QStringList({Dir(a.path() + "/MSINFO32.EXE"), Dir(a.path() + "/other.exe"), Dir(a.path() + "/dir"),
                              Dir(a.path() + "/.msinfo"), Dir({})}), (QStringList{"MSINFO32.EXE", "", "", "", ""}));
    }
};

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"

#include "platform/dir.h"
#include "platform/sysinforegistry.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace kl;

namespace {

const QString kToolKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");

// An executable (or, with executable false, a plain file) named name in dir.
bool makeProgram(const QString &dir, const QString &name, bool executable = true)
{
#ifdef Q_OS_WIN
    QFile file(dir + u'/' + name + QStringLiteral(".exe"));
#else
    QFile file(dir + u'/' + name);
#endif
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("#!/bin/sh\n");
    file.close();
    auto permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (executable)
        permissions |= QFileDevice::ExeOwner;
    return file.setPermissions(permissions);
}

} // namespace

class TestRegistry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answersWithTheFirstToolFound()
    {
        QTemporaryDir a, b;
        QVERIFY(makeProgram(a.path(), QStringLiteral("second")));
        QVERIFY(makeProgram(b.path(), QStringLiteral("first")));
        QVERIFY(makeProgram(b.path(), QStringLiteral("third")));
        SysInfoRegistry registry({QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("third")},
                                 {a.path(), b.path()});

        quint32 key = 0;
        QCOMPARE(registry.RegOpenKeyEx(reg::LocalMachine, kToolKey, 0, reg::AllButDelete, key), 0L);
        QVERIFY(key != 0);

        QByteArray buffer(64, 'z');
        quint32 size = 64;
        quint32 type = 0;
        QCOMPARE(registry.RegQueryValueEx(key, QStringLiteral("PATH"), type, buffer, size), 0L);
        QCOMPARE(type, reg::TypeSz);
        const QByteArray expected = QFile::encodeName(QStandardPaths::findExecutable(QStringLiteral("first"), {b.path()}));
        QVERIFY(expected.startsWith(QFile::encodeName(b.path())));
        QCOMPARE(size, quint32(expected.size() + 1));
        QCOMPARE(buffer.first(size), expected + '\0');
        QCOMPARE(buffer.mid(size), QByteArray(64 - int(size), 'z')); // the rest is untouched
        QCOMPARE(registry.RegCloseKey(key), 0L);

        // The list it looks for by default knows the usual ones.
        QVERIFY(makeProgram(a.path(), QStringLiteral("hardinfo")));
        SysInfoRegistry common(SysInfoRegistry::defaultToolNames(), {a.path(), b.path()});
        QCOMPARE(common.RegOpenKeyEx(reg::LocalMachine, kToolKey, 0, reg::AllButDelete, key), 0L);
        size = 64;
        QCOMPARE(common.RegQueryValueEx(key, QStringLiteral("PATH"), type, buffer, size), 0L);
        QVERIFY2(buffer.first(size).contains("hardinfo"), buffer.constData());
    }

    void withoutAToolTheKeyIsMissing()
    {
        QTemporaryDir dir;
        QVERIFY(makeProgram(dir.path(), QStringLiteral("tool"), false)); // not executable
        SysInfoRegistry registry({QStringLiteral("tool")}, {dir.path()});
        quint32 key = 77;
        QCOMPARE(registry.RegOpenKeyEx(reg::LocalMachine, kToolKey, 0, reg::AllButDelete, key),
                 reg::FileNotFound);
        QCOMPARE(key, 77u);

        // Looked up afresh at every open.
        QVERIFY(QFile::setPermissions(dir.path() + QStringLiteral("/tool"),
                                      QFileDevice::ReadOwner | QFileDevice::ExeOwner));
#ifndef Q_OS_WIN
        QCOMPARE(registry.RegOpenKeyEx(reg::LocalMachine, kToolKey, 0, reg::AllButDelete, key), 0L);
#endif
    }

    void onlyThatKeyAndValue_data()
    {
        QTest::addColumn<quint32>("root");
        QTest::addColumn<QString>("subKey");
        QTest::addColumn<QString>("value");
        QTest::addColumn<long>("openStatus");
        QTest::addColumn<long>("queryStatus");
        QTest::newRow("as named") << reg::LocalMachine << kToolKey << "PATH" << 0L << 0L;
        QTest::newRow("other letter case") << reg::LocalMachine << kToolKey.toLower() << "Path" << 0L << 0L;
        QTest::newRow("other value") << reg::LocalMachine << kToolKey << "MSINFO" << 0L
                                     << reg::FileNotFound;
        QTest::newRow("default value") << reg::LocalMachine << kToolKey << "" << 0L << reg::FileNotFound;
        QTest::newRow("the folder key") << reg::LocalMachine
                                        << "SOFTWARE\\Microsoft\\Shared Tools Location" << "MSINFO"
                                        << reg::FileNotFound << 0L;
        QTest::newRow("other root") << 0x80000001u << kToolKey << "PATH" << reg::FileNotFound << 0L;
        QTest::newRow("no root") << 0x1234u << kToolKey << "PATH" << reg::InvalidHandle << 0L;
    }
    void onlyThatKeyAndValue()
    {
        QFETCH(quint32, root);
        QFETCH(QString, subKey);
        QFETCH(QString, value);
        QFETCH(long, openStatus);
        QFETCH(long, queryStatus);

        QTemporaryDir dir;
        QVERIFY(makeProgram(dir.path(), QStringLiteral("tool")));
        SysInfoRegistry registry({QStringLiteral("tool")}, {dir.path()});
        quint32 key = 0;
        QCOMPARE(registry.RegOpenKeyEx(root, subKey, 0, reg::AllButDelete, key), openStatus);
        if (openStatus != 0)
            return;
        QByteArray buffer(1024, '\0');
        quint32 size = 1024;
        quint32 type = 0;
        QCOMPARE(registry.RegQueryValueEx(key, value, type, buffer, size), queryStatus);
    }

    void shortBufferAndClosedKeys()
    {
        QTemporaryDir dir;
        QVERIFY(makeProgram(dir.path(), QStringLiteral("tool")));
        SysInfoRegistry registry({QStringLiteral("tool")}, {dir.path()});
        quint32 first = 0, second = 0;
        QCOMPARE(registry.RegOpenKeyEx(reg::LocalMachine, kToolKey, 0, reg::AllButDelete, first), 0L);
        QCOMPARE(registry.RegOpenKeyEx(reg::LocalMachine, kToolKey, 0, reg::AllButDelete, second), 0L);
        QVERIFY(first != second);

        QByteArray buffer(1024, '\0');
        quint32 size = 4;
        quint32 type = 0;
        QCOMPARE(registry.RegQueryValueEx(first, QStringLiteral("PATH"), type, buffer, size), reg::MoreData);
        QCOMPARE(size, quint32(QFile::encodeName(dir.path()).size() + 6)); // "/tool" and the zero byte
        QCOMPARE(buffer, QByteArray(1024, '\0'));

        QCOMPARE(registry.RegCloseKey(first), 0L);
        QCOMPARE(registry.RegCloseKey(first), reg::InvalidHandle);
        QCOMPARE(registry.RegCloseKey(0), reg::InvalidHandle);
        size = 1024;
        QCOMPARE(registry.RegQueryValueEx(first, QStringLiteral("PATH"), type, buffer, size), reg::InvalidHandle);
        QCOMPARE(registry.RegQueryValueEx(second, QStringLiteral("PATH"), type, buffer, size), 0L);
    }

    void dir_data()
    {
        QTest::addColumn<QString>("entry"); // made in a fresh folder; "name/" is a folder
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QString>("found");
        QTest::newRow("normal file") << "MSINFO32.EXE" << "MSINFO32.EXE" << "MSINFO32.EXE";
        QTest::newRow("missing") << "other.exe" << "MSINFO32.EXE" << "";
        QTest::newRow("folder") << "MSINFO32.EXE/" << "MSINFO32.EXE" << "";
        QTest::newRow("hidden") << ".msinfo" << ".msinfo" << "";
        QTest::newRow("empty path") << "x" << "" << "";
    }
    void dir()
    {
        QFETCH(QString, entry);
        QFETCH(QString, asked);
        QFETCH(QString, found);
        QTemporaryDir folder;
        if (entry.endsWith(u'/')) {
            QVERIFY(QDir(folder.path()).mkdir(entry.chopped(1)));
        } else {
            QFile file(folder.path() + u'/' + entry);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
#ifdef Q_OS_WIN
        if (entry.startsWith(u'.'))
            QSKIP("hidden is an attribute there, not a name");
#endif
        QCOMPARE(Dir(asked.isEmpty() ? QString() : folder.path() + u'/' + asked), found);
    }
};

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"

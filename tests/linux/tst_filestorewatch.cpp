// The settings file watch: a call soon after following, and one after each
// write, whether the file is written in place, replaced by a rename, or
// appears with its folders; a retry once the store's lock is let go.
#include "linuxtest.h"

#include "linux/filestorewatch.h"

using kl::test::writeBytes;

class TestFileStoreWatch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void followsEveryWayTheFileChanges()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("config/Kicklist")), file = folder + "/Kicklist.ini";
        kl::FileStoreWatch watch(file.toStdString());
        int calls = 0;
        watch.follow([&] { ++calls; });
        QCOMPARE(calls, 0); // not before the event loop turns
        QTRY_COMPARE(calls, 1);
        // The folders appear, then the file: the deepest folder there is shows it.
        QVERIFY(QDir().mkpath(folder));
        QTRY_VERIFY(calls > 1);
        int seen = calls;
        QVERIFY(writeBytes(file, "[SetApp]\n"));
        QTRY_VERIFY(calls > seen);
        // Replaced by a rename, then written in place: the new file is watched,
        // even while a reader keeps the old one alive.
        QFile reader(file);
        QVERIFY(reader.open(QIODevice::ReadOnly));
        QVERIFY(writeBytes(file + ".new", "[SetApp]\nAppCount=1\n") && QFile::remove(file) && QFile::rename(file + ".new", file));
        QTRY_VERIFY(calls > seen + 1);
        seen = calls;
        QVERIFY(writeBytes(file, "[SetApp]\nAppCount=1\n1=/a\n"));
        QTRY_VERIFY(calls > seen);
    }

    void retryCallsOnceTheLockIsLetGo()
    {
        QTemporaryDir dir;
        const QString config = dir.filePath(QStringLiteral("config")), file = config + "/Kicklist/Kicklist.ini";
        QVERIFY(writeBytes(file, "[SetApp]\n"));
        kl::FileStoreWatch watch(file.toStdString(), config.toStdString());
        int calls = 0;
        watch.follow([&] { ++calls; });
        QTRY_COMPARE(calls, 1);
        // A second watch, over a lock no one holds, keeps time by the same
        // poll: each of its retries calls it once, at its first look.
        kl::FileStoreWatch clock(file.toStdString(), dir.path().toStdString());
        int ticks = 0;
        clock.follow([&] { ++ticks; });
        QTRY_COMPARE(ticks, 1);
        const auto looks = [&](int n) {
            for (const int end = ticks + n; ticks < end;) {
                const int before = ticks;
                clock.retry();
                QTRY_COMPARE(ticks, before + 1);
            }
        };
        // Held as another process's transaction holds it: nothing changes on disk.
        const int held = ::open(QFile::encodeName(config).constData(), O_RDONLY | O_DIRECTORY);
        QVERIFY(held >= 0 && ::flock(held, LOCK_EX) == 0);
        watch.retry();
        looks(3);
        QCOMPARE(calls, 1);
        ::close(held);
        QTRY_COMPARE(calls, 2);
        looks(3); // one call per retry: the poll stops
        QCOMPARE(calls, 2);
    }
};

QTEST_GUILESS_MAIN(TestFileStoreWatch)
#include "tst_filestorewatch.moc"

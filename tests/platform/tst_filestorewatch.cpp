// The settings file watch: a call soon after following, and one after each
// write, whether the file is written in place, replaced by a rename, or
// appears with its folders.
#include "linux/filestorewatch.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestFileStoreWatch : public QObject
{
    Q_OBJECT

    static bool write(const QString &path, const QByteArray &data, QIODevice::OpenMode mode = QIODevice::WriteOnly)
    {
        QFile f(path);
        return f.open(mode) && f.write(data) == data.size();
    }

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
        QVERIFY(write(file, "[SetApp]\n"));
        QTRY_VERIFY(calls > seen);
        // Replaced by a rename, then written in place: the new file is watched.
        QVERIFY(write(file + ".new", "[SetApp]\nAppCount=1\n") && QFile::remove(file) && QFile::rename(file + ".new", file));
        QTRY_VERIFY(calls > seen + 1);
        seen = calls;
        QVERIFY(write(file, "1=/a\n", QIODevice::Append));
        QTRY_VERIFY(calls > seen);
    }
};

QTEST_GUILESS_MAIN(TestFileStoreWatch)
#include "tst_filestorewatch.moc"

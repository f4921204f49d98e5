// The copy of the settings file kept before the recovery dialog's reset:
// byte for byte, private, beside the file, and only the newest few.

#include "linuxtest.h"

#include "linux/inisettingsstore.h"
#include "linux/resetcopy.h"

using namespace kl;
using namespace kl::test;

class TestResetCopy : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString config() const { return m_dir.filePath(QStringLiteral("config")); }
    QString file() const { return config() + QStringLiteral("/Kicklist/Kicklist.ini"); }

    // The recovery dialog's OK, as the store sees it: the copy, then the reset.
    void reset()
    {
        IniSettingsStore store(s(config()));
        IniResetCopy(store, "Kicklist").keepBeforeReset();
        store.SaveSetting("Kicklist", "SetApp", "AppCount", "0");
        store.SaveSetting("Kicklist", "Appnames", "AppCount", "0");
        store.commit();
    }

private Q_SLOTS:
    void init() { QDir(config()).removeRecursively(); }

    void theFileAsItStoodIsCopiedBesideItAndCopyingItBackRestoresTheList()
    {
        // No file: nothing to keep.
        reset();
        QVERIFY(IniResetCopy::copiesOf(file()).isEmpty());
        // Damaged as the recovery dialog finds it, with a line that is not UTF-8.
        const QByteArray before = "[SetApp]\nAppCount=-1\n1=/opt/a\n[Appnames]\nAppCount=-1\n1=B\xfcro\n[Other]\nx=1\n";
        QVERIFY(writeBytes(file(), before));
        reset();
        const QStringList copies = IniResetCopy::copiesOf(file());
        QCOMPARE(copies.size(), 1);
        QVERIFY(QFileInfo(copies[0]).fileName().startsWith(QStringLiteral("Kicklist.ini.reset-")));
        QCOMPARE(readBytes(copies[0]) + QByteArray::number(modeOf(copies[0]), 8), before + "600");
        // The one step the README gives.
        QVERIFY(QFile::remove(file()) && QFile::copy(copies[0], file()));
        QCOMPARE(IniSettingsStore(s(config())).GetSetting("Kicklist", "SetApp", "1", ""), "/opt/a");
    }

    void theNewestFewStayAndNothingElseGoes()
    {
        QVERIFY(writeBytes(file(), "[SetApp]\nAppCount=1\n1=/opt/a\n"));
        const QStringList old{"reset-20200101-000000", "reset-20200101-000000-2", "reset-20200101-000000-10",
                              "reset-20210101-000000", "reset-20220101-000000", "reset-20230101-000000"};
        const QStringList others{"reset-notes", "damaged-20200101-000000", "reset-20190101-000000.txt"};
        for (const QString &name : old + others)
            QVERIFY(writeBytes(file() + u'.' + name, name.toUtf8()));
        reset();
        const QStringList names = IniResetCopy::copiesOf(file()).replaceInStrings(file() + u'.', QString());
        QCOMPARE(names.size(), IniResetCopy::Kept);
        QCOMPARE(names.mid(1), (QStringList{"reset-20230101-000000", "reset-20220101-000000", "reset-20210101-000000",
                                            "reset-20200101-000000-10"}));
        for (const QString &name : others)
            QVERIFY2(QFileInfo::exists(file() + u'.' + name), qPrintable(name));
    }
};

QTEST_GUILESS_MAIN(TestResetCopy)
#include "tst_resetcopy.moc"

// The copies of the settings file kept before the recovery dialog's reset:
// none of no file, only the newest few of it. (Each copy's bytes and mode,
// and the list it brings back, are the whole-program test's, e2e_kicklist.)

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

    void theNewestFewStayAndNothingElseGoes()
    {
        reset(); // no file: nothing to keep
        QVERIFY(IniResetCopy::copiesOf(file()).isEmpty());
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

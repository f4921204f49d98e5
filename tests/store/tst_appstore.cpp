#include "support/fakes.h"

#include "store/appstore.h"

#include <QTest>

using namespace kl;
using namespace kl::test;

class TestAppStore : public QObject
{
    Q_OBJECT

private:
    struct Fixture
    {
        CallLog log;
        FakeSettings settings{log};
        FakeList list{log};
        FakeFlag allRan{log, QStringLiteral("AllRan")};
        AppStore store{settings};

        // A registered list of n as both the store and the window hold it.
        explicit Fixture(int n = 0)
        {
            settings.putPrograms(n);
            for (int p = 1; p <= n; ++p)
                list.rows.append(QStringLiteral("Program %1").arg(p));
        }
        // Each section's count and entries 1..4 ("-": none), then the list.
        QString state() const
        {
            QStringList s;
            for (const QString section : {"SetApp", "Appnames"})
                for (const QString key : {"AppCount", "1", "2", "3", "4"})
                    s << settings.value(section, key).value_or(QStringLiteral("-"));
            return s.join(u',') + u'|' + list.rows.join(u',');
        }
    };

private Q_SLOTS:
    void emptyStoreHasNoEntries()
    {
        Fixture f;
        QCOMPARE(f.store.Count(), qint16(0));
        QCOMPARE(f.store.NameOf(1), QString());
        QCOMPARE(f.store.PathOf(1), QString());
        QCOMPARE(f.log.take(), (QStringList{"Get SetApp/AppCount [0]", "Get Appnames/1 []", "Get SetApp/1 []"}));
    }

    void appendWritesBothSectionsInOrder()
    {
        Fixture f(2);
        f.store.Append(QStringLiteral("/opt/new"), f.list, f.allRan);
        QCOMPARE(f.log.take().join(u';'), "Get SetApp/AppCount [0];Get SetApp/AppCount [0];Save SetApp/3 = /opt/new;"
                                          "Save Appnames/3 = /opt/new;Save SetApp/3 = /opt/new;List(2) = /opt/new;"
                                          "Save Appnames/AppCount = 3;Save SetApp/AppCount = 3;AllRan enabled");
        QCOMPARE(f.state(), "3,/opt/p1,/opt/p2,/opt/new,-,3,Program 1,Program 2,/opt/new,-|Program 1,Program 2,/opt/new");
    }

    void appendAfterResetOverwritesOldKeys()
    {
        Fixture f(3);
        f.store.Reset();
        QCOMPARE(f.log.take(), (QStringList{"Save SetApp/AppCount = 0", "Save Appnames/AppCount = 0"}));
        f.list.rows.clear();
        f.store.Append(QStringLiteral("/opt/again"), f.list, f.allRan);
        QCOMPARE(f.state(), "1,/opt/again,/opt/p2,/opt/p3,-,1,/opt/again,Program 2,Program 3,-|/opt/again");
    }

    void appendFailsOnBadCount_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("number");
        QTest::newRow("not a number") << "three" << err::TypeMismatch;
        QTest::newRow("increment overflows") << "32767" << err::Overflow;
        QTest::newRow("out of range") << "40000" << err::Overflow;
    }
    void appendFailsOnBadCount()
    {
        QFETCH(QString, stored);
        QFETCH(int, number);
        Fixture f;
        f.settings.put(QStringLiteral("SetApp"), QStringLiteral("AppCount"), stored);
        QCOMPARE(errorOf([&] { f.store.Append(QStringLiteral("/opt/x"), f.list, f.allRan); }), number);
        QCOMPARE(f.log.matching(QStringLiteral("Save")) + f.list.rows, QStringList());
    }

    void removeMovesLaterEntriesUp_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("state");
        QTest::newRow("first of 3") << 3 << 1 << "2,/opt/p2,/opt/p3,-,-,2,Program 2,Program 3,-,-|Program 2,Program 3";
        QTest::newRow("middle of 3") << 3 << 2 << "2,/opt/p1,/opt/p3,-,-,2,Program 1,Program 3,-,-|Program 1,Program 3";
        QTest::newRow("last of 3") << 3 << 3 << "2,/opt/p1,/opt/p2,-,-,2,Program 1,Program 2,-,-|Program 1,Program 2";
        // The caller clears its list itself.
        QTest::newRow("the only one") << 1 << 1 << "0,-,-,-,-,0,-,-,-,-|Program 1";
    }
    void removeMovesLaterEntriesUp()
    {
        QFETCH(int, entries);
        QFETCH(int, position);
        QFETCH(QString, state);
        Fixture f(entries);
        QCOMPARE(f.store.Remove(qint16(position), f.list), qint16(entries - 1));
        QCOMPARE(f.state(), state);
        if (position == 2) // every step, in order
            QCOMPARE(f.log.take().join(u';'), "Get SetApp/AppCount [0];Delete SetApp/2;Delete Appnames/2;"
                     "Save Appnames/AppCount = 2;Save SetApp/AppCount = 2;Get SetApp/3 [0];Save SetApp/2 = /opt/p3;"
                     "Get Appnames/3 [0];Save Appnames/2 = Program 3;Get appnames/2 [];List(1) = Program 3;"
                     "RemoveItem 2;Delete SetApp/3;Delete Appnames/3");
    }

    void removeCopiesMissingKeysAsZeroAndStopsWhereItFails()
    {
        // Entry 3's name is missing: the shift copies "0" down, then the
        // final delete of that key fails, leaving everything before it done.
        Fixture f(3);
        f.settings.erase(QStringLiteral("Appnames"), QStringLiteral("3"));
        QCOMPARE(errorOf([&] { f.store.Remove(1, f.list); }), err::InvalidProcedureCall);
        QCOMPARE(f.log.calls.last(), QStringLiteral("Delete Appnames/3 !"));
        QCOMPARE(f.state(), "2,/opt/p2,/opt/p3,-,-,2,Program 2,0,-,-|Program 2,0");
    }

    void failedCallsTouchNothing()
    {
        Fixture f(2);
        QCOMPARE(errorOf([&] { f.store.Remove(0, f.list); }), err::InvalidProcedureCall); // nothing selected
        QCOMPARE(f.log.take(), (QStringList{"Get SetApp/AppCount [0]", "Delete SetApp/0 !"}));
        QVERIFY(errorOf([&] { f.store.Rename(7, QStringLiteral("x")); }) != 0);
        QCOMPARE(f.state(), "2,/opt/p1,/opt/p2,-,-,2,Program 1,Program 2,-,-|Program 1,Program 2");
    }

    void renameReplacesOnlyTheNameWhateverTheSectionsCase()
    {
        Fixture f(3);
        f.store.Rename(2, QStringLiteral("  エディタ  "));
        QCOMPARE(f.log.take(), (QStringList{"Delete Appnames/2", "Save Appnames/2 =   エディタ  "}));
        QCOMPARE(f.state(), "3,/opt/p1,/opt/p2,/opt/p3,-,3,Program 1,  エディタ  ,Program 3,-|Program 1,Program 2,Program 3");
        f.settings.put(QStringLiteral("setapp"), QStringLiteral("appcount"), QStringLiteral("4"));
        QCOMPARE(f.store.Count(), qint16(4));
    }
};

QTEST_GUILESS_MAIN(TestAppStore)
#include "tst_appstore.moc"

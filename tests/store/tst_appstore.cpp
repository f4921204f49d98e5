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
        QString at(const char *section, int key) const
        {
            return settings.value(QLatin1String(section), QString::number(key)).value_or(QStringLiteral("<none>"));
        }
        QString count(const char *section) const
        {
            return settings.value(QLatin1String(section), QStringLiteral("AppCount")).value_or(QStringLiteral("<none>"));
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
        QCOMPARE(f.log.take(), (QStringList{
                                   "Get SetApp/AppCount [0]",
                                   "Get SetApp/AppCount [0]",
                                   "Save SetApp/3 = /opt/new",
                                   "Save Appnames/3 = /opt/new",
                                   "Save SetApp/3 = /opt/new",
                                   "List(2) = /opt/new",
                                   "Save Appnames/AppCount = 3",
                                   "Save SetApp/AppCount = 3",
                                   "AllRan enabled",
                               }));
        QCOMPARE(f.list.rows.last(), QStringLiteral("/opt/new"));
    }

    void appendAfterResetOverwritesOldKeys()
    {
        Fixture f(3);
        f.store.Reset();
        QCOMPARE(f.log.take(), (QStringList{"Save SetApp/AppCount = 0", "Save Appnames/AppCount = 0"}));
        QCOMPARE(f.at("SetApp", 3), QStringLiteral("/opt/p3")); // position keys stay

        FakeList empty(f.log);
        f.store.Append(QStringLiteral("/opt/again"), empty, f.allRan);
        QCOMPARE(f.at("SetApp", 1), QStringLiteral("/opt/again"));
        QCOMPARE(f.at("Appnames", 1), QStringLiteral("/opt/again"));
        QCOMPARE(f.count("SetApp"), QStringLiteral("1"));
        QCOMPARE(f.count("Appnames"), QStringLiteral("1"));
        QCOMPARE(empty.rows, QStringList{QStringLiteral("/opt/again")});
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
        try {
            f.store.Append(QStringLiteral("/opt/x"), f.list, f.allRan);
            QFAIL("Append accepted a count it cannot use");
        } catch (const RuntimeError &e) {
            QCOMPARE(e.number(), number);
        }
        QVERIFY(f.log.matching(QStringLiteral("Save")).isEmpty());
        QVERIFY(f.list.rows.isEmpty());
    }

    void removeMovesLaterEntriesUp_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("position");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QStringList>("rows");

        QTest::newRow("first of 3")
            << 3 << 1
            << QStringList{"Get SetApp/AppCount [0]", "Delete SetApp/1", "Delete Appnames/1",
                           "Save Appnames/AppCount = 2", "Save SetApp/AppCount = 2",
                           "Get SetApp/2 [0]", "Save SetApp/1 = /opt/p2",
                           "Get Appnames/2 [0]", "Save Appnames/1 = Program 2",
                           "Get appnames/1 []", "List(0) = Program 2",
                           "Get SetApp/3 [0]", "Save SetApp/2 = /opt/p3",
                           "Get Appnames/3 [0]", "Save Appnames/2 = Program 3",
                           "Get appnames/2 []", "List(1) = Program 3",
                           "RemoveItem 2", "Delete SetApp/3", "Delete Appnames/3"}
            << QStringList{"Program 2", "Program 3"};
        QTest::newRow("middle of 3")
            << 3 << 2
            << QStringList{"Get SetApp/AppCount [0]", "Delete SetApp/2", "Delete Appnames/2",
                           "Save Appnames/AppCount = 2", "Save SetApp/AppCount = 2",
                           "Get SetApp/3 [0]", "Save SetApp/2 = /opt/p3",
                           "Get Appnames/3 [0]", "Save Appnames/2 = Program 3",
                           "Get appnames/2 []", "List(1) = Program 3",
                           "RemoveItem 2", "Delete SetApp/3", "Delete Appnames/3"}
            << QStringList{"Program 1", "Program 3"};
        QTest::newRow("last of 3")
            << 3 << 3
            << QStringList{"Get SetApp/AppCount [0]", "Delete SetApp/3", "Delete Appnames/3",
                           "Save Appnames/AppCount = 2", "Save SetApp/AppCount = 2", "RemoveItem 2"}
            << QStringList{"Program 1", "Program 2"};
        QTest::newRow("the only one")
            << 1 << 1
            << QStringList{"Get SetApp/AppCount [0]", "Delete SetApp/1", "Delete Appnames/1",
                           "Save Appnames/AppCount = 0", "Save SetApp/AppCount = 0"}
            << QStringList{"Program 1"}; // the caller clears its list itself
    }
    void removeMovesLaterEntriesUp()
    {
        QFETCH(int, entries);
        QFETCH(int, position);
        QFETCH(QStringList, calls);
        QFETCH(QStringList, rows);
        Fixture f(entries);

        const qint16 left = f.store.Remove(qint16(position), f.list);

        QCOMPARE(left, qint16(entries - 1));
        QCOMPARE(f.log.take(), calls);
        QCOMPARE(f.list.rows, rows);
        QCOMPARE(f.count("SetApp"), QString::number(entries - 1));
        QCOMPARE(f.count("Appnames"), QString::number(entries - 1));
        QCOMPARE(f.at("SetApp", entries), QStringLiteral("<none>"));
        QCOMPARE(f.at("Appnames", entries), QStringLiteral("<none>"));
    }

    void removeCopiesMissingKeysAsZeroAndStopsWhereItFails()
    {
        // Entry 3's name is missing: the shift copies "0" down, then the
        // final delete of that key fails, leaving everything before it done.
        Fixture f(3);
        f.settings.erase(QStringLiteral("Appnames"), QStringLiteral("3"));

        try {
            f.store.Remove(1, f.list);
            QFAIL("removal went through a missing key");
        } catch (const RuntimeError &e) {
            QCOMPARE(e.number(), err::InvalidProcedureCall);
        }
        QCOMPARE(f.log.calls.last(), QStringLiteral("Delete Appnames/3 !"));
        QCOMPARE(f.at("Appnames", 2), QStringLiteral("0"));
        QCOMPARE(f.at("SetApp", 2), QStringLiteral("/opt/p3"));
        QCOMPARE(f.at("SetApp", 3), QStringLiteral("<none>"));
        QCOMPARE(f.count("SetApp"), QStringLiteral("2"));
        QCOMPARE(f.list.rows, (QStringList{"Program 2", "0"}));
    }

    void removeOfMissingPositionTouchesNothing()
    {
        Fixture f(2);
        try {
            f.store.Remove(0, f.list); // nothing selected
            QFAIL("position 0 was removed");
        } catch (const RuntimeError &e) {
            QCOMPARE(e.number(), err::InvalidProcedureCall);
        }
        QCOMPARE(f.log.take(), (QStringList{"Get SetApp/AppCount [0]", "Delete SetApp/0 !"}));
        QCOMPARE(f.count("SetApp"), QStringLiteral("2"));
    }

    void renameReplacesOnlyTheName()
    {
        Fixture f(3);
        f.store.Rename(2, QStringLiteral("  エディタ  "));
        QCOMPARE(f.log.take(), (QStringList{"Delete Appnames/2", "Save Appnames/2 =   エディタ  "}));
        QCOMPARE(f.at("SetApp", 2), QStringLiteral("/opt/p2"));

        try {
            f.store.Rename(7, QStringLiteral("x"));
            QFAIL("renamed a missing entry");
        } catch (const RuntimeError &) {
        }
        QCOMPARE(f.at("Appnames", 7), QStringLiteral("<none>"));
    }

    void sectionsMatchWithoutCase()
    {
        Fixture f;
        f.settings.put(QStringLiteral("setapp"), QStringLiteral("appcount"), QStringLiteral("4"));
        QCOMPARE(f.store.Count(), qint16(4));
    }
};

QTEST_GUILESS_MAIN(TestAppStore)
#include "tst_appstore.moc"

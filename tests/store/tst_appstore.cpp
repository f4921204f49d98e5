// The list of programs as the store keeps it, and its counts as 16-bit numbers.
#include "support/fakes.h"

#include "platform/numbers.h"
#include "store/appstore.h"

#include <QTest>

#include <functional>

using namespace kl;
using namespace kl::test;

class TestAppStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Entries registered, then operations in turn: what they return, the
    // error the first failing one throws, the store and list after them and,
    // where the order matters, every call.
    void operations_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<QString>("ops");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("calls");
        const auto row = [](const char *tag, int n, const char *ops, const char *state, const char *calls = "") {
            QTest::newRow(tag) << n << QString(ops) << QString(state) << QString(calls);
        };
        const char *const two = "2,/opt/p1,/opt/p2,-,-,2,Program 1,Program 2,-,-|Program 1,Program 2";
        row("reads", 2, "count;name 2;path 2;path 3", "2 Program 2 /opt/p2  " + QByteArray(two),
            "Get SetApp/AppCount [0];Get Appnames/2 [];Get SetApp/2 [];Get SetApp/3 []");
        row("no count", 0, "erase SetApp AppCount;count", "0 -,-,-,-,-,0,-,-,-,-|");
        row("append", 2, "append /opt/new",
            "3,/opt/p1,/opt/p2,/opt/new,-,3,Program 1,Program 2,/opt/new,-|Program 1,Program 2,/opt/new",
            "Get SetApp/AppCount [0];Get SetApp/AppCount [0];Save SetApp/3 = /opt/new;Save Appnames/3 = /opt/new;"
            "Save SetApp/3 = /opt/new;List(2) = /opt/new;Save Appnames/AppCount = 3;Save SetApp/AppCount = 3;AllRan enabled");
        row("append after a reset overwrites old keys", 3, "reset;clear;append /opt/again",
            "1,/opt/again,/opt/p2,/opt/p3,-,1,/opt/again,Program 2,Program 3,-|/opt/again");
        // A bad count changes nothing.
        row("append, count not a number", 0, "put SetApp AppCount three;append /opt/x", "E13 three,-,-,-,-,0,-,-,-,-|");
        row("append, count overflows", 0, "put SetApp AppCount 32767;append /opt/x", "E6 32767,-,-,-,-,0,-,-,-,-|");
        row("remove middle", 3, "remove 2", "2 2,/opt/p1,/opt/p3,-,-,2,Program 1,Program 3,-,-|Program 1,Program 3",
            "Get SetApp/AppCount [0];Delete SetApp/2;Delete Appnames/2;Save Appnames/AppCount = 2;Save SetApp/AppCount = 2;"
            "Get SetApp/3 [0];Save SetApp/2 = /opt/p3;Get Appnames/3 [0];Save Appnames/2 = Program 3;Get appnames/2 [];"
            "List(1) = Program 3;RemoveItem 2;Delete SetApp/3;Delete Appnames/3");
        row("remove the only one", 1, "remove 1", "0 0,-,-,-,-,0,-,-,-,-|Program 1"); // the caller clears its list
        // A missing key shifts down as "0"; the removal stops where deleting it fails.
        row("remove, a name missing", 3, "erase Appnames 3;remove 1",
            "E5 2,/opt/p2,/opt/p3,-,-,2,Program 2,0,-,-|Program 2,0");
        row("remove, nothing chosen", 2, "remove 0", "E5 " + QByteArray(two), "Get SetApp/AppCount [0];Delete SetApp/0 !");
        row("rename", 3, "rename 2   エディタ  ",
            "3,/opt/p1,/opt/p2,/opt/p3,-,3,Program 1,  エディタ  ,Program 3,-|Program 1,Program 2,Program 3",
            "Delete Appnames/2;Save Appnames/2 =   エディタ  ");
        row("rename, no such entry", 2, "rename 7 x", "E5 " + QByteArray(two));
    }
    void operations()
    {
        QFETCH(int, entries);
        QFETCH(QString, ops);
        QFETCH(QString, state);
        QFETCH(QString, calls);
        CallLog log;
        FakeSettings settings{log};
        FakeList list{log};
        FakeFlag allRan{log, QStringLiteral("AllRan")};
        AppStore store{settings};
        settings.putPrograms(entries); // as both the store and the window hold them
        for (int p = 1; p <= entries; ++p)
            list.rows.append(QStringLiteral("Program %1").arg(p));
        QStringList out, stored;
        const int error = errorOf([&] {
            for (const QString &op : ops.split(u';')) {
                const QString verb = op.section(u' ', 0, 0), a = op.section(u' ', 1, 1), rest = op.section(u' ', 2);
                const qint16 at = qint16(a.toShort());
                if (verb == "count") out << str(store.Count());
                else if (verb == "name") out << store.NameOf(at);
                else if (verb == "path") out << store.PathOf(at);
                else if (verb == "append") store.Append(a, list, allRan);
                else if (verb == "remove") out << str(store.Remove(at, list));
                else if (verb == "rename") store.Rename(at, rest);
                else if (verb == "reset") store.Reset();
                else if (verb == "clear") list.rows.clear();
                else if (verb == "put") settings.put(a, rest.section(u' ', 0, 0), rest.section(u' ', 1));
                else if (verb == "erase") settings.erase(a, rest);
                else QFAIL(qPrintable("unknown operation " + op));
            }
        });
        if (error)
            out << QStringLiteral("E%1").arg(error);
        // Each section's count and entries 1..4 ("-": none), then the list.
        for (const QString section : {"SetApp", "Appnames"})
            for (const QString key : {"AppCount", "1", "2", "3", "4"})
                stored << settings.value(section, key).value_or(QStringLiteral("-"));
        QCOMPARE((out << stored.join(u',') + u'|' + list.rows.join(u',')).join(u' '), state);
        if (!calls.isEmpty())
            QCOMPARE(log.calls.join(u';'), calls);
    }

    // Text to a 16-bit number and back, and 16-bit sums: each result, or "E"
    // and the error number; and what the user reads about two of the errors.
    void conversions()
    {
        const auto attempt = [](const std::function<qint16()> &f) {
            try {
                return str(f());
            } catch (const RuntimeError &e) {
                return QStringLiteral("E%1").arg(e.number());
            }
        };
        QStringList got;
        for (const QString &text : QStringList{"42", "  7 ", "-5", "-32768", "32767", "0", "2.5", "3.5", "", "abc", "12abc", "1e3",
                                    "１２", "32768", "-32769", QString(400, u'9')})
            got << attempt([&] { return toInt16(text); });
        for (const auto &[value, delta] : {std::pair{32766, 1}, {32767, 1}, {-32768, -1}, {-32767, -1}})
            got << attempt([v = value, d = delta] { return add16(qint16(v), d); });
        QCOMPARE(got.join(u' '), "42 7 -5 -32768 32767 0 2 4 E13 E13 E13 E13 E13 E6 E6 E6 32767 E6 E6 -32768");
        QCOMPARE(RuntimeError(err::TypeMismatch).description() + RuntimeError(err::Overflow).description(),
                 QStringLiteral("型が一致しません。オーバーフローしました。"));
    }
};

QTEST_GUILESS_MAIN(TestAppStore)
#include "tst_appstore.moc"

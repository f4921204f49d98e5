#include "support/harness.h"
#include "support/widgets.h"

#include "windows/Setup.h"
#include "windows/main.h"
#include "windows/syori.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace kl;
using namespace kl::test;

namespace {

const QString kPrompt = QStringLiteral("MsgBox 登録: 起動するアプリケーションを登録してください。 [0]");

QListWidget *list(kl::main &w)
{
    return child<QListWidget>(&w, "List1");
}

QStringList rows(kl::main &w)
{
    return rowTexts(&w, "List1");
}

void clickRow(kl::main &w, int row)
{
    kl::test::clickRow(&w, "List1", list(w)->item(row)->text());
}

// Which of AppDel, Run, chenge, AllRan are enabled, as "1101".
QString buttonStates(kl::main &w)
{
    QString states;
    for (const char *name : {"AppDel", "Run", "chenge", "AllRan"})
        states += child(&w, name)->isEnabled() ? u'1' : u'0';
    return states;
}

} // namespace

class TestMain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { verifyNoWindowLeft(); }

    void designIsAsDrawn()
    {
        Harness h;
        h.settings.putPrograms(1);
        kl::main &w = h.forms.main();
        QCOMPARE(w.objectName(), QStringLiteral("main"));
        QCOMPARE(w.minimumSize(), w.maximumSize()); // the size and texts: tst_look
        QVERIFY(!(w.windowFlags() & Qt::WindowMinMaxButtonsHint));

        const QList<QWidget *> expectedTabOrder{list(w), child<QPushButton>(&w, "AppAdd"), child<QPushButton>(&w, "AppDel"),
                                                child<QPushButton>(&w, "Run"), child<QPushButton>(&w, "Exit"), child<QPushButton>(&w, "Command1"),
                                                child<QPushButton>(&w, "AllRan"), child<QPushButton>(&w, "chenge")};
        QList<QWidget *> tabOrder;
        for (QWidget *next = list(w); tabOrder.size() < expectedTabOrder.size(); next = next->nextInFocusChain()) {
            if (expectedTabOrder.contains(next))
                tabOrder.append(next);
        }
        QCOMPARE(tabOrder, expectedTabOrder);
        QCOMPARE(child<QPushButton>(&w, "AppDel")->toolTip(), QStringLiteral("アプリケーションの削除"));
        for (QPushButton *b : w.findChildren<QPushButton *>())
            QVERIFY2(!b->autoDefault() && !b->isDefault(), qPrintable(b->objectName()));
    }

    void firstStartPromptsBeforeTheWindowShows()
    {
        Harness h;
        bool mainVisibleDuringPicker = true;
        h.modals.expect([&](QWidget *picker) {
            mainVisibleDuringPicker = h.forms.loadedMain() && h.forms.loadedMain()->isVisible();
            picker->hide();
        });

        kl::main &w = h.forms.main();

        QCOMPARE(h.modals.seen(), QStringList{QStringLiteral("Setup")});
        QVERIFY(!mainVisibleDuringPicker);
        QCOMPARE(h.log.take(), (QStringList{"Get SetApp/AppCount [0]", kPrompt}));
        QCOMPARE(rows(w), QStringList());
        QCOMPARE(buttonStates(w), QStringLiteral("0000"));
    }

    void loadListsNamesInOrder()
    {
        Harness h;
        h.settings.putPrograms(3);
        kl::main &w = h.forms.main();
        QCOMPARE(rows(w), (QStringList{"Program 1", "Program 2", "Program 3"}));
        QCOMPARE(h.log.take(), (QStringList{"Get SetApp/AppCount [0]", "Get Appnames/1 []", "Get Appnames/2 []",
                                            "Get Appnames/3 []"}));
        QCOMPARE(buttonStates(w), QStringLiteral("0001"));

        w.show();
        QApplication::setActiveWindow(&w);
        list(w)->setFocus(Qt::TabFocusReason); // makes a row current, selects none
        QCOMPARE(buttonStates(w), QStringLiteral("0001"));
        QTest::keyClick(list(w), Qt::Key_Down);
        QCOMPARE(w.List1().ListIndex(), qint16(1));
        QCOMPARE(buttonStates(w), QStringLiteral("1111"));
    }

    void loadFailureOffersRecovery_data()
    {
        QTest::addColumn<QString>("count");
        QTest::addColumn<int>("rowsLoaded");
        QTest::newRow("not a number") << "many" << 0;
        QTest::newRow("above capacity") << "101" << 100;
    }
    void loadFailureOffersRecovery()
    {
        QFETCH(QString, count);
        QFETCH(int, rowsLoaded);
        Harness h;
        h.settings.putPrograms(101);
        h.settings.put("SetApp", "AppCount", count);
        h.modals.expect([](QWidget *recovery) { recovery->close(); });

        kl::main &w = h.forms.main();

        QCOMPARE(h.modals.seen(), QStringList{QStringLiteral("syori")});
        QCOMPARE(list(w)->count(), rowsLoaded);
        // The step that disables them never ran.
        QCOMPARE(buttonStates(w), QStringLiteral("1111"));
        QCOMPARE(h.process.ends, 0);
        QVERIFY(h.log.matching("Save").isEmpty());
        QVERIFY(!h.forms.loadedSyori()); // closing destroyed it
    }

    void recoveryOkResetsAndEnds()
    {
        Harness h;
        h.settings.putPrograms(5);
        h.settings.put("SetApp", "AppCount", "x");
        h.modals.expect([](QWidget *recovery) { press(recovery, "ok"); });

        kl::main &w = h.forms.main();

        QCOMPARE(h.modals.answered(), 1);
        QCOMPARE(h.log.calls.mid(h.log.calls.size() - 4),
                 (QStringList{"Save SetApp/AppCount = 0", "Save Appnames/AppCount = 0", "Commit", "End"}));
        QCOMPARE(h.settings.value("SetApp", "5").value_or(""), QStringLiteral("/opt/p5"));
        QCOMPARE(buttonStates(w), QStringLiteral("1111")); // the load never resumed
    }

    void recoveryDialogDesign()
    {
        Harness h;
        kl::syori &d = h.forms.syori();
        QCOMPARE(d.windowTitle(), QStringLiteral("エラー処理"));
        QCOMPARE(d.size(), QSize(218, 117));
        QVERIFY(d.windowFlags().testFlag(Qt::Tool));
        const QString text = d.findChild<QLabel *>("Label1")->text();
        QVERIFY(text.startsWith("ここのOKを押しても、改善されなければ下記にメールを送ってください。\u3000        ただし"));
        QVERIFY(text.contains("初期化されます。                    E-mail   "));
        QVERIFY(!text.contains(u'\n'));

        // Esc is not a way out: only OK or the close box.
        d.show();
        QTest::keyClick(&d, Qt::Key_Escape);
        QVERIFY(d.isVisible());
        QTest::keyClick(&d, Qt::Key_Return);
        QCOMPARE(h.process.ends, 0);
    }

    void runStartsTheSelectedPath()
    {
        Harness h;
        h.settings.putPrograms(3);
        kl::main &w = h.forms.main();
        w.show();
        w.setWindowState(Qt::WindowMinimized);
        clickRow(w, 1);
        h.log.take();

        press(&w, "Run");

        QCOMPARE(h.log.take(), (QStringList{"Get SetApp/2 []", "Shell /opt/p2 1"}));
        QVERIFY(!(w.windowState() & Qt::WindowMinimized));
    }

    void runFailuresOfferRecovery()
    {
        Harness h;
        h.settings.putPrograms(2);
        h.starter.missing.insert("/opt/p1");
        kl::main &w = h.forms.main();
        w.show();

        // A missing program.
        clickRow(w, 0);
        h.modals.expect([](QWidget *recovery) { recovery->close(); });
        press(&w, "Run");
        QCOMPARE(h.modals.seen(), QStringList{"syori"});

        // A double-click where there is no row reads position 0.
        list(w)->clear();
        h.log.take();
        h.modals.expect([](QWidget *recovery) { recovery->close(); });
        QTest::mouseDClick(list(w)->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(h.modals.answered(), 2);
        QCOMPARE(h.log.take(), (QStringList{"Get SetApp/0 []", "Shell  1 !"}));
        QCOMPARE(h.process.ends, 0);
    }

    void startAllGoesOnPastAFailure()
    {
        Harness h;
        h.settings.putPrograms(3);
        h.starter.missing.insert("/opt/p2");
        kl::main &w = h.forms.main();
        w.show();
        h.log.take();

        press(&w, "AllRan");

        const QStringList calls = h.log.take();
        QCOMPARE(calls.size(), 8);
        QCOMPARE(calls.mid(0, 5), (QStringList{"Get SetApp/AppCount [0]", "Get SetApp/1 []", "Shell /opt/p1 1",
                                               "Get SetApp/2 []", "Shell /opt/p2 1 !"}));
        QCOMPARE(calls[5], "MsgBox 注意: 次のアプリケーションを起動できませんでした。\n/opt/p2\n"
                               + RuntimeError::describe(err::FileNotFound) + " [0]");
        QCOMPARE(calls.mid(6), (QStringList{"Get SetApp/3 []", "Shell /opt/p3 1"}));
        QVERIFY(w.windowState() & Qt::WindowMinimized);
        QCOMPARE(h.process.ends, 0);
        QVERIFY(h.log.matching("Save").isEmpty());
    }

    void addStopsAtOneHundredRows_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<bool>("pickerOpens");
        QTest::newRow("99") << 99 << true;
        QTest::newRow("100") << 100 << false;
    }
    void addStopsAtOneHundredRows()
    {
        QFETCH(int, entries);
        QFETCH(bool, pickerOpens);
        Harness h;
        h.settings.putPrograms(entries);
        kl::main &w = h.forms.main();
        w.show();
        h.log.take();
        if (pickerOpens)
            h.modals.expect([](QWidget *picker) { picker->hide(); });

        press(&w, "AppAdd");

        if (pickerOpens) {
            QCOMPARE(h.modals.seen(), QStringList{"Setup"});
            QVERIFY(h.log.calls.isEmpty());
        } else {
            QCOMPARE(h.log.take(), QStringList{"MsgBox 注意: これ以上は登録できません。 [0]"});
            QVERIFY(!h.forms.loadedSetup());
        }
    }

    void removalMovesRowsUpAndClearsSelection()
    {
        Harness h;
        h.settings.putPrograms(3);
        kl::main &w = h.forms.main();
        w.show();
        clickRow(w, 0);
        h.log.take();

        press(&w, "AppDel");

        QCOMPARE(rows(w), (QStringList{"Program 2", "Program 3"}));
        QCOMPARE(w.List1().ListIndex(), qint16(-1));
        QCOMPARE(buttonStates(w), QStringLiteral("0001"));
        QCOMPARE(h.settings.value("SetApp", "1").value_or(""), QStringLiteral("/opt/p2"));
        QCOMPARE(h.settings.value("Appnames", "AppCount").value_or(""), QStringLiteral("2"));
        QCOMPARE(h.settings.commits, 1); // one durable write for the whole handler
    }

    void removingTheLastEntryPromptsForANewOne()
    {
        Harness h;
        h.settings.putPrograms(1);
        kl::main &w = h.forms.main();
        w.show();
        clickRow(w, 0);
        h.log.take();
        h.modals.expect([](QWidget *picker) { picker->hide(); });

        press(&w, "AppDel");

        QCOMPARE(rows(w), QStringList());
        QCOMPARE(h.modals.seen(), QStringList{"Setup"});
        const QStringList calls = h.log.take();
        // Written before the box, so nothing is lost if the user walks away.
        QCOMPARE(calls.mid(calls.size() - 2), (QStringList{"Commit", kPrompt}));
        QCOMPARE(buttonStates(w), QStringLiteral("0000"));
    }

    void removalFailureOffersRecovery()
    {
        Harness h;
        h.settings.putPrograms(2);
        kl::main &w = h.forms.main();
        w.show();
        clickRow(w, 1);
        h.settings.erase("Appnames", "2");
        h.modals.expect([](QWidget *recovery) { recovery->close(); });

        press(&w, "AppDel");

        QCOMPARE(h.modals.seen(), QStringList{"syori"});
        QCOMPARE(rows(w), (QStringList{"Program 1", "Program 2"}));
        QCOMPARE(h.process.ends, 0);
    }

    void removalWithUnreadableCountEndsTheProgram()
    {
        // Reading the count comes before recovery is armed.
        Harness h;
        h.settings.putPrograms(2);
        kl::main &w = h.forms.main();
        w.show();
        clickRow(w, 0);
        h.settings.put("SetApp", "AppCount", "?");
        h.log.take();

        press(&w, "AppDel");

        QCOMPARE(h.log.take(), (QStringList{"Get SetApp/AppCount [0]",
                                            "MsgBox Kicklist: " + Runtime::reportText(RuntimeError(err::TypeMismatch))
                                                + " [0]",
                                            "End"}));
    }

    void exitAndCloseBoxEndTheProgram()
    {
        Harness h;
        h.settings.putPrograms(1);
        kl::main &w = h.forms.main();
        w.show();
        press(&w, "Exit");
        QCOMPARE(h.process.ends, 1);

        Harness h2;
        h2.settings.putPrograms(1);
        kl::main &w2 = h2.forms.main();
        w2.show();
        w2.close();
        QCOMPARE(h2.process.ends, 1);
    }
};

QTEST_MAIN(TestMain)
#include "tst_main.moc"

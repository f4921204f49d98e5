#include "support/harness.h"
#include "support/widgets.h"

#include "windows/main.h"
#include "windows/namechenge.h"
#include "windows/syori.h"

#include <QLabel>
#include <QLineEdit>

using namespace kl;
using namespace kl::test;

namespace {

const QString kPrompt = QStringLiteral("MsgBox 登録: 起動するアプリケーションを登録してください。 [0]");

QListWidget *list(kl::main &w)
{
    return child<QListWidget>(&w, "List1");
}

// Which of AppDel, Run, chenge, AllRan are enabled, as "1101".
QString buttonStates(kl::main &w)
{
    QString states;
    for (const char *name : {"AppDel", "Run", "chenge", "AllRan"})
        states += child(&w, name)->isEnabled() ? u'1' : u'0';
    return states;
}

// The list window over n stored programs, shown, with row chosen (-1: none).
kl::main &shown(Harness &h, int programs, int row = -1)
{
    h.settings.putPrograms(programs);
    kl::main &w = h.forms.main();
    w.show();
    if (row >= 0)
        clickRow(&w, "List1", list(w)->item(row)->text());
    h.log.take();
    return w;
}

// Logs whether the rows are what the store holds, with the button states.
void logRowsAgainstStore(Harness &h)
{
    kl::main &w = *h.forms.loadedMain();
    const QStringList rows = rowTexts(&w, "List1"), stored = h.settings.names();
    h.log.add("Rows " + (rows == stored ? "as stored" : rows.join(u'|') + " but stored " + stored.join(u'|')) + ' '
              + buttonStates(w) + ' ' + QString::number(w.List1().ListIndex()));
}

// A design rectangle in twips.
QRect tw(int left, int top, int width, int height)
{
    return {twips(left), twips(top), twips(width), twips(height)};
}

} // namespace

class TestMain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { verifyNoWindowLeft(); }

    void design()
    {
        Harness h;
        kl::main &w = shown(h, 1);
        QCOMPARE(w.windowTitle(), QStringLiteral("キックリスト"));
        QCOMPARE(w.size(), QSize(twips(4905), twips(2520)));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QVERIFY(!(w.windowFlags() & Qt::WindowMinMaxButtonsHint));
        verifyControls(&w, list(w),
                       {{"List1", tw(0, 0, 4935, 1320), ""},        {"AppAdd", tw(120, 1440, 1095, 375), "追加"},
                        {"AppDel", tw(2520, 1440, 1095, 375), "削除"}, {"Run", tw(120, 1920, 1695, 495), "起動"},
                        {"Exit", tw(3480, 1920, 1335, 495), "終了"},   {"Command1", tw(3720, 1440, 1095, 375), "バージョン"},
                        {"AllRan", tw(1920, 1920, 1455, 495), "すべて起動"},
                        {"chenge", tw(1320, 1440, 1095, 375), "登録名変更"}});
        QStringList tips;
        for (const char *name : {"List1", "AppAdd", "AppDel", "Run", "Exit"})
            tips.append(child(&w, name)->toolTip());
        QCOMPARE(tips, (QStringList{"クリックして選択", "登録アプリケーションの追加", "アプリケーションの削除",
                                    "アプリケーションの実行", "プログラムの終了"}));
    }

    void load_data()
    {
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("modal");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("buttons");
        QTest::newRow("first start") << "0" << "Setup" << 0 << "0000";
        QTest::newRow("three") << "3" << "" << 3 << "0001";
        // The failure leaves the buttons as they were: the step that disables them never ran.
        QTest::newRow("count not a number") << "many" << "syori" << 0 << "1111";
        QTest::newRow("count above capacity") << "101" << "syori" << 100 << "1111";
    }
    void load()
    {
        QFETCH(QString, count);
        QFETCH(QString, modal);
        QFETCH(int, rows);
        QFETCH(QString, buttons);
        Harness h;
        h.settings.putPrograms(101);
        h.settings.put("SetApp", "AppCount", count);
        if (count == "0")
            h.boxes.answer(vbOK);
        bool windowShownDuringModal = false;
        if (!modal.isEmpty())
            h.modals.expect([&](QWidget *window) {
                windowShownDuringModal = h.forms.loadedMain() && h.forms.loadedMain()->isVisible();
                window->close();
            });

        kl::main &w = h.forms.main();

        QCOMPARE(h.modals.seen(), modal.isEmpty() ? QStringList() : QStringList{modal});
        QVERIFY(!windowShownDuringModal);
        QCOMPARE(list(w)->count(), rows);
        QCOMPARE(rowTexts(&w, "List1").mid(0, 2), h.settings.names().mid(0, qMin(rows, 2)));
        QCOMPARE(buttonStates(w), buttons);
        QVERIFY(h.log.matching("Save").isEmpty());
        QVERIFY(!h.forms.loadedSyori()); // closing destroyed it
        if (count == "0")
            QCOMPARE(h.log.take(), (QStringList{"Get SetApp/AppCount [0]", kPrompt}));
    }

    // A classic single-selection list: once a row is chosen one stays chosen,
    // and the three row buttons follow what is chosen.
    void choosing_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<QString>("buttons");
        QTest::newRow("focus alone") << "focus" << -1 << "0001";
        QTest::newRow("arrow key") << "focus down" << 1 << "1111";
        QTest::newRow("click") << "click2" << 2 << "1111";
        QTest::newRow("Ctrl+click on the chosen row") << "click2 ctrlclick2" << 2 << "1111";
        QTest::newRow("Ctrl+Space on the chosen row") << "click2 ctrlspace" << 2 << "1111";
        QTest::newRow("Ctrl+click on another row") << "click2 ctrlclick0" << 0 << "1111";
    }
    void choosing()
    {
        QFETCH(QString, steps);
        QFETCH(int, chosen);
        QFETCH(QString, buttons);
        Harness h;
        kl::main &w = shown(h, 3);
        QApplication::setActiveWindow(&w);
        for (const QString &step : steps.split(u' ')) {
            const Qt::KeyboardModifiers mods = step.startsWith("ctrl") ? Qt::ControlModifier : Qt::NoModifier;
            if (step == "focus")
                list(w)->setFocus(Qt::TabFocusReason); // makes a row current, chooses none
            else if (step == "down" || step == "ctrlspace")
                QTest::keyClick(list(w), step == "down" ? Qt::Key_Down : Qt::Key_Space, mods);
            else
                QTest::mouseClick(list(w)->viewport(), Qt::LeftButton, mods,
                                  list(w)->visualItemRect(list(w)->item(step.right(1).toInt())).center());
        }
        QCOMPARE(w.List1().ListIndex(), qint16(chosen));
        QCOMPARE(buttonStates(w), buttons);
        if (chosen >= 0) {
            press(&w, "Run");
            QCOMPARE(h.log.take().last(), QStringLiteral("Shell /opt/p%1 1").arg(chosen + 1));
        }
    }

    void recoveryDialog()
    {
        Harness h;
        kl::syori &d = h.forms.syori();
        QCOMPARE(d.windowTitle(), QStringLiteral("エラー処理"));
        QCOMPARE(d.size(), QSize(218, 117));
        QVERIFY(d.windowFlags().testFlag(Qt::Tool));
        QCOMPARE(d.findChild<QLabel *>("Label1")->text(),
                 QStringLiteral("ここのOKを押しても、改善されなければ下記にメールを送ってください。\u3000        "
                                "ただし、OKを押すと登録されたリストは初期化されます。                    "
                                "E-mail   kicklist-support@example.jp"));
        // Esc and Enter are no way out (OK there would end this process).
        d.show();
        QTest::keyClick(&d, Qt::Key_Escape);
        QTest::keyClick(&d, Qt::Key_Return);
        QVERIFY(d.isVisible());
    }

    void recoveryOkResetsAndEnds()
    {
        Harness h;
        h.settings.putPrograms(5);
        h.settings.put("SetApp", "AppCount", "x");
        h.modals.expect([](QWidget *recovery) { press(recovery, "ok"); });

        QVERIFY(h.ends([&] { h.forms.main(); }));

        QCOMPARE(h.log.calls.mid(h.log.calls.size() - 4),
                 (QStringList{"Save SetApp/AppCount = 0", "Save Appnames/AppCount = 0", "Commit", "End"}));
        QCOMPARE(h.log.matching("Save").size(), 2); // entries stay until an append overwrites them
    }

    void run_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QString>("modal");
        QTest::newRow("Run") << "Run" << QStringList{"Get SetApp/2 []", "Shell /opt/p2 1"} << "";
        QTest::newRow("double-click") << "twice" << QStringList{"Get SetApp/2 []", "Shell /opt/p2 1"} << "";
        QTest::newRow("missing program") << "missing" << QStringList{"Get SetApp/2 []", "Shell /opt/p2 1 !"} << "syori";
        // A double-click where there is no row reads position 0.
        QTest::newRow("double-click, no row") << "empty" << QStringList{"Get SetApp/0 []", "Shell  1 !"} << "syori";
    }
    void run()
    {
        QFETCH(QString, how);
        QFETCH(QStringList, calls);
        QFETCH(QString, modal);
        Harness h;
        kl::main &w = shown(h, 3, how == "empty" ? -1 : 1);
        w.setWindowState(Qt::WindowMinimized);
        if (how == "missing")
            h.starter.missing.insert("/opt/p2");
        if (!modal.isEmpty())
            h.modals.expect([](QWidget *recovery) { recovery->close(); });
        if (how == "empty")
            list(w)->clear();

        if (how == "Run" || how == "missing")
            press(&w, "Run");
        else
            QTest::mouseDClick(list(w)->viewport(), Qt::LeftButton, {},
                               how == "empty" ? QPoint(10, 10) : list(w)->visualItemRect(list(w)->item(1)).center());

        QCOMPARE(h.log.take(), calls);
        QCOMPARE(h.modals.seen(), modal.isEmpty() ? QStringList() : QStringList{modal});
        QCOMPARE(bool(w.windowState() & Qt::WindowMinimized), !modal.isEmpty());
    }

    void startAllGoesOnPastAFailure()
    {
        Harness h;
        kl::main &w = shown(h, 3);
        h.starter.missing.insert("/opt/p2");
        h.boxes.answer(vbOK);

        press(&w, "AllRan");

        QCOMPARE(h.log.take(), (QStringList{"Get SetApp/AppCount [0]", "Get SetApp/1 []", "Shell /opt/p1 1",
                                            "Get SetApp/2 []", "Shell /opt/p2 1 !",
                                            "MsgBox 注意: 次のアプリケーションを起動できませんでした。\n/opt/p2\n"
                                                + RuntimeError::describe(err::FileNotFound) + " [0]",
                                            "Get SetApp/3 []", "Shell /opt/p3 1"}));
        QVERIFY(w.windowState() & Qt::WindowMinimized);
    }

    void addStopsAtOneHundredRows_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<QStringList>("seen");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("99") << 99 << QStringList{"Setup"} << QStringList();
        QTest::newRow("100") << 100 << QStringList() << QStringList{"MsgBox 注意: これ以上は登録できません。 [0]"};
    }
    void addStopsAtOneHundredRows()
    {
        QFETCH(int, entries);
        QFETCH(QStringList, seen);
        QFETCH(QStringList, calls);
        Harness h;
        kl::main &w = shown(h, entries);
        if (seen.isEmpty())
            h.boxes.answer(vbOK);
        else
            h.modals.expect([](QWidget *picker) { picker->hide(); });

        press(&w, "AppAdd");

        QCOMPARE(h.modals.seen(), seen);
        QCOMPARE(h.log.take(), calls);
    }

    // After any removal the rows are what the store holds and none is chosen.
    void removal_data()
    {
        QTest::addColumn<int>("programs");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("nameMissing");
        QTest::addColumn<QString>("modal");
        QTest::addColumn<QString>("buttons");
        QTest::newRow("first of three") << 3 << 0 << false << "" << "0001";
        QTest::newRow("last of three") << 3 << 2 << false << "" << "0001";
        QTest::newRow("only entry") << 1 << 0 << false << "Setup" << "0000";
        QTest::newRow("name missing") << 2 << 1 << true << "syori" << "0001";
    }
    void removal()
    {
        QFETCH(int, programs);
        QFETCH(int, row);
        QFETCH(bool, nameMissing);
        QFETCH(QString, modal);
        QFETCH(QString, buttons);
        Harness h;
        kl::main &w = shown(h, programs, row);
        if (nameMissing)
            h.settings.erase("Appnames", QString::number(row + 1));
        if (modal == "Setup")
            h.boxes.answer(vbOK);
        if (!modal.isEmpty())
            h.modals.expect([](QWidget *window) { window->close(); });

        press(&w, "AppDel");

        QCOMPARE(h.modals.seen(), modal.isEmpty() ? QStringList() : QStringList{modal});
        QCOMPARE(rowTexts(&w, "List1"), h.settings.names());
        QCOMPARE(list(w)->count(), nameMissing ? programs : programs - 1);
        QCOMPARE(w.List1().ListIndex(), qint16(-1));
        QCOMPARE(buttonStates(w), buttons);
        QCOMPARE(h.settings.commits, 1); // one durable write for the whole handler
        if (modal == "Setup") // written before the box, so nothing is lost if the user walks away
            QCOMPARE(h.log.calls.mid(h.log.calls.size() - 2), (QStringList{"Commit", kPrompt}));
    }

    // A save that fails leaves the store as it was on disk; the rows follow it.
    void failedSaveKeepsRowsAsStored_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("ends");
        QTest::newRow("removal") << "remove" << false;
        QTest::newRow("append from the picker") << "append" << true;
        QTest::newRow("rename") << "rename" << true;
    }
    void failedSaveKeepsRowsAsStored()
    {
        QFETCH(QString, change);
        QFETCH(bool, ends);
        Harness h;
        kl::main &w = shown(h, 3, 1);
        h.settings.failCommits = err::PermissionDenied;
        h.drives.listed.insert(h.drives.startFolder, {"new.exe"});
        if (change == "append") {
            h.boxes.answer(vbOK); // registering it
            h.modals.expect([](QWidget *picker) {
                clickRow(picker, "File1", "new.exe");
                press(picker, "AddProgram");
            });
        } else if (change == "remove") {
            h.modals.expect([](QWidget *recovery) { recovery->close(); });
        }
        h.boxes.answer(vbOK, [&] { logRowsAgainstStore(h); }); // the failure's report, when it ends

        QCOMPARE(h.ends([&] {
            if (change == "rename") {
                press(&w, "chenge");
                h.forms.namechenge().findChild<QLineEdit *>("Text1")->setText("renamed");
                press(&h.forms.namechenge(), "chenge");
            } else {
                press(&w, change == "remove" ? "AppDel" : "AppAdd");
                logRowsAgainstStore(h);
            }
        }), ends);

        QVERIFY(h.log.calls.contains("Commit !"));
        QCOMPARE(h.log.matching("Rows").value(0), QStringLiteral("Rows as stored 0001 -1"));
    }

    void endingTheProgram_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("Exit") << "Exit" << QStringList{"End"};
        QTest::newRow("close box") << "close" << QStringList{"End"};
        // Reading the count comes before the removal's recovery is armed.
        QTest::newRow("removal, count unreadable")
            << "AppDel"
            << QStringList{"Get SetApp/AppCount [0]",
                           "MsgBox Kicklist: " + Runtime::reportText(RuntimeError(err::TypeMismatch)) + " [0]", "End"};
    }
    void endingTheProgram()
    {
        QFETCH(QString, how);
        QFETCH(QStringList, calls);
        Harness h;
        kl::main &w = shown(h, 2, 0);
        h.settings.put("SetApp", "AppCount", how == "AppDel" ? "?" : "2");
        if (how == "AppDel")
            h.boxes.answer(vbOK);

        QVERIFY(h.ends([&] {
            if (how == "close")
                w.close();
            else
                press(&w, qPrintable(how));
        }));

        QCOMPARE(h.log.take(), calls);
    }
};

QTEST_MAIN(TestMain)
#include "tst_main.moc"

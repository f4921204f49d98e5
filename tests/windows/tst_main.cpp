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

// Logs the rows when they are what the store holds, with the button states,
// the chosen row and the modal windows answered.
void logRows(Harness &h)
{
    kl::main &w = *h.forms.loadedMain();
    const QStringList rows = rowTexts(&w, "List1"), stored = h.settings.names();
    h.log.add("Rows " + (rows == stored ? rows.join(u',') : rows.join(u',') + " but stored " + stored.join(u','))
              + QStringLiteral(" %1 %2 ").arg(buttonStates(w)).arg(w.List1().ListIndex()) + h.modals.seen().join(u','));
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
        const auto tw = [](int l, int t, int wd, int ht) { return QRect(twips(l), twips(t), twips(wd), twips(ht)); };
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
        QTEST(list(w)->count(), "rows");
        QCOMPARE(rowTexts(&w, "List1").mid(0, 2), h.settings.names().mid(0, qMin(list(w)->count(), 2)));
        QTEST(buttonStates(w), "buttons");
        QVERIFY(h.log.matching("Save").isEmpty());
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
        QTEST(buttonStates(w), "buttons");
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

    // A press, click or double-click in the list window: what it reads, starts
    // and shows. Every message box in calls is answered OK, a modal window closed.
    void pressOrClick_data()
    {
        QTest::addColumn<int>("programs");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QString>("modal");
        QTest::addColumn<bool>("minimized");
        const QString notStarted = "MsgBox 注意: 次のアプリケーションを起動できませんでした。\n/opt/p2\n"
            + RuntimeError::describe(err::FileNotFound) + " [0]";
        QTest::newRow("Run") << 3 << "Run" << QStringList{"Get SetApp/2 []", "Shell /opt/p2 1"} << "" << false;
        QTest::newRow("double-click") << 3 << "twice" << QStringList{"Get SetApp/2 []", "Shell /opt/p2 1"} << "" << false;
        const QStringList missing{"Get SetApp/2 []", "Shell /opt/p2 1 !"};
        QTest::newRow("missing program") << 3 << "Run missing" << missing << "syori" << true;
        // A double-click where there is no row reads position 0.
        QTest::newRow("double-click, no row") << 3 << "empty" << QStringList{"Get SetApp/0 []", "Shell  1 !"} << "syori"
                                              << true;
        QTest::newRow("start all, one missing")
            << 3 << "AllRan missing"
            << QStringList{"Get SetApp/AppCount [0]", "Get SetApp/1 []", "Shell /opt/p1 1", "Get SetApp/2 []",
                           "Shell /opt/p2 1 !", notStarted, "Get SetApp/3 []", "Shell /opt/p3 1"}
            << "" << true;
        QTest::newRow("add at 99") << 99 << "AppAdd" << QStringList() << "Setup" << true;
        QTest::newRow("add at 100") << 100 << "AppAdd" << QStringList{"MsgBox 注意: これ以上は登録できません。 [0]"} << "" << true;
    }
    void pressOrClick()
    {
        QFETCH(int, programs);
        QFETCH(QString, how);
        QFETCH(QStringList, calls);
        QFETCH(QString, modal);
        Harness h;
        kl::main &w = shown(h, programs, how == "empty" ? -1 : 1);
        w.setWindowState(Qt::WindowMinimized);
        if (how.endsWith(" missing"))
            h.starter.missing.insert("/opt/p2");
        for (auto boxes = calls.filter("MsgBox").size(); boxes > 0; --boxes)
            h.boxes.answer(vbOK);
        if (!modal.isEmpty())
            h.modals.expect([](QWidget *window) { window->close(); });
        if (how == "empty")
            list(w)->clear();

        if (how == "twice" || how == "empty")
            QTest::mouseDClick(list(w)->viewport(), Qt::LeftButton, {},
                               how == "empty" ? QPoint(10, 10) : list(w)->visualItemRect(list(w)->item(1)).center());
        else
            press(&w, qPrintable(how.section(u' ', 0, 0)));

        QCOMPARE(h.log.take(), calls);
        QCOMPARE(h.modals.seen(), modal.isEmpty() ? QStringList() : QStringList{modal});
        QTEST(bool(w.windowState() & Qt::WindowMinimized), "minimized");
    }

    // After a removal, or a change whose save fails (the store then holds what
    // is on disk), the rows are what the store holds and none is chosen.
    void rowsFollowTheStore_data()
    {
        QTest::addColumn<int>("programs");
        QTest::addColumn<QString>("change"); // and the row it is on
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("rows"); // as logRows() logs them
        QTest::addColumn<bool>("ends");
        const QString three = "Rows Program 1,Program 2,Program 3 0001 -1 ";
        QTest::newRow("remove first") << 3 << "AppDel 0" << "" << "Rows Program 2,Program 3 0001 -1 " << false;
        QTest::newRow("remove last") << 3 << "AppDel 2" << "" << "Rows Program 1,Program 2 0001 -1 " << false;
        QTest::newRow("remove only entry") << 1 << "AppDel 0" << "" << "Rows  0000 -1 Setup" << false;
        QTest::newRow("remove, name missing") << 2 << "AppDel 1" << "name" << "Rows Program 1, 0001 -1 syori" << false;
        QTest::newRow("remove, save fails") << 3 << "AppDel 1" << "save" << three + "syori" << false;
        QTest::newRow("append, save fails") << 3 << "AppAdd 1" << "save" << three + "Setup" << true;
        QTest::newRow("rename, save fails") << 3 << "chenge 1" << "save" << three << true;
    }
    void rowsFollowTheStore()
    {
        QFETCH(int, programs);
        QFETCH(QString, change);
        QFETCH(QString, fault);
        Harness h;
        kl::main &w = shown(h, programs, change.right(1).toInt());
        if (fault == "name")
            h.settings.erase("Appnames", QString::number(change.right(1).toInt() + 1));
        h.settings.failCommits = fault == "save" ? err::PermissionDenied : 0;
        h.drives.listed.insert(h.drives.startFolder, {"new.exe"});
        if (programs == 1 || change.startsWith("AppAdd"))
            h.boxes.answer(vbOK); // asking for a first entry, or to register the new one
        h.modals.expect([&](QWidget *window) {
            if (!change.startsWith("AppAdd"))
                return void(window->close());
            clickRow(window, "File1", "new.exe");
            press(window, "AddProgram");
        });
        h.boxes.answer(vbOK, [&] { logRows(h); }); // the failure's report, where the program ends

        QTEST(h.ends([&] {
            press(&w, qPrintable(change.section(u' ', 0, 0)));
            if (change.startsWith("chenge")) {
                h.forms.namechenge().findChild<QLineEdit *>("Text1")->setText("renamed");
                press(&h.forms.namechenge(), "chenge");
            }
            logRows(h);
        }), "ends");

        QTEST(h.log.matching("Rows").value(0), "rows");
        QCOMPARE(h.log.calls.count("Commit"), fault == "save" ? 0 : 1); // one durable write per handler
        if (programs == 1) // the removal is written before the box, so nothing is lost if the user walks away
            QVERIFY(h.log.calls.indexOf("Commit") < h.log.calls.indexOf(kPrompt));
    }

    void endingTheProgram_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("Exit") << "Exit" << QStringList{"End"};
        QTest::newRow("close box") << "close" << QStringList{"End"};
        // Entries stay until an append overwrites them.
        QTest::newRow("recovery OK") << "Run" << QStringList{"Get SetApp/1 []", "Shell /opt/p1 1 !",
                                                             "Save SetApp/AppCount = 0", "Save Appnames/AppCount = 0",
                                                             "Commit", "End"};
        // Reading the count comes before the removal's recovery is armed.
        QTest::newRow("removal, count unreadable")
            << "AppDel"
            << QStringList{"Get SetApp/AppCount [0]",
                           "MsgBox Kicklist: " + Runtime::reportText(RuntimeError(err::TypeMismatch)) + " [0]", "End"};
    }
    void endingTheProgram()
    {
        QFETCH(QString, how);
        Harness h;
        kl::main &w = shown(h, 2, 0);
        if (how == "AppDel")
            h.settings.put("SetApp", "AppCount", "?"), h.boxes.answer(vbOK);
        h.starter.missing.insert("/opt/p1");
        h.modals.expect([](QWidget *recovery) { press(recovery, "ok"); });

        QVERIFY(h.ends([&] { how == "close" ? void(w.close()) : press(&w, qPrintable(how)); }));
        QTEST(h.log.take(), "calls");
    }
};

QTEST_MAIN(TestMain)
#include "tst_main.moc"

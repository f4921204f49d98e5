#include "support/harness.h"
#include "support/widgets.h"

#include "windows/main.h"
#include "windows/namechenge.h"
#include "windows/syori.h"

#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryDir>

using namespace kl;
using namespace kl::test;

namespace {

const QString kPrompt = QStringLiteral("MsgBox 登録: 起動するアプリケーションを登録してください。 [0]");
const QString kLong(40000, u'長');

QListWidget *list(kl::main &w) { return child<QListWidget>(&w, "List1"); }

// The list window as "Rows <rows> <AppDel Run chenge AllRan enabled> <chosen>
// <modal windows answered>", with " min" when minimised and "[path|name]"
// when the rename dialog is open.
QString state(Harness &h)
{
    kl::main &w = *h.forms.loadedMain();
    const QStringList rows = rowTexts(&w, "List1");
    QString s = "Rows " + (rows.size() > 3 ? QStringLiteral("%1 rows").arg(rows.size()) : rows.join(u',')) + u' ';
    for (const char *name : {"AppDel", "Run", "chenge", "AllRan"})
        s += child(&w, name)->isEnabled() ? u'1' : u'0';
    s += QStringLiteral(" %1 ").arg(w.List1().ListIndex()) + h.modals.seen().join(u',') + (w.isMinimized() ? " min" : "");
    if (namechenge *d = h.forms.loadedNamechenge(); d && d->isVisible())
        s += " [" + child<QLabel>(d, "whatname")->text() + u'|' + child<QLineEdit>(d, "Text1")->text() + u']';
    return s;
}

} // namespace

class TestMain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { verifyNoWindowLeft(); }

    // The recovery dialog has no way out by Esc or Enter (OK there ends the program).
    void recoveryKeys()
    {
        Harness h;
        kl::syori &d = h.forms.syori();
        d.show();
        QTest::keyClick(&d, Qt::Key_Escape);
        QTest::keyClick(&d, Qt::Key_Return);
        QVERIFY(d.isVisible());
    }

    // Steps in the list window and the rename dialog, then what they started,
    // showed, wrote and ended: the calls but reads and entry writes, then
    // state(). Steps: "clickN", "ctrlclickN", "twiceN" (a double-click on row
    // N, "twice" below the rows), "focus", "min"
    // (minimises), "close" (the close box), "log" (state() now), "type=T"
    // (into the name box, '_' a blank), "key=K" (a key sequence there),
    // "dlg=B" (a rename dialog button), "open-1" (opens the dialog for no
    // row), else a list window button. Each box is answered OK, the state
    // logged while a failure report is open; the one modal window is closed,
    // or "add" adds new.exe ("before the list window" logged when that is not
    // shown yet).
    void steps_data()
    {
        QTest::addColumn<QString>("programs"); // how many; not a number: the count stored
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("modal");
        QTest::addColumn<QString>("calls");
        const QString three = "Rows Program 1,Program 2,Program 3 ", removed = "Save Appnames/AppCount = 2|Save SetApp/AppCount = 2|";
        const QString stale = "MsgBox 注意: 一覧がほかで変更されていたため、表示し直しました。もう一度選択して下さい。 [0]|";
        const auto report = [](int n) { return "MsgBox Kicklist: " + Runtime::reportText(RuntimeError(n)) + " [0]|"; };
        const auto row = [](const char *tag, const char *programs, const QString &steps, const char *modal, const QString &calls) {
            QTest::newRow(tag) << programs << steps << modal << calls;
        };
        // Loading: the first start asks for an entry and shows the picker
        // before the list window; a failure leaves the buttons as they were.
        row("first start", "0", "", "close", kPrompt + "|before the list window|Rows  0000 -1 Setup");
        row("count not a number", "many", "", "close", "before the list window|Rows  1111 -1 syori");
        row("count negative", "-2", "AllRan", "", "Rows  0001 -1  min");
        row("count above capacity", "101", "", "close", "before the list window|Rows 100 rows 1111 -1 syori");
        // A classic single-selection list: once a row is chosen one stays chosen.
        row("focus alone", "3", "focus Run", "", three + "0001 -1 ");
        row("Ctrl+click on the chosen row", "3", "click2 ctrlclick2 Run", "", "Shell /opt/p3 1|" + three + "1111 2 ");
        // Starting restores a minimised window (Run and a double-click alike);
        // a failure to start leaves it; starting all minimises it.
        row("double-click", "3", "click1 min twice1", "", "Shell /opt/p2 1|" + three + "1111 1 ");
        row("missing program", "3", "missing click1 min Run", "close", "Shell /opt/p2 1 !|" + three + "1111 1 syori min");
        // A double-click where there is no row reads position 0.
        row("double-click, no row", "3", "min twice", "close", "Shell  1 !|" + three + "0001 -1 syori min");
        row("start all, one missing", "3", "missing AllRan", "",
            "Shell /opt/p1 1|Shell /opt/p2 1 !|MsgBox 注意: 次のアプリケーションを起動できませんでした。\n/opt/p2\n"
                + RuntimeError::describe(err::FileNotFound) + " [0]|Shell /opt/p3 1|" + three + "0001 -1  min");
        row("add at 99", "99", "AppAdd", "close", "Rows 99 rows 0001 -1 Setup");
        row("add at 100", "100", "AppAdd", "", "MsgBox 注意: これ以上は登録できません。 [0]|Rows 100 rows 0001 -1 ");
        row("close box", "3", "close", "", "End");
        // Reading the count comes before the removal's recovery is armed.
        row("removal, count unreadable", "3", "unreadable click1 AppDel", "", report(err::TypeMismatch) + three + "1111 1 |End");
        // After a removal, or a change whose save fails (the store then holds
        // what is on disk), the rows are what the store holds and none is
        // chosen; a removal is written before any box, so nothing is lost if
        // the user walks away.
        row("remove last", "3", "click2 AppDel", "", removed + "Commit|Rows Program 1,Program 2 0001 -1 ");
        row("remove only entry", "1", "click0 AppDel", "close",
            "Save Appnames/AppCount = 0|Save SetApp/AppCount = 0|Commit|" + kPrompt + "|Rows  0000 -1 Setup");
        row("remove, name missing", "2", "name2 click1 AppDel click1 AppDel", "close", stale + "Commit|Rows Program 1, 0001 -1 syori");
        row("remove, save fails", "3", "save click1 AppDel", "close", removed + "Commit !|" + three + "0001 -1 syori");
        row("append, save fails", "3", "save click1 AppAdd", "add",
            "MsgBox アプリケーションの登録: 選択したアプリケーションを登録しますか？ [1]|Save Appnames/AppCount = 4|Save SetApp/AppCount = 4|"
            "Commit !|" + report(err::PermissionDenied) + three + "0001 -1 Setup|End");
        // A store another process holds is in use, not broken: the action is given up, the program runs on.
        const QString busy = "MsgBox Kicklist: " + Runtime::busyText(RuntimeError::busy("/settings", 4321)) + " [0]|";
        row("start, store busy", "3", "click1 busy Run", "", busy + three + "1111 1 |" + three + "1111 1 ");
        row("remove, store busy", "3", "click1 busy AppDel", "", busy + three + "1111 1 |" + three + "1111 1 ");
        row("rename, save fails", "3", "save click1 chenge type=renamed dlg=chenge", "", "Commit !|" + report(err::PermissionDenied) + three + "0001 -1 |End");
        // The rename dialog reads the store for the row; missing keys read as "None" and no name.
        row("rename: opens", "3", "gone2 open-1 log click0 chenge log click1 chenge", "",
            three + "0001 -1  [None|]|" + three + "1111 0  [/opt/p1|Program 1]|" + three + "1111 1  [None|]");
        // The name is stored for the row chosen when it is confirmed, as typed.
        row("rename: chosen row", "3", "click0 chenge click2 log chenge log type=Three click1 dlg=chenge", "",
            three + "1111 2  [/opt/p1|Program 1]|" + three + "1111 2  [/opt/p3|Program 3]|Commit|Rows Program 1,Three,Program 3 1111 1 ");
        row("rename: blanks", "3", "click1 chenge type=__ dlg=chenge chenge", "", "Commit|Rows Program 1,  ,Program 3 1111 1  [/opt/p2|  ]");
        row("rename: no length limit", "3", "click1 chenge type=long dlg=chenge", "", "Commit|Rows Program 1,long,Program 3 1111 1 ");
        row("rename: empty refused", "3", "click1 chenge type= dlg=chenge key=A", "",
            "MsgBox 名前の変更: 名前を入力して下さい。 [0]|" + three + "1111 1  [/opt/p2|a]");
        row("rename: entry removed", "3", "click0 chenge AppDel type=typed dlg=chenge", "",
            removed + "Commit|MsgBox 名前の変更: 変更するアプリケーションを一覧で選択して下さい。 [0]|Rows Program 2,Program 3 0001 -1  [/opt/p1|typed]");
        row("rename: cancel", "3", "click1 chenge type=typed dlg=cancel chenge", "", three + "1111 1  [/opt/p2|Program 2]");
        row("rename: clear", "3", "click1 chenge dlg=clear key=A", "", three + "1111 1  [/opt/p2|a]");
        // Enter confirms, End and Esc cancel, Home clears, whatever the
        // modifiers; other keys type.
        row("Enter keys", "3", "click1 chenge type=x key=Num+Enter click0 chenge type=y key=Shift+Return", "",
            "Commit|Commit|Rows y,x,Program 3 1111 0 ");
        row("cancelling keys", "3", "click1 chenge type=x key=End log chenge type=x key=Shift+End log chenge type=x key=Esc log "
            "chenge type=x key=Shift+Esc log chenge", "", QString(three + "1111 1 |").repeated(4) + three + "1111 1  [/opt/p2|Program 2]");
        row("clearing keys", "3", "click1 chenge type=x key=Z log key=Home key=A log key=Shift+Home", "",
            three + "1111 1  [/opt/p2|xz]|" + three + "1111 1  [/opt/p2|a]|" + three + "1111 1  [/opt/p2|]");
        // A row whose entry another process moved acts on nothing: the rows
        // are shown again and the user is told. The rest follow the store
        // before a removal moves them, and a program picked goes after its last.
        const QString moved = stale + "Rows Program 2,Program 3 0001 -1 ";
        row("stale row: run", "3", "click1 removed1 Run", "", moved);
        row("stale row: double-click", "3", "click0 removed1 twice0", "", moved);
        row("stale row: remove", "3", "click1 removed1 AppDel", "", moved);
        row("stale row: rename", "3", "click2 chenge removed1 type=x dlg=chenge", "", moved + " [/opt/p3|x]");
        row("stale rows: remove", "3", "click2 added4 AppDel", "", "Save Appnames/AppCount = 3|Save SetApp/AppCount = 3|Commit|Rows Program 1,Program 2,Program 4 0001 -1 ");
        row("stale rows: add", "3", "added4 AppAdd", "add",
            "MsgBox アプリケーションの登録: 選択したアプリケーションを登録しますか？ [1]|Save Appnames/AppCount = 5|Save SetApp/AppCount = 5|Commit|Rows 5 rows 0001 -1 Setup");
        row("stale rows: add at 100", "99", "added100 AppAdd", "add",
            "MsgBox アプリケーションの登録: 選択したアプリケーションを登録しますか？ [1]|MsgBox 注意: これ以上は登録できません。 [0]|Rows 100 rows 0001 -1 Setup");
    }
    void steps()
    {
        QFETCH(QString, programs);
        QFETCH(QString, steps);
        QFETCH(QString, modal);
        QFETCH(QString, calls);
        Harness h;
        h.settings.putPrograms(programs.toInt());
        if (QString::number(programs.toInt()) != programs)
            h.settings.put("SetApp", "AppCount", programs);
        for (auto boxes = calls.count("MsgBox"); boxes > 0; --boxes)
            h.boxes.answer(vbOK, [&] {
                if (h.log.calls.last().startsWith("MsgBox Kicklist"))
                    h.log.add(state(h));
            });
        if (!modal.isEmpty())
            h.modals.expect([&h, modal](QWidget *window) {
                if (!h.forms.loadedMain() || !h.forms.loadedMain()->isVisible())
                    h.log.add("before the list window");
                if (modal == "add")
                    return clickRow(window, "File1", "new.exe"), press(window, "AddProgram");
                window->close();
            });
        kl::main &w = h.forms.main();
        w.show();
        QApplication::setActiveWindow(&w);
        h.drives.listed.insert(h.drives.startFolder, {"new.exe"});

        const QHash<QString, std::function<void()>> simpleSteps{
            {"focus", [&] { list(w)->setFocus(Qt::TabFocusReason); }}, // makes a row current, chooses none
            {"min", [&] { w.setWindowState(Qt::WindowMinimized); }},
            {"close", [&] { w.close(); }},
            {"log", [&] { h.log.add(state(h)); }},
            {"open-1", [&] { h.forms.namechenge().OpenForRow(-1); }},
            {"missing", [&] { h.starter.missing.insert("/opt/p2"); }},
            {"unreadable", [&] { h.settings.put("SetApp", "AppCount", "?"); }},
            {"name2", [&] { h.settings.erase("Appnames", "2"); }},
            {"gone2", [&] { h.settings.erase("SetApp", "2"), h.settings.erase("Appnames", "2"); }},
            {"removed1", [&] { h.settings.putPrograms(2, 2); }}, // by another process, as are the next
            {"added4", [&] { h.settings.putPrograms(4); }},
            {"added100", [&] { h.settings.putPrograms(100); }},
            {"save", [&] { h.settings.failCommits = err::PermissionDenied; }},
            {"busy", [&] { h.settings.busy = true; }}};
        h.ends([&] {
            for (const QString &step : steps.split(u' ', Qt::SkipEmptyParts)) {
                const QString arg = step.section(u'=', 1);
                QLineEdit *text1 = step.contains(u'=') ? child<QLineEdit>(&h.forms.namechenge(), "Text1") : nullptr;
                if (step.startsWith("click") || step.startsWith("ctrlclick") || step.startsWith("twice")) {
                    const QRect rowRect = list(w)->visualItemRect(list(w)->item(step.right(1).toInt()));
                    const QPoint at = step == "twice" ? QPoint(10, list(w)->viewport()->height() - 5) : rowRect.center();
                    step.startsWith("twice") ? QTest::mouseDClick(list(w)->viewport(), Qt::LeftButton, {}, at)
                                             : QTest::mouseClick(list(w)->viewport(), Qt::LeftButton, step.startsWith("ctrl") ? Qt::ControlModifier : Qt::NoModifier, at);
                } else if (simpleSteps.contains(step)) {
                    simpleSteps[step]();
                } else if (step.startsWith("type=")) {
                    text1->setText(arg == "long" ? kLong : QString(arg).replace(u'_', u' '));
                } else if (step.startsWith("key=")) {
                    QTest::keySequence(text1, QKeySequence(arg));
                } else {
                    press(step.startsWith("dlg=") ? static_cast<QWidget *>(&h.forms.namechenge()) : &w, qPrintable(step.startsWith("dlg=") ? arg : step));
                }
            }
            h.log.add(state(h));
        });
        QCOMPARE(h.log.calls.filter(QRegularExpression("^(?!Get |Delete |Save \\w+/\\d)")).join(u'|').replace(kLong, "long"), calls);
    }

    // The rows follow the settings file as other processes change it, replaced
    // by a rename or written in place, its folder made after the window
    // opened. The chosen row stays while its entry does (our own commits
    // change none). Each reload ends its transaction.
    void followsTheFile()
    {
        const QTemporaryDir home;
        const QString file = home.filePath("Kicklist/Kicklist.ini");
        Harness h;
        h.settings.putPrograms(3);
        Forms forms{Platform{h.runtime, h.store, h.drives, h.registry, file}};
        kl::main &w = forms.main();
        list(w)->setCurrentRow(1), h.log.take();
        const auto write = [&](bool inPlace) {
            QSaveFile saved(file);
            QFile edited(file);
            QIODevice &out = inPlace ? static_cast<QIODevice &>(edited) : saved;
            QVERIFY(QDir().mkpath(home.filePath("Kicklist")) && out.open(QIODevice::WriteOnly) && out.write("[x]\n") == 4 && (inPlace || saved.commit()));
        };
        write(false);
        QTRY_VERIFY_WITH_TIMEOUT(h.log.calls.contains("Get SetApp/AppCount [0]"), 2000);
        QCOMPARE(w.List1().ListIndex(), 1);
        QFile held(file); // as the store holds the file it read
        QVERIFY(held.open(QIODevice::ReadOnly));
        h.settings.putPrograms(4), write(false);
        QTRY_COMPARE_WITH_TIMEOUT(rowTexts(&w, "List1").size(), 4, 2000);
        QCOMPARE(w.List1().ListIndex(), 1);
        h.settings.putPrograms(2, 2), write(true);
        QTRY_COMPARE_WITH_TIMEOUT(rowTexts(&w, "List1"), QStringList({"Program 2", "Program 3"}), 2000);
        QVERIFY(w.List1().ListIndex() == -1 && !h.settings.open);
    }
};

QTEST_MAIN(TestMain)
#include "tst_main.moc"

#include "support/harness.h"
#include "support/widgets.h"

#include "windows/main.h"
#include "windows/namechenge.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>

using namespace kl;
using namespace kl::test;

namespace {

QLineEdit *Text1(namechenge &w) { return child<QLineEdit>(&w, "Text1"); }
QString whatname(namechenge &w) { return child<QLabel>(&w, "whatname")->text(); }

// The list window with three programs, "/opt/p1" named "Program 1" and so on.
struct Rename
{
    Harness h;
    kl::main &list = (h.settings.putPrograms(3), h.forms.main());

    Rename() { h.log.take(); }
    void select(int row) { clickRow(&list, "List1", QStringLiteral("Program %1").arg(row + 1)); }
    // Selects row in the list window and presses its rename button.
    namechenge &open(int row)
    {
        select(row);
        press(&list, "chenge");
        return h.forms.namechenge();
    }
    // The list's rows, then the names' and the paths' count and positions 1 to 3 in the store.
    QStringList state()
    {
        QStringList result = rowTexts(&list, "List1");
        for (const char *section : {"Appnames", "SetApp"}) {
            for (int p = 0; p <= 3; ++p)
                result.append(h.settings.value(section, p ? QString::number(p) : "AppCount").value_or("<none>"));
        }
        return result;
    }
};

} // namespace

class TestNamechenge : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { verifyNoWindowLeft(); }

    void designIsAsDrawn()
    {
        Rename r;
        namechenge &w = r.open(0);
        QVERIFY(w.minimumSize() == QSize(312, 137) && w.maximumSize() == w.minimumSize());
        // Modeless, with a taskbar button of its own.
        QVERIFY(w.windowType() == Qt::Window && !w.parentWidget() && w.windowModality() == Qt::NonModal);
        QVERIFY(!(w.windowFlags() & Qt::WindowMinMaxButtonsHint) && !w.windowIcon().isNull());
        // In tab order from the focused name box, with the buttons' captions.
        const QList<DesignedControl> controls{
            {"Text1", {8, 64, 297, 25}, "Program 1"}, {"chenge", {8, 96, 97, 33}, "変更"},
            {"clear", {112, 96, 97, 33}, "クリア"}, {"cancel", {216, 96, 89, 33}, "キャンセル"}};
        verifyControls(&w, w.focusWidget(), controls);
    }

    // Filled from the store for the row given; missing keys read as "None" and no name.
    void opensForARow()
    {
        Rename r;
        r.h.settings.erase("SetApp", "2");
        r.h.settings.erase("Appnames", "2");
        namechenge &w = r.h.forms.namechenge();
        for (const auto &[row, shown] : {std::pair{-1, "None|"}, {0, "/opt/p1|Program 1"}, {1, "None|"}}) {
            w.OpenForRow(qint16(row));
            QCOMPARE(whatname(w) + u'|' + Text1(w)->text(), shown);
            QVERIFY(w.isVisible());
        }
    }

    // The second of three rows open, a name typed, then a button or key.
    void confirmAndKeys_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("key"); // 0, -1, -2: the change, cancel and clear buttons
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("outcome"); // renamed, hidden, refused or open
        QTest::addColumn<QString>("after"); // the name box's text
        QTest::newRow("renamed") << "新しい名前" << 0 << 0 << "renamed" << "新しい名前";
        QTest::newRow("blanks as typed") << "  " << 0 << 0 << "renamed" << "  ";
        QTest::newRow("unchanged rewrites") << "Program 2" << 0 << 0 << "renamed" << "Program 2";
        QTest::newRow("no length limit") << QString(40000, u'長') << 0 << 0 << "renamed" << QString(40000, u'長');
        QTest::newRow("empty refused") << "" << 0 << 0 << "refused" << "";
        QTest::newRow("cancel") << "typed" << -1 << 0 << "hidden" << "typed";
        QTest::newRow("clear") << "typed" << -2 << 0 << "open" << "";
        QTest::newRow("Enter") << "x" << int(Qt::Key_Return) << 0 << "renamed" << "x";
        QTest::newRow("keypad Enter") << "x" << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << "renamed" << "x";
        QTest::newRow("Shift+Enter") << "x" << int(Qt::Key_Return) << int(Qt::ShiftModifier) << "renamed" << "x";
        QTest::newRow("End") << "typed" << int(Qt::Key_End) << 0 << "hidden" << "typed";
        QTest::newRow("Shift+End") << "typed" << int(Qt::Key_End) << int(Qt::ShiftModifier) << "hidden" << "typed";
        QTest::newRow("Esc") << "typed" << int(Qt::Key_Escape) << 0 << "hidden" << "typed";
        QTest::newRow("Shift+Esc") << "typed" << int(Qt::Key_Escape) << int(Qt::ShiftModifier) << "hidden" << "typed";
        QTest::newRow("Home clears") << "typed" << int(Qt::Key_Home) << 0 << "open" << "";
        QTest::newRow("Shift+Home") << "typed" << int(Qt::Key_Home) << int(Qt::ShiftModifier) << "open" << "";
        QTest::newRow("other keys type") << "typed" << int(Qt::Key_Z) << 0 << "open" << "typedz";
    }
    void confirmAndKeys()
    {
        QFETCH(QString, text);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, outcome);
        QFETCH(QString, after);
        Rename r;
        namechenge &w = r.open(1);
        Text1(w)->setText(text);
        QStringList state = r.state();
        r.h.log.take();
        if (outcome == "refused")
            r.h.boxes.answer(vbOK);
        if (key > 0)
            QTest::keyClick(Text1(w), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        else
            press(&w, key == 0 ? "chenge" : key == -1 ? "cancel" : "clear");

        if (outcome == "renamed")
            state[1] = state[5] = text;
        QCOMPARE(r.h.log.matching("MsgBox"), QStringList{"MsgBox 名前の変更: 名前を入力して下さい。 [0]"}.mid(outcome != "refused"));
        QCOMPARE(r.state(), state);
        QCOMPARE(w.isVisible(), outcome == "refused" || outcome == "open");
        QCOMPARE(whatname(w), outcome == "renamed" ? QString() : "/opt/p2");
        QCOMPARE(Text1(w)->text(), after);
        if (w.isVisible()) { // the box still takes keys: typing goes on at the caret
            QTest::keyClick(Text1(w), Qt::Key_A);
            QCOMPARE(Text1(w)->text(), after + u'a');
        } else { // the same dialog opens again, reading the store afresh
            press(&r.list, "chenge");
            QVERIFY(&r.h.forms.namechenge() == &w && w.isVisible());
            QCOMPARE(Text1(w)->text() + whatname(w), state[5] + "/opt/p2");
        }
    }

    // The row renamed is the one selected when the change is confirmed.
    void followsTheListsSelection()
    {
        Rename r;
        namechenge &w = r.open(0);
        r.select(2);
        QCOMPARE(whatname(w), QStringLiteral("/opt/p1"));
        press(&r.list, "chenge"); // a second click refills the open dialog for the new row
        QCOMPARE(whatname(w), QStringLiteral("/opt/p3"));
        Text1(w)->setText("Three");
        r.select(1);
        press(&w, "chenge");
        QCOMPARE(r.state().mid(0, 7),
                 (QStringList{"Program 1", "Three", "Program 3", "3", "Program 1", "Three", "Program 3"}));

        // With no row selected (the entry removed), confirming says so and keeps the dialog.
        r.open(0);
        press(&r.list, "AppDel");
        Text1(w)->setText("typed");
        const QStringList state = r.state();
        r.h.log.take();
        r.h.boxes.answer(vbOK);
        press(&w, "chenge");
        QCOMPARE(r.h.log.take(),
                 QStringList{"MsgBox 名前の変更: 変更するアプリケーションを一覧で選択して下さい。 [0]"});
        QVERIFY(w.isVisible());
        QCOMPARE(r.state() << Text1(w)->text(), QStringList(state) << "typed");
        QCOMPARE(state.mid(0, 2), (QStringList{"Three", "Program 3"}));
    }
};

QTEST_MAIN(TestNamechenge)
#include "tst_namechenge.moc"

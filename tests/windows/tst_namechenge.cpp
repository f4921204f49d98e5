#include "support/harness.h"

#include "windows/main.h"
#include "windows/namechenge.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace kl;
using namespace kl::test;

namespace {

template <typename W>
W *child(QWidget *window, const char *name)
{
    auto *w = window->findChild<W *>(QLatin1String(name));
    Q_ASSERT(w);
    return w;
}

void press(QWidget *w, const char *name) { QTest::mouseClick(child<QPushButton>(w, name), Qt::LeftButton); }

// The list window with three programs, "/opt/p1" named "Program 1" and so on.
struct Rename
{
    Harness h;
    kl::main &list = (h.settings.putPrograms(3), h.forms.main());

    Rename() { h.log.take(); }

    QListWidget *List1() { return child<QListWidget>(&list, "List1"); }
    void select(int row)
    {
        QTest::mouseClick(List1()->viewport(), Qt::LeftButton, {}, List1()->visualItemRect(List1()->item(row)).center());
    }
    // Selects row in the list window and presses its rename button.
    namechenge &open(int row)
    {
        select(row);
        press(&list, "chenge");
        return h.forms.namechenge();
    }
    QStringList rows()
    {
        QStringList result;
        for (int i = 0; i < List1()->count(); ++i)
            result.append(List1()->item(i)->text());
        return result;
    }
    QString name(int position)
    {
        return h.settings.value(QStringLiteral("Appnames"), QString::number(position)).value_or(QStringLiteral("<none>"));
    }
};

QLineEdit *Text1(namechenge &w) { return child<QLineEdit>(&w, "Text1"); }
QString whatname(namechenge &w) { return child<QLabel>(&w, "whatname")->text(); }

} // namespace

class TestNamechenge : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY2(QApplication::topLevelWidgets().isEmpty(), "a window outlived its test");
    }

    void designIsAsDrawn()
    {
        Rename r;
        namechenge &w = r.open(0);
        QCOMPARE(w.windowTitle(), QStringLiteral("変更"));
        QCOMPARE(w.size(), QSize(312, 137));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QCOMPARE(w.windowType(), Qt::Window); // a taskbar button of its own
        QVERIFY(!w.parentWidget());
        QVERIFY(!(w.windowFlags() & Qt::WindowMinMaxButtonsHint));
        QVERIFY(!w.isModal() && w.windowModality() == Qt::NonModal);
        QVERIFY(!w.windowIcon().isNull());
        QCOMPARE(w.focusWidget(), Text1(w));
        const QList<QPair<const char *, QRect>> tabOrder{{"Text1", {8, 64, 297, 25}},
                                                         {"chenge", {8, 96, 97, 33}},
                                                         {"clear", {112, 96, 97, 33}},
                                                         {"cancel", {216, 96, 89, 33}}};
        QWidget *next = Text1(w);
        for (const auto &[name, geometry] : tabOrder) {
            QCOMPARE(next->objectName(), QLatin1String(name));
            QCOMPARE(next->geometry(), geometry);
            next = next->nextInFocusChain();
        }
        QCOMPARE(child<QLabel>(&w, "whatname")->geometry(), QRect(8, 8, 297, 49));
        QCOMPARE(child<QPushButton>(&w, "chenge")->text(), QStringLiteral("変更"));
        QCOMPARE(child<QPushButton>(&w, "clear")->text(), QStringLiteral("クリア"));
        QCOMPARE(child<QPushButton>(&w, "cancel")->text(), QStringLiteral("キャンセル"));
        for (QPushButton *b : w.findChildren<QPushButton *>())
            QVERIFY2(!b->autoDefault() && !b->isDefault(), qPrintable(b->objectName()));
    }

    void opensForARow_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("keysMissing");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("row 0") << 0 << false << "/opt/p1" << "Program 1";
        QTest::newRow("row 2") << 2 << false << "/opt/p3" << "Program 3";
        QTest::newRow("missing keys") << 1 << true << "None" << "";
        QTest::newRow("row -1") << -1 << false << "None" << "";
    }

    void opensForARow()
    {
        QFETCH(int, row);
        QFETCH(bool, keysMissing);
        QFETCH(QString, path);
        QFETCH(QString, name);
        Rename r;
        if (keysMissing) {
            r.h.settings.erase(QStringLiteral("SetApp"), QString::number(row + 1));
            r.h.settings.erase(QStringLiteral("Appnames"), QString::number(row + 1));
        }
        namechenge &w = r.h.forms.namechenge();
        w.OpenForRow(qint16(row));
        const QString key = QString::number(row + 1);
        QCOMPARE(r.h.log.take(), (QStringList{"Get setapp/" + key + " [None]", "Get appnames/" + key + " []"}));
        QCOMPARE(whatname(w), path);
        QCOMPARE(Text1(w)->text(), name);
        QVERIFY(w.isVisible());
    }

    void confirmRenamesTheSelectedRow_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("second of three") << 1 << "新しい名前" << 0 << 0;
        QTest::newRow("blanks as typed") << 0 << "  " << 0 << 0;
        QTest::newRow("unchanged") << 2 << "Program 3" << 0 << 0;
        QTest::newRow("Enter") << 1 << "x" << int(Qt::Key_Return) << 0;
        QTest::newRow("keypad Enter") << 1 << "x" << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
        QTest::newRow("Shift+Enter") << 1 << "x" << int(Qt::Key_Return) << int(Qt::ShiftModifier);
        QTest::newRow("Ctrl+Enter") << 1 << "x" << int(Qt::Key_Return) << int(Qt::ControlModifier);
    }

    void confirmRenamesTheSelectedRow()
    {
        QFETCH(int, row);
        QFETCH(QString, text);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        Rename r;
        namechenge &w = r.open(row);
        r.h.log.take();
        Text1(w)->setText(text);
        if (key)
            QTest::keyClick(Text1(w), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        else
            press(&w, "chenge");

        const QString k = QString::number(row + 1);
        QCOMPARE(r.h.log.take(), (QStringList{"Delete Appnames/" + k, "Save Appnames/" + k + " = " + text, "Commit"}));
        QStringList rows{"Program 1", "Program 2", "Program 3"};
        rows[row] = text;
        QCOMPARE(r.rows(), rows);
        for (int p = 1; p <= 3; ++p) {
            QCOMPARE(r.name(p), rows[p - 1]);
            QCOMPARE(r.h.settings.value(QStringLiteral("SetApp"), QString::number(p)), QStringLiteral("/opt/p%1").arg(p));
        }
        QCOMPARE(r.h.settings.value(QStringLiteral("SetApp"), QStringLiteral("AppCount")), QStringLiteral("3"));
        QCOMPARE(r.h.settings.value(QStringLiteral("Appnames"), QStringLiteral("AppCount")), QStringLiteral("3"));
        QVERIFY(!w.isVisible());
        QCOMPARE(whatname(w), QString());
        QCOMPARE(Text1(w)->text(), text);
    }

    void keysInTheNameBox_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<QString>("text");
        QTest::newRow("End") << int(Qt::Key_End) << 0 << false << "typed";
        QTest::newRow("Shift+End") << int(Qt::Key_End) << int(Qt::ShiftModifier) << false << "typed";
        QTest::newRow("Ctrl+End") << int(Qt::Key_End) << int(Qt::ControlModifier) << false << "typed";
        QTest::newRow("Esc") << int(Qt::Key_Escape) << 0 << false << "typed";
        QTest::newRow("Shift+Esc") << int(Qt::Key_Escape) << int(Qt::ShiftModifier) << false << "typed";
        QTest::newRow("Home") << int(Qt::Key_Home) << 0 << true << "";
        QTest::newRow("Shift+Home") << int(Qt::Key_Home) << int(Qt::ShiftModifier) << true << "";
        QTest::newRow("Ctrl+Home") << int(Qt::Key_Home) << int(Qt::ControlModifier) << true << "";
        QTest::newRow("other key types") << int(Qt::Key_Z) << 0 << true << "typedz";
    }

    void keysInTheNameBox()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, visible);
        QFETCH(QString, text);
        Rename r;
        namechenge &w = r.open(1);
        QTest::keyClicks(Text1(w), QStringLiteral("typed"));
        r.h.log.take();
        QTest::keyClick(Text1(w), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(w.isVisible(), visible);
        QCOMPARE(Text1(w)->text(), text);
        QCOMPARE(whatname(w), QStringLiteral("/opt/p2"));
        QVERIFY(r.h.log.calls.isEmpty());
        if (visible) { // the box still takes the key: typing goes on at the caret
            QTest::keyClick(Text1(w), Qt::Key_A);
            QCOMPARE(Text1(w)->text(), text + u'a');
        }
    }

    void emptyNameIsRefused()
    {
        Rename r;
        namechenge &w = r.open(1);
        r.h.log.take();
        press(&w, "clear");
        QCOMPARE(Text1(w)->text(), QString());
        QTest::keyClick(Text1(w), Qt::Key_Return);
        press(&w, "chenge");
        const QString refusal = QStringLiteral("MsgBox 名前の変更: 名前を入力して下さい。 [0]");
        QCOMPARE(r.h.log.take(), (QStringList{refusal, refusal}));
        QVERIFY(w.isVisible());
        QCOMPARE(whatname(w), QStringLiteral("/opt/p2"));
    }

    void cancelKeepsTheStoreAndReopeningRereadsIt()
    {
        Rename r;
        namechenge &w = r.open(1);
        Text1(w)->setText(QStringLiteral("typed"));
        press(&w, "cancel");
        QVERIFY(!w.isVisible());
        QCOMPARE(Text1(w)->text(), QStringLiteral("typed"));
        QCOMPARE(r.name(2), QStringLiteral("Program 2"));

        press(&r.list, "chenge");
        QCOMPARE(&r.h.forms.namechenge(), &w);
        QVERIFY(w.isVisible());
        QCOMPARE(Text1(w)->text(), QStringLiteral("Program 2"));
    }

    void confirmRenamesTheRowSelectedNow()
    {
        Rename r;
        namechenge &w = r.open(0);
        r.select(2);
        QCOMPARE(whatname(w), QStringLiteral("/opt/p1"));
        // A second rename click refills the open dialog for the new row.
        press(&r.list, "chenge");
        QCOMPARE(whatname(w), QStringLiteral("/opt/p3"));
        Text1(w)->setText(QStringLiteral("Three"));
        r.select(1);
        press(&w, "chenge");
        QCOMPARE(r.rows(), (QStringList{"Program 1", "Three", "Program 3"}));
        QCOMPARE(r.name(2), QStringLiteral("Three"));
        QCOMPARE(r.name(3), QStringLiteral("Program 3"));
    }

    void confirmWithNothingSelectedKeepsTheDialog()
    {
        Rename r;
        namechenge &w = r.open(1);
        press(&r.list, "AppDel"); // the selected entry goes; no row is selected after
        Text1(w)->setText(QStringLiteral("typed"));
        r.h.log.take();
        press(&w, "chenge");
        QCOMPARE(r.h.log.take(),
                 QStringList{"MsgBox 名前の変更: 変更するアプリケーションを一覧で選択して下さい。 [0]"});
        QCOMPARE(r.h.process.ends, 0);
        QVERIFY(w.isVisible());
        QCOMPARE(Text1(w)->text(), QStringLiteral("typed"));
        QCOMPARE(r.rows(), (QStringList{"Program 1", "Program 3"}));
        QCOMPARE(r.name(1), QStringLiteral("Program 1"));
        QCOMPARE(r.name(2), QStringLiteral("Program 3"));
    }

    void closeBoxDiscardsTheDialog()
    {
        Rename r;
        QPointer<namechenge> first = &r.open(1);
        Text1(*first)->setText(QStringLiteral("typed"));
        r.h.log.take();
        first->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first);
        QVERIFY(r.h.log.calls.isEmpty());

        namechenge &again = r.open(1);
        QCOMPARE(Text1(again)->text(), QStringLiteral("Program 2"));
        QVERIFY(again.isVisible());
    }
};

QTEST_MAIN(TestNamechenge)
#include "tst_namechenge.moc"

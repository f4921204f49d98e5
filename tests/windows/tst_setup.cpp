#include "support/harness.h"
#include "support/widgets.h"

#include "windows/Setup.h"
#include "windows/main.h"

#include <QApplication>
#include <QComboBox>
#include <QTemporaryDir>

using namespace kl;
using namespace kl::test;

namespace {

const QString kConfirm = QStringLiteral("MsgBox アプリケーションの登録: 選択したアプリケーションを登録しますか？ [1]");

// The list window with one program, three drives (the system drive "/", the
// current one ~ holding the current folder ~/progs, and ~/other), a home
// folder ~/home, and folders to browse:
//   progs/  a.exe  B.EXE  run.sh (executable)  notes.txt  .hidden.exe  Alpha/c.exe  beta/  .git/
//   other/  z.exe
struct Picker
{
    Harness h;
    QTemporaryDir tmp;
    QString progs = tmp.path() + "/progs", other = tmp.path() + "/other";
    QString state; // the picker's, when its steps ended

    Picker()
    {
        for (const char *dir : {"progs/Alpha", "progs/beta", "progs/.git", "other", "home"})
            QDir(tmp.path()).mkpath(dir);
        for (const char *n : {"a.exe", "B.EXE", "run.sh", "notes.txt", ".hidden.exe", "Alpha/c.exe", "../other/z.exe"}) {
            QFile file(progs + u'/' + n);
            file.open(QIODevice::WriteOnly);
            file.setPermissions(QFile::ReadOwner | (qstrcmp(n, "run.sh") ? QFile::ReadOwner : QFile::ExeOwner));
        }
        qputenv("HOME", QFile::encodeName(tmp.path() + "/home"));
        h.drives.startFolder = progs;
        h.drives.startDrive = tmp.path();
        h.drives.driveList = {"/", tmp.path(), other};
        h.settings.putPrograms(1);
        h.forms.main();
        h.log.take();
    }
    // Paths of a test table: ~ stands for the temporary folder.
    QString path(QString text) const { return text.replace(u'~', tmp.path()); }

    // The picker's drive, folder, file and whether Add is enabled.
    static QString stateOf(Setup &w)
    {
        return w.drive() + u'|' + w.dirPath() + u'|' + w.fileName() + u'|' + (child(&w, "AddProgram")->isEnabled() ? u'1' : u'0');
    }

    // Shows the picker from the list window's Add button and runs steps in it:
    // "open F" double-clicks folder F, "pick F" and "run F" click and
    // double-click file F, "drive" goes to the next drive ("drive N": one
    // failing with error N), "answer N" sets the answer to the confirm box,
    // "close" presses the close box and "add" Add. A picker the steps leave
    // open is cancelled.
    enum Outcome { Hidden, LeftOpen, NeverShown };
    Outcome add(const QStringList &steps)
    {
        Outcome outcome = NeverShown;
        h.modals.expect([&](QWidget *window) {
            auto &w = *qobject_cast<Setup *>(window);
            for (const QString &step : steps) {
                const QString arg = step.section(u' ', 1);
                if (step.startsWith("open "))
                    clickRow(&w, "Dir1", arg, true);
                else if (step.startsWith("remove "))
                    QDir(w.dirPath() + u'/' + arg).removeRecursively();
                else if (step.startsWith("pick ") || step.startsWith("run "))
                    clickRow(&w, "File1", arg, step.startsWith("run "));
                else if (step.startsWith("drive") && (arg.isEmpty() || (h.drives.failing.insert(other, arg.toInt()), true)))
                    QTest::keyClick(child(&w, "Drive1"), Qt::Key_Down);
                else if (step.startsWith("answer "))
                    h.boxes.answer(arg.toInt());
                else if (step == "close")
                    w.close();
                else
                    press(&w, "AddProgram");
            }
            state = stateOf(w);
            outcome = w.isVisible() ? LeftOpen : Hidden;
            if (outcome == LeftOpen)
                press(&w, "cxsetup");
        });
        press(&h.forms.main(), "AppAdd");
        return outcome;
    }

    QStringList rows() { return rowTexts(&h.forms.main(), "List1"); }
};

} // namespace

class TestSetup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { verifyNoWindowLeft(); }

    void designKeysAndBrowsing()
    {
        Picker p;
        Setup &w = p.h.forms.Setup();
        w.show();
        QVERIFY(w.minimumSize() == QSize(397, 223) && w.maximumSize() == w.minimumSize());
        QVERIFY(!(w.windowFlags() & Qt::WindowMinMaxButtonsHint) && !w.windowIcon().isNull());
        // In tab order, with the buttons' captions; no button takes Enter.
        const QList<DesignedControl> controls{
            {"Drive1", {16, 16, 161, 20}, ""}, {"Dir1", {16, 48, 161, 160}, ""}, {"File1", {192, 16, 185, 150}, ""},
            {"cxsetup", {288, 176, 89, 33}, "キャンセル"}, {"AddProgram", {192, 176, 89, 33}, "追加"}};
        verifyControls(&w, child(&w, "Drive1"), controls);

        QCOMPARE(child<QComboBox>(&w, "Drive1")->count(), 3);
        QCOMPARE(Picker::stateOf(w), p.path("~|~/progs||0"));
        const QStringList ancestors = QStringList{"/"} + p.progs.split(u'/', Qt::SkipEmptyParts);
        QCOMPARE(rowTexts(&w, "Dir1"), (ancestors + QStringList{"Alpha", "beta"}));
        QCOMPARE(rowTexts(&w, "File1"), (QStringList{"a.exe", "B.EXE", "run.sh"}));
        // Enter and Esc press nothing, whichever control has the focus.
        clickRow(&w, "File1", "B.EXE");
        for (const char *control : {"Drive1", "Dir1", "File1", "cxsetup", "AddProgram"}) {
            for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
                child(&w, control)->setFocus();
                QTest::keyClick(child(&w, control), key);
                QVERIFY2(w.isVisible() && p.h.log.calls.isEmpty(), control);
                QCOMPARE(w.dirPath() + u'/' + w.fileName(), p.progs + "/B.EXE");
            }
        }
        // A single click selects a folder, the blank part of a list changes
        // nothing, a double-click opens.
        clickRow(&w, "File1", "a.exe");
        clickRow(&w, "Dir1", "Alpha");
        QTest::mouseClick(child<QListWidget>(&w, "File1")->viewport(), Qt::LeftButton, {}, QPoint(20, 140));
        QCOMPARE(Picker::stateOf(w), p.path("~|~/progs|a.exe|1"));
        clickRow(&w, "Dir1", "Alpha", true);
        QCOMPARE(w.dirPath() + u'|' + w.fileName() + u'|' + w.filePath(), p.progs + "/Alpha||" + p.progs + "/Alpha");
        QCOMPARE(rowTexts(&w, "Dir1") + rowTexts(&w, "File1"), (ancestors + QStringList{"Alpha", "c.exe"}));
        QVERIFY(p.h.log.calls.isEmpty());
    }

    void stepsInThePicker_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("boxes"); // the boxes shown, one a line ("confirm": the confirm box)
        QTest::addColumn<QString>("registered");
        QTest::addColumn<QString>("state"); // when the steps ended: drive|folder|file|Add enabled
        QTest::addColumn<QString>("start"); // the process's current folder; "" when it has gone
        QTest::addColumn<bool>("home"); // whether the home folder exists
        const auto row = [](const char *tag, const QStringList &steps, const QString &boxes, const QString &registered,
                            const QString &state, const QString &start = "~/progs", bool home = true) {
            QTest::newRow(tag) << steps << boxes << registered << state << start << home;
        };
        const QString warning = "MsgBox 注意: .EXE ファイルを選択して下さい。 [0]";
        row("folder below", {"open Alpha", "pick c.exe", "add"}, "confirm", "~/progs/Alpha/c.exe", "~|~/progs/Alpha|c.exe|1");
        row("root: separator doubled", {"open /", "pick prog", "add"}, "confirm", "//prog", "~|/|prog|1");
        row("double-click, first showing", {"run a.exe"}, "confirm", "~/progs/a.exe", "~|~/progs|a.exe|1");
        row("Cancel in the confirm box", {"pick a.exe", "answer 2", "add"}, "confirm", "", "~|~/progs|a.exe|1");
        // Nothing picked in the new place, yet Add stays enabled.
        row("picked, other folder opened", {"pick a.exe", "open beta", "add"}, warning, "", "~|~/progs/beta||1");
        row("picked, other drive", {"pick a.exe", "drive", "add"}, warning, "", "~/other|~/other||1");
        row("folder removed since listed", {"remove beta", "open beta"}, "MsgBox エラー: パスが見つかりません。 [0]", "",
            "~|~/progs||0");
        // A drive with no medium falls back to the system drive, never the
        // current one; any other failure leaves the lists where they were.
        row("drive with no medium", {"drive 68"}, "MsgBox エラー: デバイスが準備されていません。 [0]", "", "/|/||0");
        row("drive failing otherwise", {"drive 57"},
            "MsgBox エラー: デバイス I/O エラーです。 [0]\nMsgBox 予期せぬエラー: エラーナンバーを作成者に伝えてください。 [0]", "",
            "~/other|~/progs||0");
        // A current folder that has gone opens the home folder, else the root.
        row("current folder gone", {}, "", "", "~|~/home||0", "");
        row("current folder removed", {}, "", "", "~|~/home||0", "~/gone");
        row("gone, and no home", {}, "", "", "/|/||0", "", false);
    }
    void stepsInThePicker()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, boxes);
        QFETCH(QString, registered);
        QFETCH(QString, start);
        QFETCH(bool, home);
        Picker p;
        p.h.drives.listed.insert("/", {"prog"});
        p.h.drives.startFolder = p.path(start);
        if (!home)
            QVERIFY(QDir(p.path("~/home")).removeRecursively());
        if (!steps.join(u' ').contains("answer ")) // else the steps answer
            for (qsizetype box = boxes.split(u'\n', Qt::SkipEmptyParts).size(); box > 0; --box)
                p.h.boxes.answer(vbOK);
        QCOMPARE(p.add(steps), boxes == "confirm" ? Picker::Hidden : Picker::LeftOpen);
        QTEST(p.state.replace(p.tmp.path(), "~"), "state");
        QCOMPARE(p.h.log.matching("MsgBox").join(u'\n').replace(kConfirm, "confirm"), boxes);
        QTEST(p.h.settings.value("SetApp", "2").value_or("").replace(p.tmp.path(), "~"), "registered");
        QCOMPARE(p.rows().join(u'|').replace(p.tmp.path(), "~"), "Program 1" + (registered.isEmpty() ? "" : "|" + registered));
    }

    void keepsItsChoiceUntilClosed()
    {
        Picker p;
        p.h.boxes.answer(vbOK);
        p.h.boxes.answer(vbOK);
        QCOMPARE(p.add({"open Alpha", "pick c.exe", "add"}), Picker::Hidden);
        Setup *first = p.h.forms.loadedSetup();
        // The next showing keeps the choice, and Add registers it again.
        QCOMPARE(p.add({"add"}), Picker::Hidden);
        QCOMPARE(p.h.forms.loadedSetup(), first);
        QCOMPARE(p.state, p.path("~|~/progs/Alpha|c.exe|1"));
        QCOMPARE(p.rows().join(u'|'), p.path("Program 1|~/progs/Alpha/c.exe|~/progs/Alpha/c.exe"));
        // The close box discards it: the next showing starts afresh.
        p.h.log.take();
        QCOMPARE(p.add({"close"}), Picker::Hidden);
        QVERIFY(!p.h.forms.loadedSetup() && p.h.log.calls.isEmpty());
        QCOMPARE(p.add({}), Picker::LeftOpen);
        QCOMPARE(p.state, p.path("~|~/progs||0"));
    }
};

QTEST_MAIN(TestSetup)
#include "tst_setup.moc"

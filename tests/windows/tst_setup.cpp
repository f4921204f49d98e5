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

// The list window with one program, two drives, and folders to browse:
//   progs/  a.exe  B.EXE  run.sh (executable)  notes.txt  .hidden.exe  Alpha/c.exe  beta/  .git/
//   other/  z.exe
struct Picker
{
    Harness h;
    QTemporaryDir tmp;
    QString progs = tmp.path() + "/progs", other = tmp.path() + "/other";
    QString state; // the picker's folder, file and whether Add is enabled, when its steps ended

    Picker()
    {
        for (const char *dir : {"progs/Alpha", "progs/beta", "progs/.git", "other"})
            QDir(tmp.path()).mkpath(dir);
        for (const char *n : {"a.exe", "B.EXE", "run.sh", "notes.txt", ".hidden.exe", "Alpha/c.exe", "../other/z.exe"}) {
            QFile file(progs + u'/' + n);
            file.open(QIODevice::WriteOnly);
            file.setPermissions(QFile::ReadOwner | (qstrcmp(n, "run.sh") ? QFile::ReadOwner : QFile::ExeOwner));
        }
        h.drives.startFolder = progs;
        h.drives.driveList = {"/", other};
        h.settings.putPrograms(1);
        h.forms.main();
        h.log.take();
    }

    // Shows the picker from the list window's Add button and runs steps in it:
    // "open F" double-clicks folder F, "pick F" and "run F" click and
    // double-click file F, "drive" goes to the next drive, "close" presses
    // the close box and "add" Add. A picker the steps leave open is cancelled.
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
                else if (step == "drive")
                    QTest::keyClick(child(&w, "Drive1"), Qt::Key_Down);
                else if (step == "close")
                    w.close();
                else
                    press(&w, "AddProgram");
            }
            state = w.dirPath() + u'|' + w.fileName() + u'|' + (child(&w, "AddProgram")->isEnabled() ? u'1' : u'0');
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
        QCOMPARE(w.windowTitle(), QStringLiteral("実行プログラムの登録"));
        QVERIFY(w.minimumSize() == QSize(397, 223) && w.maximumSize() == w.minimumSize());
        QVERIFY(!(w.windowFlags() & Qt::WindowMinMaxButtonsHint) && !w.windowIcon().isNull());
        // In tab order, with the buttons' captions; no button takes Enter.
        const QList<DesignedControl> controls{
            {"Drive1", {16, 16, 161, 20}, ""}, {"Dir1", {16, 48, 161, 160}, ""}, {"File1", {192, 16, 185, 150}, ""},
            {"cxsetup", {288, 176, 89, 33}, "キャンセル"}, {"AddProgram", {192, 176, 89, 33}, "追加"}};
        verifyControls(&w, child(&w, "Drive1"), controls);

        QCOMPARE(child<QComboBox>(&w, "Drive1")->count(), 2);
        QCOMPARE(w.drive() + w.dirPath(), "/" + p.progs);
        const QStringList ancestors = QStringList{"/"} + p.progs.split(u'/', Qt::SkipEmptyParts);
        QCOMPARE(rowTexts(&w, "Dir1"), (ancestors + QStringList{"Alpha", "beta"}));
        QCOMPARE(rowTexts(&w, "File1"), (QStringList{"a.exe", "B.EXE", "run.sh"}));
        QVERIFY(w.fileName().isEmpty() && !child(&w, "AddProgram")->isEnabled());
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
        QCOMPARE(w.dirPath() + u'|' + w.fileName(), p.progs + "|a.exe");
        clickRow(&w, "Dir1", "Alpha", true);
        QCOMPARE(w.dirPath() + u'|' + w.fileName() + u'|' + w.filePath(), p.progs + "/Alpha||" + p.progs + "/Alpha");
        QCOMPARE(rowTexts(&w, "Dir1") + rowTexts(&w, "File1"), (ancestors + QStringList{"Alpha", "c.exe"}));
        clickRow(&w, "Dir1", "/", true);
        QCOMPARE(w.dirPath(), QStringLiteral("/"));
        QVERIFY(p.h.log.calls.isEmpty() && p.h.drives.opened.isEmpty());
    }

    void registersThePickedFile_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("answer"); // to the confirm box
        QTest::addColumn<QString>("path"); // registered; "注意": a warning instead; "": nothing
        QTest::newRow("folder below") << QStringList{"open Alpha", "pick c.exe", "add"} << vbOK << "/progs/Alpha/c.exe";
        QTest::newRow("root: separator doubled") << QStringList{"open /", "pick prog", "add"} << vbOK << "//prog";
        QTest::newRow("double-click, first showing") << QStringList{"run a.exe"} << vbOK << "/progs/a.exe";
        QTest::newRow("Cancel in the confirm box") << QStringList{"pick a.exe", "add"} << vbCancel << "";
        QTest::newRow("picked, other folder opened") << QStringList{"pick a.exe", "open beta", "add"} << vbOK << "注意";
        QTest::newRow("picked, other drive") << QStringList{"pick a.exe", "drive", "add"} << vbOK << "注意";
    }
    void registersThePickedFile()
    {
        QFETCH(QStringList, steps);
        QFETCH(int, answer);
        QFETCH(QString, path);
        Picker p;
        p.h.drives.listed.insert("/", {"prog"});
        p.h.boxes.answer(answer);
        if (path.startsWith("/progs"))
            path.prepend(p.tmp.path());
        const bool warns = path == "注意";
        QCOMPARE(p.add(steps), warns ? Picker::LeftOpen : Picker::Hidden);
        QStringList calls{kConfirm};
        if (warns) { // nothing picked in the new place, yet Add stays enabled
            QVERIFY(p.state.endsWith("||1"));
            calls = QStringList{"MsgBox 注意: .EXE ファイルを選択して下さい。 [0]"};
        } else if (!path.isEmpty()) {
            calls << "Get SetApp/AppCount [0]" << "Get SetApp/AppCount [0]" << "Save SetApp/2 = " + path
                  << "Save Appnames/2 = " + path << "Save SetApp/2 = " + path << "Save Appnames/AppCount = 2"
                  << "Save SetApp/AppCount = 2" << "Commit";
        }
        QCOMPARE(p.h.log.take(), calls);
        QCOMPARE(p.rows(), (path.isEmpty() || warns ? QStringList{"Program 1"} : QStringList{"Program 1", path}));
        QVERIFY(child(p.h.forms.loadedSetup(), "AddProgram")->isEnabled());
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
        QCOMPARE(p.state, p.progs + "/Alpha|c.exe|1");
        const QString path = p.progs + "/Alpha/c.exe";
        QCOMPARE(p.rows(), (QStringList{"Program 1", path, path}));
        QCOMPARE(p.h.settings.value("SetApp", "3"), path);
        // The close box discards it: the next showing starts afresh.
        p.h.log.take();
        QCOMPARE(p.add({"close"}), Picker::Hidden);
        QVERIFY(!p.h.forms.loadedSetup() && p.h.log.calls.isEmpty());
        QCOMPARE(p.add({}), Picker::LeftOpen);
        QCOMPARE(p.state, p.progs + "||0");
    }

    void folderRemovedSinceListed()
    {
        Picker p;
        p.h.boxes.answer(vbOK);
        QCOMPARE(p.add({"remove beta", "open beta"}), Picker::LeftOpen);
        QCOMPARE(p.h.log.matching("MsgBox").size(), 1);
        QVERIFY2(p.h.log.calls.first().startsWith("MsgBox エラー: "), qPrintable(p.h.log.calls.first()));
        QCOMPARE(p.state, p.progs + "||0"); // still where it was
    }

    void driveThatCannotBeOpened()
    {
        const QString broken = QStringLiteral("/media/empty");
        for (int number : {err::DeviceUnavailable, 57}) {
            Picker p;
            p.h.drives.driveList = {"/", broken};
            p.h.drives.opens.insert("/", p.other);
            p.h.drives.failing.insert(broken, number);
            for (int box = number == err::DeviceUnavailable ? 1 : 2; box > 0; --box)
                p.h.boxes.answer(vbOK);
            Setup &w = p.h.forms.Setup();
            QTest::keyClick(child(&w, "Drive1"), Qt::Key_Down);
            const QString shown = w.drive() + w.dirPath() + u'|' + rowTexts(&w, "File1").join(u' ');
            if (number == err::DeviceUnavailable) { // back to the system drive
                QCOMPARE(p.h.log.take(), QStringList{"MsgBox エラー: デバイスが準備されていません。 [0]"});
                QCOMPARE(p.h.drives.opened, (QStringList{broken, "/"}));
                QCOMPARE(shown, "/" + p.other + "|z.exe");
            } else { // the drive shows, the lists stay
                QCOMPARE(p.h.log.take(),
                         (QStringList{"MsgBox エラー: デバイス I/O エラーです。 [0]",
                                      "MsgBox 予期せぬエラー: エラーナンバーを作成者に伝えてください。 [0]"}));
                QCOMPARE(p.h.drives.opened, QStringList{broken});
                QCOMPARE(shown, broken + p.progs + "|a.exe B.EXE run.sh");
            }
        }
    }
};

QTEST_MAIN(TestSetup)
#include "tst_setup.moc"

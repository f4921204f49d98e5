#include "support/harness.h"
#include "support/widgets.h"

#include "windows/Setup.h"
#include "windows/main.h"

#include <QApplication>
#include <QComboBox>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kl;
using namespace kl::test;

namespace {

const QString kConfirm = QStringLiteral("MsgBox アプリケーションの登録: 選択したアプリケーションを登録しますか？ [1]");

// The list window with one program, three drives (the system drive "/", the
// current one ~ holding the current folder ~/progs, and ~/other), home
// folders ~/home and ~/home\xff beside its look-alike, and folders to browse
// (what a folder lists is the drive system's business), some named with a
// byte that is not UTF-8 (which reads "�"):
//   progs/  a.exe  Alpha/c.exe  beta/  pick\xff/  x\xff.exe
//   other/  z.exe
struct Picker
{
    Harness h;
    QTemporaryDir tmp;
    QString progs = tmp.path() + "/progs", other = tmp.path() + "/other";
    QByteArray at = QFile::encodeName(tmp.path()) + '/';

    Picker()
    {
        for (const char *dir : {"progs/Alpha", "progs/beta", "other", "home"})
            QDir(tmp.path()).mkpath(dir);
        for (const char *n : {"a.exe", "Alpha/c.exe", "../other/z.exe"})
            QFile(progs + u'/' + n).open(QIODevice::WriteOnly);
        for (const char *dir : {"progs/pick\xff", "home\xff", "home\xef\xbf\xbd"})
            ::mkdir(at + dir, 0700);
        ::close(::open(at + "progs/x\xff.exe", O_CREAT | O_WRONLY, 0600));
        std::tie(h.drives.driveList, h.drives.startFolder, h.drives.startDrive) = std::tuple(QStringList{"/", tmp.path(), other}, progs, tmp.path());
        h.drives.listed.insert("/", {"prog"});
        h.settings.putPrograms(1);
        h.forms.main();
        h.log.take();
    }
    ~Picker() { removeAll(tmp.path()); }
    // Paths of a test table: ~ stands for the temporary folder.
    QString path(QString text) const { return text.replace(u'~', tmp.path()); }

    // The picker's drive, folder, file and whether Add is enabled.
    static QString stateOf(Setup &w)
    {
        return w.drive() + u'|' + w.dirPath() + u'|' + w.fileName() + u'|' + (child(&w, "AddProgram")->isEnabled() ? u'1' : u'0');
    }

    // Shows the picker from the list window's Add button once for each
    // showing (" / " between them) and runs its steps (", " between them) in
    // it: "open F" and "click F" double-click and click folder F, "blank"
    // clicks below the files, "pick F" and "run F" click and double-click file
    // F, "drive" goes to the next drive ("drive N": one failing with error N),
    // "answer N" sets the answer to the confirm box, "remove F" removes folder
    // F, "lists" notes the drives and the rows of both lists, "keys" presses
    // Enter, Enter on the keypad and Esc on each control, "close" presses the
    // close box and "add" Add. A picker the steps leave open is cancelled, its state marked "open".
    // Then the boxes and the rows.
    QString add(const QString &showings)
    {
        QStringList states;
        for (const QString &showing : showings.split(" / ")) {
            h.modals.expect([&](QWidget *window) {
                auto &w = *qobject_cast<Setup *>(window);
                for (const QString &step : showing.split(", ", Qt::SkipEmptyParts)) {
                    const QString arg = step.section(u' ', 1);
                    if (step.startsWith("open ") || step.startsWith("click "))
                        clickRow(&w, "Dir1", arg, step.startsWith("open "));
                    else if (step == "blank")
                        QTest::mouseClick(child<QListWidget>(&w, "File1")->viewport(), Qt::LeftButton, {}, QPoint(20, 140));
                    else if (step.startsWith("remove "))
                        QDir(w.dirPath() + u'/' + arg).removeRecursively();
                    else if (step.startsWith("pick ") || step.startsWith("run "))
                        clickRow(&w, "File1", arg, step.startsWith("run "));
                    else if (step.startsWith("drive") && (arg.isEmpty() || (h.drives.failing.insert(other, arg.toInt()), true)))
                        QTest::keyClick(child(&w, "Drive1"), Qt::Key_Down);
                    else if (step.startsWith("answer "))
                        h.boxes.answer(arg.toInt());
                    else if (step == "lists")
                        states << QString::number(child<QComboBox>(&w, "Drive1")->count()) + " drives "
                                + (rowTexts(&w, "Dir1").mid(tmp.path().count(u'/')) + rowTexts(&w, "File1")).join(u',').replace(QDir(tmp.path()).dirName(), "~");
                    else if (step == "keys")
                        for (const char *control : {"Drive1", "Dir1", "File1", "cxsetup", "AddProgram"})
                            for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
                                child(&w, control)->setFocus(), QTest::keyClick(child(&w, control), key);
                    else
                        step == "close" ? void(w.close()) : press(&w, "AddProgram");
                }
                states << stateOf(w) + (w.isVisible() ? " open" : "");
                if (w.isVisible())
                    press(&w, "cxsetup");
            });
            press(&h.forms.main(), "AppAdd");
        }
        const QString rows = rowTexts(&h.forms.main(), "List1").join(u',');
        return (QStringList{states.join(" / ")} + h.log.matching("MsgBox") << rows).join(u'|').replace(kConfirm, "confirm").replace(tmp.path(), "~");
    }
};

} // namespace

class TestSetup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { verifyNoWindowLeft(); }

    void stepsInThePicker_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("start"); // the process's current folder; "" when it has gone
        QTest::addColumn<QByteArray>("home"); // HOME, in the temporary folder
        QTest::addColumn<QString>("seen"); // each showing's drive|folder|file|Add enabled, the boxes, the rows
        const auto row = [](const char *tag, const QString &steps, const QString &seen, const QString &start = "~/progs", const QByteArray &home = "home") {
            QTest::newRow(tag) << steps << start << home << seen;
        };
        const QString warning = "|MsgBox 注意: .EXE ファイルを選択して下さい。 [0]|Program 1";
        // The lists open at the current folder; Enter and Esc press nothing.
        row("lists and keys", "lists, pick a.exe, keys", "3 drives ~,progs,Alpha,beta,pick\uFFFD,a.exe,x\uFFFD.exe / ~|~/progs|a.exe|1 open|Program 1");
        // A name that is not UTF-8 is shown as it reads, and refused.
        row("names not UTF-8", "open pick\uFFFD, pick x\uFFFD.exe, add", "~|~/progs|x\uFFFD.exe|1 open|"
            "MsgBox 注意: このフォルダーの名前は UTF-8 ではないため、開けません。 [0]|MsgBox 注意: このファイルの名前は UTF-8 ではないため、登録できません。 [0]|Program 1");
        row("folder below", "open Alpha, pick c.exe, add", "~|~/progs/Alpha|c.exe|1|confirm|Program 1,~/progs/Alpha/c.exe");
        // A single click selects a folder, the blank part of a list changes nothing.
        row("clicks that change nothing", "pick a.exe, click Alpha, blank, add", "~|~/progs|a.exe|1|confirm|Program 1,~/progs/a.exe");
        row("root: separator doubled", "open /, pick prog, add", "~|/|prog|1|confirm|Program 1,//prog");
        row("double-click, first showing", "run a.exe", "~|~/progs|a.exe|1|confirm|Program 1,~/progs/a.exe");
        row("Cancel in the confirm box", "pick a.exe, answer 2, add", "~|~/progs|a.exe|1|confirm|Program 1");
        // The next showing keeps the choice, and Add registers it again; the
        // close box discards it: the next showing starts afresh.
        row("kept until closed", "open Alpha, pick c.exe, add / add / close / ",
            "~|~/progs/Alpha|c.exe|1 / ~|~/progs/Alpha|c.exe|1 / ~|~/progs/Alpha|c.exe|1 / ~|~/progs||0 open|confirm|confirm|"
            "Program 1,~/progs/Alpha/c.exe,~/progs/Alpha/c.exe");
        // Nothing picked in the new place, yet Add stays enabled.
        row("picked, other folder opened", "pick a.exe, open beta, add", "~|~/progs/beta||1 open" + warning);
        row("picked, other drive", "pick a.exe, drive, add", "~/other|~/other||1 open" + warning);
        row("folder removed since listed", "remove beta, open beta", "~|~/progs||0 open|MsgBox エラー: パスが見つかりません。 [0]|Program 1");
        // A drive with no medium falls back to the system drive, never the
        // current one; any other failure leaves the lists where they were.
        row("drive with no medium", "drive 68", "/|/||0 open|MsgBox エラー: デバイスが準備されていません。 [0]|Program 1");
        row("drive failing otherwise", "drive 57", "~/other|~/progs||0 open|MsgBox エラー: デバイス I/O エラーです。 [0]|"
            "MsgBox 予期せぬエラー: エラーナンバーを作成者に伝えてください。 [0]|Program 1");
        // A current folder that has gone opens the home folder, else the root.
        row("current folder gone", "", "~|~/home||0 open|Program 1", "");
        row("current folder removed", "", "~|~/home||0 open|Program 1", "~/gone");
        row("gone, and no home", "", "/|/||0 open|Program 1", "", "none");
        row("gone, home not UTF-8", "", "/|/||0 open|Program 1", "", "home\xff"); // never its look-alike
    }
    void stepsInThePicker()
    {
        QFETCH(QString, steps);
        QFETCH(QString, start);
        QFETCH(QString, seen);
        QFETCH(QByteArray, home);
        Picker p;
        p.h.drives.startFolder = p.path(start);
        qputenv("HOME", p.at + home);
        for (auto boxes = steps.contains("answer ") ? 0 : seen.count("MsgBox") + seen.count("confirm"); boxes > 0; --boxes)
            p.h.boxes.answer(vbOK); // else the steps answer
        QCOMPARE(p.add(steps), seen);
    }
};

QTEST_MAIN(TestSetup)
#include "tst_setup.moc"

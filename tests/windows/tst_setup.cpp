#include "support/harness.h"

#include "windows/Setup.h"
#include "windows/main.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace kl;
using namespace kl::test;

namespace {

const QString kConfirm = QStringLiteral("MsgBox アプリケーションの登録: 選択したアプリケーションを登録しますか？ [1]");

template <typename W = QWidget>
W *child(QWidget *window, const char *name)
{
    auto *w = window->findChild<W *>(QLatin1String(name));
    Q_ASSERT(w);
    return w;
}

QStringList texts(QWidget *window, const char *name)
{
    QStringList result;
    for (auto *l = child<QListWidget>(window, name); result.size() < l->count();)
        result.append(l->item(int(result.size()))->text());
    return result;
}

// A click on a row, or a double-click as the platform delivers it: press,
// release, double-click, release.
void click(QWidget *window, const char *name, const QString &text, bool twice = false)
{
    auto *l = child<QListWidget>(window, name);
    const QList<QListWidgetItem *> found = l->findItems(text, Qt::MatchExactly);
    QVERIFY2(found.size() == 1, qPrintable(text));
    const QPoint pos = l->visualItemRect(found.first()).center();
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, pos);
    if (twice) {
        QTest::mouseDClick(l->viewport(), Qt::LeftButton, {}, pos);
        QTest::mouseRelease(l->viewport(), Qt::LeftButton, {}, pos);
    }
}

void press(QWidget *w, const char *name) { QTest::mouseClick(child<QPushButton>(w, name), Qt::LeftButton); }

// The list window with one program, and folders to browse:
//   progs/  a.exe  B.EXE  run.sh (executable)  notes.txt  .hidden.exe
//           Alpha/c.exe  beta/  .git/
//   other/  z.exe
struct Picker
{
    Harness h;
    QTemporaryDir tmp;
    QString progs = tmp.path() + QStringLiteral("/progs");
    QString other = tmp.path() + QStringLiteral("/other");

    Picker()
    {
        for (const char *dir : {"progs/Alpha", "progs/beta", "progs/.git", "other"})
            QDir(tmp.path()).mkpath(QLatin1String(dir));
        for (const char *name : {"a.exe", "B.EXE", "run.sh", "notes.txt", ".hidden.exe", "Alpha/c.exe", "../other/z.exe"}) {
            QFile file(progs + u'/' + QLatin1String(name));
            file.open(QIODevice::WriteOnly);
            file.setPermissions(QFile::ReadOwner | (qstrcmp(name, "run.sh") ? QFile::Permissions() : QFile::ExeOwner));
        }
        h.drives.startFolder = progs;
        h.settings.putPrograms(1);
        h.forms.main();
        h.log.take();
    }

    enum Outcome { Hidden, LeftOpen, NeverShown };

    // Shows the picker from the list window's add button and runs steps in
    // it; a picker the steps leave open is cancelled.
    Outcome add(const std::function<void(Setup &)> &steps)
    {
        Outcome outcome = NeverShown;
        h.modals.expect([&](QWidget *window) {
            auto &picker = *qobject_cast<Setup *>(window);
            steps(picker);
            outcome = picker.isVisible() ? LeftOpen : Hidden;
            if (outcome == LeftOpen)
                press(&picker, "cxsetup");
        });
        press(&h.forms.main(), "AppAdd");
        return outcome;
    }

    QStringList rows() { return texts(&h.forms.main(), "List1"); }
};

} // namespace

class TestSetup : public QObject
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
        Picker p;
        Setup &w = p.h.forms.Setup();
        QCOMPARE(w.windowTitle(), QStringLiteral("実行プログラムの登録"));
        QCOMPARE(w.size(), QSize(397, 223));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QVERIFY(!(w.windowFlags() & Qt::WindowMinMaxButtonsHint));
        QVERIFY(!w.windowIcon().isNull());
        const QList<QPair<const char *, QRect>> tabOrder{{"Drive1", {16, 16, 161, 20}},
                                                         {"Dir1", {16, 48, 161, 160}},
                                                         {"File1", {192, 16, 185, 150}},
                                                         {"cxsetup", {288, 176, 89, 33}},
                                                         {"AddProgram", {192, 176, 89, 33}}};
        QWidget *next = child(&w, "Drive1");
        for (const auto &[name, geometry] : tabOrder) {
            QCOMPARE(next->objectName(), QLatin1String(name));
            QCOMPARE(next->geometry(), geometry);
            do
                next = next->nextInFocusChain();
            while (next->parentWidget() != &w);
        }
        QCOMPARE(child<QPushButton>(&w, "cxsetup")->text(), QStringLiteral("キャンセル"));
        QCOMPARE(child<QPushButton>(&w, "AddProgram")->text(), QStringLiteral("追加"));
        for (QPushButton *b : w.findChildren<QPushButton *>())
            QVERIFY2(!b->autoDefault() && !b->isDefault(), qPrintable(b->objectName()));
    }

    void listsBrowseDrivesFoldersAndPrograms()
    {
        Picker p;
        p.h.drives.driveList = {QStringLiteral("/"), p.other};
        Setup &w = p.h.forms.Setup();
        w.show();
        QCOMPARE(child<QComboBox>(&w, "Drive1")->count(), 2);
        QCOMPARE(w.drive(), QStringLiteral("/"));
        QCOMPARE(w.dirPath(), p.progs);
        const QStringList ancestors = QStringList{"/"} + p.progs.split(u'/', Qt::SkipEmptyParts);
        QCOMPARE(texts(&w, "Dir1"), (ancestors + QStringList{"Alpha", "beta"}));
        QCOMPARE(texts(&w, "File1"), (QStringList{"a.exe", "B.EXE", "run.sh"}));
        QCOMPARE(w.fileName(), QString());
        QVERIFY(!child(&w, "AddProgram")->isEnabled());

        // A single click selects a folder, the blank part of a list changes
        // nothing, a double-click opens.
        click(&w, "File1", QStringLiteral("a.exe"));
        click(&w, "Dir1", QStringLiteral("Alpha"));
        QTest::mouseClick(child<QListWidget>(&w, "File1")->viewport(), Qt::LeftButton, {}, QPoint(20, 140));
        QCOMPARE(w.dirPath(), p.progs);
        QCOMPARE(w.fileName(), QStringLiteral("a.exe"));
        click(&w, "Dir1", QStringLiteral("Alpha"), true);
        QCOMPARE(w.dirPath(), p.progs + QStringLiteral("/Alpha"));
        QCOMPARE(w.filePath(), w.dirPath());
        QCOMPARE(texts(&w, "Dir1"), ancestors + QStringList{"Alpha"});
        QCOMPARE(texts(&w, "File1"), QStringList{"c.exe"});
        QCOMPARE(w.fileName(), QString());
        click(&w, "Dir1", QStringLiteral("/"), true);
        QCOMPARE(w.dirPath(), QStringLiteral("/"));
        QVERIFY(p.h.log.calls.isEmpty());
        QVERIFY(p.h.drives.opened.isEmpty());
    }

    void registersThePickedFile_data()
    {
        QTest::addColumn<QString>("folder"); // double-clicked first, if any
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("path"); // empty: nothing stored
        QTest::newRow("current folder") << "" << "B.EXE" << false << vbOK << "/progs/B.EXE";
        QTest::newRow("executable") << "" << "run.sh" << false << vbOK << "/progs/run.sh";
        QTest::newRow("subfolder") << "Alpha" << "c.exe" << false << vbOK << "/progs/Alpha/c.exe";
        QTest::newRow("root") << "/" << "prog" << false << vbOK << "//prog";
        QTest::newRow("double-click on the first showing") << "" << "a.exe" << true << vbOK << "/progs/a.exe";
        QTest::newRow("cancel in the confirm box") << "" << "a.exe" << false << vbCancel << "";
    }

    void registersThePickedFile()
    {
        QFETCH(QString, folder);
        QFETCH(QString, file);
        QFETCH(bool, doubleClick);
        QFETCH(int, answer);
        QFETCH(QString, path);
        Picker p;
        p.h.drives.listed.insert(QStringLiteral("/"), {QStringLiteral("prog")});
        p.h.boxes.answer(answer);
        if (path.startsWith(QStringLiteral("/progs")))
            path.prepend(p.tmp.path());

        QCOMPARE(p.add([&](Setup &w) {
            if (!folder.isEmpty())
                click(&w, "Dir1", folder, true);
            click(&w, "File1", file, doubleClick);
            if (!doubleClick)
                press(&w, "AddProgram");
        }),
                 Picker::Hidden);

        if (path.isEmpty()) {
            QCOMPARE(p.h.log.take(), QStringList{kConfirm});
            QCOMPARE(p.rows(), QStringList{"Program 1"});
        } else {
            QCOMPARE(p.h.log.take(), (QStringList{kConfirm, "Get SetApp/AppCount [0]", "Get SetApp/AppCount [0]",
                                                  "Save SetApp/2 = " + path, "Save Appnames/2 = " + path,
                                                  "Save SetApp/2 = " + path, "Save Appnames/AppCount = 2",
                                                  "Save SetApp/AppCount = 2", "Commit"}));
            QCOMPARE(p.rows(), (QStringList{"Program 1", path}));
        }
        QVERIFY(child(p.h.forms.loadedSetup(), "AddProgram")->isEnabled());
    }

    void addWithNoFileSelectedWarns_data()
    {
        QTest::addColumn<bool>("changeDrive");
        QTest::newRow("another folder") << false;
        QTest::newRow("another drive") << true;
    }

    void addWithNoFileSelectedWarns()
    {
        QFETCH(bool, changeDrive);
        Picker p;
        p.h.drives.driveList = {QStringLiteral("/"), p.other};
        bool enabled = false;
        QCOMPARE(p.add([&](Setup &w) {
            click(&w, "File1", QStringLiteral("a.exe"));
            if (changeDrive)
                QTest::keyClick(child(&w, "Drive1"), Qt::Key_Down);
            else
                click(&w, "Dir1", QStringLiteral("beta"), true);
            enabled = child(&w, "AddProgram")->isEnabled() && w.fileName().isEmpty();
            press(&w, "AddProgram");
        }),
                 Picker::LeftOpen);
        QVERIFY(enabled);
        QCOMPARE(p.h.log.take(), QStringList{"MsgBox 注意: .EXE ファイルを選択して下さい。 [0]"});
        QCOMPARE(p.rows(), QStringList{"Program 1"});
    }

    void nextShowingKeepsTheChoiceAndRegistersAgain()
    {
        Picker p;
        const auto pickAndAdd = [&](Setup &w) {
            click(&w, "Dir1", QStringLiteral("Alpha"), true);
            click(&w, "File1", QStringLiteral("c.exe"));
            press(&w, "AddProgram");
        };
        QCOMPARE(p.add(pickAndAdd), Picker::Hidden);
        Setup *first = p.h.forms.loadedSetup();
        QString name;
        QCOMPARE(p.add([&](Setup &w) {
            name = w.fileName();
            press(&w, "AddProgram");
        }),
                 Picker::Hidden);
        QCOMPARE(p.h.forms.loadedSetup(), first);
        QCOMPARE(name, QStringLiteral("c.exe"));
        const QString path = p.progs + QStringLiteral("/Alpha/c.exe");
        QCOMPARE(p.rows(), (QStringList{"Program 1", path, path}));
        QCOMPARE(p.h.settings.value(QStringLiteral("SetApp"), QStringLiteral("3")), path);
    }

    void closeBoxDiscardsThePicker()
    {
        Picker p;
        QPointer<Setup> first;
        QCOMPARE(p.add([&](Setup &w) {
            first = &w;
            click(&w, "Dir1", QStringLiteral("Alpha"), true);
            click(&w, "File1", QStringLiteral("c.exe"));
            w.close();
        }),
                 Picker::Hidden);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first);
        QVERIFY(p.h.log.calls.isEmpty());

        QString state;
        QCOMPARE(p.add([&](Setup &w) {
            state = w.dirPath() + u'|' + w.fileName() + u'|' + (child(&w, "AddProgram")->isEnabled() ? u'1' : u'0');
        }),
                 Picker::LeftOpen);
        QCOMPARE(state, p.progs + QStringLiteral("||0"));
    }

    void driveThatCannotBeOpened_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QStringList>("boxes");
        QTest::newRow("unavailable") << 68 << QStringList{"MsgBox エラー: デバイスが準備されていません。 [0]"};
        QTest::newRow("other failure") << 57
                                       << QStringList{"MsgBox エラー: デバイス I/O エラーです。 [0]",
                                                      "MsgBox 予期せぬエラー: エラーナンバーを作成者に伝えてください。 [0]"};
    }

    void driveThatCannotBeOpened()
    {
        QFETCH(int, number);
        QFETCH(QStringList, boxes);
        Picker p;
        const QString broken = QStringLiteral("/media/empty");
        p.h.drives.driveList = {QStringLiteral("/"), broken};
        p.h.drives.opens.insert(QStringLiteral("/"), p.other);
        p.h.drives.failing.insert(broken, number);
        Setup &w = p.h.forms.Setup();

        QTest::keyClick(child(&w, "Drive1"), Qt::Key_Down);

        QCOMPARE(p.h.log.take(), boxes);
        QCOMPARE(p.h.process.ends, 0);
        if (number == err::DeviceUnavailable) { // back to the system drive
            QCOMPARE(p.h.drives.opened, (QStringList{broken, "/"}));
            QCOMPARE(w.drive() + w.dirPath(), "/" + p.other);
            QCOMPARE(texts(&w, "File1"), QStringList{"z.exe"});
        } else { // the drive shows, the lists stay
            QCOMPARE(p.h.drives.opened, QStringList{broken});
            QCOMPARE(w.drive() + w.dirPath(), broken + p.progs);
            QCOMPARE(texts(&w, "File1"), (QStringList{"a.exe", "B.EXE", "run.sh"}));
        }
    }

    void enterAndEscapePressNothing_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("key");
        for (const char *control : {"Drive1", "Dir1", "File1", "cxsetup", "AddProgram"}) {
            QTest::addRow("%s Return", control) << QString::fromLatin1(control) << int(Qt::Key_Return);
            QTest::addRow("%s Enter", control) << QString::fromLatin1(control) << int(Qt::Key_Enter);
            QTest::addRow("%s Esc", control) << QString::fromLatin1(control) << int(Qt::Key_Escape);
        }
    }

    void enterAndEscapePressNothing()
    {
        QFETCH(QString, control);
        QFETCH(int, key);
        Picker p;
        Setup &w = p.h.forms.Setup();
        w.show();
        click(&w, "File1", QStringLiteral("B.EXE"));
        QWidget *target = child(&w, control.toLatin1().constData());
        target->setFocus();
        QTest::keyClick(target, Qt::Key(key));
        QVERIFY(w.isVisible());
        QCOMPARE(w.dirPath() + u'/' + w.fileName(), p.progs + QStringLiteral("/B.EXE"));
        QVERIFY(p.h.log.calls.isEmpty());
    }
};

QTEST_MAIN(TestSetup)
#include "tst_setup.moc"

// What only the Qt face shows: the user's keys, focus and mouse clicks
// reaching the right handlers, real modal windows, no window left behind.
#define DOCTEST_CONFIG_IMPLEMENT
#include "qtharness.h"

#include "design/windows.h"
#include "windows/Setup.h"
#include "windows/frmAbout.h"
#include "windows/namechenge.h"
#include "windows/syori.h"

#include <QLabel>
#include <QLineEdit>

#include <string>

using namespace kl;
using namespace kl::test;

namespace {

QStringList texts(QListWidget *list)
{
    QStringList rows;
    for (int row = 0; row < list->count(); ++row) rows.append(list->item(row)->text());
    return rows;
}

// Which of AppDel, Run and chenge take a click: a row is chosen.
bool rowButtons(QWidget *w)
{
    return QtHarness::child(w, "AppDel")->isEnabled() && QtHarness::child(w, "Run")->isEnabled() && QtHarness::child(w, "chenge")->isEnabled();
}

} // namespace

TEST_CASE("list window: choosing and starting rows")
{
    QtHarness h;
    h.settings.put("Appnames", "2", "B\xfc" "ro");
    QWidget *w = h.list();
    auto *list = QtHarness::child<QListWidget>(w, "List1");
    ListControl &rows = h.forms.main().List1();
    // A name that is not UTF-8 shows as U+FFFD, and is the stored name when
    // the row is held against the store before it starts (no note that the list changed).
    CHECK(texts(list) == QStringList{"Program 1", "B\uFFFDro", "Program 3"});

    SUBCASE("focus alone makes a row current and chooses none; arrow keys choose")
    {
        list->setFocus(Qt::TabFocusReason);
        CHECK(rows.ListIndex() == -1);
        CHECK_FALSE(rowButtons(w));
        QTest::keyClick(list, Qt::Key_Down);
        CHECK(rows.ListIndex() >= 0);
        CHECK(rowButtons(w));
    }
    SUBCASE("a click chooses; Ctrl+click on the chosen row keeps it")
    {
        clickAt(list, rowAt(list, 2));
        clickAt(list, rowAt(list, 2), Qt::ControlModifier);
        CHECK(rows.ListIndex() == 2);
        QTest::mouseClick(QtHarness::child(w, "Run"), Qt::LeftButton);
        CHECK(h.log.matching("Shell ") == std::vector<std::string>{"Shell /opt/p3 1"});
    }
    SUBCASE("the handlers choosing a row raise no click")
    {
        rows.setListIndex(1);
        CHECK(rows.ListIndex() == 1);
        CHECK_FALSE(rowButtons(w));
        clickAt(list, rowAt(list, 0));
        CHECK(rowButtons(w));
        rows.setListIndex(-1);
        CHECK(rows.ListIndex() == -1);
    }
    SUBCASE("a double-click starts the row; below the rows, none chosen, nothing")
    {
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(10, list->viewport()->height() - 5));
        doubleClickAt(list, rowAt(list, 1));
        CHECK(h.log.matching("Shell ") == std::vector<std::string>{"Shell /opt/p2 1"});
    }
    SUBCASE("the close box ends the program")
    {
        CHECK(QtHarness::ends([w] { w->close(); }));
    }
}

TEST_CASE("picker: mouse, keys and its modal showing")
{
    QtHarness h;
    QWidget *list = h.list();
    bool waited = false;
    SUBCASE("steps")
    {
        h.whenModal("Setup", [&](QWidget *w) {
            Setup &setup = *h.forms.loadedSetup();
            auto *dir1 = QtHarness::child<QListWidget>(w, "Dir1");
            auto *file1 = QtHarness::child<QListWidget>(w, "File1");
            CommandButton &add = setup.view().AddProgram();
            CHECK(texts(dir1) == QStringList{"/", "cur", "progs", "Alpha", "beta", "pick\uFFFD"});
            CHECK(dir1->currentRow() == 2);
            CHECK(dir1->item(3)->toolTip() == "/cur/progs/Alpha");
            // Names that are not text: a tip saying so, and another colour.
            CHECK(dir1->item(5)->toolTip() == Setup::kFolderNotText);
            CHECK(file1->item(1)->toolTip() == Setup::kFileNotText);
            CHECK(dir1->item(5)->foreground() == file1->item(1)->foreground());
            CHECK(dir1->item(5)->foreground() != dir1->item(4)->foreground());

            // A file clicked enables Add; a click on the blank part keeps it.
            CHECK_FALSE(add.Enabled());
            clickAt(file1, rowAt(file1, 0));
            clickAt(file1, QPoint(20, 140));
            CHECK(add.Enabled());
            CHECK(setup.fileName() == "a.exe");
            // A click on the chosen folder is a click; one on the blank part is none.
            add.setValue(true);
            clickAt(dir1, QPoint(20, dir1->viewport()->height() - 5));
            CHECK(QtHarness::child<QPushButton>(w, "AddProgram")->isDown());
            clickAt(dir1, rowAt(dir1, 2));
            CHECK_FALSE(QtHarness::child<QPushButton>(w, "AddProgram")->isDown());

            // Enter and Esc press nothing; Enter in Dir1 opens its current row.
            for (const char *control : {"Drive1", "Dir1", "File1", "cxsetup", "AddProgram"})
                for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
                    QtHarness::child(w, control)->setFocus(), QTest::keyClick(QtHarness::child(w, control), key);
            CHECK(w->isVisible());
            CHECK(setup.dirPath() == "/cur/progs");
            dir1->setFocus();
            QTest::keyClick(dir1, Qt::Key_Down);
            QTest::keyClick(dir1, Qt::Key_Enter, Qt::KeypadModifier);
            CHECK(setup.dirPath() == "/cur/progs/Alpha");
            CHECK(texts(file1) == QStringList{"c.exe"});
            doubleClickAt(dir1, rowAt(dir1, 2));
            CHECK(setup.dirPath() == "/cur/progs");
            // Another drive chosen by the user.
            QTest::keyClick(QtHarness::child(w, "Drive1"), Qt::Key_Down);
            CHECK(setup.dirPath() == "/other");
            // A double-click on a file registers it through a box of its own.
            h.answer(vbOK);
            doubleClickAt(file1, rowAt(file1, 0));
            waited = !w->isVisible();
        });
        QTest::mouseClick(QtHarness::child(list, "AppAdd"), Qt::LeftButton);
        CHECK(texts(QtHarness::child<QListWidget>(list, "List1")).last() == "/other/z.exe");
    }
    SUBCASE("the close box ends the wait and unloads it")
    {
        h.whenModal("Setup", [&](QWidget *w) { w->close(), waited = true; });
        QTest::mouseClick(QtHarness::child(list, "AppAdd"), Qt::LeftButton);
        CHECK(h.forms.loadedSetup() == nullptr);
    }
    CHECK(waited);
}

TEST_CASE("rename dialog: keys in the name box and on its buttons")
{
    QtHarness h;
    QWidget *list = h.list();
    auto *rows = QtHarness::child<QListWidget>(list, "List1");
    clickAt(rows, rowAt(rows, 1));
    QTest::mouseClick(QtHarness::child(list, "chenge"), Qt::LeftButton);
    auto *d = view(h.forms.namechenge());
    auto *text1 = QtHarness::child<QLineEdit>(d, "Text1");
    CHECK(d->isVisible());
    CHECK(text1->text() == "Program 2");
    CHECK(d->focusWidget() == text1);
    // In the name box Enter confirms, End and Esc cancel, Home clears, whatever
    // the modifiers; other keys type. Each key: the list's second row after
    // it, and the name box's text ("-": the dialog hidden).
    const struct { const char *name; Qt::Key key; Qt::KeyboardModifiers modifiers; QString row1, text; } table[] = {
        {"Alt+Shift+Return", Qt::Key_Return, Qt::AltModifier | Qt::ShiftModifier, "x", "-"},
        {"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, "x", "-"},
        {"Shift+End", Qt::Key_End, Qt::ShiftModifier, "Program 2", "-"},
        {"Ctrl+Esc", Qt::Key_Escape, Qt::ControlModifier, "Program 2", "-"},
        {"Shift+Home", Qt::Key_Home, Qt::ShiftModifier, "Program 2", ""},
        {"Z", Qt::Key_Z, {}, "Program 2", "xz"}};
    for (const auto &row : table) {
        SUBCASE(row.name)
        {
            text1->setText("x");
            QTest::keyClick(text1, row.key, row.modifiers);
            CHECK(rows->item(1)->text() == row.row1);
            CHECK((d->isVisible() ? text1->text() : "-") == row.text);
        }
    }
    SUBCASE("Enter and Esc on its buttons press nothing: not renamed, not emptied, not hidden")
    {
        for (const char *button : {"chenge", "clear", "cancel"})
            for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
                QtHarness::child(d, button)->setFocus(), QTest::keyClick(QtHarness::child(d, button), key);
        CHECK(rows->item(1)->text() == "Program 2");
        CHECK(text1->text() == "Program 2");
        CHECK(d->isVisible());
    }
}

TEST_CASE("about box: owner, keys and a real message box")
{
    QtHarness h;
    QWidget *list = h.list();
    QTest::mouseClick(QtHarness::child(list, "Command1"), Qt::LeftButton);
    auto *about = view(h.forms.frmAbout());
    CHECK(about->isVisible()); // owned by the list window: the look's
    // Placed, and its labels' fonts, as its design says.
    const design::Window &d = design::windows::frmAbout;
    CHECK(about->geometry().topLeft() == QPoint(d.left, d.top) / design::kTwipsPerPixel);
    for (const design::Control &c : d.controls) {
        if (c.font.face.empty())
            continue;
        const QFont font = QtHarness::child(about, std::string(c.name).c_str())->font();
        CAPTURE(c.name);
        CHECK(font.families().value(0).toStdString() == c.font.face);
        CHECK(font.pointSizeF() == c.font.points);
        CHECK(font.bold() == c.font.bold);
    }
    CHECK(QtHarness::child<QLabel>(about, "picIcon")->pixmap().size() == QSize(32, 32));
    SUBCASE("no system information tool: one box, the about box stays")
    {
        h.answer(vbOK);
        QTest::mouseClick(QtHarness::child(about, "cmdSysInfo"), Qt::LeftButton);
        CHECK(h.forms.loadedFrmAbout());
    }
    QWidget *icon = QtHarness::child(about, "picIcon");
    const std::pair<const char *, std::function<void()>> waysOut[] = {{"Enter", [icon] { QTest::keyClick(icon, Qt::Key_Return); }},
        {"keypad Enter", [icon] { QTest::keyClick(icon, Qt::Key_Enter, Qt::KeypadModifier); }},
        {"Esc", [icon] { QTest::keyClick(icon, Qt::Key_Escape); }}, {"the close box", [about] { about->close(); }}};
    for (const auto &[name, way] : waysOut) {
        SUBCASE(name)
        {
            way();
            CHECK_FALSE(about->isVisible());
            CHECK_FALSE(h.forms.loadedFrmAbout());
        }
    }
}

TEST_CASE("recovery dialog: Esc and Enter do nothing")
{
    QtHarness h;
    auto *d = view(h.forms.syori());
    d->show();
    CHECK_FALSE(QtHarness::ends([d] {
        for (QWidget *at : {d, static_cast<QWidget *>(QtHarness::child(d, "ok"))})
            at->setFocus(), QTest::keyClick(at, Qt::Key_Escape), QTest::keyClick(at, Qt::Key_Return);
    }));
    CHECK(d->isVisible()); // its window type and icon are the look's
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    return doctest::Context(argc, argv).run();
}

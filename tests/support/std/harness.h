#pragma once

#include "face.h"
#include "fakes.h"

#include "platform/runtime.h"
#include "store/appstore.h"
#include "windows/Setup.h"
#include "windows/forms.h"
#include "windows/main.h"
#include "windows/namechenge.h"

#include <optional>


namespace kl::test {

// The five windows over recording fakes, with the steps a user takes as
// named calls. Every step runs as the face would run it; a step whose
// handlers end the program stops there (ended() then), and a step after
// that fails the test. Boxes and modal windows must be answered beforehand
// (answer, whenModal); one that is not fails the test at once.
class Harness : public Services
{
public:
    Harness() { forms.emplace(Platform{runtime, store, drives, registry, face, &watch, &resetCopy}); }
    ~Harness() { CHECK_MESSAGE(boxes.answers.empty(), "an answer no box took"); }

    // Arranging (no handler runs).
    void programs(int n, int first = 1) { settings.putPrograms(n, first); } // also "another process rewrote the store"
    void answer(int button = vbOK, std::function<void()> whileOpen = {}) { boxes.answer(button, std::move(whileOpen)); }
    void whenModal(const std::string &window, std::function<void()> step) { face.whenModal(window, std::move(step)); }

    // Steps in the list window.
    // The program starts: the list window loads, then shows.
    void open() { run([this] { forms->main().view().form().Show(); }); }
    void click(int row) { run([this, row] { main().list.selected = std::int16_t(row), forms->main().List1_Click(); }); }
    void doubleClick(int row) // on a row; -1: below the rows
    {
        row >= 0 ? click(row) : void();
        run([this] { forms->main().List1_DblClick(); });
    }
    void minimise() { main().window.state = vbMinimized; }
    void storeChanged() // the store watch reports a change
    {
        REQUIRE(watch.changed);
        run(watch.changed);
    }
    // Buttons by design name: of the list window, or of another window. A
    // disabled button takes no click.
    void press(const std::string &button) { press("main", button); }
    void press(const std::string &window, const std::string &button);
    void close(const std::string &window) { run(view(window).handlers["close"]); } // the close box

    // Steps in the rename dialog.
    void type(const std::string &text) { namechenge().name.text = text; } // replaces Text1's text

    // Steps in the picker, rows by their text.
    void chooseDrive(const std::string &drive);
    void clickFolder(const std::string &name);
    void openFolder(const std::string &name) { clickFolder(name), run([this] { forms->Setup().Dir1_Open(setup().folders.index); }); } // a double-click
    void pickFile(const std::string &name);
    void runFile(const std::string &name) { pickFile(name), run([this] { forms->Setup().File1_DblClick(); }); } // a double-click

    // Looking.
    FakeView &view(const std::string &window) // the live view; fails when none
    {
        REQUIRE_MESSAGE(face.views.count(window), "no view of " << window);
        return *face.views[window];
    }
    FakeMainView &main() { return static_cast<FakeMainView &>(view("main")); }
    FakeSetupView &setup() { return static_cast<FakeSetupView &>(view("Setup")); }
    FakeNamechengeView &namechenge() { return static_cast<FakeNamechengeView &>(view("namechenge")); }
    bool shown(const std::string &window) { return face.views.count(window) && view(window).window.visible; }
    std::vector<std::string> rows() { return main().list.rows; }
    int chosen() { return main().list.selected; }
    // Which of AppDel, Run, chenge and AllRan are enabled, in that order.
    std::vector<std::string> enabled();
    bool minimised() { return main().window.state == vbMinimized; }
    std::vector<std::string> started() { return log.matching("Shell "); }
    std::vector<std::string> shownBoxes() { return log.matching("MsgBox "); }
    std::vector<std::string> modals() { return log.matching("ShowModal "); }
    bool ended() const { return m_ended; }

    FakeBoxes boxes{log};
    Runtime runtime{settings, starter, boxes, process};
    AppStore store{settings};
    FakeFace face{log};
    std::optional<Forms> forms;

    // Runs a window's handler or method as the face would, as a step.
    void run(const std::function<void()> &step);

private:
    int m_depth = 0;
    bool m_ended = false;
};

} // namespace kl::test

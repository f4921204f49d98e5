// The Win32 face under wine: the windows against their designs, fonts, a
// modal showing, the message box answers and the routing of the user's
// actions to the handlers, through WinFace with the real handlers.
#include "support/std/fakes.h"

#include "design/windows.h"
#include "platform/drives.h"
#include "platform/win32/utf8.h"
#include "platform/runtime.h"
#include "store/appstore.h"
#include "windows/Setup.h"
#include "windows/forms.h"
#include "windows/frmAbout.h"
#include "windows/main.h"
#include "windows/namechenge.h"
#include "windows/syori.h"
#include "winui/window.h"
#include "winui/winface.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <tuple>

using namespace kl;
using namespace kl::test;
namespace dw = kl::design::windows;
namespace dc = kl::design::windows::controls;

namespace {

// What the timer set by whileModal runs: the test's step inside a modal loop.
std::function<void()> timerStep;

void CALLBACK runStep(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    auto step = std::move(timerStep);
    step();
}

// The five windows over the shared fakes, built by the Win32 face; the list
// window shown, with three programs.
struct Fixture : Services
{
    explicit Fixture(int programs = 3)
    {
        settings.putPrograms(programs);
        forms.main().view().form().Show();
    }
    HWND window(const design::Window &design)
    {
        const std::wstring name = L"Kicklist." + std::wstring(design.name.begin(), design.name.end());
        return FindWindowW(name.c_str(), nullptr);
    }
    // The control built from c (one of dw::controls), in its window.
    HWND control(const design::Control &c)
    {
        for (const design::Window *w : dw::all)
            if (&c >= w->controls.data() && &c < w->controls.data() + w->controls.size())
                return GetDlgItem(window(*w), winui::controlId(std::size_t(&c - w->controls.data())));
        return nullptr;
    }
    // Sends the window what the control tells it when the user acts on it.
    void notify(const design::Control &design, int code)
    {
        const HWND c = control(design);
        SendMessageW(GetParent(c), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(c), code), reinterpret_cast<LPARAM>(c));
    }
    // Runs step once the next modal loop waits (or any message loop).
    void whileModal(std::function<void()> step)
    {
        timerStep = std::move(step);
        SetTimer(nullptr, 0, 1, &runStep);
    }
    // Gives control the focus and types key as the user does, through the
    // thread's queue and the face's dispatch; Enter from the keypad too.
    void type(HWND c, WPARAM key, bool keypad = false)
    {
        SetFocus(c);
        REQUIRE(GetFocus() == c);
        PostMessageW(c, WM_KEYDOWN, key, keypad ? 0x011C0001 : 1);
        for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);)
            winui::dispatchMessage(msg);
    }

    // Every window up: the rename dialog open for the second row, the others
    // shown; boxes answered OK, so that a wrong press shows in the log.
    void allUp(int answers)
    {
        forms.main().view().List1().setListIndex(1);
        forms.main().chenge_Click();
        for (Form *form : {&forms.Setup().view().form(), &forms.syori().view().form(), &forms.frmAbout().view().form()})
            form->Show();
        for (int box = 0; box < answers; ++box)
            boxes.answer(vbOK);
        log.calls.clear();
    }

    FakeBoxes boxes{log};
    Runtime runtime{settings, starter, boxes, process};
    AppStore store{settings};
    winui::WinFace face{GetModuleHandleW(nullptr)};
    Forms forms{Platform{runtime, store, drives, registry, face, nullptr}};
};

// A design measure in pixels at dpi: kTwipsPerPixel twips to a pixel at 96.
long scaled(int twips, UINT dpi)
{
    return std::lround(twips * dpi / (96.0 * design::kTwipsPerPixel));
}

// Whether a control stands where its design puts it at dpi, to a pixel.
bool placedAsDesigned(HWND control, const design::Control &c, UINT dpi)
{
    RECT at;
    GetWindowRect(control, &at);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT *>(&at), 2);
    const auto close = [dpi](long pixels, int twips) { return std::abs(pixels - scaled(twips, dpi)) <= 1; };
    return close(at.left, c.left) && close(at.top, c.top) && close(at.right - at.left, c.width)
        && close(at.bottom - at.top, c.height);
}

// What a screenshot would show wrong with a button's or label's text in the
// control's own font: glyphs the font lacks, text cut off. A button draws
// one line inside its frame; a label wraps at words. Below the last line
// only the ink counts, not the line's whole descent.
void checkText(HWND control, design::Kind kind, UINT dpi)
{
    wchar_t text[512];
    const int length = GetWindowTextW(control, text, 512);
    const HDC dc = GetDC(control);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    WORD glyphs[512];
    GetGlyphIndicesW(dc, text, length, glyphs, GGI_MARK_NONEXISTING_GLYPHS);
    CHECK(std::count(glyphs, glyphs + length, WORD(0xFFFF)) == 0);
    TEXTMETRICW font;
    GetTextMetricsW(dc, &font);
    long inkBelowBaseline = 0;
    for (int i = 0; i < length; ++i) {
        GLYPHMETRICS glyph;
        const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
        if (GetGlyphOutlineW(dc, text[i], GGO_METRICS, &glyph, 0, nullptr, &identity) != GDI_ERROR)
            inkBelowBaseline = std::max(inkBelowBaseline, long(glyph.gmBlackBoxY) - glyph.gmptGlyphOrigin.y);
    }
    RECT room, need;
    GetClientRect(control, &room);
    const bool label = kind == design::Kind::Label;
    const int frame = label ? 0 : GetSystemMetricsForDpi(SM_CXEDGE, dpi) + 1; // a button's edge and focus box
    InflateRect(&room, -frame, -frame);
    need = room;
    DrawTextW(dc, text, length, &need, DT_CALCRECT | (label ? DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS : DT_SINGLELINE));
    CHECK(need.right - need.left <= room.right - room.left);
    CHECK(need.bottom - font.tmDescent + inkBelowBaseline <= room.bottom);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
}

} // namespace

TEST_CASE("each window is built from its design at the DPI of the run")
{
    // The screen's DPI, as the run set up the wine prefix.
    const char *dpiSet = std::getenv("KICKLIST_TEST_DPI");
    const UINT dpi = dpiSet ? UINT(std::atoi(dpiSet)) : 96;
    CAPTURE(dpi);
    Fixture f;
    f.forms.Setup(), f.forms.namechenge(), f.forms.syori(), f.forms.frmAbout(); // all five loaded
    for (const design::Window *design : dw::all) {
        CAPTURE(design->name);
        const HWND window = f.window(*design);
        REQUIRE(window);
        CHECK(GetDpiForWindow(window) == dpi);
        RECT client;
        GetClientRect(window, &client);
        CHECK(client.right == scaled(design->width, dpi));
        CHECK(client.bottom == scaled(design->height, dpi));
        if (design == &dw::main) // the conversion, once by hand: 4905 x 2520 twips
            CHECK(client.right == (dpi == 144 ? 491 : 327));

        const auto style = GetWindowLongPtrW(window, GWL_STYLE);
        const auto exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
        CHECK((style & (WS_CAPTION | WS_SYSMENU)) == (WS_CAPTION | WS_SYSMENU));
        CHECK((style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) == 0);
        CHECK(((exStyle & WS_EX_TOOLWINDOW) != 0) == (design->border == design::Border::FixedToolWindow));
        CHECK(((exStyle & WS_EX_DLGMODALFRAME) != 0) == (design->border == design::Border::FixedDialog));

        for (const design::Control &c : design->controls) {
            CAPTURE(c.name);
            const HWND control = f.control(c);
            REQUIRE(control);
            CHECK(placedAsDesigned(control, c, dpi));
            if (c.kind == design::Kind::CommandButton || c.kind == design::Kind::Label)
                checkText(control, c.kind, dpi);
            if (c.kind != design::Kind::PictureBox) // an icon, no text
                CHECK(SendMessageW(control, WM_GETFONT, 0, 0) != 0);
            const bool tabStop = (GetWindowLongPtrW(control, GWL_STYLE) & WS_TABSTOP) != 0;
            CHECK(tabStop == (c.tabIndex != design::kNoTab && c.kind != design::Kind::Label));
        }
        // Tab walks the controls by tab index.
        int lastTab = -1;
        for (HWND first = GetNextDlgTabItem(window, nullptr, FALSE), focus = first; focus; focus = GetNextDlgTabItem(window, focus, FALSE)) {
            const int tab = design->controls[std::size_t(GetDlgCtrlID(focus) - winui::controlId(0))].tabIndex;
            CHECK(tab > lastTab);
            lastTab = tab;
            if (GetNextDlgTabItem(window, focus, FALSE) == first)
                break;
        }
    }
    // The about box belongs to the list window, placed where its design says;
    // a control with a font of its own draws in it, scaled; smaller only
    // where the run draws that face in one of other measures.
    const char *face = std::getenv("KICKLIST_TEST_FACE");
    const bool designMeasures = !face || std::string_view(face) == "IPAPGothic";
    CHECK(GetWindow(f.window(dw::frmAbout), GW_OWNER) == winui::windowOf(f.forms.main().view()));
    POINT client{};
    ClientToScreen(f.window(dw::frmAbout), &client);
    CHECK(client.x == scaled(dw::frmAbout.left, dpi));
    CHECK(client.y == scaled(dw::frmAbout.top, dpi));
    for (const design::Control &c : dw::frmAbout.controls) {
        if (c.font.face.empty())
            continue;
        CAPTURE(c.name);
        LOGFONTW logFont{};
        const auto hfont = reinterpret_cast<HFONT>(SendMessageW(f.control(c), WM_GETFONT, 0, 0));
        REQUIRE(GetObjectW(hfont, sizeof logFont, &logFont) == sizeof logFont);
        CHECK(std::wstring(logFont.lfFaceName) == win32::widen(std::string(c.font.face)));
        CHECK(logFont.lfWeight == (c.font.bold ? FW_BOLD : FW_NORMAL));
        const long designed = std::lround(c.font.points * dpi / 72.0);
        CHECK_MESSAGE((designMeasures ? -logFont.lfHeight == designed : -logFont.lfHeight <= designed),
                      "height ", -logFont.lfHeight, " designed ", designed);
    }
}

TEST_CASE("a modal showing disables the list window while it waits")
{
    Fixture f;
    const HWND list = winui::windowOf(f.forms.main().view());
    Form &setup = f.forms.Setup().view().form();
    bool listEnabled = true, setupShown = false;
    f.whileModal([&] {
        listEnabled = IsWindowEnabled(list) != FALSE;
        setupShown = setup.Visible();
        setup.Hide();
    });
    setup.ShowModal();
    CHECK(setupShown);
    CHECK_FALSE(listEnabled);
    CHECK(IsWindowEnabled(list));
    CHECK(GetActiveWindow() == list);
    CHECK_FALSE(setup.Visible());
}

TEST_CASE("the message loops, a modal one too, call a set handle's function first")
{
    // Each loop is also told to quit, so that a loop blind to the handle
    // ends at once: the code it quits with tells which came first.
    Fixture f;
    Form &setup = f.forms.Setup().view().form();
    const HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    int calls = 0;
    f.face.loop().waitFor(event, [&] { ++calls, setup.Hide(); });
    f.whileModal([&] { SetEvent(event), PostQuitMessage(3); });
    setup.ShowModal();
    CHECK(calls == 1);
    f.face.loop().waitFor(event, [&] { ++calls, PostQuitMessage(7); });
    SetEvent(event), PostQuitMessage(9);
    CHECK(f.face.loop().run() == 7);
    CHECK(calls == 2);
    f.face.loop().waitFor(event, {});
    CloseHandle(event);
}

TEST_CASE("message box answers")
{
    // What MessageBoxW returned (IDCANCEL: Esc or the close box; 0: it failed), and the answer.
    const struct { int buttons, id, answer; } cases[] = {{vbOKOnly, IDOK, vbOK}, {vbOKOnly, IDCANCEL, vbOK}, {vbOKOnly, 0, vbOK},
        {vbOKCancel, IDOK, vbOK}, {vbOKCancel, IDCANCEL, vbCancel}, {vbOKCancel, 0, vbCancel}};
    for (const auto &c : cases)
        CHECK_MESSAGE(winui::messageBoxAnswer(c.buttons, c.id) == c.answer, "buttons " << c.buttons << ", closed by " << c.id);
}

TEST_CASE("the user's actions reach the handlers")
{
    Fixture f;
    const HWND list = f.control(dc::main::List1);
    REQUIRE(SendMessageW(list, LB_GETCOUNT, 0, 0) == 3);

    SUBCASE("a double-click, below the rows too, starts the chosen row's program")
    {
        f.forms.main().view().List1().setListIndex(2);
        RECT rect;
        GetClientRect(list, &rect);
        SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(4, rect.bottom - 2));
        CHECK(f.log.matching("Shell ") == std::vector<std::string>{"Shell /opt/p3 1"});
    }
    SUBCASE("a removal leaves no row chosen")
    {
        f.forms.main().view().List1().setListIndex(1);
        f.notify(dc::main::AppDel, BN_CLICKED);
        CHECK(SendMessageW(list, LB_GETCURSEL, 0, 0) == LB_ERR);
    }
    SUBCASE("Esc in the rename dialog's text box closes it")
    {
        f.forms.main().view().List1().setListIndex(0);
        f.notify(dc::main::chenge, BN_CLICKED);
        REQUIRE(f.forms.namechenge().view().form().Visible());
        SendMessageW(f.control(dc::namechenge::Text1), WM_KEYDOWN, VK_ESCAPE, 0);
        CHECK_FALSE(f.forms.namechenge().view().form().Visible());
    }
    SUBCASE("the about box's OK takes Enter and, whatever has the focus, Esc, unless disabled; the close box unloads the picker")
    {
        const struct { WPARAM key; const design::Control *focus; bool okEnabled; } presses[] = {
            {VK_RETURN, &dc::frmAbout::cmdOK, true}, {VK_ESCAPE, &dc::frmAbout::cmdSysInfo, true}, {VK_ESCAPE, &dc::frmAbout::cmdSysInfo, false}};
        for (const auto &[key, focus, okEnabled] : presses) {
            f.notify(dc::main::Command1, BN_CLICKED);
            REQUIRE(f.forms.frmAbout().view().form().Visible());
            EnableWindow(f.control(dc::frmAbout::cmdOK), okEnabled);
            f.type(f.control(*focus), key);
            CHECK((f.forms.loadedFrmAbout() == nullptr) == okEnabled);
        }

        f.forms.Setup().view().form().Show();
        SendMessageW(f.window(dw::Setup), WM_CLOSE, 0, 0);
        CHECK(f.forms.loadedSetup() == nullptr);
    }
}

TEST_CASE("every button of every window calls the handler named after it")
{
    // With all five windows up, 100 rows and the second chosen, each handler
    // leaves its own trace: the calls the fakes saw and the windows shown.
#define BUTTON(form, name) {&dc::form::name, [](Forms &f) { f.form().name##_Click(); }}
    const struct { const design::Control *button; void (*handler)(Forms &); } table[] = {
        BUTTON(main, Run), BUTTON(main, AllRan), BUTTON(main, AppAdd), BUTTON(main, AppDel), BUTTON(main, chenge),
        BUTTON(main, Command1), BUTTON(main, Exit), BUTTON(Setup, AddProgram), BUTTON(Setup, cxsetup), BUTTON(syori, ok),
        BUTTON(namechenge, chenge), BUTTON(namechenge, clear), BUTTON(namechenge, cancel), BUTTON(frmAbout, cmdOK),
        BUTTON(frmAbout, cmdSysInfo)};
#undef BUTTON
    const auto outcome = [](const std::function<void(Fixture &)> &act) {
        Fixture f(100);
        f.allUp(3);
        try {
            act(f);
        } catch (const ProgramEnded &) {
        }
        for (const design::Window *design : dw::all)
            f.log.add(std::string(design->name) + (IsWindowVisible(f.window(*design)) ? " shown" : " hidden"));
        f.log.add("name " + f.forms.namechenge().view().Text1().Text());
        return f.log.calls;
    };
    for (const design::Window *design : dw::all)
        for (const design::Control &c : design->controls)
            if (c.kind == design::Kind::CommandButton)
                CHECK_MESSAGE(std::count_if(std::begin(table), std::end(table), [&](const auto &row) { return row.button == &c; }) == 1,
                              design->name << "." << c.name << " in the table once");
    for (const auto &row : table) {
        CAPTURE(row.button->name);
        CHECK(outcome([&row](Fixture &f) { f.notify(*row.button, BN_CLICKED); }) == outcome([&row](Fixture &f) { row.handler(f.forms); }));
    }
}

TEST_CASE("Enter and Esc press no button of the picker, the recovery dialog or the rename dialog")
{
    // Each button holding the focus, each key: what a press of any of them
    // would show (the picker's 注意 box or its hiding, the recovery dialog's
    // reset and end, a rename or the rename dialog's hiding) does not happen.
    Fixture f;
    f.allUp(10);
    Form &setup = f.forms.Setup().view().form(), &syori = f.forms.syori().view().form();
    f.forms.Setup().view().AddProgram().setEnabled(true);
    const design::Control *buttons[] = {&dc::Setup::AddProgram, &dc::Setup::cxsetup, &dc::syori::ok,
        &dc::namechenge::chenge, &dc::namechenge::clear, &dc::namechenge::cancel};
    const auto state = [&] {
        return std::tuple{f.log.calls, setup.Visible(), syori.Visible(), f.forms.namechenge().view().form().Visible(),
            f.forms.namechenge().view().Text1().Text()};
    };
    f.log.calls.clear();
    const auto before = state();
    for (const design::Control *button : buttons) {
        CAPTURE(button->name);
        for (const auto &[key, keypad] : {std::pair{VK_RETURN, false}, {VK_RETURN, true}, {VK_ESCAPE, false}}) {
            CAPTURE(key);
            CAPTURE(keypad);
            f.log.calls.clear();
            try {
                f.type(f.control(*button), key, keypad);
            } catch (const ProgramEnded &) {
            }
            CHECK(state() == before);
        }
    }
    // In the rename dialog's name box Enter goes to its handler: the rename.
    f.forms.namechenge().view().Text1().setText("Tool");
    f.type(f.control(dc::namechenge::Text1), VK_RETURN);
    CHECK(f.forms.main().view().List1().List(1) == "Tool");
    CHECK(SendMessageW(f.control(dc::main::List1), LB_GETCURSEL, 0, 0) == 1);
    CHECK(f.settings.value("Appnames", "2") == "Tool");
    CHECK_FALSE(f.forms.namechenge().view().form().Visible());
}

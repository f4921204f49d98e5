#pragma once

#include "messageloop.h"
#include "metrics.h"
#include "win.h"

#include "design/design.h"
#include "platform/controls.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kl::winui {

// A control's id: its place in the design, clear of IDOK and IDCANCEL.
constexpr int controlId(std::size_t designIndex)
{
    return 100 + static_cast<int>(designIndex);
}

// Sent by a window to its owner-drawn controls with the DRAWITEMSTRUCT, so
// that each list draws its own rows.
constexpr UINT kDrawItem = WM_APP + 1;
// Sent by a window to its controls after a change of DPI, fonts set.
constexpr UINT kDpiChanged = WM_APP + 2;
// Sent by a label to its window when its text changed (lParam: the label).
constexpr UINT kTextChanged = WM_APP + 3;

// One window built from its design: class "Kicklist.<name>", border, caption,
// icon, client size and controls at the window's DPI, the message font,
// tooltips, the tab order. The user's actions go through one table from
// control id to handler. It is the window's Form; it lives as long as the
// view that holds it, and destroys the window with it.
class Window final : public kl::Form
{
public:
    // A modal showing waits in loop.
    Window(HINSTANCE instance, MessageLoop &loop, const design::Window &design, HWND owner = nullptr);
    ~Window() override;
    Window(const Window &) = delete;
    Window &operator=(const Window &) = delete;

    // The window of that handle, when it is one of these.
    static Window *of(HWND hwnd);
    // Shows the tooltips a mouse message of one of the controls. Tooltips
    // do not subclass the controls themselves (TTF_SUBCLASS): comctl32 then
    // looks up a window property for every message a control gets, which
    // under wine is a call to its server and made filling the list with 100
    // rows take 20 ms.
    void relayToTips(const MSG &msg);
    // Enter and Esc for the window, before the dialog keys see them: true
    // when taken (see windowproc.cpp).
    bool dialogKey(const MSG &msg);
    // Destroys the window now; the views do so before their controls go.
    void destroy();
    HWND hwnd() const { return m_hwnd; }
    UINT dpi() const { return m_dpi; }
    // A control of this window's design, named by the identifiers the
    // design table declares (design::windows::controls::<window>::<name>).
    HWND control(const design::Control &control) const;
    int id(const design::Control &control) const;
    HFONT font() const { return m_font.get(); }

    // The command table: what a notification of the control calls.
    void route(const design::Control &control, std::function<void(int code)> handler);
    // The close box.
    void onClose(std::function<void()> handler) { m_close = std::move(handler); }
    // Whether the window has gone for good (Unload).
    bool unloaded() const { return m_unloaded; }

    // kl::Form
    void Show() override;
    void ShowModal() override;
    void Hide() override;
    void Unload() override;
    bool Visible() const override;
    int WindowState() const override;
    void setWindowState(int state) override;
    void setCaption(const std::string &caption) override;

private:
    struct Item
    {
        const design::Control *design;
        HWND hwnd;
        int id;
        Font ownFont; // the design's font of the control's own, at the DPI
        Font fitted;  // a label's font made smaller to keep its text whole
    };
    static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void createControls();
    void addTips();
    // Places every control and sizes the window at dpi; fonts made anew.
    void layOut(UINT dpi);
    void setIcons();
    // Gives a label the font its text stays whole in.
    void fit(Item &item);
    // Moves the window so that its client area starts where the design
    // places it.
    void place();
    const Item &item(const design::Control &control) const;
    void command(int id, int code);
    // Gives the windows a modal showing disabled their state back.
    void endModal();

    HINSTANCE m_instance;
    MessageLoop &m_loop;
    const design::Window &m_design;
    HWND m_hwnd = nullptr;
    HWND m_tips = nullptr;
    UINT m_dpi = 96;
    Font m_font;
    UniqueIcon m_bigIcon, m_smallIcon;
    std::vector<Item> m_items;
    std::map<int, std::function<void(int)>> m_commands;
    std::function<void()> m_close;
    HWND m_focus = nullptr;       // the control to focus on activation
    std::vector<HWND> m_disabled; // by the modal showing under way
    bool m_modal = false;
    bool m_unloaded = false;
};

// Hands a message to its window, through the dialog keys (Tab, arrows,
// mnemonics) of the thread's active window; Enter and Esc press only the
// design's default and cancel buttons.
void dispatchMessage(MSG &msg);

} // namespace kl::winui

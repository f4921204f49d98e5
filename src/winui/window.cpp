#include "window.h"

#include "platform/win32/utf8.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace kl::winui {

namespace {

using design::Border;
using design::Kind;

// Every border here is fixed: a caption with a close box, no minimise or
// maximise box, no sizing frame.
constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU | WS_BORDER | WS_CLIPCHILDREN;

DWORD exStyleOf(Border border)
{
    switch (border) {
    case Border::FixedDialog:
        return WS_EX_DLGMODALFRAME;
    case Border::FixedToolWindow:
        return WS_EX_TOOLWINDOW;
    case Border::FixedSingle:
        break;
    }
    return 0;
}

struct ControlClass
{
    const wchar_t *name;
    DWORD style;
    DWORD exStyle;
};

ControlClass classOf(const design::Control &control)
{
    constexpr DWORD list = LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
    switch (control.kind) {
    case Kind::CommandButton:
        return {L"BUTTON", DWORD(control.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0};
    case Kind::Label:
        return {L"STATIC", SS_LEFT | SS_NOPREFIX, 0};
    case Kind::TextBox:
        return {L"EDIT", ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case Kind::ListBox:
        return {L"LISTBOX", list, WS_EX_CLIENTEDGE};
    case Kind::DriveListBox:
        return {L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL, 0};
    case Kind::DirListBox:
    case Kind::FileListBox:
        return {L"LISTBOX", list | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS, WS_EX_CLIENTEDGE};
    case Kind::PictureBox:
        return {L"STATIC", SS_ICON | SS_CENTERIMAGE | SS_NOTIFY, WS_EX_CLIENTEDGE};
    case Kind::Line:
        break;
    }
    return {L"STATIC", SS_LEFT, 0};
}

// A drop-down list's height is its selection field's and its edge: the
// field is made as high as the design wants the whole.
void fitComboHeight(HWND combo, int height)
{
    // Corrected by what the combo shows, not by what it reports: wine reads
    // back the field two pixels higher than it was set.
    auto request = static_cast<int>(SendMessageW(combo, CB_GETITEMHEIGHT, WPARAM(-1), 0));
    for (int round = 0; round < 3; ++round) {
        RECT rect;
        GetWindowRect(combo, &rect);
        const int error = height - (rect.bottom - rect.top);
        if (error == 0 || request + error <= 0)
            return;
        request += error;
        SendMessageW(combo, CB_SETITEMHEIGHT, WPARAM(-1), request);
    }
}

} // namespace

Window::Window(HINSTANCE instance, MessageLoop &loop, const design::Window &design, HWND owner)
    : m_instance(instance)
    , m_loop(loop)
    , m_design(design)
{
    const std::wstring className = L"Kicklist." + win32::widen(std::string(design.name));
    WNDCLASSEXW wc{};
    if (!GetClassInfoExW(instance, className.c_str(), &wc)) {
        wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &Window::proc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = className.c_str();
        if (!RegisterClassExW(&wc))
            throw std::runtime_error("RegisterClassExW failed");
    }
    const std::wstring caption = win32::widen(std::string(design.caption));
    m_hwnd = CreateWindowExW(exStyleOf(design.border), className.c_str(), caption.c_str(), kStyle, CW_USEDEFAULT,
                             CW_USEDEFAULT, 100, 100, owner, nullptr, instance, this);
    if (!m_hwnd)
        throw std::runtime_error("CreateWindowExW failed: " + std::to_string(GetLastError()));
    m_dpi = GetDpiForWindow(m_hwnd);
    createControls();
    addTips();
    layOut(m_dpi);
    setIcons();
    place();
}

Window::~Window()
{
    destroy(); // before the brushes and icons it draws with go
}

void Window::destroy()
{
    if (!m_hwnd)
        return;
    endModal();
    const HWND hwnd = m_hwnd;
    m_hwnd = nullptr;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    DestroyWindow(hwnd);
}

void Window::createControls()
{
    // Focus moves along the z-order: the controls in the tab order first, by
    // tab index; the others below them, each lying on those before it.
    std::vector<const design::Control *> order;
    for (const design::Control &control : m_design.controls)
        order.push_back(&control);
    std::stable_sort(order.begin(), order.end(), [](const design::Control *a, const design::Control *b) {
        const bool aTab = a->tabIndex != design::kNoTab, bTab = b->tabIndex != design::kNoTab;
        if (aTab != bTab)
            return aTab;
        return aTab && a->tabIndex < b->tabIndex;
    });
    std::stable_partition(order.begin(), order.end(),
                          [](const design::Control *c) { return c->tabIndex != design::kNoTab; });
    const auto firstOther = std::find_if(order.begin(), order.end(),
                                         [](const design::Control *c) { return c->tabIndex == design::kNoTab; });
    std::reverse(firstOther, order.end());

    m_items.reserve(order.size());
    for (const design::Control *control : order) {
        const ControlClass cls = classOf(*control);
        DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | cls.style;
        if (control->tabIndex != design::kNoTab && control->kind != Kind::Label)
            style |= WS_TABSTOP;
        const int id = controlId(static_cast<std::size_t>(control - m_design.controls.data()));
        const std::wstring text = win32::widen(std::string(control->caption));
        const HWND hwnd = CreateWindowExW(cls.exStyle, cls.name, text.c_str(), style, 0, 0, 10, 10, m_hwnd,
                                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), m_instance, nullptr);
        if (!hwnd)
            throw std::runtime_error("creating control " + std::string(control->name) + " failed: " + std::to_string(GetLastError()));
        if (control->kind == Kind::TextBox)
            SendMessageW(hwnd, EM_LIMITTEXT, 0, 0);
        m_items.push_back(Item{control, hwnd, id, {}, {}});
    }
}

void Window::addTips()
{
    m_tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hwnd, nullptr, m_instance,
                             nullptr);
    for (const Item &item : m_items) {
        if (item.design->tip.empty())
            continue;
        std::wstring tip = win32::widen(std::string(item.design->tip));
        TOOLINFOW info{};
        info.cbSize = sizeof info;
        info.uFlags = TTF_IDISHWND; // the mouse comes through relayToTips()
        info.hwnd = m_hwnd;
        info.uId = reinterpret_cast<UINT_PTR>(item.hwnd);
        info.lpszText = tip.data();
        SendMessageW(m_tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
}

Window *Window::of(HWND hwnd)
{
    const bool ours = hwnd && GetWindowLongPtrW(hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Window::proc);
    return ours ? reinterpret_cast<Window *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)) : nullptr;
}

void Window::relayToTips(const MSG &msg)
{
    if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST)
        SendMessageW(m_tips, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}

void Window::layOut(UINT dpi)
{
    m_dpi = dpi;
    Font previous = std::move(m_font);
    m_font = messageFont(dpi);
    for (Item &item : m_items) {
        const design::Control &c = *item.design;
        if (!c.font.face.empty())
            item.ownFont = namedFont(win32::widen(std::string(c.font.face)), c.font.points, c.font.bold, dpi);
        const HFONT font = item.ownFont.get() ? item.ownFont.get() : m_font.get();
        SendMessageW(item.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        const int height = pixels(c.height, dpi);
        // A drop-down list is sized with its list dropped.
        const int extra = c.kind == Kind::DriveListBox ? 8 * height : 0;
        SetWindowPos(item.hwnd, nullptr, pixels(c.left, dpi), pixels(c.top, dpi), pixels(c.width, dpi),
                     height + extra, SWP_NOZORDER | SWP_NOACTIVATE);
        if (c.kind == Kind::DriveListBox)
            fitComboHeight(item.hwnd, height);
        fit(item);
        SendMessageW(item.hwnd, kDpiChanged, dpi, 0);
        InvalidateRect(item.hwnd, nullptr, TRUE);
    }
    SendMessageW(m_tips, TTM_SETMAXTIPWIDTH, 0, pixels(6000, dpi));
    RECT rect{0, 0, pixels(m_design.width, dpi), pixels(m_design.height, dpi)};
    AdjustWindowRectExForDpi(&rect, kStyle, FALSE, exStyleOf(m_design.border), dpi);
    SetWindowPos(m_hwnd, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::setIcons()
{
    if (!m_design.icon)
        return;
    UniqueIcon big(programIcon(m_instance, SM_CXICON, m_dpi));
    UniqueIcon small(programIcon(m_instance, SM_CXSMICON, m_dpi));
    SendMessageW(m_hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
    SendMessageW(m_hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
    for (const Item &item : m_items)
        if (item.design->kind == Kind::PictureBox)
            SendMessageW(item.hwnd, STM_SETICON, reinterpret_cast<WPARAM>(big.get()), 0);
    // The old ones go once the window and the picture hold the new.
    m_bigIcon = std::move(big);
    m_smallIcon = std::move(small);
}

void Window::place()
{
    if (!m_design.placed)
        return;
    RECT rect{pixels(m_design.left, m_dpi), pixels(m_design.top, m_dpi), 0, 0};
    AdjustWindowRectExForDpi(&rect, kStyle, FALSE, exStyleOf(m_design.border), m_dpi);
    SetWindowPos(m_hwnd, nullptr, rect.left, rect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

const Window::Item &Window::item(const design::Control &control) const
{
    // The names are checked when compiling; a control of another window's
    // design is the one mistake left.
    for (const Item &item : m_items)
        if (item.design == &control)
            return item;
    throw std::logic_error("no control " + std::string(control.name) + " in " + std::string(m_design.name));
}

HWND Window::control(const design::Control &control) const
{
    return item(control).hwnd;
}

int Window::id(const design::Control &control) const
{
    return item(control).id;
}

void Window::route(const design::Control &control, std::function<void(int)> handler)
{
    m_commands[id(control)] = std::move(handler);
}

void Window::fit(Item &item)
{
    if (item.design->kind != Kind::Label)
        return;
    const HFONT font = item.ownFont.get() ? item.ownFont.get() : m_font.get();
    Font previous = std::move(item.fitted); // in use until the label takes the new one
    item.fitted = fittedFont(item.hwnd, font, m_dpi);
    SendMessageW(item.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(item.fitted.get() ? item.fitted.get() : font), TRUE);
}

} // namespace kl::winui

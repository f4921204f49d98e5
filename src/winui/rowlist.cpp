#include "rowlist.h"
#include "controls.h"
#include "window.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>

namespace kl::winui {

namespace {

constexpr int kIndentStep = 8; // pixels at 96 dpi per level of the tree

UINT dpiOf(HWND hwnd)
{
    const UINT dpi = GetDpiForWindow(hwnd);
    return dpi ? dpi : 96;
}

HICON stockIcon(SHSTOCKICONID id, int fallbackIndex)
{
    SHSTOCKICONINFO info{};
    info.cbSize = sizeof info;
    if (SUCCEEDED(SHGetStockIconInfo(id, SHGSI_ICON | SHGSI_SMALLICON, &info)) && info.hIcon)
        return info.hIcon;
    HICON icon = nullptr;
    ExtractIconExW(L"shell32.dll", fallbackIndex, nullptr, &icon, 1);
    return icon;
}

} // namespace

FolderIcons::FolderIcons()
    : closed(stockIcon(SIID_FOLDER, 3))
    , open(stockIcon(SIID_FOLDEROPEN, 4))
{
}

RowList::RowList(HWND list, std::function<void(int)> enter)
    : m_list(list)
    , m_enter(std::move(enter))
    , m_tips(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, GetAncestor(list, GA_ROOT),
                             nullptr, nullptr, nullptr))
    , m_subclass(list, [this](UINT message, WPARAM wParam, LPARAM lParam, const Subclass::Next &next) {
        return handle(message, wParam, lParam, next);
    })
{
    // One tool for the whole list; its text is the row's under the mouse.
    TOOLINFOW info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND; // relayed by handle(), as the window's are (see Window::relayToTips)
    info.hwnd = m_list;
    info.uId = reinterpret_cast<UINT_PTR>(m_list);
    info.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(m_tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    fitRowHeight();
}

RowList::~RowList()
{
    if (IsWindow(m_tips))
        DestroyWindow(m_tips);
}

void RowList::setRows(std::vector<Row> rows, int current)
{
    m_rows = std::move(rows);
    SendMessageW(m_list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(m_list, LB_RESETCONTENT, 0, 0);
    for (const Row &row : m_rows)
        SendMessageW(m_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.text.c_str()));
    SendMessageW(m_list, LB_SETCURSEL, static_cast<WPARAM>(current), 0);
    if (current >= 0)
        SendMessageW(m_list, LB_SETTOPINDEX, static_cast<WPARAM>(current), 0);
    SendMessageW(m_list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(m_list, nullptr, TRUE);
    m_tipRow = -1;
}

int RowList::current() const
{
    return static_cast<int>(SendMessageW(m_list, LB_GETCURSEL, 0, 0));
}

void RowList::fitRowHeight()
{
    const HDC dc = GetDC(m_list);
    const auto old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(m_list, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(m_list, dc);
    const int icon = GetSystemMetricsForDpi(SM_CYSMICON, dpiOf(m_list));
    SendMessageW(m_list, LB_SETITEMHEIGHT, 0, std::max<int>(metrics.tmHeight, icon) + 2);
}

LRESULT RowList::handle(UINT message, WPARAM wParam, LPARAM lParam, const Subclass::Next &next)
{
    if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) {
        const DWORD at = GetMessagePos();
        MSG msg{m_list, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {GET_X_LPARAM(at), GET_Y_LPARAM(at)}};
        SendMessageW(m_tips, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
    }
    switch (message) {
    case kDrawItem:
        draw(*reinterpret_cast<const DRAWITEMSTRUCT *>(lParam));
        return TRUE;
    case WM_SETFONT: {
        const LRESULT result = next(message, wParam, lParam);
        fitRowHeight();
        return result;
    }
    case kDpiChanged:
        fitRowHeight();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        // The platform's lists keep their selection when the blank part is clicked.
        if (rowAt(m_list, lParam) < 0) {
            SetFocus(m_list);
            return 0;
        }
        break;
    case WM_GETDLGCODE:
        if (m_enter && lParam && reinterpret_cast<const MSG *>(lParam)->message == WM_KEYDOWN && wParam == VK_RETURN)
            return next(message, wParam, lParam) | DLGC_WANTALLKEYS;
        break;
    case WM_KEYDOWN:
        if (m_enter && wParam == VK_RETURN) {
            const int row = current();
            if (row >= 0 && row < static_cast<int>(m_rows.size()))
                m_enter(row);
            return 0;
        }
        break;
    case WM_MOUSEMOVE: {
        const int row = rowAt(m_list, lParam);
        if (row != m_tipRow) {
            m_tipRow = row;
            SendMessageW(m_tips, TTM_POP, 0, 0);
        }
        break;
    }
    case WM_NOTIFY: {
        auto *info = reinterpret_cast<NMTTDISPINFOW *>(lParam);
        if (info->hdr.hwndFrom == m_tips && info->hdr.code == TTN_GETDISPINFOW) {
            static wchar_t none[] = L"";
            const bool has = m_tipRow >= 0 && m_tipRow < static_cast<int>(m_rows.size());
            info->lpszText = has ? m_rows[static_cast<std::size_t>(m_tipRow)].tip.data() : none;
            return 0;
        }
        break;
    }
    default:
        break;
    }
    return next(message, wParam, lParam);
}

void RowList::draw(const DRAWITEMSTRUCT &item) const
{
    if (item.itemID == UINT(-1) || item.itemID >= m_rows.size()) {
        if (item.itemState & ODS_FOCUS)
            DrawFocusRect(item.hDC, &item.rcItem);
        return;
    }
    const Row &row = m_rows[item.itemID];
    const UINT dpi = dpiOf(m_list);
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    RECT rect = item.rcItem;
    rect.left += MulDiv(2 + kIndentStep * row.depth, static_cast<int>(dpi), 96);
    if (row.icon) {
        const int size = GetSystemMetricsForDpi(SM_CXSMICON, dpi);
        const int top = rect.top + (rect.bottom - rect.top - size) / 2;
        DrawIconEx(item.hDC, rect.left, top, row.icon, size, size, 0, nullptr, DI_NORMAL);
        rect.left += size + MulDiv(4, static_cast<int>(dpi), 96);
    }
    const auto old = SelectObject(item.hDC, reinterpret_cast<HFONT>(SendMessageW(m_list, WM_GETFONT, 0, 0)));
    SetBkMode(item.hDC, TRANSPARENT);
    const int colour = row.grey ? COLOR_GRAYTEXT
        : selected              ? COLOR_HIGHLIGHTTEXT
                                : COLOR_WINDOWTEXT;
    SetTextColor(item.hDC, GetSysColor(colour));
    DrawTextW(item.hDC, row.text.c_str(), -1, &rect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SelectObject(item.hDC, old);
    if (item.itemState & ODS_FOCUS)
        DrawFocusRect(item.hDC, &item.rcItem);
}

} // namespace kl::winui

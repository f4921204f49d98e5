#include "controls.h"

#include "platform/win32/utf8.h"

namespace kl::winui {

int rowAt(HWND list, LPARAM point)
{
    const POINT at{static_cast<short>(LOWORD(point)), static_cast<short>(HIWORD(point))};
    const auto found = SendMessageW(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(at.x, at.y));
    const int row = LOWORD(found);
    RECT rect{};
    if (HIWORD(found) || SendMessageW(list, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect)) == LB_ERR
        || !PtInRect(&rect, at))
        return -1;
    return row;
}

ListBox::ListBox(HWND list)
    : m_list(list)
    , m_subclass(list, [this](UINT message, WPARAM wParam, LPARAM lParam, const Subclass::Next &next) -> LRESULT {
        // A double-click below the rows counts as one on the list.
        if (message == WM_LBUTTONDBLCLK && rowAt(m_list, lParam) < 0) {
            SendMessageW(GetParent(m_list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(m_list), LBN_DBLCLK),
                         reinterpret_cast<LPARAM>(m_list));
            return 0;
        }
        return next(message, wParam, lParam);
    })
{
}

Notify ListBox::events(std::function<void()> chosen, std::function<void()> doubleClicked) const
{
    return [this, chosen = std::move(chosen), doubleClicked = std::move(doubleClicked)](int code) {
        if (code == LBN_SELCHANGE && rawChosen() >= 0)
            chosen();
        else if (code == LBN_DBLCLK)
            doubleClicked();
    };
}

int ListBox::rawCount() const
{
    return static_cast<int>(SendMessageW(m_list, LB_GETCOUNT, 0, 0));
}

int ListBox::rawChosen() const
{
    return static_cast<int>(SendMessageW(m_list, LB_GETCURSEL, 0, 0));
}

void ListBox::rawChoose(int row)
{
    SendMessageW(m_list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
}

std::string ListBox::rawText(int row) const
{
    std::wstring text(static_cast<std::size_t>(SendMessageW(m_list, LB_GETTEXTLEN, row, 0)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(SendMessageW(m_list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text.data()))));
    return win32::narrow(text);
}

void ListBox::rawAppend(const std::string &text)
{
    SendMessageW(m_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win32::widen(text).c_str()));
}

void ListBox::rawReplace(int row, const std::string &text)
{
    const int chosen = rawChosen();
    SendMessageW(m_list, LB_DELETESTRING, row, 0);
    SendMessageW(m_list, LB_INSERTSTRING, row, reinterpret_cast<LPARAM>(win32::widen(text).c_str()));
    if (chosen >= 0)
        SendMessageW(m_list, LB_SETCURSEL, chosen, 0);
}

void ListBox::rawRemove(int row)
{
    SendMessageW(m_list, LB_DELETESTRING, row, 0);
    SendMessageW(m_list, LB_SETCURSEL, WPARAM(-1), 0);
}

void ListBox::rawClear()
{
    SendMessageW(m_list, LB_RESETCONTENT, 0, 0);
}

} // namespace kl::winui

#include "controls.h"

#include "platform/win32/utf8.h"

namespace kl::winui {

Notify DriveCombo::events(std::function<void()> changed) const
{
    return [changed = std::move(changed)](int code) {
        if (code == CBN_SELCHANGE)
            changed();
    };
}

void DriveCombo::setRows(const std::vector<std::string> &drives)
{
    SendMessageW(m_combo, CB_RESETCONTENT, 0, 0);
    for (const std::string &drive : drives)
        SendMessageW(m_combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win32::widen(drive).c_str()));
}

int DriveCombo::rawCount() const
{
    return static_cast<int>(SendMessageW(m_combo, CB_GETCOUNT, 0, 0));
}

int DriveCombo::rawChosen() const
{
    return static_cast<int>(SendMessageW(m_combo, CB_GETCURSEL, 0, 0));
}

void DriveCombo::rawChoose(int row)
{
    SendMessageW(m_combo, CB_SETCURSEL, static_cast<WPARAM>(row), 0);
}

} // namespace kl::winui

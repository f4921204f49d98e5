#include "controls.h"

namespace kl::winui {

Notify clicked(std::function<void()> action)
{
    return [action = std::move(action)](int code) {
        if (code == BN_CLICKED)
            action();
    };
}

void Button::setEnabled(bool enabled)
{
    EnableWindow(m_button, enabled);
}

bool Button::Enabled() const
{
    return IsWindowEnabled(m_button) != FALSE;
}

void Button::setValue(bool pressed)
{
    // The pressed look only: no click, no change of Enabled.
    SendMessageW(m_button, BM_SETSTATE, pressed, 0);
}

} // namespace kl::winui

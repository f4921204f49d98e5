#include "controls.h"
#include "window.h"
#include "wintext.h"

#include "platform/win32/utf8.h"

namespace kl::winui {

std::string StaticLabel::Caption() const
{
    return windowText(m_label);
}

void StaticLabel::setCaption(const std::string &caption)
{
    SetWindowTextW(m_label, win32::widen(caption).c_str());
    SendMessageW(GetParent(m_label), kTextChanged, 0, reinterpret_cast<LPARAM>(m_label));
}

} // namespace kl::winui

#include "controls.h"
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
}

} // namespace kl::winui

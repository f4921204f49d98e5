#pragma once

#include "win.h"

#include <string>

namespace kl::winui {

// Design measures are twips: 1440 to the inch, 15 to the pixel at 96 dpi.
constexpr int pixels(int twips, UINT dpi)
{
    return static_cast<int>((static_cast<long long>(twips) * dpi + 720) / 1440);
}

// A font made for one DPI; deleted with its owner.
class Font final
{
public:
    Font() = default;
    explicit Font(HFONT font) : m_font(font) {}
    ~Font() { reset(); }
    Font(Font &&other) noexcept : m_font(other.m_font) { other.m_font = nullptr; }
    Font &operator=(Font &&other) noexcept;
    HFONT get() const { return m_font; }

private:
    void reset();
    HFONT m_font = nullptr;
};

// The system's message font at dpi (what dialogs draw their text in), else
// the default GUI font scaled to dpi.
Font messageFont(UINT dpi);

// A face by name at a size in points (fractions allowed), at dpi.
Font namedFont(const std::wstring &face, double points, bool bold, UINT dpi);

// The program's icon (resource 1) at the size of metric (SM_CXICON or
// SM_CXSMICON) at dpi; nullptr when the program carries none.
HICON programIcon(HINSTANCE instance, int metric, UINT dpi);

} // namespace kl::winui

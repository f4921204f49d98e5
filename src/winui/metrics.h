#pragma once

#include "win.h"

#include "design/design.h"

#include <string>

namespace kl::winui {

// Design measures are twips; an inch is 96 pixels of kTwipsPerPixel each.
constexpr int kTwipsPerInch = design::kTwipsPerPixel * 96;

constexpr int pixels(int twips, UINT dpi)
{
    return static_cast<int>((static_cast<long long>(twips) * dpi + kTwipsPerInch / 2) / kTwipsPerInch);
}

// A font made for one DPI; deleted with its owner.
class Font final
{
public:
    Font() = default;
    explicit Font(HFONT font)
        : m_font(font) {}
    ~Font() { reset(); }
    Font(Font &&other) noexcept
        : m_font(other.m_font) { other.m_font = nullptr; }
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

// The font a label's text stays whole in: font itself when the text fits
// the label in it, else the same face a pixel size smaller, and smaller,
// down to a legible floor. A Japanese system draws the designs' faces in
// its own (Yu Gothic UI has more line spacing than MS P Gothic), which would
// otherwise lose a label's last line or character. Empty: font fits.
Font fittedFont(HWND label, HFONT font, UINT dpi);

// The program's icon (resource 1) at the size of metric (SM_CXICON or
// SM_CXSMICON) at dpi; nullptr when the program carries none.
HICON programIcon(HINSTANCE instance, int metric, UINT dpi);

} // namespace kl::winui

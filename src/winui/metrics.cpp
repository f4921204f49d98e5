#include "metrics.h"

#include "wintext.h"

#include "design/design.h"

#include <algorithm>
#include <cmath>

namespace kl::winui {

namespace {

// Whether text, drawn as a label draws it (words wrapped, no prefix), stays
// inside room in the font selected into dc. Below the last line only the
// ink counts, not the whole descent the font keeps there.
bool fits(HDC dc, const std::wstring &text, const RECT &room)
{
    RECT need = room;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &need,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    long inkBelowBaseline = 0;
    const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    for (const wchar_t c : text) {
        GLYPHMETRICS glyph{};
        if (GetGlyphOutlineW(dc, c, GGO_METRICS, &glyph, 0, nullptr, &identity) != GDI_ERROR)
            inkBelowBaseline = std::max(inkBelowBaseline, long(glyph.gmBlackBoxY) - glyph.gmptGlyphOrigin.y);
    }
    return need.right <= room.right && need.bottom - metrics.tmDescent + inkBelowBaseline <= room.bottom;
}

} // namespace

Font &Font::operator=(Font &&other) noexcept
{
    if (this != &other) {
        reset();
        m_font = other.m_font;
        other.m_font = nullptr;
    }
    return *this;
}

void Font::reset()
{
    if (m_font)
        DeleteObject(m_font);
    m_font = nullptr;
}

Font messageFont(UINT dpi)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi))
        return Font(CreateFontIndirectW(&metrics.lfMessageFont));
    LOGFONTW font{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), 96);
    return Font(CreateFontIndirectW(&font));
}

Font namedFont(const std::wstring &face, double points, bool bold, UINT dpi)
{
    LOGFONTW font{};
    font.lfHeight = -static_cast<LONG>(std::lround(points * dpi / 72.0));
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    face.copy(font.lfFaceName, LF_FACESIZE - 1);
    return Font(CreateFontIndirectW(&font));
}

Font fittedFont(HWND label, HFONT font, UINT dpi)
{
    const std::wstring text = windowTextW(label);
    RECT room{};
    GetClientRect(label, &room);
    const HDC dc = GetDC(label);
    const HGDIOBJ original = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    LOGFONTW smaller{};
    GetObjectW(font, sizeof smaller, &smaller);
    Font fitted;
    const int floor = MulDiv(design::kSmallestLabelPixels, static_cast<int>(dpi), 96);
    for (int size = metrics.tmHeight - metrics.tmInternalLeading; size > floor && !fits(dc, text, room);) {
        smaller.lfHeight = -(--size);
        fitted = Font(CreateFontIndirectW(&smaller));
        SelectObject(dc, fitted.get());
    }
    SelectObject(dc, original);
    ReleaseDC(label, dc);
    return fitted;
}

HICON programIcon(HINSTANCE instance, int metric, UINT dpi)
{
    const int size = GetSystemMetricsForDpi(metric, dpi);
    return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

} // namespace kl::winui

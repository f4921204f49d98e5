#include "metrics.h"

#include <cmath>

namespace kl::winui {

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

HICON programIcon(HINSTANCE instance, int metric, UINT dpi)
{
    const int size = GetSystemMetricsForDpi(metric, dpi);
    return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

} // namespace kl::winui

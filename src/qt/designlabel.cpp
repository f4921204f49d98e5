#include "designlabel.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace kl::qt {

using design::kSmallestLabelPixels;

QFont designFont(const design::Font &face)
{
    QFont font;
    font.setFamilies({QString::fromUtf8(face.face.data(), qsizetype(face.face.size())),
                      QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"), QStringLiteral("TakaoPGothic"),
                      QStringLiteral("VL PGothic"), QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Noto Sans JP")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(face.points);
    font.setBold(face.bold);
    return font;
}

DesignLabel::DesignLabel(QWidget *parent)
    : QLabel(parent)
{
}

bool DesignLabel::layOut(QTextLayout &layout, const QFont &font) const
{
    QTextOption option(alignment() & Qt::AlignHorizontal_Mask);
    option.setWrapMode(wordWrap() ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    layout.setFont(font);
    layout.setTextOption(option);

    const QFontMetrics metrics(font, this);
    const int pitch = QFontInfo(font).pixelSize();
    const QRect area = contentsRect();
    // Japanese em boxes reach 0.88 em above the baseline and 0.12 em below.
    int baseline = int(std::lround(0.88 * pitch));
    int inkBottom = 0;
    bool fitsAcross = true;
    layout.beginLayout();
    for (int n = 0;; ++n) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(area.width());
        const QRect ink = metrics.tightBoundingRect(text().mid(line.textStart(), line.textLength()));
        // Strokes reaching above the em box (some faces' voicing marks) move
        // the text down rather than be cut.
        if (n == 0)
            baseline = std::max(baseline, -ink.top());
        const int y = n * pitch + baseline;
        line.setPosition(QPointF(0, y - line.ascent()));
        inkBottom = std::max(inkBottom, y + ink.bottom() + 1);
        fitsAcross = fitsAcross && line.naturalTextWidth() <= area.width();
    }
    layout.endLayout();
    return fitsAcross && inkBottom <= area.height();
}

QFont DesignLabel::drawnFont() const
{
    QFont drawn = font();
    for (int size = QFontInfo(drawn).pixelSize(); size >= kSmallestLabelPixels; --size) {
        drawn.setPixelSize(size);
        QTextLayout layout(text());
        if (layOut(layout, drawn))
            return drawn;
    }
    return drawn;
}

void DesignLabel::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event);
    QTextLayout layout(text());
    layOut(layout, drawnFont());
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    layout.draw(&painter, contentsRect().topLeft());
}

DesignComboBox::DesignComboBox(QWidget *parent)
    : QComboBox(parent)
{
}

void DesignComboBox::resizeEvent(QResizeEvent *event)
{
    QComboBox::resizeEvent(event);
    fitFont();
}

void DesignComboBox::fitFont()
{
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const int room = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this).height();
    setFont(QFont()); // the window's font, as designed
    QFont fitted = font();
    for (int size = QFontInfo(fitted).pixelSize(); size > kSmallestLabelPixels; --size) {
        if (QFontMetrics(fitted).height() <= room)
            break;
        fitted.setPixelSize(size - 1);
    }
    setFont(fitted);
}

} // namespace kl::qt

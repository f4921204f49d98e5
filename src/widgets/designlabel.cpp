#include "designlabel.h"

#include <QFontInfo>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace kl {

QFont msPGothic(qreal pointSize, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"),
                      QStringLiteral("TakaoPGothic"), QStringLiteral("VL PGothic"), QStringLiteral("Noto Sans CJK JP"),
                      QStringLiteral("Noto Sans JP")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

DesignLabel::DesignLabel(QWidget *parent)
    : QLabel(parent)
{
}

int DesignLabel::linePitch() const
{
    return QFontInfo(font()).pixelSize();
}

int DesignLabel::layOut(QTextLayout &layout) const
{
    QTextOption option(alignment() & Qt::AlignHorizontal_Mask);
    option.setWrapMode(wordWrap() ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    layout.setTextOption(option);

    const QFontMetrics metrics = fontMetrics();
    const int pitch = linePitch();
    // Japanese em boxes reach 0.88 em above the baseline and 0.12 em below.
    int baseline = int(std::lround(0.88 * pitch));
    int inkBottom = 0;
    layout.beginLayout();
    for (int n = 0;; ++n) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(contentsRect().width());
        const QRect ink = metrics.tightBoundingRect(text().mid(line.textStart(), line.textLength()));
        // Strokes reaching above the em box (some faces' voicing marks) move
        // the text down rather than be cut.
        if (n == 0)
            baseline = std::max(baseline, -ink.top());
        const int y = n * pitch + baseline;
        line.setPosition(QPointF(0, y - line.ascent()));
        inkBottom = std::max(inkBottom, y + ink.bottom() + 1);
    }
    layout.endLayout();
    return inkBottom;
}

int DesignLabel::lineCount() const
{
    QTextLayout layout(text(), font(), this);
    layOut(layout);
    return layout.lineCount();
}

int DesignLabel::inkHeight() const
{
    QTextLayout layout(text(), font(), this);
    return contentsRect().top() + layOut(layout);
}

void DesignLabel::growToFitInk()
{
    const int needed = inkHeight() + (height() - contentsRect().bottom() - 1);
    if (needed > height())
        resize(width(), needed);
}

void DesignLabel::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event);
    QTextLayout layout(text(), font(), this);
    layOut(layout);
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    layout.draw(&painter, contentsRect().topLeft());
}

} // namespace kl

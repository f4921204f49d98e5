#pragma once

#include <QComboBox>
#include <QFont>
#include <QLabel>

#include "design/design.h"

class QTextLayout;

namespace kl::qt {

// A design's font: its face, falling back to the Japanese faces found on
// other systems, those with the design face's (MS P Gothic's) metrics first.
QFont designFont(const design::Font &font);

// A label laid out the way the window designs were measured: lines one em
// apart, the first line's em box at the top. Japanese faces other than the
// design's (Noto Sans CJK has half an em of extra line spacing) would
// otherwise need more height than the design gives the label and lose their
// last line. Where a face draws wider or taller than the design's even so,
// the text is drawn a pixel size smaller, down to a legible floor, so that
// it stays whole within the designed geometry. Long words break anywhere.
class DesignLabel final : public QLabel
{
    Q_OBJECT

public:
    explicit DesignLabel(QWidget *parent = nullptr);

    // The font the text is drawn in: the label's own, or a smaller size of
    // it where that one would not fit.
    QFont drawnFont() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // Lays the text out in font; returns whether it fits the label.
    bool layOut(QTextLayout &layout, const QFont &font) const;
};

// A drop-down list box at its designed height. Where the face's line is
// taller than the box's edit field (Noto Sans CJK JP in a 20 pixel box),
// the text is drawn a pixel size smaller so that it stays whole.
class DesignComboBox final : public QComboBox
{
    Q_OBJECT

public:
    explicit DesignComboBox(QWidget *parent = nullptr);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void fitFont();
};

} // namespace kl::qt

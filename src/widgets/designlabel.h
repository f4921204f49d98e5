#pragma once

#include <QFont>
#include <QLabel>

class QTextLayout;

namespace kl {

// "ＭＳ Ｐゴシック" at the given size, falling back to the Japanese faces
// found on other systems, those with the same metrics first.
QFont msPGothic(qreal pointSize, bool bold);

// A label laid out the way the window designs were measured: lines one em
// apart, the first line's em box at the top. Japanese faces other than the
// design's (Noto Sans CJK has half an em of extra line spacing) would
// otherwise need more height than the design gives the label and lose their
// last line.
class DesignLabel final : public QLabel
{
    Q_OBJECT

public:
    explicit DesignLabel(QWidget *parent = nullptr);

    // The distance between lines: one em of the label's font.
    int linePitch() const;
    // How many lines the text takes at the label's width.
    int lineCount() const;
    // How far down from the top the text is drawn, to the bottom of its
    // lowest stroke.
    int inkHeight() const;
    // Grows the label downwards when its text would be cut at the bottom,
    // for a face that draws taller than the design's.
    void growToFitInk();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // Lays the text out; returns the ink height.
    int layOut(QTextLayout &layout) const;
};

} // namespace kl

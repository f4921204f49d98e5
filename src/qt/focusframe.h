#pragma once

#include <QWidget>

namespace kl::qt {

// A frame in the highlight colour drawn over a control's border while the
// control has the keyboard focus. The style draws no focus indication on an
// item view with no current row, nor on a label, even when they take the
// focus; this one shows wherever the focus is. It lies on top of the control
// as a child of it, and lets the mouse through.
class FocusFrame final : public QWidget
{
    Q_OBJECT

public:
    explicit FocusFrame(QWidget *control);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};

} // namespace kl::qt

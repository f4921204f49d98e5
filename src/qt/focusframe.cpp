#include "focusframe.h"

#include <QEvent>
#include <QPainter>

namespace kl::qt {

FocusFrame::FocusFrame(QWidget *control)
    : QWidget(control)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(control->rect());
    setVisible(control->hasFocus());
    control->installEventFilter(this);
}

bool FocusFrame::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Resize:
        setGeometry(parentWidget()->rect());
        break;
    case QEvent::FocusIn:
        // On top of the scroll bars and the viewport, made after the frame.
        raise();
        show();
        break;
    case QEvent::FocusOut:
        hide();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void FocusFrame::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event);
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Active, QPalette::Highlight), 2, Qt::SolidLine, Qt::SquareCap,
                        Qt::MiterJoin));
    painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
}

} // namespace kl::qt

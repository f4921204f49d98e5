#include "qtmessageboxes.h"
#include "text.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>

namespace kl::qt {

namespace {

// Qt sizes a box to its text and leaves its title 50 pixels beyond the title's
// text, where window managers draw titles larger, in bold, beside an icon
// and their buttons: a short text under a long title got the title elided.
// The box is made as wide as the title bar needs: the title a quarter larger
// and bold, and room for four title-bar buttons.
void widenForTitle(QMessageBox &box)
{
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setPointSizeF(font.pointSizeF() * 1.25);
    font.setBold(true);
    const int buttonRoom = 4 * box.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &box);
    const QMargins margins = box.layout()->contentsMargins();
    const int needed = QFontMetrics(font).horizontalAdvance(box.windowTitle()) + buttonRoom;
    box.findChild<QDialogButtonBox *>()->setMinimumWidth(needed - margins.left() - margins.right());
}

} // namespace

int QtMessageBoxes::MsgBox(const std::string &prompt, int buttons, const std::string &title)
{
    QMessageBox box;
    box.setObjectName(QStringLiteral("MsgBox"));
    box.setWindowTitle(toQt(title));
    box.setText(toQt(prompt));
    box.setTextFormat(Qt::PlainText);
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowModality(Qt::ApplicationModal);

    QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OK"));
    box.setDefaultButton(ok);
    if (buttons == vbOKCancel) {
        QPushButton *cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
        cancel->setObjectName(QStringLiteral("Cancel"));
        box.setEscapeButton(cancel);
    } else {
        box.setEscapeButton(ok);
    }

    widenForTitle(box);
    box.exec();
    return box.clickedButton() == ok ? vbOK : vbCancel;
}

} // namespace kl::qt

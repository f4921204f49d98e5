#include "qtmessageboxes.h"

#include <QMessageBox>
#include <QPushButton>

namespace kl {

int QtMessageBoxes::MsgBox(const QString &prompt, int buttons, const QString &title)
{
    QMessageBox box;
    box.setObjectName(QStringLiteral("MsgBox"));
    box.setWindowTitle(title);
    box.setText(prompt);
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

    box.exec();
    return box.clickedButton() == ok ? vbOK : vbCancel;
}

} // namespace kl

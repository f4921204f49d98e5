#include "form.h"
#include "designlabel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QImageReader>
#include <QKeyEvent>

// Resources live in a static library: register them by hand.
static void registerResources()
{
    Q_INIT_RESOURCE(kicklist);
}

namespace kl::qt {

QIcon programIcon()
{
    // Read once. Told the format and not to guess, QImageReader reads the PNG
    // itself instead of loading every image-format plugin first to ask each.
    static const QImage image = [] {
        registerResources();
        QImageReader reader(QStringLiteral(":/kicklist/kicklist.png"), "png");
        reader.setAutoDetectImageFormat(false);
        return reader.read();
    }();
    return QIcon(QPixmap::fromImage(image));
}

void preferJapaneseFont()
{
    QFont font = QApplication::font();
    // IPA P Gothic keeps the metrics the window designs were drawn with.
    QStringList families{QStringLiteral("IPAPGothic"), QStringLiteral("TakaoPGothic"), QStringLiteral("VL PGothic"),
                         QStringLiteral("Noto Sans CJK JP")};
    families.append(font.families());
    font.setFamilies(families);
    QApplication::setFont(font);
}

void applyDesign(QWidget &window, const design::Window &form)
{
    if (form.placed)
        window.setGeometry(QRect(QPoint(twips(form.left), twips(form.top)), window.size()));
    for (const design::Control &control : form.controls) {
        auto *widget = window.findChild<QWidget *>(QString::fromUtf8(control.name.data(), qsizetype(control.name.size())));
        if (!widget)
            continue;
        if (!control.font.face.empty())
            widget->setFont(designFont(control.font));
        if (control.colour != design::SystemColour::None) {
            QPalette palette = widget->palette();
            const bool shadow = control.colour == design::SystemColour::ButtonShadow;
            palette.setColor(QPalette::Window, palette.color(shadow ? QPalette::Dark : QPalette::Light));
            widget->setPalette(palette);
            widget->setAutoFillBackground(true);
        }
    }
}

Qt::WindowFlags fixedWindowFlags(Qt::WindowFlags type)
{
    return type | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
}

Dialog::Dialog(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, fixedWindowFlags(flags))
{
    setSizeGripEnabled(false);
    setWindowIcon(programIcon());
}

void Dialog::fixClientSize(int width, int height)
{
    setFixedSize(width, height);
}

void Dialog::keyPressEvent(QKeyEvent *event)
{
    if (m_dialogKeys) {
        QDialog::keyPressEvent(event);
        return;
    }
    // Skip QDialog's Enter (default button) and Esc (reject) handling.
    QWidget::keyPressEvent(event); // NOLINT(bugprone-parent-virtual-call): skipping QDialog is the point
}

void Dialog::closeEvent(QCloseEvent *event)
{
    // The close box is the handlers' to act on; the window hides either way.
    event->accept();
    closeBox();
}

} // namespace kl::qt

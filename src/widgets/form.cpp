#include "form.h"

#include "platform/runtime.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPointer>

// Resources live in a static library: register them by hand.
static void registerResources()
{
    Q_INIT_RESOURCE(kicklist);
}

namespace kl {

namespace {

// Ends a modal wait when its window hides.
class HideWatcher final : public QObject
{
public:
    HideWatcher(QWidget &window, QEventLoop &loop)
        : QObject(&window)
        , m_loop(loop)
    {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Hide && watched == parent())
            m_loop.quit();
        return false;
    }

private:
    QEventLoop &m_loop;
};

} // namespace

QIcon programIcon()
{
    static const bool registered = (registerResources(), true);
    Q_UNUSED(registered);
    return QIcon(QStringLiteral(":/kicklist/kicklist.png"));
}

void preferJapaneseFont()
{
#ifndef Q_OS_WIN
    QFont font = QApplication::font();
    // IPA P Gothic keeps the metrics the window designs were drawn with.
    QStringList families{QStringLiteral("IPAPGothic"), QStringLiteral("TakaoPGothic"), QStringLiteral("VL PGothic"),
                         QStringLiteral("Noto Sans CJK JP")};
    families.append(font.families());
    font.setFamilies(families);
    QApplication::setFont(font);
#endif
}

Qt::WindowFlags fixedWindowFlags(Qt::WindowFlags type)
{
    return type | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
}

Form::Form(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, fixedWindowFlags(flags))
{
    setSizeGripEnabled(false);
    setWindowIcon(programIcon());
}

void Form::fixClientSize(int width, int height)
{
    setFixedSize(width, height);
}

void Form::showModal(Runtime &runtime)
{
    runtime.commit();

    QPointer<Form> guard(this);
    QEventLoop loop;
    auto *watcher = new HideWatcher(*this, loop);
    connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);

    setWindowModality(Qt::ApplicationModal);
    show();
    activateWindow();
    if (isVisible())
        loop.exec(QEventLoop::DialogExec);

    if (guard) {
        delete watcher;
        setWindowModality(Qt::NonModal);
    }
    runtime.checkEnded();
}

void Form::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    hide();
    deleteLater();
}

void Form::keyPressEvent(QKeyEvent *event)
{
    if (m_dialogKeys) {
        QDialog::keyPressEvent(event);
        return;
    }
    // Skip QDialog's Enter (default button) and Esc (reject) handling.
    QWidget::keyPressEvent(event); // NOLINT(bugprone-parent-virtual-call): skipping QDialog is the point
}

void Form::closeEvent(QCloseEvent *event)
{
    // The close box unloads every window; none handles its own closing.
    event->accept();
    unload();
}

} // namespace kl

#include "dialogs.h"
#include "designlabel.h"
#include "form.h"

#include "design/windows.h"

#include "windows/frmAbout.h"
#include "windows/namechenge.h"
#include "windows/syori.h"

#include <QKeyEvent>
#include <QPointer>

namespace kl::qt {

namespace {

// The Windows virtual-key code of a key Text1 acts on, else 0.
int virtualKey(const QKeyEvent &event)
{
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return vbKeyReturn;
    case Qt::Key_Escape:
        return vbKeyEscape;
    case Qt::Key_End:
        return vbKeyEnd;
    case Qt::Key_Home:
        return vbKeyHome;
    default:
        return 0;
    }
}

int shiftState(const QKeyEvent &event)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    return (modifiers & Qt::ShiftModifier ? vbShiftMask : 0) | (modifiers & Qt::ControlModifier ? vbCtrlMask : 0)
        | (modifiers & Qt::AltModifier ? vbAltMask : 0);
}

void paintBlack(QWidget &label)
{
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    label.setPalette(palette);
}

} // namespace

NamechengeForm::NamechengeForm(kl::namechenge &window)
    : Dialog(nullptr, Qt::Window)
    , m_window(window)
    , m_whatname(*setUp(ui, this).whatname)
    , m_text1(*ui.Text1)
    , m_chenge(*ui.chenge)
    , m_clear(*ui.clear)
    , m_cancel(*ui.cancel)
{
    fixClientSize(width(), height());
    ui.Text1->setFocus();
    ui.Text1->installEventFilter(this);
    connect(ui.chenge, &QPushButton::clicked, this, [this] { m_window.chenge_Click(); });
    connect(ui.clear, &QPushButton::clicked, this, [this] { m_window.clear_Click(); });
    connect(ui.cancel, &QPushButton::clicked, this, [this] { m_window.cancel_Click(); });
}

NamechengeForm::~NamechengeForm() = default;

void NamechengeForm::closeBox()
{
    m_window.Unload();
}

bool NamechengeForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui.Text1 && event->type() == QEvent::KeyPress) {
        const auto &key = *static_cast<QKeyEvent *>(event);
        const QPointer<QWidget> self(this);
        m_window.Text1_KeyDown(virtualKey(key), shiftState(key));
        // The text box then takes the key as usual, unless the window went.
        return !self || !isVisible() || m_window.isUnloaded();
    }
    return Dialog::eventFilter(watched, event);
}

SyoriForm::SyoriForm(kl::syori &window)
    : Dialog(nullptr, Qt::Tool)
    , m_window(window)
    , m_ok(*setUp(ui, this).ok)
{
    fixClientSize(width(), height());
    setWindowIcon(QIcon());
    connect(ui.ok, &QPushButton::clicked, this, [this] { m_window.ok_Click(); });
}

SyoriForm::~SyoriForm() = default;

void SyoriForm::closeBox()
{
    m_window.Unload();
}

AboutForm::AboutForm(kl::frmAbout &window, QWidget *owner)
    // Owned by the list window: no taskbar button of its own.
    : Dialog(owner, Qt::Dialog)
    , m_window(window)
    , m_lblVersion(*setUp(ui, this).lblVersion)
    , m_lblTitle(*ui.lblTitle)
    , m_cmdOK(*ui.cmdOK)
    , m_cmdSysInfo(*ui.cmdSysInfo)
{
    fixClientSize(width(), height());
    applyDesign(*this, design::windows::frmAbout);
    setDialogKeys(true);

    ui.picIcon->setPixmap(programIcon().pixmap(32, 32));
    paintBlack(*ui.lblDescription);
    paintBlack(*ui.lblTitle);
    paintBlack(*ui.lblDisclaimer);
    // Tab order OK, picIcon, cmdSysInfo. Qt 6.4 will not move a widget
    // behind the last one of the focus chain, so both go in behind OK.
    setTabOrder(ui.cmdOK, ui.cmdSysInfo);
    setTabOrder(ui.cmdOK, ui.picIcon);
    ui.cmdOK->setFocus();

    connect(ui.cmdOK, &QPushButton::clicked, this, [this] { m_window.cmdOK_Click(); });
    connect(ui.cmdSysInfo, &QPushButton::clicked, this, [this] { m_window.cmdSysInfo_Click(); });
}

AboutForm::~AboutForm() = default;

void AboutForm::closeBox()
{
    m_window.Unload();
}

void AboutForm::reject()
{
    ui.cmdOK->click();
}

} // namespace kl::qt

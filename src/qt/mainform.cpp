#include "mainform.h"
#include "form.h"

#include "windows/main.h"

#include <QCloseEvent>
#include <QMouseEvent>

namespace kl::qt {

MainForm::MainForm(kl::main &window)
    : QWidget(nullptr, fixedWindowFlags(Qt::Window))
    , m_window(window)
    , m_list(*setUp(ui, this).List1)
    , m_run(*ui.Run)
    , m_allRan(*ui.AllRan)
    , m_appAdd(*ui.AppAdd)
    , m_appDel(*ui.AppDel)
    , m_chenge(*ui.chenge)
    , m_command1(*ui.Command1)
    , m_exit(*ui.Exit)
{
    setFixedSize(size());
    setWindowIcon(programIcon());

    // A row chosen with the mouse or the arrow keys. Focus alone makes a row
    // current without selecting it, and must not count.
    connect(ui.List1, &QListWidget::itemSelectionChanged, this, [this] {
        if (m_list.ListIndex() >= 0)
            m_window.List1_Click();
    });
    // A double-click counts anywhere in the list, rows or empty space.
    ui.List1->viewport()->installEventFilter(this);

    route(ui.Run, &kl::main::Run_Click);
    route(ui.AllRan, &kl::main::AllRan_Click);
    route(ui.AppAdd, &kl::main::AppAdd_Click);
    route(ui.AppDel, &kl::main::AppDel_Click);
    route(ui.chenge, &kl::main::chenge_Click);
    route(ui.Command1, &kl::main::Command1_Click);
    route(ui.Exit, &kl::main::Exit_Click);
}

MainForm::~MainForm()
{
    // Windows it owns (the about box) belong to their own handlers' views:
    // they outlive it as windows of their own rather than go with it.
    for (QWidget *owned : findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (owned->isWindow())
            owned->setParent(nullptr, owned->windowFlags());
}

void MainForm::route(QPushButton *button, void (kl::main::*handler)())
{
    connect(button, &QPushButton::clicked, this, [this, handler] { (m_window.*handler)(); });
}

void MainForm::closeEvent(QCloseEvent *event)
{
    // Closing the list window ends the program, hidden dialogs and all.
    event->accept();
    m_window.Unload();
}

bool MainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui.List1->viewport() && event->type() == QEvent::MouseButtonDblClick
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        m_window.List1_DblClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace kl::qt

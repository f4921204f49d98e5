#include "views.h"

#include "design/windows.h"
#include "windows/main.h"

namespace kl::winui {

namespace ids = design::windows::controls::main;

MainWindow::MainWindow(HINSTANCE instance, MessageLoop &loop, kl::main &window)
    : m_window(instance, loop, design::windows::main)
    , m_list(m_window.control(ids::List1))
    , m_run(m_window.control(ids::Run))
    , m_allRan(m_window.control(ids::AllRan))
    , m_appAdd(m_window.control(ids::AppAdd))
    , m_appDel(m_window.control(ids::AppDel))
    , m_chenge(m_window.control(ids::chenge))
    , m_command1(m_window.control(ids::Command1))
    , m_exit(m_window.control(ids::Exit))
{
    m_window.route(ids::List1, m_list.events([&window] { window.List1_Click(); }, [&window] { window.List1_DblClick(); }));
    m_window.route(ids::Run, clicked([&window] { window.Run_Click(); }));
    m_window.route(ids::AllRan, clicked([&window] { window.AllRan_Click(); }));
    m_window.route(ids::AppAdd, clicked([&window] { window.AppAdd_Click(); }));
    m_window.route(ids::AppDel, clicked([&window] { window.AppDel_Click(); }));
    m_window.route(ids::chenge, clicked([&window] { window.chenge_Click(); }));
    m_window.route(ids::Command1, clicked([&window] { window.Command1_Click(); }));
    m_window.route(ids::Exit, clicked([&window] { window.Exit_Click(); }));
    // Closing the list window ends the program, hidden dialogs and all.
    m_window.onClose([&window] { window.Unload(); });
}

} // namespace kl::winui

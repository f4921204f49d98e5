#include "views.h"

#include "design/windows.h"
#include "windows/main.h"

namespace kl::winui {

MainWindow::MainWindow(HINSTANCE instance, MessageLoop &loop, kl::main &window)
    : m_window(instance, loop, design::windows::main)
    , m_list(m_window.control("List1"))
    , m_run(m_window.control("Run"))
    , m_allRan(m_window.control("AllRan"))
    , m_appAdd(m_window.control("AppAdd"))
    , m_appDel(m_window.control("AppDel"))
    , m_chenge(m_window.control("chenge"))
    , m_command1(m_window.control("Command1"))
    , m_exit(m_window.control("Exit"))
{
    m_window.route("List1", m_list.events([&window] { window.List1_Click(); }, [&window] { window.List1_DblClick(); }));
    m_window.route("Run", clicked([&window] { window.Run_Click(); }));
    m_window.route("AllRan", clicked([&window] { window.AllRan_Click(); }));
    m_window.route("AppAdd", clicked([&window] { window.AppAdd_Click(); }));
    m_window.route("AppDel", clicked([&window] { window.AppDel_Click(); }));
    m_window.route("chenge", clicked([&window] { window.chenge_Click(); }));
    m_window.route("Command1", clicked([&window] { window.Command1_Click(); }));
    m_window.route("Exit", clicked([&window] { window.Exit_Click(); }));
    // Closing the list window ends the program, hidden dialogs and all.
    m_window.onClose([&window] { window.Unload(); });
}

} // namespace kl::winui

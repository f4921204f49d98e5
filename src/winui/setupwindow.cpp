#include "views.h"

#include "design/windows.h"
#include "windows/Setup.h"

namespace kl::winui {

namespace ids = design::windows::controls::Setup;

SetupWindow::SetupWindow(HINSTANCE instance, MessageLoop &loop, kl::Setup &window)
    : m_window(instance, loop, design::windows::Setup)
    , m_drive1(m_window.control(ids::Drive1))
    , m_dir1(m_window.control(ids::Dir1), [&window](int row) { window.Dir1_Open(row); })
    , m_file1(m_window.control(ids::File1))
    , m_addProgram(m_window.control(ids::AddProgram))
    , m_cxsetup(m_window.control(ids::cxsetup))
{
    m_window.route(ids::Drive1, m_drive1.events([&window] { window.Drive1_Change(); }));
    m_window.route(ids::Dir1, m_dir1.events([&window] { window.Dir1_Click(); }));
    m_window.route(ids::File1, m_file1.events([&window] { window.File1_Click(); }, [&window] { window.File1_DblClick(); }));
    m_window.route(ids::AddProgram, clicked([&window] { window.AddProgram_Click(); }));
    m_window.route(ids::cxsetup, clicked([&window] { window.cxsetup_Click(); }));
    m_window.onClose([&window] { window.Unload(); });
}

} // namespace kl::winui

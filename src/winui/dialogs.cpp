#include "views.h"

#include "design/windows.h"
#include "windows/frmAbout.h"
#include "windows/namechenge.h"
#include "windows/syori.h"

namespace kl::winui {

namespace renameIds = design::windows::controls::namechenge;
namespace recoveryIds = design::windows::controls::syori;
namespace aboutIds = design::windows::controls::frmAbout;

NamechengeWindow::NamechengeWindow(HINSTANCE instance, MessageLoop &loop, kl::namechenge &window)
    : m_window(instance, loop, design::windows::namechenge)
    , m_whatname(m_window.control(renameIds::whatname))
    , m_text1(m_window.control(renameIds::Text1),
              [this, &window](int key, int shift) {
                  window.Text1_KeyDown(key, shift);
                  // The text box then takes the key, unless the window went.
                  return !window.isUnloaded() && m_window.Visible();
              })
    , m_chenge(m_window.control(renameIds::chenge))
    , m_clear(m_window.control(renameIds::clear))
    , m_cancel(m_window.control(renameIds::cancel))
{
    m_window.route(renameIds::chenge, clicked([&window] { window.chenge_Click(); }));
    m_window.route(renameIds::clear, clicked([&window] { window.clear_Click(); }));
    m_window.route(renameIds::cancel, clicked([&window] { window.cancel_Click(); }));
    m_window.onClose([&window] { window.Unload(); });
}

SyoriWindow::SyoriWindow(HINSTANCE instance, MessageLoop &loop, kl::syori &window)
    : m_window(instance, loop, design::windows::syori)
    , m_ok(m_window.control(recoveryIds::ok))
{
    m_window.route(recoveryIds::ok, clicked([&window] { window.ok_Click(); }));
    m_window.onClose([&window] { window.Unload(); });
}

AboutWindow::AboutWindow(HINSTANCE instance, MessageLoop &loop, kl::frmAbout &window, HWND owner)
    : m_window(instance, loop, design::windows::frmAbout, owner)
    , m_lblVersion(m_window.control(aboutIds::lblVersion))
    , m_lblTitle(m_window.control(aboutIds::lblTitle))
    , m_cmdOK(m_window.control(aboutIds::cmdOK))
    , m_cmdSysInfo(m_window.control(aboutIds::cmdSysInfo))
{
    // OK is the default and the cancel button: Enter and Esc press it.
    m_window.route(aboutIds::cmdOK, clicked([&window] { window.cmdOK_Click(); }));
    m_window.route(aboutIds::cmdSysInfo, clicked([&window] { window.cmdSysInfo_Click(); }));
    m_window.onClose([&window] { window.Unload(); });
}

} // namespace kl::winui

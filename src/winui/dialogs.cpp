#include "views.h"

#include "design/windows.h"
#include "windows/frmAbout.h"
#include "windows/namechenge.h"
#include "windows/syori.h"

namespace kl::winui {

NamechengeWindow::NamechengeWindow(HINSTANCE instance, MessageLoop &loop, kl::namechenge &window)
    : m_window(instance, loop, design::windows::namechenge)
    , m_whatname(m_window.control("whatname"))
    , m_text1(m_window.control("Text1"),
              [this, &window](int key, int shift) {
                  window.Text1_KeyDown(key, shift);
                  // The text box then takes the key, unless the window went.
                  return !window.isUnloaded() && m_window.Visible();
              })
    , m_chenge(m_window.control("chenge"))
    , m_clear(m_window.control("clear"))
    , m_cancel(m_window.control("cancel"))
{
    m_window.route("chenge", clicked([&window] { window.chenge_Click(); }));
    m_window.route("clear", clicked([&window] { window.clear_Click(); }));
    m_window.route("cancel", clicked([&window] { window.cancel_Click(); }));
    m_window.onClose([&window] { window.Unload(); });
}

SyoriWindow::SyoriWindow(HINSTANCE instance, MessageLoop &loop, kl::syori &window)
    : m_window(instance, loop, design::windows::syori)
    , m_ok(m_window.control("ok"))
{
    m_window.route("ok", clicked([&window] { window.ok_Click(); }));
    m_window.onClose([&window] { window.Unload(); });
}

AboutWindow::AboutWindow(HINSTANCE instance, MessageLoop &loop, kl::frmAbout &window, HWND owner)
    : m_window(instance, loop, design::windows::frmAbout, owner)
    , m_lblVersion(m_window.control("lblVersion"))
    , m_lblTitle(m_window.control("lblTitle"))
    , m_cmdOK(m_window.control("cmdOK"))
    , m_cmdSysInfo(m_window.control("cmdSysInfo"))
{
    m_window.placeClient(2340, 1935);
    const std::wstring gothic = L"ＭＳ Ｐゴシック";
    m_window.setFont("Label1", gothic, 14.25, true);
    m_window.setFont("lblTitle", gothic, 18, true);
    m_window.setFont("lblVersion", gothic, 12, true);
    // The etched rule under the text: a white line under a grey one.
    m_window.setLineColour("Line1_0", RGB(255, 255, 255));
    m_window.setLineColour("Line1_1", RGB(128, 128, 128));
    // OK is the default and the cancel button: Enter and Esc press it.
    m_window.route("cmdOK", clicked([&window] { window.cmdOK_Click(); }));
    m_window.route("cmdSysInfo", clicked([&window] { window.cmdSysInfo_Click(); }));
    m_window.onClose([&window] { window.Unload(); });
}

} // namespace kl::winui

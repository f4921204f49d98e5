#pragma once

#include "messageloop.h"
#include "win.h"

#include "platform/services.h"
#include "windows/face.h"

namespace kl::winui {

// The Win32 face: each window built from its design over user32/comctl32,
// wired to its handlers.
class WinFace final : public kl::Face
{
public:
    // Registers the common controls (tooltips); instance holds the icon
    // (resource 1) and the window classes.
    explicit WinFace(HINSTANCE instance);

    std::unique_ptr<MainView> main(kl::main &window) override;
    std::unique_ptr<SetupView> Setup(kl::Setup &window) override;
    std::unique_ptr<NamechengeView> namechenge(kl::namechenge &window) override;
    std::unique_ptr<SyoriView> syori(kl::syori &window) override;
    std::unique_ptr<AboutView> frmAbout(kl::frmAbout &window, MainView *owner) override;

    // The loop every window of this face waits in, modal ones too: run() it
    // once the first window is shown.
    MessageLoop &loop() { return m_loop; }

private:
    HINSTANCE m_instance;
    MessageLoop m_loop;
};

// Message boxes over MessageBoxW, task modal, owned by the thread's active
// window.
class WinMessageBoxes final : public kl::MessageBoxes
{
public:
    int MsgBox(const std::string &prompt, int buttons, const std::string &title) override;
};

// What a box with buttons (vbOKOnly, vbOKCancel) answers when MessageBoxW
// returned id: an OK-only box says vbOK however it was closed.
int messageBoxAnswer(int buttons, int id);

// The list window of a view this face made.
HWND windowOf(kl::MainView &view);

// Brings the list window (of this or another process) to the front: restored
// if minimised, or the modal window in front of it when one is open.
void bringForward(HWND listWindow);

} // namespace kl::winui

#include "forms.h"

#include "Setup.h"
#include "frmAbout.h"
#include "main.h"
#include "namechenge.h"
#include "platform/runtime.h"
#include "syori.h"

namespace kl {

namespace {

template <typename Window>
Window *live(const std::unique_ptr<Window> &window)
{
    return window && !window->isUnloaded() ? window.get() : nullptr;
}

// An unloaded window is destroyed only here, at the next touch: by then none
// of its handlers is running.
template <typename Window, typename Make>
Window &touch(std::unique_ptr<Window> &window, Make make)
{
    if (!live(window)) {
        window.reset();
        window = make();
    }
    return *window;
}

} // namespace

Forms::Forms(Platform platform)
    : m_platform(platform)
{
    // A failed commit leaves the store as it is on disk: the list follows.
    m_platform.runtime.onCommitFailure([this] {
        if (m_main)
            m_main->reloadList();
    });
}

Forms::~Forms()
{
    m_platform.runtime.onCommitFailure({});
    // The about box belongs to the list window's view: it goes first.
    m_setup.reset();
    m_namechenge.reset();
    m_frmAbout.reset();
    m_syori.reset();
    m_main.reset();
}

kl::main &Forms::main()
{
    if (!m_main) {
        m_main = std::make_unique<kl::main>(m_platform, *this);
        m_main->Form_Load();
    }
    return *m_main;
}

kl::Setup &Forms::Setup()
{
    if (live(m_setup))
        return *m_setup;
    kl::Setup &window = touch(m_setup, [this] { return std::make_unique<kl::Setup>(m_platform, *this); });
    window.Form_Load();
    return window;
}

kl::namechenge &Forms::namechenge()
{
    return touch(m_namechenge, [this] { return std::make_unique<kl::namechenge>(m_platform, *this); });
}

kl::frmAbout &Forms::frmAbout()
{
    if (live(m_frmAbout))
        return *m_frmAbout;
    kl::frmAbout &window = touch(m_frmAbout, [this] { return std::make_unique<kl::frmAbout>(m_platform, *this); });
    window.Form_Load();
    return window;
}

kl::syori &Forms::syori()
{
    return touch(m_syori, [this] { return std::make_unique<kl::syori>(m_platform); });
}

kl::main *Forms::loadedMain() const
{
    return m_main.get();
}

kl::Setup *Forms::loadedSetup() const
{
    return live(m_setup);
}

kl::namechenge *Forms::loadedNamechenge() const
{
    return live(m_namechenge);
}

kl::frmAbout *Forms::loadedFrmAbout() const
{
    return live(m_frmAbout);
}

kl::syori *Forms::loadedSyori() const
{
    return live(m_syori);
}

} // namespace kl

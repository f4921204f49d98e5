#include "forms.h"

#include "Setup.h"
#include "frmAbout.h"
#include "main.h"
#include "namechenge.h"
#include "platform/runtime.h"
#include "syori.h"

#include <utility>

namespace kl {

namespace {

template <typename Window>
bool isLive(const QPointer<Window> &window)
{
    return window && !window->isUnloaded();
}

template <typename Window>
Window *live(const QPointer<Window> &window)
{
    return isLive(window) ? window.data() : nullptr;
}

} // namespace

Forms::Forms(Platform platform)
    : m_platform(std::move(platform))
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
    delete m_setup.data();
    delete m_namechenge.data();
    delete m_frmAbout.data();
    delete m_syori.data();
    delete m_main.data();
}

kl::main &Forms::main()
{
    if (!m_main) {
        m_main = new kl::main(m_platform, *this);
        m_main->Form_Load();
    }
    return *m_main;
}

kl::Setup &Forms::Setup()
{
    if (!isLive(m_setup)) {
        m_setup = new kl::Setup(m_platform, *this);
        m_setup->Form_Load();
    }
    return *m_setup;
}

kl::namechenge &Forms::namechenge()
{
    if (!isLive(m_namechenge))
        m_namechenge = new kl::namechenge(m_platform, *this);
    return *m_namechenge;
}

kl::frmAbout &Forms::frmAbout()
{
    if (!isLive(m_frmAbout)) {
        m_frmAbout = new kl::frmAbout(m_platform, *this);
        m_frmAbout->Form_Load();
    }
    return *m_frmAbout;
}

kl::syori &Forms::syori()
{
    if (!isLive(m_syori))
        m_syori = new kl::syori(m_platform);
    return *m_syori;
}

kl::main *Forms::loadedMain() const
{
    return m_main;
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

#include "syori.h"

#include "forms.h"
#include "platform/runtime.h"
#include "store/appstore.h"

namespace kl {

syori::syori(const Platform &platform)
    : m_runtime(platform.runtime)
    , m_store(platform.store)
    , m_resetCopy(platform.resetCopy)
    , m_view(platform.face.syori(*this))
{
}

syori::~syori() = default;

void syori::showModal()
{
    m_runtime.commit();
    m_view->form().ShowModal();
}

void syori::ok_Click()
{
    m_runtime.withoutRecovery([this] {
        // What the reset wipes is kept first. Without a copy nothing is
        // wiped: the dialog stays, to be tried again or closed.
        if (m_resetCopy) {
            try {
                m_resetCopy->keepBeforeReset();
            } catch (const RuntimeError &e) {
                if (e.isBusy())
                    throw;
                m_runtime.MsgBox(notKeptText(e), vbOKOnly);
                return;
            }
        }
        m_store.Reset();
        m_runtime.End();
    });
}

std::string syori::notKeptText(const RuntimeError &e)
{
    return "登録されたリストを控えられなかったため、初期化しませんでした。\n\n" + e.description();
}

void syori::Unload()
{
    m_unloaded = true;
    m_view->form().Unload();
}

} // namespace kl

#include "syori.h"

#include "forms.h"
#include "platform/runtime.h"
#include "store/appstore.h"

namespace kl {

syori::syori(const Platform &platform)
    : m_runtime(platform.runtime)
    , m_store(platform.store)
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
        m_store.Reset();
        m_runtime.End();
    });
}

void syori::Unload()
{
    m_unloaded = true;
    m_view->form().Unload();
}

} // namespace kl

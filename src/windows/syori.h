#pragma once

#include "face.h"

#include <memory>
#include <string>

namespace kl {

class AppStore;
class ResetCopy;
class Runtime;
class RuntimeError;
struct Platform;

// The recovery dialog: after a failure it offers to wipe the registered list.
// OK keeps a copy of the list (the platform's ResetCopy), resets both counts
// and ends the program, so the next start is a first start; closing it lets
// the program go on.
class syori final
{
public:
    explicit syori(const Platform &platform);
    ~syori();
    syori(const syori &) = delete;
    syori &operator=(const syori &) = delete;

    SyoriView &view() { return *m_view; }
    // Shows the dialog modally (pending writes committed first) and returns
    // when it is closed.
    void showModal();

    void ok_Click();
    // The close box.
    void Unload();
    bool isUnloaded() const { return m_unloaded; }
    // What OK says when no copy of the list could be kept (and nothing was wiped).
    static std::string notKeptText(const RuntimeError &e);

private:
    Runtime &m_runtime;
    AppStore &m_store;
    ResetCopy *m_resetCopy;
    std::unique_ptr<SyoriView> m_view;
    bool m_unloaded = false;
};

} // namespace kl

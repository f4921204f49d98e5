#pragma once

#include "face.h"

#include <cstdint>
#include <memory>

namespace kl {

class AppStore;
class Forms;
class Runtime;
struct Platform;

// Windows virtual-key codes of the keys Text1 acts on, and the shift bits,
// as the faces pass them to Text1_KeyDown.
inline constexpr int vbKeyReturn = 13;
inline constexpr int vbKeyEscape = 27;
inline constexpr int vbKeyEnd = 35;
inline constexpr int vbKeyHome = 36;
inline constexpr int vbShiftMask = 1;
inline constexpr int vbCtrlMask = 2;
inline constexpr int vbAltMask = 4;

// The rename dialog: shows a registered program's path and lets the user
// change its display name. Modeless, with a taskbar button of its own; the
// row it renames is the one selected in the list window when the user
// confirms, not the one it was opened for.
class namechenge final
{
public:
    namechenge(const Platform &platform, Forms &forms);
    ~namechenge();
    namechenge(const namechenge &) = delete;
    namechenge &operator=(const namechenge &) = delete;

    NamechengeView &view() { return *m_view; }

    // Fills the dialog for a row of the list window (-1: none) and shows it.
    void OpenForRow(std::int16_t row);

    void chenge_Click();
    void clear_Click();
    void cancel_Click();
    // keyCode is a Windows virtual-key code; shift is not looked at. The
    // text box then takes the key as usual, unless the dialog went.
    void Text1_KeyDown(int keyCode, int shift);
    // The close box.
    void Unload();
    bool isUnloaded() const { return m_unloaded; }

private:
    Runtime &m_runtime;
    AppStore &m_store;
    Forms &m_forms;
    std::unique_ptr<NamechengeView> m_view;
    bool m_unloaded = false;

    std::int16_t m_position = 0;
};

} // namespace kl

#pragma once

#include "face.h"

#include <cstdint>
#include <memory>
#include <string>

namespace kl {

class DriveSystem;
class Forms;
class Registry;
class Runtime;
struct Platform;

// The about box: what the program is, and a button that starts the system
// information tool, found through the machine-wide registry. Shown modeless
// from the list window; OK, Enter, Esc and the close box unload it.
class frmAbout final
{
public:
    frmAbout(const Platform &platform, Forms &forms);
    ~frmAbout();
    frmAbout(const frmAbout &) = delete;
    frmAbout &operator=(const frmAbout &) = delete;

    AboutView &view() { return *m_view; }

    void Form_Load();
    // The face calls it for OK, Enter and Esc.
    void cmdOK_Click();
    void cmdSysInfo_Click();
    // The close box.
    void Unload();
    bool isUnloaded() const { return m_unloaded; }

    // Starts the system information tool, or says that it is unavailable.
    // Every failure, its own or one met in GetKeyValue or the start, ends in
    // that message.
    void StartSysInfo();

    // Reads the value SubKeyRef of KeyRoot\KeyName into KeyVal. Returns
    // false, with KeyVal empty, when the key or the value cannot be read
    // (missing, denied, longer than 1024 bytes). Text (REG_SZ) is taken as
    // it is, without its terminating zero byte; REG_DWORD becomes decimal
    // digits (see dwordText); other types leave KeyVal as it came in. An
    // empty value throws RuntimeError, for the caller to handle.
    bool GetKeyValue(std::uint32_t KeyRoot, const std::string &KeyName, const std::string &SubKeyRef,
                     std::string &KeyVal);

    // The text a REG_DWORD value gives, from the value's bytes (trailing zero
    // byte already dropped) and what KeyVal held before.
    static std::string dwordText(const std::string &keyVal, const std::string &bytes);

private:
    Runtime &m_runtime;
    Registry &m_registry;
    DriveSystem &m_drives;
    std::unique_ptr<AboutView> m_view;
    bool m_unloaded = false;
};

} // namespace kl

#pragma once

#include "widgets/form.h"

#include <memory>

namespace Ui {
class frmAbout;
}

namespace kl {

class Forms;
class Registry;
class Runtime;
struct Platform;

// The about box: what the program is, and a button that starts the system
// information tool, found through the machine-wide registry. Shown modeless
// from the list window; OK, Enter, Esc and the close box unload it.
class frmAbout final : public Form
{
    Q_OBJECT

public:
    frmAbout(const Platform &platform, Forms &forms);
    ~frmAbout() override;

    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();

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
    bool GetKeyValue(quint32 KeyRoot, const QString &KeyName, const QString &SubKeyRef, QString &KeyVal);

protected:
    // Esc presses OK: the box is unloaded, not merely hidden.
    void reject() override;

private:
    // The text a REG_DWORD value gives, from the value's bytes (trailing zero
    // byte already dropped) and what KeyVal held before.
    static QString dwordText(const QString &keyVal, const QByteArray &bytes);

    std::unique_ptr<Ui::frmAbout> ui;
    Runtime &m_runtime;
    Registry &m_registry;
};

} // namespace kl

#pragma once

#include "runtimeerror.h"
#include "services.h"
#include "settingsstore.h"

#include <functional>
#include <string>

namespace kl {

// The services the windows use, with the two handler modes. Every handler of
// every window runs inside withRecovery() or withoutRecovery(), which commit
// the settings store's gathered writes once the handler is done.
class Runtime
{
public:
    Runtime(SettingsStore &settings, ProgramStarter &starter, MessageBoxes &boxes, ProcessControl &process);
    Runtime(const Runtime &) = delete;
    Runtime &operator=(const Runtime &) = delete;

    static std::string applicationTitle() { return "Kicklist"; }

    SettingsStore &settings() { return m_settings; }

    // A modal box; with no title it bears the application's title.
    int MsgBox(const std::string &prompt, int buttons = vbOKOnly, const std::string &title = {});
    void Shell(const std::string &path, int style);
    // Commits pending writes and stops the process; no handler runs after it.
    [[noreturn]] void End();

    // Called before modal waits and after handlers. When the store cannot
    // write, it holds what is on disk again: onCommitFailure() is told first,
    // so that what shows the store can follow it, then the failure goes on.
    void commit();
    void onCommitFailure(std::function<void()> reload) { m_onCommitFailure = std::move(reload); }

    // With recovery: a failure abandons the body and runs the recovery step.
    // In both modes a busy store (RuntimeError::isBusy()) only abandons the
    // handler and says so: it is neither recovered from (the recovery step
    // empties the list) nor the end of the program.
    template <typename Body, typename Recovery>
    void withRecovery(Body &&body, Recovery &&recovery)
    {
        try {
            body();
            commit();
        } catch (const RuntimeError &first) {
            if (first.isBusy())
                return tellBusy(first);
            commitWhatRan();
            try {
                recovery();
                commit();
            } catch (const RuntimeError &e) {
                e.isBusy() ? tellBusy(e) : report(e);
            }
        }
    }

    // Without recovery: a failure is reported with its number and
    // description, then the process ends.
    template <typename Body>
    void withoutRecovery(Body &&body)
    {
        try {
            body();
            commit();
        } catch (const RuntimeError &e) {
            e.isBusy() ? tellBusy(e) : report(e);
        }
    }

    // The text of the report for a failure without recovery.
    static std::string reportText(const RuntimeError &e);
    // The text shown for a busy store.
    static std::string busyText(const RuntimeError &e);

private:
    [[noreturn]] void report(const RuntimeError &e);
    void tellBusy(const RuntimeError &e);
    [[noreturn]] void stop();
    void commitWhatRan() noexcept;

    SettingsStore &m_settings;
    ProgramStarter &m_starter;
    MessageBoxes &m_boxes;
    ProcessControl &m_process;
    std::function<void()> m_onCommitFailure;
};

} // namespace kl

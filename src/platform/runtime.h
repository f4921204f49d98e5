#pragma once

#include "runtimeerror.h"
#include "services.h"
#include "settingsstore.h"

#include <functional>
#include <vector>

namespace kl {

// Thrown by End() to unwind the handler that ended the process, and by
// checkEnded() to unwind handlers that were waiting on a modal window.
// Only the handler wrappers below catch it.
struct ProcessEnded
{
};

// The services the windows use, with the two handler modes. Every handler of
// every window runs inside withRecovery() or withoutRecovery(), which commit
// the settings store's gathered writes once the handler is done.
class Runtime
{
public:
    Runtime(SettingsStore &settings, ProgramStarter &starter, MessageBoxes &boxes, ProcessControl &process);
    Runtime(const Runtime &) = delete;
    Runtime &operator=(const Runtime &) = delete;

    static QString applicationTitle() { return QStringLiteral("Kicklist"); }

    SettingsStore &settings() { return m_settings; }

    // A modal box; with no title it bears the application's title.
    int MsgBox(const QString &prompt, int buttons = vbOKOnly, const QString &title = {});
    void Shell(const QString &path, int style);
    // Commits pending writes and stops the process; no handler runs after it.
    [[noreturn]] void End();

    bool ended() const { return m_ended; }
    // Called around modal waits: commit before, unwind after if End() ran.
    void commit() { m_settings.commit(); }
    void checkEnded() const;
    // Called when the process ends, so that windows waiting modally let go.
    void onEnded(std::function<void()> callback) { m_endCallbacks.push_back(std::move(callback)); }

    // With recovery: a failure abandons the body and runs the recovery step.
    template <typename Body, typename Recovery>
    void withRecovery(Body &&body, Recovery &&recovery)
    {
        if (m_ended)
            return;
        try {
            try {
                body();
                commit();
            } catch (const RuntimeError &) {
                commitWhatRan();
                try {
                    recovery();
                    commit();
                } catch (const RuntimeError &e) {
                    report(e);
                }
            }
        } catch (const ProcessEnded &) {
        }
    }

    // Without recovery: a failure is reported with its number and
    // description, then the process ends.
    template <typename Body>
    void withoutRecovery(Body &&body)
    {
        if (m_ended)
            return;
        try {
            try {
                body();
                commit();
            } catch (const RuntimeError &e) {
                report(e);
            }
        } catch (const ProcessEnded &) {
        }
    }

    // The text of the report for a failure without recovery.
    static QString reportText(const RuntimeError &e);

private:
    [[noreturn]] void report(const RuntimeError &e);
    [[noreturn]] void terminate();
    void commitWhatRan() noexcept;

    SettingsStore &m_settings;
    ProgramStarter &m_starter;
    MessageBoxes &m_boxes;
    ProcessControl &m_process;
    std::vector<std::function<void()>> m_endCallbacks;
    bool m_ended = false;
};

} // namespace kl

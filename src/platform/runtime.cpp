#include "runtime.h"

#include <cstdlib>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KL_LEAK_CHECK 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define KL_LEAK_CHECK 1
#endif
#ifdef KL_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

namespace kl {

Runtime::Runtime(SettingsStore &settings, ProgramStarter &starter, MessageBoxes &boxes, ProcessControl &process)
    : m_settings(settings)
    , m_starter(starter)
    , m_boxes(boxes)
    , m_process(process)
{
}

int Runtime::MsgBox(const std::string &prompt, int buttons, const std::string &title)
{
    commit();
    return m_boxes.MsgBox(prompt, buttons, title.empty() ? applicationTitle() : title);
}

void Runtime::Shell(const std::string &path, int style)
{
    m_starter.Shell(path, style);
}

void Runtime::End()
{
    commit();
    stop();
}

void Runtime::stop()
{
#ifdef KL_LEAK_CHECK
    // The process ends without unwinding, so the sanitizer's check at exit
    // would never run: what is unreachable now is a leak of ours.
    __lsan_do_leak_check();
#endif
    m_process.end();
    std::abort(); // end() never returns; the compiler cannot see that through a virtual call
}

void Runtime::commit()
{
    try {
        m_settings.commit();
    } catch (const RuntimeError &) {
        if (m_onCommitFailure)
            m_onCommitFailure();
        throw;
    }
}

std::string Runtime::reportText(const RuntimeError &e)
{
    return "実行時エラー '" + std::to_string(e.number()) + "':\n\n" + e.description();
}

void Runtime::report(const RuntimeError &e)
{
    commitWhatRan();
    m_boxes.MsgBox(reportText(e), vbOKOnly, applicationTitle());
    stop();
}

std::string Runtime::busyText(const RuntimeError &e)
{
    return e.description() + "\n\nこの操作は取りやめました。しばらくしてからやり直してください。";
}

void Runtime::tellBusy(const RuntimeError &e)
{
    // Nothing is pending (writes come only under the lock that could not be
    // had, or were dropped with the commit that failed); this releases what
    // a reload after that commit may have locked, before the user's wait.
    commitWhatRan();
    m_boxes.MsgBox(busyText(e), vbOKOnly, applicationTitle());
}

void Runtime::commitWhatRan() noexcept
{
    // Failures are not rolled back: what ran before one stays in the store.
    // If even that cannot be written, the failure already being handled is
    // the one the user hears about.
    try {
        commit();
    } catch (const RuntimeError &) {
    }
}

} // namespace kl

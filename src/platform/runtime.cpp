#include "runtime.h"

namespace kl {

Runtime::Runtime(SettingsStore &settings, ProgramStarter &starter, MessageBoxes &boxes, ProcessControl &process)
    : m_settings(settings)
    , m_starter(starter)
    , m_boxes(boxes)
    , m_process(process)
{
}

int Runtime::MsgBox(const QString &prompt, int buttons, const QString &title)
{
    commit();
    const int answer = m_boxes.MsgBox(prompt, buttons, title.isEmpty() ? applicationTitle() : title);
    checkEnded();
    return answer;
}

void Runtime::Shell(const QString &path, int style)
{
    m_starter.Shell(path, style);
}

void Runtime::End()
{
    commit();
    terminate();
}

void Runtime::checkEnded() const
{
    if (m_ended)
        throw ProcessEnded{};
}

QString Runtime::reportText(const RuntimeError &e)
{
    return QStringLiteral("実行時エラー '%1':\n\n%2").arg(e.number()).arg(e.description());
}

void Runtime::report(const RuntimeError &e)
{
    commitWhatRan();
    m_boxes.MsgBox(reportText(e), vbOKOnly, applicationTitle());
    terminate();
}

void Runtime::terminate()
{
    m_ended = true;
    m_process.end();
    // Only a test double returns: let every window go, then unwind.
    const auto callbacks = m_endCallbacks;
    for (const auto &callback : callbacks)
        callback();
    throw ProcessEnded{};
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

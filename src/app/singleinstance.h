#pragma once

#include <QByteArray>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace kl {

// One list window per user and list. The first start claims the list; a later
// start asks the first to bring its window forward and ends. Here a local
// socket in the user's runtime folder, created under a lock so that two
// starts at once make one owner; a Windows build does the same with a named
// mutex and a pipe.
class SingleInstance
{
public:
    enum class Claim {
        Ours,         // this process shows the window (also when no claim can be made)
        Shown,        // the running instance brought its window forward
        OtherDisplay, // the running instance shows its window on otherDisplay()
        NoAnswer,     // an instance holds the list but does not answer
    };

    // key: what tells lists apart (the settings file); display: where this
    // process would show its window.
    SingleInstance(const QByteArray &key, const QByteArray &display);
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // Before the application object: needs no event loop and reads nothing
    // of the list.
    Claim claim();
    QByteArray otherDisplay() const { return m_other; }

    // Once the event loop exists: show runs for each later start on this
    // display.
    void serve(std::function<void()> show);

    // The display as both sides compare it: ":0", "unix:0" and ":0.0" are one.
    static QByteArray displayName(QByteArray x11, const QByteArray &wayland);

private:
    void answer();

    QByteArray m_display;
    QByteArray m_path; // the socket; the lock is beside it
    QByteArray m_other;
    int m_listener = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::function<void()> m_show;
};

} // namespace kl

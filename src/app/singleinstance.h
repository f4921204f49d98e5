#pragma once

#include <QByteArray>

#include <chrono>
#include <functional>
#include <list>
#include <memory>

class QSocketNotifier;
class QTimer;

namespace kl {

// One list window per user and list. The first start claims the list; a later
// start asks the first to bring its window forward and ends. Here a local
// socket in the user's runtime folder, named from the user and the list and
// created under a lock so that two starts at once make one owner; a Windows
// build does the same with a named mutex and a pipe.
class SingleInstance
{
public:
    enum class Claim {
        Ours,         // this process shows the window
        Shown,        // the running instance brought its window forward
        OtherDisplay, // the running instance shows its window on otherDisplay()
        NoAnswer,     // an instance holds the list but does not answer
        Unguarded,    // no claim can be made (why()): a window could open twice
    };

    // key: what tells lists apart (the settings folder); display: where this
    // process would show its window; silence: how long a later start that
    // writes nothing stays connected.
    SingleInstance(const QByteArray &key, const QByteArray &display,
                   std::chrono::milliseconds silence = std::chrono::seconds(3));
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // Before the application object: needs no event loop and reads nothing
    // of the list.
    Claim claim();
    QByteArray otherDisplay() const { return m_other; }
    QByteArray why() const { return m_why; }
    // Where the claim is made: the socket's first choice of name.
    QByteArray path() const { return m_path; }

    // Once the event loop exists: show runs for each later start on this
    // display. Clients are read as they write, never waited for.
    void serve(std::function<void()> show);

    // The display as both sides compare it: ":0", "unix:0" and ":0.0" are one.
    static QByteArray displayName(QByteArray x11, const QByteArray &wayland);

private:
    struct Client;
    QByteArray socketPath(int choice) const;
    int connectToAny() const;
    bool takeOver();
    void accept();
    void read(Client &client);
    void finish(Client &client);

    QByteArray m_display;
    std::chrono::milliseconds m_silence;
    QByteArray m_path;  // the socket's first choice; the lock is beside it
    QByteArray m_name;  // its file name, from the user and the key
    QByteArray m_reach; // the runtime folder as a socket address can name it
    int m_folder = -1;  // held open when m_reach names it through /proc
    QByteArray m_bound; // the socket this instance listens at
    QByteArray m_other;
    QByteArray m_why;
    int m_listener = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::list<Client> m_clients;
    std::function<void()> m_show;
};

} // namespace kl

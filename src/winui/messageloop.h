#pragma once

#include "win.h"

#include <functional>
#include <vector>

namespace kl::winui {

// The thread's message loops, the modal ones included, wait here for the
// thread's messages and for the handles given (a watch's event), and call a
// handle's function each time it is set. One per face.
class MessageLoop final
{
public:
    // From now on, calls signalled whenever handle (an auto-reset event) is
    // set; an empty function forgets the handle.
    void waitFor(HANDLE handle, std::function<void()> signalled);
    // Takes the thread's next message off its queue; false at WM_QUIT.
    bool next(MSG &msg);
    // Hands out the messages until WM_QUIT; returns its exit code.
    int run();

private:
    std::vector<HANDLE> m_handles;
    std::vector<std::function<void()>> m_signalled;
};

} // namespace kl::winui

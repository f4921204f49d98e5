#pragma once

#include "platform/services.h"

#include <functional>

struct HWND__;

namespace kl::win32 {

// The registry is not watched for other processes' changes; this gives the
// list window the rest of a store watch: the first call soon after follow(),
// and one call a second after each retry(), from the thread's message loop
// (a timer of a message-only window).
class RetryWatch final : public StoreWatch
{
public:
    static constexpr unsigned RetryMs = 1000;

    RetryWatch();
    ~RetryWatch() override;
    RetryWatch(const RetryWatch &) = delete;
    RetryWatch &operator=(const RetryWatch &) = delete;

    void follow(std::function<void()> changed) override;
    void retry() override;

    // The timer's due: called by the window alone.
    void due();

private:
    void arm(unsigned ms);

    HWND__ *m_window = nullptr;
    std::function<void()> m_changed;
};

} // namespace kl::win32

#include "tools/EndingSignals.h"

#include <cerrno>
#include <ctime>
#include <pthread.h>

namespace vantrel {

namespace {

constexpr long long kNanosecondsPerSecond = 1000000000;

timespec AsTimespec(std::chrono::nanoseconds wait) {
    return {static_cast<std::time_t>(wait.count() / kNanosecondsPerSecond),
            static_cast<long>(wait.count() % kNanosecondsPerSecond)};
}

} // namespace

sigset_t BlockEndingSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    return set;
}

bool EndingSignalWithin(const sigset_t& set, std::chrono::nanoseconds wait) {
    if (wait < std::chrono::nanoseconds::zero()) {
        wait = std::chrono::nanoseconds::zero();
    }
    const timespec t = AsTimespec(wait);
    for (;;) {
        if (sigtimedwait(&set, nullptr, &t) > 0) {
            return true;
        }
        if (errno != EINTR) {
            return false;
        }
    }
}

bool EndingSignalBefore(const sigset_t& set, std::chrono::steady_clock::time_point until) {
    using SteadyClock = std::chrono::steady_clock;
    // Interrupted, it waits again for what is left, not the whole time.
    for (;;) {
        const auto left = until - SteadyClock::now();
        if (left <= SteadyClock::duration::zero()) {
            timespec none{0, 0};
            return sigtimedwait(&set, nullptr, &none) > 0;
        }
        const timespec wait =
            AsTimespec(std::chrono::duration_cast<std::chrono::nanoseconds>(left));
        if (sigtimedwait(&set, nullptr, &wait) > 0) {
            return true;
        }
        if (errno != EINTR && errno != EAGAIN) {
            return false;
        }
    }
}

} // namespace vantrel

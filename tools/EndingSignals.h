#pragma once

#include <chrono>
#include <csignal>

namespace vantrel {

// SIGINT and SIGTERM end the tools that run until interrupted
// (vantrel-power, vantrel-track, vantrel-scan). They are blocked in every
// thread and taken with sigtimedwait, so there is no handler at all and the
// ending runs as ordinary code on the main thread.

/// Blocks SIGINT and SIGTERM in the calling thread and in every thread it
/// creates afterwards (call it before any thread starts); the set blocked.
sigset_t BlockEndingSignals();

/// Waits up to `wait` (nothing when negative) for a signal of `set`; true
/// when one came.
bool EndingSignalWithin(const sigset_t& set, std::chrono::nanoseconds wait);

/// Waits until the steady clock reaches `until` (at once when past) for a
/// signal of `set`; true when one came.
bool EndingSignalBefore(const sigset_t& set, std::chrono::steady_clock::time_point until);

} // namespace vantrel

#pragma once

#include "tracking/Rotator.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vantrel {

/// How long to wait before trying a rotator again after a failure: the
/// first pause, growing by `Factor` after every further failure up to
/// `Longest`. Milliseconds.
struct RetryPolicy {
    std::chrono::milliseconds First{500};
    std::chrono::milliseconds Longest{30000};
    double Factor = 2.0;
};

/// What the link knows of its rotator: a snapshot, copied out under a lock.
struct RotatorStatus {
    bool Connected = false;                  ///< opened, and the last exchange succeeded
    std::optional<RotatorPosition> Reported; ///< last position the rotator reported
    std::chrono::steady_clock::time_point ReportedAt{};
    std::optional<RotatorPosition> Commanded; ///< last position sent successfully
    std::string LastError; ///< last failure, as a sentence; empty after a success
    int LastErrorCode = 0; ///< its Hamlib code
    int ConsecutiveFailures = 0;
    std::chrono::milliseconds RetryIn{0}; ///< pause before the next attempt, 0 when none pending
    std::uint64_t Exchanges = 0;          ///< exchanges attempted so far (tests, progress)
};

/// Runs one Rotator on a worker thread of its own: opens it (retrying with a
/// growing pause when it is not there), sends the latest requested position
/// (a newer request replaces one not yet sent), reads the position every
/// poll period, and sends Stop and Park when asked. No member blocks the
/// caller beyond taking a lock to copy a few values: the user-interface
/// thread may call every member at any time.
///
/// A failed exchange closes the rotator, is reported in the status and is
/// retried after the policy's pause; requests made meanwhile are kept (the
/// latest position only).
class RotatorLink {
public:
    using Factory = std::function<std::unique_ptr<Rotator>()>;

    RotatorLink(Factory factory, std::chrono::milliseconds pollPeriod, RetryPolicy retry = {});
    /// Shutdown(false).
    ~RotatorLink();
    RotatorLink(const RotatorLink&) = delete;
    RotatorLink& operator=(const RotatorLink&) = delete;

    /// Requests a position; the latest request wins.
    void Point(const RotatorPosition& position);
    /// Requests a stop; a pending position request is dropped.
    void Stop();
    /// Requests parking: at `position`, or at the controller's own park
    /// position ("K") when empty. A pending position request is dropped.
    void Park(std::optional<RotatorPosition> position);

    RotatorStatus Status() const;

    /// Ends the worker: sends Stop first when `stopRotator` (one attempt,
    /// bounded by the rotator's timeout), closes the rotator and joins.
    /// Returns within the rotator's timeout plus a poll period.
    void Shutdown(bool stopRotator);

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace vantrel

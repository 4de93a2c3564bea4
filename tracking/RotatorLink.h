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
/// `Longest`. Milliseconds; a first pause below 1 ms counts as 1 ms, a
/// factor below 1 as 1.
struct RetryPolicy {
    std::chrono::milliseconds First{500};
    std::chrono::milliseconds Longest{30000};
    double Factor = 2.0;
};

/// The pause of a rotator the user is waiting for (the Track window and
/// vantrel-track): 0.5 s doubling up to 5 s, so a controller that is back
/// is found within seconds.
inline constexpr RetryPolicy kAttendedRetry{std::chrono::milliseconds{500},
                                            std::chrono::milliseconds{5000}, 2.0};

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
/// latest position only). A request that failed on the way (timeout, lost
/// connection) is sent again after reconnecting unless a newer one replaced
/// it; one the controller refused (invalid argument, rejected, not
/// available) is reported and dropped, as it would be refused again. The
/// pause grows only while no exchange succeeds: opening alone does not
/// reset it, so a controller that accepts connections and fails every
/// command is retried ever more slowly.
///
/// The factory is called on the worker thread before every attempt to open.
/// Should a rotator call overstay its timeout at Shutdown, the worker is
/// left to finish it on its own (it then closes and destroys the rotator):
/// neither the factory nor its rotators may refer to objects the caller
/// destroys after Shutdown.
class RotatorLink {
public:
    using Factory = std::function<std::unique_ptr<Rotator>()>;

    /// `pollPeriod`: between readings of the position, at least 1 ms.
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

    /// While waiting to try the rotator again after a failure: tries at
    /// once. The pause after a further failure is the one it would have
    /// been. Does nothing while connected.
    void RetryNow();

    /// Ends the worker: sends Stop first when `stopRotator` and the rotator
    /// is open (one attempt, bounded by the rotator's timeout), closes the
    /// rotator and joins. Returns within the rotator's Timeout() plus a poll
    /// period; a worker still inside a rotator call then is detached and
    /// ends by itself when the call returns. Later calls do nothing.
    void Shutdown(bool stopRotator);

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace vantrel

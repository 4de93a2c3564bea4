#pragma once

#include "eme/DopplerFollower.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace vantrel::eme {

/// What a DopplerFollowWorker is doing, for a window to show.
struct DopplerFollowState {
    enum class Phase {
        Starting,  ///< the thread opens the rig
        Following, ///< updates every UpdateS
        Returning, ///< stopped: tuning the rig back to the sked frequency
        Ended,     ///< done; EndProblem says whether the rig is back
    };
    Phase What = Phase::Starting;
    std::optional<DopplerStep> Last;       ///< the last update
    std::optional<std::int64_t> LastSetHz; ///< the last frequency the rig took, Hz
    double LastSetUtcS =
        0; ///< when, seconds of eme::UtcSeconds (since 1899-12-30 00:00 UTC), with a fraction
    /// The rig's last sentence while following (empty once it answers again).
    std::string Problem;
    /// After Ended: empty when the rig is back at the sked frequency, else why not.
    std::string EndProblem;
};

/// Runs a DopplerFollower on a thread of its own, so that the rig's I/O
/// (seconds when it is gone) never holds up the caller: the rig and the
/// Doppler source are made on that thread, updates come when the clock
/// reaches NextDueS (looked at every 100 ms at least, so a test's set clock
/// is followed), and Stop tunes the rig back to the sked frequency there.
class DopplerFollowWorker {
public:
    /// UTC now, seconds since 1899-12-30 00:00 UTC (eme::UtcSeconds) with a fraction.
    using UtcClock = std::function<double()>;

    DopplerFollowWorker(DopplerFollowSettings settings,
                        std::function<std::unique_ptr<DopplerRig>()> makeRig,
                        std::function<DopplerSource()> makeSource, UtcClock clock);
    /// Stops and waits for the rig to be returned to the sked frequency.
    ~DopplerFollowWorker();
    DopplerFollowWorker(const DopplerFollowWorker&) = delete;
    DopplerFollowWorker& operator=(const DopplerFollowWorker&) = delete;

    /// Asks the thread to return the rig to the sked frequency and end;
    /// returns at once.
    void Stop();
    /// A copy of the state now.
    DopplerFollowState State() const;
    const DopplerFollowSettings& Settings() const { return settings_; }

private:
    void Run(std::function<std::unique_ptr<DopplerRig>()> makeRig,
             std::function<DopplerSource()> makeSource);

    const DopplerFollowSettings settings_;
    const UtcClock clock_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    DopplerFollowState state_;
    std::thread thread_;
};

} // namespace vantrel::eme

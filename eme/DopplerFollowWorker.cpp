#include "eme/DopplerFollowWorker.h"

#include <algorithm>
#include <chrono>

namespace vantrel::eme {

namespace {
/// The longest the thread sleeps before it looks at the clock again.
constexpr std::chrono::milliseconds kLongestSleep{100};
} // namespace

DopplerFollowWorker::DopplerFollowWorker(DopplerFollowSettings settings,
                                         std::function<std::unique_ptr<DopplerRig>()> makeRig,
                                         std::function<DopplerSource()> makeSource, UtcClock clock)
    : settings_(settings), clock_(std::move(clock)) {
    thread_ = std::thread(
        [this, makeRig = std::move(makeRig), makeSource = std::move(makeSource)]() mutable {
            Run(std::move(makeRig), std::move(makeSource));
        });
}

DopplerFollowWorker::~DopplerFollowWorker() {
    Stop();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void DopplerFollowWorker::Stop() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
}

DopplerFollowState DopplerFollowWorker::State() const {
    const std::lock_guard lock(mutex_);
    return state_;
}

void DopplerFollowWorker::Run(std::function<std::unique_ptr<DopplerRig>()> makeRig,
                              std::function<DopplerSource()> makeSource) {
    const std::unique_ptr<DopplerRig> rig = makeRig();
    DopplerFollower follower(settings_, *rig, makeSource());
    {
        const std::lock_guard lock(mutex_);
        state_.What = DopplerFollowState::Phase::Following;
    }
    for (;;) {
        {
            const std::lock_guard lock(mutex_);
            if (stop_) {
                break;
            }
        }
        if (std::optional<DopplerStep> step = follower.Step(clock_())) {
            const std::lock_guard lock(mutex_);
            if (step->What == DopplerStep::Outcome::Set) {
                state_.LastSetHz = step->TargetHz;
                state_.LastSetUtcS = step->UtcS;
            }
            if (step->What == DopplerStep::Outcome::Set ||
                step->What == DopplerStep::Outcome::Failed) {
                state_.Problem = step->Error;
            }
            state_.Last = std::move(step);
        }
        const double waitS = follower.NextDueS() - clock_();
        const auto wait = std::clamp(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::duration<double>(std::max(waitS, 0.0))),
                                     std::chrono::milliseconds(0), kLongestSleep);
        std::unique_lock lock(mutex_);
        wake_.wait_for(lock, wait, [this] { return stop_; });
    }
    {
        const std::lock_guard lock(mutex_);
        state_.What = DopplerFollowState::Phase::Returning;
    }
    std::string back = follower.ReturnToSked();
    const std::lock_guard lock(mutex_);
    if (back.empty()) {
        state_.LastSetHz = settings_.SkedHz;
        state_.LastSetUtcS = clock_();
    }
    state_.EndProblem = std::move(back);
    state_.What = DopplerFollowState::Phase::Ended;
}

} // namespace vantrel::eme

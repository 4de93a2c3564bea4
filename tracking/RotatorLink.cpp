#include "tracking/RotatorLink.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace vantrel {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

/// Hamlib's code for a failure inside the program rather than at the
/// rotator (RIG_EINTERNAL), used when the factory or a rotator throws.
constexpr int kInternalErrorCode = -7;

/// Hamlib's codes with which a controller refuses a request it understood:
/// sending the same request again would be refused again.
constexpr int kInvalidArgument = -1; // RIG_EINVAL
constexpr int kNotImplemented = -4;  // RIG_ENIMPL
constexpr int kRejected = -9;        // RIG_ERJCTED
constexpr int kNotAvailable = -11;   // RIG_ENAVAIL
constexpr int kOutOfDomain = -17;    // RIG_EDOM

bool Refused(int code) {
    return code == kInvalidArgument || code == kNotImplemented || code == kRejected ||
           code == kNotAvailable || code == kOutOfDomain;
}

/// Everything the worker thread touches. Shared between the link and its
/// worker, so a worker left behind by a bounded Shutdown (stuck in a
/// rotator call) still finds it after the link has gone.
struct Shared {
    Shared(RotatorLink::Factory f, milliseconds poll, RetryPolicy policy)
        : factory(std::move(f)), pollPeriod(poll), retry(policy) {}

    const RotatorLink::Factory factory;
    const milliseconds pollPeriod;
    const RetryPolicy retry;

    mutable std::mutex mutex;
    std::condition_variable wake;     ///< requests, quitting
    std::condition_variable finished; ///< the worker has ended

    // Requests, under `mutex`.
    std::optional<RotatorPosition> point;
    enum class Order { None, Stop, Park } order = Order::None;
    std::optional<RotatorPosition> parkAt;
    bool quit = false;
    bool stopOnQuit = false;
    bool retryNow = false;

    // Published by the worker, under `mutex`.
    RotatorStatus status;
    milliseconds timeout{2000}; ///< of the rotator in use
    bool done = false;
};

} // namespace

struct RotatorLink::State {
    std::shared_ptr<Shared> shared;
    std::thread worker;
    std::atomic<bool> shutDown{false};
};

namespace {

/// What the worker sends next.
struct Exchange {
    enum class Kind { Poll, Point, Stop, Park, ParkAt } kind = Kind::Poll;
    RotatorPosition position;
};

RotatorError Perform(Rotator& rotator, const Exchange& exchange, RotatorPosition& reported) {
    try {
        switch (exchange.kind) {
        case Exchange::Kind::Poll:
            return rotator.GetPosition(reported);
        case Exchange::Kind::Point:
        case Exchange::Kind::ParkAt:
            return rotator.SetPosition(exchange.position);
        case Exchange::Kind::Stop:
            return rotator.Stop();
        case Exchange::Kind::Park:
            return rotator.Park();
        }
    } catch (const std::exception& e) {
        return {kInternalErrorCode, e.what()};
    }
    return {};
}

milliseconds Grown(milliseconds pause, const RetryPolicy& retry) {
    const double next = static_cast<double>(pause.count()) * retry.Factor;
    return std::min(milliseconds{static_cast<milliseconds::rep>(next)}, retry.Longest);
}

/// The worker: opens, sends, polls and retries until told to quit.
void Work(const std::shared_ptr<Shared>& shared) {
    Shared& s = *shared;
    std::unique_ptr<Rotator> rotator;
    bool open = false;
    milliseconds pause = s.retry.First;
    Clock::time_point retryAt = Clock::now();
    Clock::time_point pollAt = Clock::now();

    // Records a failure: the rotator is closed and the next attempt waits.
    const auto fail = [&](std::unique_lock<std::mutex>& lock, const RotatorError& error) {
        s.status.Connected = false;
        s.status.LastError = error.Text;
        s.status.LastErrorCode = error.Code;
        ++s.status.ConsecutiveFailures;
        s.status.RetryIn = pause;
        retryAt = Clock::now() + pause;
        pause = Grown(pause, s.retry);
        if (rotator) {
            // A late answer to the failed exchange would otherwise be read
            // as the answer to the next one: start over on a fresh connection.
            lock.unlock();
            rotator->Close();
            rotator.reset();
            lock.lock();
        }
        open = false;
    };

    std::unique_lock lock(s.mutex);
    while (!s.quit) {
        if (!open) {
            if (Clock::now() < retryAt && !s.retryNow) {
                s.wake.wait_until(lock, retryAt, [&] { return s.quit || s.retryNow; });
                continue;
            }
            s.retryNow = false;
            s.status.RetryIn = milliseconds{0};
            ++s.status.Exchanges;
            lock.unlock();
            RotatorError error;
            try {
                rotator = s.factory();
                if (!rotator) {
                    error = {kInternalErrorCode, "No rotator is configured."};
                } else {
                    const milliseconds timeout = rotator->Timeout();
                    lock.lock();
                    s.timeout = timeout;
                    lock.unlock();
                    error = rotator->Open();
                }
            } catch (const std::exception& e) {
                error = {kInternalErrorCode, e.what()};
            }
            lock.lock();
            if (error.Failed()) {
                fail(lock, error);
            } else {
                open = true;
                s.status.Connected = true;
                pollAt = Clock::now(); // where is it? at once
            }
            continue;
        }

        // Stop and Park first; then a reading that is due, so a stream of
        // position requests cannot starve the reported position; then the
        // latest position requested.
        Exchange exchange;
        if (s.order == Shared::Order::Stop) {
            exchange.kind = Exchange::Kind::Stop;
        } else if (s.order == Shared::Order::Park) {
            exchange.kind = s.parkAt ? Exchange::Kind::ParkAt : Exchange::Kind::Park;
            exchange.position = s.parkAt.value_or(RotatorPosition{});
        } else if (Clock::now() >= pollAt) {
            exchange.kind = Exchange::Kind::Poll;
        } else if (s.point) {
            exchange.kind = Exchange::Kind::Point;
            exchange.position = *s.point;
        } else {
            s.wake.wait_until(lock, pollAt, [&] {
                return s.quit || s.order != Shared::Order::None || s.point.has_value();
            });
            continue;
        }
        // Taken off the queue now: a request made during the exchange is a
        // new one and stays queued.
        const auto order = s.order;
        const auto point = s.point;
        const auto parkAt = s.parkAt;
        if (exchange.kind == Exchange::Kind::Point) {
            s.point.reset();
        } else if (exchange.kind != Exchange::Kind::Poll) {
            s.order = Shared::Order::None;
            s.parkAt.reset();
        }
        ++s.status.Exchanges;
        lock.unlock();

        RotatorPosition reported;
        const RotatorError error = Perform(*rotator, exchange, reported);
        const Clock::time_point now = Clock::now();

        lock.lock();
        if (error.Failed()) {
            // A request that failed on the way is sent again after
            // reconnecting, unless a newer one replaced it meanwhile; one the
            // controller refused would only be refused again.
            if (!Refused(error.Code)) {
                if (exchange.kind == Exchange::Kind::Point && !s.point &&
                    s.order == Shared::Order::None) {
                    s.point = point;
                } else if (exchange.kind != Exchange::Kind::Point &&
                           exchange.kind != Exchange::Kind::Poll &&
                           s.order == Shared::Order::None && !s.point) {
                    s.order = order;
                    s.parkAt = parkAt;
                }
            }
            fail(lock, error);
            continue;
        }
        s.status.Connected = true;
        s.status.LastError.clear();
        s.status.LastErrorCode = 0;
        s.status.ConsecutiveFailures = 0;
        pause = s.retry.First;
        switch (exchange.kind) {
        case Exchange::Kind::Poll:
            s.status.Reported = reported;
            s.status.ReportedAt = now;
            pollAt = now + s.pollPeriod;
            break;
        case Exchange::Kind::Point:
        case Exchange::Kind::ParkAt:
            s.status.Commanded = exchange.position;
            break;
        case Exchange::Kind::Park:
            s.status.Commanded.reset(); // the controller's own place, unknown here
            break;
        case Exchange::Kind::Stop:
            break;
        }
    }

    // Quitting: one Stop if asked for, then close.
    const bool stop = s.stopOnQuit && open;
    if (stop) {
        ++s.status.Exchanges;
    }
    lock.unlock();
    if (rotator) {
        if (stop) {
            RotatorPosition unused;
            const RotatorError error = Perform(*rotator, {Exchange::Kind::Stop, {}}, unused);
            lock.lock();
            if (error.Failed()) {
                s.status.LastError = error.Text;
                s.status.LastErrorCode = error.Code;
            }
            lock.unlock();
        }
        rotator->Close();
        rotator.reset();
    }
    lock.lock();
    s.status.Connected = false;
    s.status.RetryIn = milliseconds{0};
    s.done = true;
    s.finished.notify_all();
}

} // namespace

RotatorLink::RotatorLink(Factory factory, milliseconds pollPeriod, RetryPolicy retry)
    : state_(std::make_unique<State>()) {
    // A pause of 0 would have the worker hammer a missing rotator.
    retry.First = std::max(retry.First, milliseconds{1});
    retry.Longest = std::max(retry.Longest, retry.First);
    retry.Factor = std::max(retry.Factor, 1.0);
    state_->shared =
        std::make_shared<Shared>(std::move(factory), std::max(pollPeriod, milliseconds{1}), retry);
    state_->worker = std::thread([shared = state_->shared] { Work(shared); });
}

RotatorLink::~RotatorLink() {
    Shutdown(false);
}

void RotatorLink::Point(const RotatorPosition& position) {
    Shared& s = *state_->shared;
    const std::lock_guard lock(s.mutex);
    s.point = position;
    s.wake.notify_one();
}

void RotatorLink::Stop() {
    Shared& s = *state_->shared;
    const std::lock_guard lock(s.mutex);
    s.point.reset();
    s.order = Shared::Order::Stop;
    s.parkAt.reset();
    s.wake.notify_one();
}

void RotatorLink::Park(std::optional<RotatorPosition> position) {
    Shared& s = *state_->shared;
    const std::lock_guard lock(s.mutex);
    s.point.reset();
    s.order = Shared::Order::Park;
    s.parkAt = position;
    s.wake.notify_one();
}

void RotatorLink::RetryNow() {
    Shared& s = *state_->shared;
    const std::lock_guard lock(s.mutex);
    if (s.status.RetryIn.count() > 0) {
        s.retryNow = true;
        s.wake.notify_one();
    }
}

RotatorStatus RotatorLink::Status() const {
    const Shared& s = *state_->shared;
    const std::lock_guard lock(s.mutex);
    return s.status;
}

void RotatorLink::Shutdown(bool stopRotator) {
    if (state_->shutDown.exchange(true)) {
        return;
    }
    Shared& s = *state_->shared;
    std::unique_lock lock(s.mutex);
    s.quit = true;
    s.stopOnQuit = stopRotator;
    s.wake.notify_one();
    // The worker may be inside an exchange (up to the timeout) and then
    // sends Stop; a rotator that overstays its timeout is left to its worker,
    // which ends on its own once the call returns (it holds all it needs).
    const Clock::time_point limit = Clock::now() + s.timeout + s.pollPeriod;
    const bool ended = s.finished.wait_until(lock, limit, [&] { return s.done; });
    lock.unlock();
    if (ended) {
        state_->worker.join();
    } else {
        state_->worker.detach();
    }
}

} // namespace vantrel

#include "radiometer/PowerRunner.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace vantrel {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr std::size_t kMostBlocksKept = 100000;
constexpr std::size_t kMostEventsKept = 1000;
constexpr std::size_t kMostSpectraKept = 1000;

template <typename T> void KeepLast(std::vector<T>& items, std::size_t most) {
    if (items.size() > most) {
        items.erase(items.begin(), items.end() - static_cast<std::ptrdiff_t>(most));
    }
}

milliseconds Grown(milliseconds pause, const InputRetry& retry) {
    const double next = static_cast<double>(pause.count()) * std::max(1.0, retry.Factor);
    return std::min(milliseconds{static_cast<milliseconds::rep>(next)}, retry.Longest);
}

} // namespace

struct PowerRunner::Shared {
    Shared(Factory f, const IntegrationSettings& s, InputRetry r, BlockIntegrator::UtcSource u,
           std::function<void()> w)
        : factory(std::move(f)), settings(s), retry(r), utcNow(std::move(u)), wake(std::move(w)) {
        retry.First = std::max(retry.First, milliseconds{1});
    }

    const Factory factory;
    const IntegrationSettings settings;
    InputRetry retry;
    const BlockIntegrator::UtcSource utcNow;
    const std::function<void()> wake;

    mutable std::mutex mutex;
    std::condition_variable changed; ///< for Wait and for the worker's pauses
    bool quit = false;
    bool news = false;
    RunnerStatus status;
    std::vector<PowerBlock> blocks;
    std::vector<RunnerEvent> events;
    std::optional<SpectrumSnapshot> spectrum;
    bool keepSpectra = false;
    std::vector<SpectrumSnapshot> spectra;
    std::thread worker;
    bool stopped = false;
    PointingSource pointing;
    LastBlock last = LastBlock::Drop;
    DateTime lastDataUtc = 0; ///< when the input last gave something, or opened

    /// Fills in the pointing of finished blocks.
    void Point(std::vector<PowerBlock>& done) {
        if (done.empty()) {
            return;
        }
        PointingSource where;
        {
            const std::lock_guard lock(mutex);
            where = pointing;
        }
        if (where) {
            const std::optional<BlockPointing> at = where();
            for (PowerBlock& b : done) {
                b.Pointing = at;
            }
        }
    }

    /// Publishes under the lock, then wakes the caller without it.
    template <typename Change> void Publish(Change&& change) {
        {
            const std::lock_guard lock(mutex);
            change();
            news = true;
        }
        changed.notify_all();
        if (wake) {
            wake();
        }
    }

    void Run();
};

void PowerRunner::Shared::Run() {
    milliseconds pause = retry.First;
    std::unique_ptr<PowerInput> input;
    std::unique_ptr<BlockIntegrator> integrator;

    // A failure: the input is closed, and the runner waits or stops.
    const auto fail = [&](const InputError& error) {
        if (input) {
            input->Close();
            input.reset();
        }
        integrator.reset();
        const bool refused = error.What == InputError::Kind::Refused;
        Publish([&] {
            status.LastError = error.Text;
            status.Refused = refused;
            ++status.ConsecutiveFailures;
            status.What = refused ? RunnerStatus::State::Stopped : RunnerStatus::State::Waiting;
            status.RetryIn = refused ? milliseconds{0} : pause;
            events.push_back({RunnerEvent::Kind::Error, error.Text});
            KeepLast(events, kMostEventsKept);
        });
        return refused;
    };

    bool polledAgain = false; ///< opening a polled meter for its next run
    bool polledNoted = false;
    std::uint64_t received = 0;
    for (;;) {
        {
            std::unique_lock lock(mutex);
            if (quit) {
                break;
            }
        }
        if (!input) {
            if (!polledAgain) {
                Publish([&] { status.What = RunnerStatus::State::Opening; });
            }
            StreamDescription description;
            InputError error;
            try {
                input = factory();
                error = input ? input->Open(description)
                              : InputError::Refused("No input is configured.");
            } catch (const std::exception& e) {
                error = InputError::Retry(std::string("The input failed: ") + e.what());
            }
            if (!error.Failed() && !(polledAgain && integrator)) {
                integrator = std::make_unique<BlockIntegrator>(settings, description, utcNow);
                received = 0;
                if (!integrator->Problem().empty()) {
                    error = InputError::Refused(integrator->Problem());
                }
            }
            if (error.Failed()) {
                polledAgain = false;
                const bool refused = fail(error);
                if (refused) {
                    break;
                }
                std::unique_lock lock(mutex);
                changed.wait_for(lock, pause, [&] { return quit; });
                pause = Grown(pause, retry);
                continue;
            }
            if (!polledAgain) {
                const DateTime now = utcNow();
                Publish([&] {
                    status.What = RunnerStatus::State::Running;
                    status.Stream = description;
                    status.EverOpened = true;
                    status.RetryIn = milliseconds{0};
                    lastDataUtc = now;
                    events.push_back({RunnerEvent::Kind::Opened, description.Summary});
                    if (!description.Offers.empty()) {
                        events.push_back({RunnerEvent::Kind::Note, description.Offers});
                    }
                    KeepLast(events, kMostEventsKept);
                });
            }
            polledAgain = false;
        }

        InputError error;
        try {
            error = input->Read(*integrator);
        } catch (const std::exception& e) {
            error = InputError::Retry(std::string("The input failed: ") + e.what());
        }
        integrator->Tick();
        if (integrator->Received() != received) {
            received = integrator->Received();
            const DateTime now = utcNow();
            const std::lock_guard lock(mutex);
            lastDataUtc = now;
        }
        std::vector<PowerBlock> done = integrator->TakeBlocks();
        Point(done);
        std::vector<std::string> notes = integrator->TakeNotes();
        std::vector<SpectrumSnapshot> shots = integrator->TakeSpectra();
        if (!done.empty() || !notes.empty() || !shots.empty()) {
            if (!done.empty()) {
                pause = retry.First;
            }
            Publish([&] {
                if (!done.empty()) {
                    status.ConsecutiveFailures = 0;
                    status.LastError.clear();
                    status.Blocks += done.size();
                    blocks.insert(blocks.end(), std::make_move_iterator(done.begin()),
                                  std::make_move_iterator(done.end()));
                    KeepLast(blocks, kMostBlocksKept);
                }
                for (std::string& note : notes) {
                    events.push_back({RunnerEvent::Kind::Note, std::move(note)});
                }
                KeepLast(events, kMostEventsKept);
                if (!shots.empty()) {
                    if (keepSpectra) {
                        spectra.insert(spectra.end(), shots.begin(), shots.end());
                        KeepLast(spectra, kMostSpectraKept);
                    }
                    spectrum = std::move(shots.back());
                }
            });
        }
        if (error.What == InputError::Kind::Polled) {
            // A polled meter: its next run goes on with the block in progress.
            input->Close();
            input.reset();
            if (!polledNoted) {
                polledNoted = true;
                Publish([&] {
                    events.push_back({RunnerEvent::Kind::Note, error.Text});
                    KeepLast(events, kMostEventsKept);
                });
            }
            polledAgain = true;
            const auto interval = std::chrono::duration_cast<milliseconds>(
                std::chrono::duration<double>(std::max(0.0, status.Stream.PollS)));
            std::unique_lock lock(mutex);
            changed.wait_for(lock, interval, [&] { return quit; });
            continue;
        }
        if (error.Failed()) {
            if (fail(error)) {
                break;
            }
            std::unique_lock lock(mutex);
            changed.wait_for(lock, pause, [&] { return quit; });
            pause = Grown(pause, retry);
            continue;
        }
        // A source faster than real time (a file) is read at the pace of
        // the clock, so that its blocks' times are those of a live one.
        const double ahead = integrator->AheadOfClockS(utcNow());
        if (ahead > kLongestLeadS) {
            const auto wait = std::chrono::duration_cast<milliseconds>(
                std::chrono::duration<double>(std::min(ahead - kLongestLeadS / 2, 0.1)));
            std::unique_lock lock(mutex);
            changed.wait_for(lock, wait, [&] { return quit; });
        }
    }
    bool keep = false;
    {
        const std::lock_guard lock(mutex);
        keep = last == LastBlock::Keep;
    }
    if (keep && integrator) {
        integrator->FinishPartial();
        std::vector<PowerBlock> done = integrator->TakeBlocks();
        Point(done);
        std::vector<SpectrumSnapshot> shots = integrator->TakeSpectra();
        if (!done.empty()) {
            Publish([&] {
                if (keepSpectra) {
                    spectra.insert(spectra.end(), shots.begin(), shots.end());
                }
                status.Blocks += done.size();
                blocks.insert(blocks.end(), std::make_move_iterator(done.begin()),
                              std::make_move_iterator(done.end()));
                KeepLast(blocks, kMostBlocksKept);
            });
        }
    }
    if (input) {
        input->Close();
    }
    Publish([&] { status.What = RunnerStatus::State::Stopped; });
}

PowerRunner::PowerRunner(Factory factory, const IntegrationSettings& settings, InputRetry retry,
                         BlockIntegrator::UtcSource utcNow, std::function<void()> wake)
    : shared_(std::make_shared<Shared>(std::move(factory), settings, retry, std::move(utcNow),
                                       std::move(wake))) {
    shared_->worker = std::thread([s = shared_] { s->Run(); });
}

PowerRunner::~PowerRunner() {
    Stop();
}

std::vector<PowerBlock> PowerRunner::TakeBlocks() {
    const std::lock_guard lock(shared_->mutex);
    std::vector<PowerBlock> out;
    out.swap(shared_->blocks);
    return out;
}

std::vector<RunnerEvent> PowerRunner::TakeEvents() {
    const std::lock_guard lock(shared_->mutex);
    std::vector<RunnerEvent> out;
    out.swap(shared_->events);
    return out;
}

std::optional<SpectrumSnapshot> PowerRunner::TakeSpectrum() {
    const std::lock_guard lock(shared_->mutex);
    std::optional<SpectrumSnapshot> out;
    out.swap(shared_->spectrum);
    return out;
}

void PowerRunner::KeepEverySpectrum() {
    const std::lock_guard lock(shared_->mutex);
    shared_->keepSpectra = true;
}

std::vector<SpectrumSnapshot> PowerRunner::TakeSpectra() {
    const std::lock_guard lock(shared_->mutex);
    std::vector<SpectrumSnapshot> out;
    out.swap(shared_->spectra);
    return out;
}

RunnerStatus PowerRunner::Status() const {
    const DateTime now = shared_->utcNow();
    const std::lock_guard lock(shared_->mutex);
    RunnerStatus status = shared_->status;
    if (status.What == RunnerStatus::State::Running) {
        constexpr double kSecondsPerDay = 86400.0;
        status.SilentS = std::max(0.0, (now - shared_->lastDataUtc) * kSecondsPerDay);
        status.Silent =
            status.SilentS > std::max(kSilentTaus * shared_->settings.TauS, kSilentLeastS);
    }
    return status;
}

void PowerRunner::SetPointingSource(PointingSource source) {
    const std::lock_guard lock(shared_->mutex);
    shared_->pointing = std::move(source);
}

void PowerRunner::Wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(shared_->mutex);
    shared_->changed.wait_for(lock, timeout, [&] { return shared_->news; });
    shared_->news = false;
}

void PowerRunner::Stop(LastBlock last) {
    {
        const std::lock_guard lock(shared_->mutex);
        if (shared_->stopped) {
            return;
        }
        shared_->last = last;
        shared_->stopped = true;
        shared_->quit = true;
    }
    shared_->changed.notify_all();
    if (shared_->worker.joinable()) {
        shared_->worker.join();
    }
}

} // namespace vantrel

#include "radiometer/PowerLogWriter.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace vantrel {

namespace {

constexpr std::size_t kMostWaiting = 100000;

} // namespace

struct PowerLogWriter::Shared {
    std::string path;
    std::function<void()> wake;
    std::chrono::milliseconds retryAfter{};

    mutable std::mutex mutex;
    std::condition_variable changed;
    std::deque<PowerRecord> waiting;
    std::vector<std::string> problems;
    std::uint64_t written = 0;
    std::uint64_t queued = 0; ///< records ever queued
    std::uint64_t tried = 0;  ///< of those, tried at least once (in order)
    bool failing = false;     ///< the last attempt failed (told once)
    std::string lastWhy;      ///< of the last failure
    bool retryNow = false;
    bool quit = false;
    std::thread worker;

    void Run();
};

void PowerLogWriter::Shared::Run() {
    std::unique_lock lock(mutex);
    for (;;) {
        // A failed record waits for the next one, or for the pause.
        if (failing && !quit && tried == queued) {
            changed.wait_for(lock, retryAfter, [&] { return quit || tried != queued || retryNow; });
            retryNow = false;
        } else {
            changed.wait(lock, [&] { return quit || !waiting.empty(); });
        }
        if (waiting.empty() && quit) {
            return;
        }
        bool told = false;
        while (!waiting.empty()) {
            const PowerRecord record = waiting.front();
            lock.unlock();
            const std::optional<std::string> why = AppendPowerRecord(path, record);
            lock.lock();
            if (why) {
                tried = queued; // all waiting now had their try: the first failed
                if (!failing) {
                    problems.push_back(*why + " The power log waits and tries again.");
                    told = true;
                }
                failing = true;
                lastWhy = *why;
                break;
            }
            failing = false;
            lastWhy.clear();
            waiting.pop_front();
            ++written;
            tried = std::max(tried, queued - waiting.size());
        }
        if (waiting.empty()) {
            tried = queued;
        }
        lock.unlock();
        // The caller is woken for the problem before a Flush returns.
        if (told && wake) {
            wake();
        }
        changed.notify_all();
        lock.lock();
        if (quit) {
            return; // one attempt at the end; what failed is told
        }
    }
}

PowerLogWriter::PowerLogWriter(std::string path, std::function<void()> wake,
                               std::chrono::milliseconds retryAfter)
    : path_(std::move(path)), shared_(std::make_shared<Shared>()) {
    shared_->path = path_;
    shared_->wake = std::move(wake);
    shared_->retryAfter = retryAfter;
    shared_->worker = std::thread([s = shared_] { s->Run(); });
}

PowerLogWriter::~PowerLogWriter() {
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->quit = true;
    }
    shared_->changed.notify_all();
    shared_->worker.join();
}

void PowerLogWriter::Append(PowerRecord record) {
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->waiting.push_back(std::move(record));
        ++shared_->queued;
        if (shared_->waiting.size() > kMostWaiting) {
            shared_->waiting.pop_front();
            shared_->problems.push_back("More than " + std::to_string(kMostWaiting) +
                                        " blocks could not be written to " + shared_->path +
                                        "; the oldest are dropped.");
        }
    }
    shared_->changed.notify_all();
}

std::vector<std::string> PowerLogWriter::TakeProblems() {
    const std::lock_guard lock(shared_->mutex);
    std::vector<std::string> out;
    out.swap(shared_->problems);
    return out;
}

std::uint64_t PowerLogWriter::Written() const {
    const std::lock_guard lock(shared_->mutex);
    return shared_->written;
}

std::size_t PowerLogWriter::Waiting() const {
    const std::lock_guard lock(shared_->mutex);
    return shared_->waiting.size();
}

std::string PowerLogWriter::Failing() const {
    const std::lock_guard lock(shared_->mutex);
    return shared_->failing ? shared_->lastWhy : std::string();
}

void PowerLogWriter::RetryNow() {
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->retryNow = true;
    }
    shared_->changed.notify_all();
}

bool PowerLogWriter::Flush(std::chrono::milliseconds timeout) {
    std::unique_lock lock(shared_->mutex);
    const std::uint64_t target = shared_->queued;
    shared_->changed.wait_for(lock, timeout, [&] { return shared_->tried >= target; });
    return shared_->waiting.empty();
}

} // namespace vantrel

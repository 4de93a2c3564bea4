#pragma once

#include "radiometer/PowerLog.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vantrel {

/// Appends power log records on a thread of its own, so that the fsync of
/// each line (AppendPowerRecord) never holds up the caller: a window hands
/// it a record as a block comes in and goes on drawing.
///
/// A record that cannot be written (disk full, a folder without write
/// permission) is kept and tried again with the next record, or after
/// `RetryAfter` when none comes, in the order they came: nothing is lost
/// while the program runs, up to the last 100000 records waiting. Each
/// failure is told once until a write succeeds again.
class PowerLogWriter {
public:
    /// `path`: the log file. `wake`, when given, is called on the writer's
    /// thread (without a lock held) when there is a problem to take.
    explicit PowerLogWriter(std::string path, std::function<void()> wake = {},
                            std::chrono::milliseconds retryAfter = std::chrono::seconds(5));
    /// Writes what waits (one attempt each), then ends the thread.
    ~PowerLogWriter();
    PowerLogWriter(const PowerLogWriter&) = delete;
    PowerLogWriter& operator=(const PowerLogWriter&) = delete;

    const std::string& Path() const { return path_; }

    /// Queues `record` to be appended; takes a lock for a moment only.
    void Append(PowerRecord record);

    /// Moves out the problems since the last call: sentences saying which
    /// file could not be written and why.
    std::vector<std::string> TakeProblems();

    /// Records written so far, and records waiting to be written.
    std::uint64_t Written() const;
    std::size_t Waiting() const;

    /// The last attempt failed: why, as the sentence TakeProblems gave;
    /// empty while writes succeed.
    std::string Failing() const;

    /// Tries the waiting records again at once instead of after the pause
    /// (the end of the program, or the user fixed the folder).
    void RetryNow();

    /// Blocks until every record queued so far has been tried once, or
    /// `timeout` passed; true when none is waiting then. For tests and the
    /// end of a run, never for the user-interface thread's tick.
    bool Flush(std::chrono::milliseconds timeout);

private:
    struct Shared;
    std::string path_;
    std::shared_ptr<Shared> shared_;
};

} // namespace vantrel

#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vantrel::testing {

/// A program run by a test as a user would run it: its standard output and
/// standard error read through pipes, line by line, while it runs. The
/// destructor kills it (SIGKILL) if it still runs and reaps it; should the
/// test process die first, the kernel kills it too (parent-death signal).
/// Create it on the test's main thread.
class ChildProcess {
public:
    enum class Stream { Out, Err };

    /// Starts `argv[0]` (searched in PATH when it has no slash) in
    /// `workDir` (the current folder when empty), with standard input from
    /// /dev/null. Throws std::runtime_error when it cannot be started.
    explicit ChildProcess(std::vector<std::string> argv, const std::string& workDir = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return pid_; }

    /// Waits up to `timeout` for a complete line of `stream` for which
    /// `wanted` is true, reading both streams meanwhile; the line, or
    /// nothing when none came (or the program ended first).
    std::optional<std::string> WaitForLine(Stream stream,
                                           const std::function<bool(const std::string&)>& wanted,
                                           std::chrono::milliseconds timeout);

    /// Every complete line read so far from `stream`.
    const std::vector<std::string>& Lines(Stream stream) const;

    /// Sends `signal`.
    void Signal(int signal);

    /// Waits up to `timeout` for the program to end, reading its output
    /// meanwhile: its exit status, -signal when a signal ended it, nothing
    /// when it still runs.
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout);

    /// Whether it still runs (reaping it when it has ended).
    bool Running();

private:
    /// Reads what is available from both pipes for up to `timeout`.
    void Pump(std::chrono::milliseconds timeout);
    void Reap(bool block);

    pid_t pid_ = -1;
    std::optional<int> exit_;
    int fd_[2] = {-1, -1};
    std::string partial_[2];
    std::vector<std::string> lines_[2];
};

} // namespace vantrel::testing

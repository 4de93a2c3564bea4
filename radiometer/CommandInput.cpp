#include "radiometer/CommandInput.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace vantrel {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWaitMs = 100;
constexpr auto kEndGrace = std::chrono::seconds(1);
constexpr auto kReapStep = std::chrono::milliseconds(10);
/// A line longer than this without a line break is not a reading.
constexpr std::size_t kLongestLine = 4096;
constexpr int kNotedBadLines = 10;
constexpr int kShellNotFound = 127;
constexpr int kShellCannotRun = 126;

std::string FormatSeconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", s);
    return text;
}

/// Puts `c` in `line`, or ends the line on a line break; true when a
/// complete line is there.
class LineSplitter {
public:
    /// Feeds `data`; calls `line` for each complete line (without its break)
    /// and `tooLong` once for a line cut at kLongestLine.
    template <typename OnLine> void Feed(std::string_view data, OnLine&& line) {
        for (const char c : data) {
            if (c == '\n') {
                if (!skipping_) {
                    line(std::string_view(partial_), false);
                }
                partial_.clear();
                skipping_ = false;
            } else if (!skipping_) {
                partial_ += c;
                if (partial_.size() > kLongestLine) {
                    line(std::string_view(partial_), true);
                    partial_.clear();
                    skipping_ = true;
                }
            }
        }
    }

private:
    std::string partial_;
    bool skipping_ = false;
};

class CommandInput final : public PowerInput {
public:
    explicit CommandInput(CommandSettings settings) : settings_(std::move(settings)) {}
    ~CommandInput() override { Close(); }
    CommandInput(const CommandInput&) = delete;
    CommandInput& operator=(const CommandInput&) = delete;

    InputError Open(StreamDescription& description) override {
        if (settings_.Command.empty()) {
            return InputError::Refused("No command is given.");
        }
        int out[2] = {-1, -1};
        int err[2] = {-1, -1};
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
            const int e = errno;
            CloseFds(out);
            CloseFds(err);
            return InputError::Retry(std::string("Cannot start the command: ") + std::strerror(e) +
                                     ".");
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        // Its own process group, so that ending it ends what it started; the
        // signals the caller blocks or ignores (the tool blocks SIGINT and
        // SIGTERM, ignores SIGPIPE) are the defaults again in the command.
        sigset_t none;
        sigemptyset(&none);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (int s : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
            sigaddset(&defaults, s);
        }
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setpgroup(&attributes, 0);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                                  POSIX_SPAWN_SETSIGDEF);
        const char* argv[] = {"sh", "-c", settings_.Command.c_str(), nullptr};
        pid_t pid = -1;
        const int spawned = ::posix_spawn(&pid, "/bin/sh", &actions, &attributes,
                                          const_cast<char* const*>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        ::close(out[1]);
        ::close(err[1]);
        if (spawned != 0) {
            ::close(out[0]);
            ::close(err[0]);
            return InputError::Refused(std::string("Cannot start the command: ") +
                                       std::strerror(spawned) + ".");
        }
        pid_ = pid;
        out_ = out[0];
        err_ = err[0];
        badLines_ = 0;
        lineNumber_ = 0;
        readings_ = 0;
        stdout_ = {};
        stderr_ = {};

        description.What = StreamDescription::Kind::Readings;
        description.Unit = std::string(ReadingUnitDb(settings_.Unit));
        description.Device = settings_.Command;
        description.PollS = settings_.PollS;
        description.Summary = "Command '" + settings_.Command + "', column " +
                              std::to_string(settings_.Column) + ", readings in " +
                              (settings_.Unit == ReadingUnit::Watt        ? "W"
                               : settings_.Unit == ReadingUnit::Milliwatt ? "mW"
                                                                          : description.Unit);
        return {};
    }

    InputError Read(SampleSink& sink) override {
        pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
        const int ready = ::poll(fds, 2, kWaitMs);
        if (ready < 0) {
            return errno == EINTR ? InputError{} : Ended(sink);
        }
        char buffer[4096];
        if (err_ >= 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            ReadStandardError(sink);
        }
        if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            const ssize_t n = ::read(out_, buffer, sizeof buffer);
            if (n > 0) {
                stdout_.Feed(
                    {buffer, static_cast<std::size_t>(n)},
                    [&](std::string_view line, bool tooLong) { Line(sink, line, tooLong); });
            } else if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) {
                return Ended(sink);
            }
        }
        return {};
    }

    void Close() override {
        if (pid_ > 0) {
            ::kill(-pid_, SIGTERM);
            WaitForExit(Clock::now() + kEndGrace);
            Reap();
        }
        if (out_ >= 0) {
            ::close(out_);
            out_ = -1;
        }
        if (err_ >= 0) {
            ::close(err_);
            err_ = -1;
        }
    }

private:
    static void CloseFds(int (&fds)[2]) {
        for (int& fd : fds) {
            if (fd >= 0) {
                ::close(fd);
                fd = -1;
            }
        }
    }

    void Line(SampleSink& sink, std::string_view line, bool tooLong) {
        ++lineNumber_;
        LineReading reading;
        if (tooLong) {
            reading.Problem = "it is longer than 4096 bytes";
        } else {
            reading = ParseReadingLine(line, settings_.Unit, settings_.Column);
        }
        if (reading.Linear) {
            ++readings_;
            sink.Reading(*reading.Linear);
            return;
        }
        if (reading.Problem.empty()) {
            return;
        }
        ++badLines_;
        if (badLines_ <= kNotedBadLines) {
            constexpr std::size_t kQuoted = 60;
            std::string quoted(line.substr(0, kQuoted));
            if (line.size() > kQuoted) {
                quoted += "...";
            }
            sink.Note("Line " + std::to_string(lineNumber_) + " of the command, '" + quoted +
                      "', holds no reading: " + reading.Problem +
                      (badLines_ == kNotedBadLines ? ". Further such lines are not shown." : "."));
        }
    }

    void ReadStandardError(SampleSink& sink) {
        char buffer[4096];
        const ssize_t n = ::read(err_, buffer, sizeof buffer);
        if (n > 0) {
            stderr_.Feed({buffer, static_cast<std::size_t>(n)}, [&](std::string_view line, bool) {
                sink.Note("The command says: " + std::string(line));
            });
        } else if (n == 0 || errno != EINTR) {
            ::close(err_);
            err_ = -1;
        }
    }

    /// Waits until the command has ended, without reaping it (its process
    /// group stays reserved meanwhile); true when it has.
    bool WaitForExit(Clock::time_point limit) const {
        for (;;) {
            siginfo_t info{};
            if (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
                return true; // not our child any more
            }
            if (info.si_pid == pid_) {
                return true;
            }
            if (Clock::now() >= limit) {
                return false;
            }
            std::this_thread::sleep_for(kReapStep);
        }
    }

    /// Ends what is left of the command's process group, then reaps the
    /// command; its wait status.
    int Reap() {
        ::kill(-pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }

    /// The command's standard output has closed: it has ended (or is about
    /// to); its exit status says how.
    InputError Ended(SampleSink& sink) {
        const bool ended = WaitForExit(Clock::now() + kEndGrace);
        while (err_ >= 0) {
            pollfd fd{err_, POLLIN, 0};
            if (::poll(&fd, 1, 0) <= 0) {
                break;
            }
            ReadStandardError(sink);
        }
        if (!ended) {
            return InputError::Retry("The command closed its output but runs on: it is ended and "
                                     "started again.");
        }
        const int status = Reap();
        if (WIFEXITED(status)) {
            const int code = WEXITSTATUS(status);
            if (code == kShellNotFound || code == kShellCannotRun) {
                return InputError::Refused(
                    "The command cannot be run (exit status " + std::to_string(code) +
                    (code == kShellNotFound ? ": not found" : ": not executable") +
                    "). Check its name and path, and that it runs in a terminal.");
            }
            if (code == 0 && readings_ > 0) {
                return InputError::Polled(
                    "The command printed its reading(s) and exited: it is a polled meter, run "
                    "again " +
                    (settings_.PollS > 0 ? "every " + FormatSeconds(settings_.PollS) + " s"
                                         : std::string("as soon as it ends")) +
                    ", its readings averaged over the blocks.");
            }
            return InputError::Retry("The command exited with status " + std::to_string(code) +
                                     (code == 0 ? " without printing a reading" : "") +
                                     ". It is started again.");
        }
        return InputError::Retry("The command was ended by signal " +
                                 std::to_string(WTERMSIG(status)) + ". It is started again.");
    }

    CommandSettings settings_;
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    LineSplitter stdout_;
    LineSplitter stderr_;
    int badLines_ = 0;
    long long lineNumber_ = 0;
    long long readings_ = 0; ///< readings of this run
};

} // namespace

std::unique_ptr<PowerInput> MakeCommandInput(const CommandSettings& settings) {
    return std::make_unique<CommandInput>(settings);
}

} // namespace vantrel

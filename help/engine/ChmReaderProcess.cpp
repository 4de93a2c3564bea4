#include "help/engine/ChmReaderProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <thread>

extern char** environ;

namespace vantrel {

namespace {

using Clock = std::chrono::steady_clock;

/// Longest single wait, so that a request to give up is seen soon.
constexpr std::chrono::milliseconds kPollSlice{20};
/// Bytes read from the pipe at a time.
constexpr std::size_t kChunkBytes = std::size_t{64} * 1024;

/// A file descriptor closed when it goes.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { Reset(); }
    int Get() const { return fd_; }
    void Reset() {
        if (fd_ >= 0) {
            close(fd_);
            fd_ = -1;
        }
    }

private:
    int fd_ = -1;
};

/// The spawn attributes and file actions, released when they go.
class SpawnSetup {
public:
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    posix_spawn_file_actions_t actions{};
    posix_spawnattr_t attributes{};
};

/// Starts the reader with its standard output on `outWrite`, its input and
/// errors on /dev/null and no other descriptor of this process; the signal
/// mask and dispositions are the defaults whatever this process has set.
int Spawn(const std::string& program, const std::string& chmPath, int outWrite, pid_t& pid) {
    SpawnSetup setup;
    int error =
        posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (error == 0) {
        error = posix_spawn_file_actions_adddup2(&setup.actions, outWrite, STDOUT_FILENO);
    }
    if (error == 0) {
        error = posix_spawn_file_actions_addopen(&setup.actions, STDERR_FILENO, "/dev/null",
                                                 O_WRONLY, 0);
    }
    if (error == 0) {
        error = posix_spawn_file_actions_addclosefrom_np(&setup.actions, STDERR_FILENO + 1);
    }
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    if (error == 0) {
        error = posix_spawnattr_setsigmask(&setup.attributes, &none);
    }
    if (error == 0) {
        error = posix_spawnattr_setsigdefault(&setup.attributes, &all);
    }
    if (error == 0) {
        error = posix_spawnattr_setflags(&setup.attributes,
                                         POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    if (error != 0) {
        return error;
    }
    std::string arg0 = program;
    std::string arg1 = chmPath;
    char* argv[] = {arg0.data(), arg1.data(), nullptr};
    return posix_spawn(&pid, program.c_str(), &setup.actions, &setup.attributes, argv, environ);
}

/// The wait status of a reader that this process could not wait for.
constexpr int kUnseen = -1;

/// How the reader ended (a wait status, or `kUnseen`); empty while it runs.
std::optional<int> Reap(pid_t pid, bool block) {
    for (;;) {
        int status = 0;
        const pid_t got = waitpid(pid, &status, block ? 0 : WNOHANG);
        if (got == pid) {
            return status;
        }
        if (got == 0) {
            return std::nullopt;
        }
        if (errno != EINTR) {
            // Someone else reaped it (SIGCHLD ignored): nothing more to learn.
            return kUnseen;
        }
    }
}

std::string Describe(int status) {
    if (status == kUnseen) {
        return "reader ended unseen";
    }
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        const char* name = sigdescr_np(signal);
        return "reader killed by signal " + std::to_string(signal) +
               (name != nullptr ? std::string(" (") + name + ")" : std::string());
    }
    if (WIFEXITED(status)) {
        return "reader exited with status " + std::to_string(WEXITSTATUS(status));
    }
    return "reader ended with status " + std::to_string(status);
}

ChmReadResult Failure(ChmReadStatus status, std::string detail) {
    ChmReadResult result;
    result.Status = status;
    result.Detail = std::move(detail);
    return result;
}

} // namespace

ChmReadResult ReadChmObjects(const std::string& chmPath, const ChmReaderOptions& options) {
    if (options.Program.empty()) {
        return Failure(ChmReadStatus::ReaderMissing, "no reader program");
    }
    int pipeEnds[2] = {-1, -1};
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        return Failure(ChmReadStatus::ReaderMissing,
                       std::string("no pipe: ") + std::strerror(errno));
    }
    Fd outRead(pipeEnds[0]);
    Fd outWrite(pipeEnds[1]);
    pid_t pid = -1;
    if (const int error = Spawn(options.Program, chmPath, outWrite.Get(), pid); error != 0) {
        return Failure(ChmReadStatus::ReaderMissing, options.Program + ": " + std::strerror(error));
    }
    outWrite.Reset(); // the reader's end: end of file comes when the reader closes it

    const auto deadline = Clock::now() + options.TimeLimit;
    const auto cancelled = [&] {
        return options.Cancel != nullptr && options.Cancel->load(std::memory_order_relaxed);
    };
    std::string stream;
    std::string trouble; // why the reader is stopped, empty while all is well
    bool gaveUp = false; // on request
    bool endOfFile = false;
    while (!endOfFile && trouble.empty()) {
        const auto now = Clock::now();
        if (cancelled()) {
            gaveUp = true;
            trouble = "cancelled";
            break;
        }
        if (now >= deadline) {
            trouble =
                "reader took longer than " + std::to_string(options.TimeLimit.count()) + " ms";
            break;
        }
        const auto wait =
            std::min(kPollSlice, std::chrono::ceil<std::chrono::milliseconds>(deadline - now));
        pollfd p{outRead.Get(), POLLIN, 0};
        const int ready = poll(&p, 1, static_cast<int>(wait.count()));
        if (ready < 0 && errno != EINTR) {
            trouble = std::string("poll: ") + std::strerror(errno);
        }
        if (ready <= 0) {
            continue;
        }
        char chunk[kChunkBytes];
        const ssize_t got = read(outRead.Get(), chunk, sizeof chunk);
        if (got == 0) {
            endOfFile = true;
        } else if (got < 0) {
            if (errno != EINTR && errno != EAGAIN) {
                trouble = std::string("read: ") + std::strerror(errno);
            }
        } else if (stream.size() + static_cast<std::size_t>(got) > options.MaxStreamBytes) {
            trouble = "reader wrote more than the limits allow";
        } else {
            stream.append(chunk, static_cast<std::size_t>(got));
        }
    }
    outRead.Reset();

    // A reader that has closed its output still gets until the deadline to
    // exit; one that is stopped is killed at once.
    std::optional<int> status;
    if (trouble.empty()) {
        auto pause = std::chrono::milliseconds(1);
        while (!(status = Reap(pid, false)) && Clock::now() < deadline && !cancelled()) {
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, kPollSlice);
        }
        if (!status) {
            gaveUp = cancelled();
            trouble = gaveUp ? "cancelled" : "reader did not exit in time";
        }
    }
    if (!status) {
        kill(pid, SIGKILL);
        status = Reap(pid, true);
    }

    if (gaveUp) {
        return Failure(ChmReadStatus::Cancelled, trouble);
    }
    if (!trouble.empty()) {
        return Failure(ChmReadStatus::Damaged, trouble);
    }
    const bool exitedWell = *status != kUnseen && WIFEXITED(*status);
    const int exitCode = exitedWell ? WEXITSTATUS(*status) : -1;
    if (exitCode == kChmReaderCannotOpen) {
        return Failure(ChmReadStatus::CannotOpen, Describe(*status));
    }
    // Without an exit status (reaped elsewhere) only a whole stream counts.
    if (*status != kUnseen && exitCode != kChmReaderRead) {
        return Failure(ChmReadStatus::Damaged, Describe(*status));
    }
    std::optional<std::vector<ChmObject>> objects = ParseChmObjectStream(stream);
    if (!objects) {
        return Failure(ChmReadStatus::Damaged,
                       "malformed stream of " + std::to_string(stream.size()) + " bytes");
    }
    ChmReadResult result;
    result.Status = ChmReadStatus::Read;
    result.Objects = std::move(*objects);
    result.Detail = Describe(*status);
    return result;
}

} // namespace vantrel

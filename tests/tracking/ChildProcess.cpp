#include "ChildProcess.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vantrel::testing {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr std::size_t kReadChunk = 4096;

int Index(ChildProcess::Stream s) {
    return s == ChildProcess::Stream::Out ? 0 : 1;
}

} // namespace

ChildProcess::ChildProcess(std::vector<std::string> argv, const std::string& workDir) {
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        throw std::runtime_error("ChildProcess: no pipe");
    }
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        throw std::runtime_error("ChildProcess: no pipe");
    }
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (std::string& a : argv) {
        args.push_back(a.data());
    }
    args.push_back(nullptr);
    const pid_t parent = ::getpid();

    pid_ = ::fork();
    if (pid_ < 0) {
        throw std::runtime_error("ChildProcess: fork failed");
    }
    if (pid_ == 0) {
        // Only async-signal-safe calls between fork and exec.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        // The test runner may block signals; the program must get them.
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        const int null = ::open("/dev/null", O_RDONLY);
        if (null >= 0) {
            ::dup2(null, STDIN_FILENO);
        }
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        if (!workDir.empty() && ::chdir(workDir.c_str()) != 0) {
            ::_exit(126);
        }
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    fd_[0] = out[0];
    fd_[1] = err[0];
}

ChildProcess::~ChildProcess() {
    if (!exit_ && pid_ > 0) {
        ::kill(pid_, SIGKILL);
        Reap(true);
    }
    for (int& fd : fd_) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void ChildProcess::Pump(milliseconds timeout) {
    std::array<pollfd, 2> polls{};
    int n = 0;
    std::array<int, 2> which{};
    for (int i = 0; i < 2; ++i) {
        if (fd_[i] >= 0) {
            polls[n] = {fd_[i], POLLIN, 0};
            which[n++] = i;
        }
    }
    if (n == 0) {
        ::usleep(static_cast<useconds_t>(timeout.count() * 1000));
        return;
    }
    if (::poll(polls.data(), static_cast<nfds_t>(n), static_cast<int>(timeout.count())) <= 0) {
        return;
    }
    for (int k = 0; k < n; ++k) {
        if ((polls[k].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
            continue;
        }
        const int i = which[k];
        char buffer[kReadChunk];
        const ssize_t got = ::read(fd_[i], buffer, sizeof buffer);
        if (got <= 0) {
            if (got == 0 || errno != EINTR) {
                ::close(fd_[i]);
                fd_[i] = -1;
            }
            continue;
        }
        partial_[i].append(buffer, static_cast<std::size_t>(got));
        for (std::size_t nl; (nl = partial_[i].find('\n')) != std::string::npos;) {
            lines_[i].push_back(partial_[i].substr(0, nl));
            partial_[i].erase(0, nl + 1);
        }
    }
}

std::optional<std::string>
ChildProcess::WaitForLine(Stream stream, const std::function<bool(const std::string&)>& wanted,
                          milliseconds timeout) {
    const int i = Index(stream);
    std::size_t seen = 0;
    const auto limit = Clock::now() + timeout;
    for (;;) {
        for (; seen < lines_[i].size(); ++seen) {
            if (wanted(lines_[i][seen])) {
                return lines_[i][seen];
            }
        }
        const auto left = std::chrono::duration_cast<milliseconds>(limit - Clock::now());
        if (left <= milliseconds{0} || (fd_[0] < 0 && fd_[1] < 0)) {
            return std::nullopt;
        }
        Pump(std::min(left, milliseconds{50}));
    }
}

const std::vector<std::string>& ChildProcess::Lines(Stream stream) const {
    return lines_[Index(stream)];
}

void ChildProcess::Signal(int signal) {
    if (!exit_ && pid_ > 0) {
        ::kill(pid_, signal);
    }
}

void ChildProcess::Reap(bool block) {
    if (exit_ || pid_ <= 0) {
        return;
    }
    int status = 0;
    const pid_t r = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
    if (r == pid_) {
        exit_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    }
}

std::optional<int> ChildProcess::WaitForExit(milliseconds timeout) {
    const auto limit = Clock::now() + timeout;
    for (;;) {
        Reap(false);
        if (exit_) {
            // What it wrote last is still in the pipes (bounded: a
            // descendant may hold them open).
            const auto drainLimit = Clock::now() + milliseconds{1000};
            while ((fd_[0] >= 0 || fd_[1] >= 0) && Clock::now() < drainLimit) {
                Pump(milliseconds{10});
            }
            return exit_;
        }
        if (Clock::now() >= limit) {
            return std::nullopt;
        }
        Pump(milliseconds{20});
    }
}

bool ChildProcess::Running() {
    Reap(false);
    return !exit_;
}

} // namespace vantrel::testing

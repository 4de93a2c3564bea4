#pragma once

// Runs a piece of a test in a child process without root's power to ignore
// permissions, so that the mode bits of a folder or a file really hold when
// the tests run as root (as user and group "nobody" then).

#include <functional>

#include <sys/wait.h>
#include <unistd.h>

namespace vantrel::test {

/// Exit status of a child that could not give up root's powers.
inline constexpr int kStillRoot = 100;

/// Runs `work` in a child process and returns its result as the child's exit
/// status (0 to 99), `kStillRoot` when root's powers could not be given up,
/// or −1 when the child did not end normally.
inline int RunWithoutRootPowers(const std::function<int()>& work) {
    const pid_t child = ::fork();
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
            ::_exit(kStillRoot);
        }
        ::_exit(work());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

} // namespace vantrel::test

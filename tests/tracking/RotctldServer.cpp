#include "RotctldServer.h"

#include "LoopbackPort.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vantrel::testing {

namespace {

using namespace std::chrono_literals;

constexpr auto kStartLimit = 5s; ///< for rotctld to accept connections
constexpr auto kEndGrace = 1s;   ///< between SIGTERM and SIGKILL
constexpr auto kPollStep = 10ms; ///< between checks while waiting
constexpr int kPortAttempts = 5; ///< another process may take the free port first

/// Reaps `pid` if it has ended; true then.
bool Reaped(pid_t pid) {
    int status = 0;
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    return r == pid || (r < 0 && errno == ECHILD);
}

/// The inode of the socket listening on 127.0.0.1:`port`, from the kernel's
/// table of TCP sockets; 0 when there is none.
unsigned long ListeningInode(int port) {
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line); // the column titles
    char wanted[16];
    std::snprintf(wanted, sizeof wanted, "0100007F:%04X", static_cast<unsigned>(port));
    constexpr const char* kListen = "0A";
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout;
        unsigned long inode = 0;
        fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >>
            timeout >> inode;
        if (fields && local == wanted && state == kListen) {
            return inode;
        }
    }
    return 0;
}

/// True when process `pid` holds the socket listening on 127.0.0.1:`port`.
/// A connection that is accepted does not tell whose server accepted it:
/// a test running in parallel may have taken the port first.
bool ListensOn(pid_t pid, int port) {
    const unsigned long inode = ListeningInode(port);
    if (inode == 0) {
        return false;
    }
    const std::string socket = "socket:[" + std::to_string(inode) + "]";
    const std::filesystem::path fds = "/proc/" + std::to_string(pid) + "/fd";
    std::error_code error;
    for (const auto& fd : std::filesystem::directory_iterator(fds, error)) {
        std::error_code readError;
        if (std::filesystem::read_symlink(fd.path(), readError).string() == socket) {
            return true;
        }
    }
    return false;
}

} // namespace

RotctldServer::RotctldServer(int model, std::string program) {
    for (int attempt = 0; attempt < kPortAttempts; ++attempt) {
        if (Start(model, program)) {
            return;
        }
    }
    throw std::runtime_error(program + " does not start on a loopback port (is libhamlib-utils "
                                       "installed?)");
}

RotctldServer::~RotctldServer() {
    End();
}

std::string RotctldServer::Address() const {
    return "127.0.0.1:" + std::to_string(port_);
}

bool RotctldServer::Start(int model, const std::string& program) {
    port_ = FreeLoopbackPort();
    const std::string modelText = std::to_string(model);
    const std::string portText = std::to_string(port_);
    const pid_t parent = ::getpid();

    pid_ = ::fork();
    if (pid_ < 0) {
        throw std::runtime_error("RotctldServer: fork failed");
    }
    if (pid_ == 0) {
        // Only async-signal-safe calls between fork and exec.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, STDIN_FILENO);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
        }
        const char* argv[] = {program.c_str(), "-m", modelText.c_str(), "-T",
                              "127.0.0.1",     "-t", portText.c_str(),  nullptr};
        ::execvp(program.c_str(), const_cast<char* const*>(argv));
        ::_exit(127);
    }

    const auto limit = std::chrono::steady_clock::now() + kStartLimit;
    while (std::chrono::steady_clock::now() < limit) {
        if (Reaped(pid_)) {
            pid_ = -1; // ended early: the port was taken, or no rotctld
            return false;
        }
        if (ListensOn(pid_, port_) && LoopbackAccepts(port_)) {
            return true;
        }
        std::this_thread::sleep_for(kPollStep);
    }
    End();
    return false;
}

void RotctldServer::End() {
    if (pid_ <= 0) {
        return;
    }
    ::kill(pid_, SIGTERM);
    const auto limit = std::chrono::steady_clock::now() + kEndGrace;
    while (!Reaped(pid_)) {
        if (std::chrono::steady_clock::now() >= limit) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            ::waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(kPollStep);
    }
    pid_ = -1;
}

} // namespace vantrel::testing

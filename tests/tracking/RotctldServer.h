#pragma once

#include <string>
#include <sys/types.h>

namespace vantrel::testing {

/// A real Hamlib `rotctld` serving one rotator model (1, the dummy, by
/// default) on 127.0.0.1 at a free port, for tests of clients that talk to
/// it over TCP. The constructor returns once the server accepts connections;
/// the destructor ends the process (SIGTERM, then SIGKILL after a second)
/// and reaps it. Should the test process die without running destructors,
/// the kernel ends the server too (parent-death signal), so no server
/// outlives its test.
///
/// Create it on the thread that lives longest (the test's main thread): the
/// parent-death signal follows the creating thread.
class RotctldServer {
public:
    /// Throws std::runtime_error when rotctld cannot be started or does not
    /// accept connections within five seconds. `program` may name Hamlib's
    /// rigctld instead, which takes the same options (model 1: the dummy rig).
    explicit RotctldServer(int model = 1, std::string program = "rotctld");
    ~RotctldServer();
    RotctldServer(const RotctldServer&) = delete;
    RotctldServer& operator=(const RotctldServer&) = delete;

    int Port() const { return port_; }
    /// "127.0.0.1:PORT", as Hamlib's network rotator (model 2) takes it.
    std::string Address() const;
    pid_t Pid() const { return pid_; }

private:
    bool Start(int model, const std::string& program);
    void End();

    int port_ = 0;
    pid_t pid_ = -1;
};

} // namespace vantrel::testing

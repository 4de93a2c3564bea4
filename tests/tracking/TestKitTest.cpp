// The test helpers themselves: a real rotctld comes up on loopback, answers,
// and is gone (killed and reaped) after its owner; the misbehaving server
// goes away and comes back on its port.

#include "FakeRotctld.h"
#include "LoopbackPort.h"
#include "RotctldServer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace vantrel::testing {
namespace {

/// Sends one command line to 127.0.0.1:`port` and returns what arrives
/// within half a second.
std::string Ask(int port, const std::string& line) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    std::string answer;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        const timeval wait{0, 500000};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        const std::string text = line + "\n";
        (void)::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
        char buffer[256];
        ssize_t n;
        while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0) {
            answer.append(buffer, static_cast<std::size_t>(n));
            if (answer.find('\n') != std::string::npos &&
                (line != "p" || answer.find('\n') != answer.rfind('\n'))) {
                break;
            }
        }
    }
    ::close(fd);
    return answer;
}

TEST(RotctldServer, AnswersOnLoopbackAndIsReapedAfterwards) {
    pid_t pid = -1;
    int port = 0;
    {
        const RotctldServer server;
        pid = server.Pid();
        port = server.Port();
        EXPECT_EQ(server.Address(), "127.0.0.1:" + std::to_string(port));
        EXPECT_EQ(Ask(port, "_"), "Dummy rotator\n");
        EXPECT_EQ(Ask(port, "P 3 2"), "RPRT 0\n");
    }
    // Reaped: no such process any more (a zombie would still answer kill 0).
    EXPECT_EQ(::kill(pid, 0), -1);
    EXPECT_EQ(errno, ESRCH);
    EXPECT_FALSE(LoopbackAccepts(port));
}

TEST(RotctldServer, TwoAtOnceGetTheirOwnPorts) {
    const RotctldServer a;
    const RotctldServer b;
    EXPECT_NE(a.Port(), b.Port());
    EXPECT_EQ(Ask(b.Port(), "_"), "Dummy rotator\n");
}

TEST(FakeRotctld, AnswersFailsAndGoesAwayOnRequest) {
    FakeRotctld server;
    EXPECT_EQ(Ask(server.Port(), "P 10.5 4"), "RPRT 0\n");
    EXPECT_EQ(Ask(server.Port(), "p"), "10.500000\n4.000000\n");
    server.Behave(FakeRotctld::Behaviour::Fail);
    EXPECT_EQ(Ask(server.Port(), "p"), "RPRT -6\n");
    server.Behave(FakeRotctld::Behaviour::Silent);
    EXPECT_EQ(Ask(server.Port(), "p"), "");

    server.GoAway();
    EXPECT_FALSE(LoopbackAccepts(server.Port()));
    ASSERT_TRUE(server.Resume());
    server.Behave(FakeRotctld::Behaviour::Answer);
    EXPECT_EQ(Ask(server.Port(), "S"), "RPRT 0\n");
    EXPECT_GE(server.Connections().size(), 5u);
}

} // namespace
} // namespace vantrel::testing

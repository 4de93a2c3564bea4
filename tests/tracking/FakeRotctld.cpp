#include "FakeRotctld.h"

#include <arpa/inet.h>
#include <cstdint>
#include <cstdio>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace vantrel::testing {

namespace {

/// How often the server thread looks at its orders, milliseconds.
constexpr int kPollMs = 5;

/// What rotctld 4.5 answers to "\dump_state" for the dummy rotator.
constexpr const char* kDumpState = "1\n1\nmin_az=-180.000000\nmax_az=450.000000\n"
                                   "min_el=0.000000\nmax_el=90.000000\nsouth_zero=0\n"
                                   "rot_type=AzEl\ndone\n";

void Send(int fd, const std::string& text) {
    // MSG_NOSIGNAL: a client that has gone must not end the test with SIGPIPE.
    (void)::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", value);
    return text;
}

} // namespace

FakeRotctld::FakeRotctld() {
    // Bound at port 0 and kept: a port first found free and bound later
    // could be taken in between by a test running in parallel.
    if (!Listen()) {
        throw std::runtime_error("FakeRotctld: cannot listen on 127.0.0.1");
    }
    thread_ = std::thread([this] { Run(); });
}

FakeRotctld::~FakeRotctld() {
    quit_ = true;
    thread_.join();
    for (const Client& client : clients_) {
        ::close(client.Fd);
    }
    if (listener_ >= 0) {
        ::close(listener_);
    }
}

std::string FakeRotctld::Address() const {
    return "127.0.0.1:" + std::to_string(port_);
}

void FakeRotctld::Behave(Behaviour behaviour, int n) {
    const std::lock_guard lock(mutex_);
    behaviour_ = behaviour;
    closeAfter_ = n;
}

void FakeRotctld::GoAway() {
    {
        const std::lock_guard lock(mutex_);
        goAway_ = true;
    }
    // Wait until the thread has closed the port, so the caller's next
    // connection is refused.
    for (;;) {
        {
            const std::lock_guard lock(mutex_);
            if (!goAway_) {
                return;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
}

bool FakeRotctld::Resume() {
    {
        const std::lock_guard lock(mutex_);
        resume_ = true;
    }
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < limit) {
        {
            const std::lock_guard lock(mutex_);
            if (!resume_) {
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
    const std::lock_guard lock(mutex_);
    resume_ = false;
    return listener_ >= 0;
}

std::vector<std::chrono::steady_clock::time_point> FakeRotctld::Connections() const {
    const std::lock_guard lock(mutex_);
    return connections_;
}

std::vector<std::string> FakeRotctld::Commands() const {
    const std::lock_guard lock(mutex_);
    return commands_;
}

bool FakeRotctld::Listen() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port_));
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return false;
    }
    port_ = ntohs(address.sin_port);
    listener_ = fd;
    return true;
}

void FakeRotctld::Run() {
    while (!quit_) {
        {
            std::unique_lock lock(mutex_);
            if (goAway_) {
                for (const Client& client : clients_) {
                    ::close(client.Fd);
                }
                clients_.clear();
                if (listener_ >= 0) {
                    ::close(listener_);
                    listener_ = -1;
                }
                goAway_ = false;
            }
            if (resume_ && listener_ < 0) {
                // Tried again next round should the port be taken meanwhile.
                if (Listen()) {
                    resume_ = false;
                }
            }
        }

        std::vector<pollfd> fds;
        if (listener_ >= 0) {
            fds.push_back({listener_, POLLIN, 0});
        }
        for (const Client& client : clients_) {
            fds.push_back({client.Fd, POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), kPollMs) <= 0) {
            continue;
        }

        std::size_t next = 0;
        if (listener_ >= 0) {
            if ((fds[next++].revents & POLLIN) != 0) {
                const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd >= 0) {
                    clients_.push_back({fd, {}, 0});
                    const std::lock_guard lock(mutex_);
                    connections_.push_back(std::chrono::steady_clock::now());
                }
            }
        }
        // Clients accepted just now are not in `fds`; they wait for the next round.
        std::vector<Client> kept;
        for (std::size_t i = 0; next + i < fds.size(); ++i) {
            Client& client = clients_[i];
            bool open = true;
            if ((fds[next + i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                char buffer[512];
                const ssize_t n = ::recv(client.Fd, buffer, sizeof buffer, 0);
                if (n <= 0) {
                    open = false;
                } else {
                    client.Pending.append(buffer, static_cast<std::size_t>(n));
                    std::size_t end;
                    while (open && (end = client.Pending.find('\n')) != std::string::npos) {
                        std::string line = client.Pending.substr(0, end);
                        client.Pending.erase(0, end + 1);
                        if (!line.empty() && line.back() == '\r') {
                            line.pop_back();
                        }
                        open = Handle(client, line);
                    }
                }
            }
            if (open) {
                kept.push_back(client);
            } else {
                ::close(client.Fd);
            }
        }
        for (std::size_t i = fds.size() - next; i < clients_.size(); ++i) {
            kept.push_back(clients_[i]);
        }
        clients_ = std::move(kept);
    }
}

bool FakeRotctld::Handle(Client& client, const std::string& line) {
    Behaviour behaviour;
    int closeAfter;
    {
        const std::lock_guard lock(mutex_);
        commands_.push_back(line);
        behaviour = behaviour_;
        closeAfter = closeAfter_;
    }
    if (behaviour == Behaviour::Silent) {
        return true;
    }
    if (line == "\\dump_state") {
        Send(client.Fd, kDumpState);
        return true;
    }
    if (line == "q" || line == "Q") {
        return false;
    }
    if (behaviour == Behaviour::Fail) {
        Send(client.Fd, "RPRT -6\n");
        return true;
    }
    if (behaviour == Behaviour::CloseAfter && client.Answered >= closeAfter) {
        return false;
    }
    ++client.Answered;
    if (line == "p") {
        Send(client.Fd, Number(azimuthDeg_) + "\n" + Number(elevationDeg_) + "\n");
    } else if (line.rfind("P ", 0) == 0) {
        double az = 0;
        double el = 0;
        if (std::sscanf(line.c_str() + 2, "%lf %lf", &az, &el) == 2) {
            azimuthDeg_ = az;
            elevationDeg_ = el;
            Send(client.Fd, "RPRT 0\n");
        } else {
            Send(client.Fd, "RPRT -1\n");
        }
    } else if (line == "K") {
        azimuthDeg_ = 0;
        elevationDeg_ = 0;
        Send(client.Fd, "RPRT 0\n");
    } else if (line == "S") {
        Send(client.Fd, "RPRT 0\n");
    } else if (line == "_") {
        Send(client.Fd, "Fake rotator\n");
    } else {
        Send(client.Fd, "RPRT -4\n");
    }
    return true;
}

} // namespace vantrel::testing

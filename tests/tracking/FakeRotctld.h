#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vantrel::testing {

/// A rotctld of the tests' own on 127.0.0.1 at a free port, on a thread of
/// its own, that misbehaves on request: to test how clients take errors, a
/// dropped connection and a server that never answers, and how they recover.
///
/// It speaks the part of rotctld's protocol a Hamlib network rotator
/// (model 2) uses: "\dump_state" (answered as rotctld 4.5 answers it for
/// the dummy rotator: azimuth -180..450, elevation 0..90), "p" (two lines,
/// azimuth and elevation), "P az el", "S" and "K" ("RPRT 0"), "_" (the name)
/// and "q" (closes). The rotator it pretends to be moves at once.
class FakeRotctld {
public:
    enum class Behaviour {
        Answer,     ///< answers every command correctly
        Fail,       ///< answers "\dump_state" correctly and every other command "RPRT -6"
        CloseAfter, ///< answers `n` commands after "\dump_state", then closes on the next
        Silent,     ///< accepts connections, reads, never answers
    };

    /// Listens at once; throws std::runtime_error when it cannot.
    FakeRotctld();
    /// Closes every connection and joins the thread.
    ~FakeRotctld();
    FakeRotctld(const FakeRotctld&) = delete;
    FakeRotctld& operator=(const FakeRotctld&) = delete;

    int Port() const { return port_; }
    /// "127.0.0.1:PORT".
    std::string Address() const;

    /// Takes effect with the next command; `n` counts for CloseAfter.
    void Behave(Behaviour behaviour, int n = 0);

    /// Stops listening and closes every connection, as a server that went
    /// away; connections are refused until Resume.
    void GoAway();
    /// Listens again on the same port; false when it is taken by then
    /// (given up after five seconds).
    bool Resume();

    /// Connections accepted so far, and when.
    std::vector<std::chrono::steady_clock::time_point> Connections() const;
    /// Every command line received so far, without its line end.
    std::vector<std::string> Commands() const;

private:
    struct Client {
        int Fd = -1;
        std::string Pending; ///< received, not yet a whole line
        int Answered = 0;    ///< commands answered after "\dump_state"
    };

    /// Listens on 127.0.0.1 at `port_` (0: any free port, then kept in
    /// `port_`); false when the port is taken.
    bool Listen();
    void Run();
    /// Handles one command line; false when the connection is to be closed.
    bool Handle(Client& client, const std::string& line);

    int port_ = 0;
    int listener_ = -1; ///< -1 while gone away
    std::vector<Client> clients_;
    double azimuthDeg_ = 0;
    double elevationDeg_ = 0;

    mutable std::mutex mutex_; ///< guards what the test thread reads or sets
    Behaviour behaviour_ = Behaviour::Answer;
    int closeAfter_ = 0;
    bool goAway_ = false;
    bool resume_ = false;
    std::vector<std::chrono::steady_clock::time_point> connections_;
    std::vector<std::string> commands_;

    std::atomic<bool> quit_{false};
    std::thread thread_;
};

} // namespace vantrel::testing

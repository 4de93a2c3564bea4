// The link on its worker thread: against a real rotctld (convergence, Stop,
// Park, the latest request winning), against a server that fails, drops the
// connection, goes away or never answers (errors reported, growing pauses,
// recovery, a caller never blocked, a bounded shutdown), and against an
// in-process rotator that blocks where the test says.

#include "FakeRotctld.h"
#include "LoopbackPort.h"
#include "RotctldServer.h"

#include "tracking/HamlibRotator.h"
#include "tracking/RotatorLink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vantrel {
namespace {

using namespace std::chrono_literals;
using testing::FakeRotctld;
using Clock = std::chrono::steady_clock;

RotatorLink::Factory Network(const std::string& address, int timeoutMs = 1000) {
    RotatorSettings settings;
    settings.Model = 2;
    settings.Device = address;
    settings.TimeoutMs = timeoutMs;
    return [settings] { return MakeHamlibRotator(settings); };
}

/// Waits until `condition` holds for the link's status, or `limit` passes;
/// returns the last status seen.
RotatorStatus WaitFor(const RotatorLink& link,
                      const std::function<bool(const RotatorStatus&)>& condition,
                      std::chrono::milliseconds limit = 5s) {
    const auto end = Clock::now() + limit;
    RotatorStatus status = link.Status();
    while (!condition(status) && Clock::now() < end) {
        std::this_thread::sleep_for(5ms);
        status = link.Status();
    }
    return status;
}

bool ReportedNear(const RotatorStatus& status, const RotatorPosition& p) {
    return status.Reported && std::abs(status.Reported->AzimuthDeg - p.AzimuthDeg) < 0.1 &&
           std::abs(status.Reported->ElevationDeg - p.ElevationDeg) < 0.1;
}

// --- against a real rotctld serving Hamlib's dummy rotator -------------------

TEST(RotatorLinkRotctld, ConvergesOnTheCommandedPosition) {
    const testing::RotctldServer server;
    RotatorLink link(Network(server.Address()), 50ms);
    const RotatorPosition target{5, 3};
    link.Point(target);
    const RotatorStatus status =
        WaitFor(link, [&](const RotatorStatus& s) { return ReportedNear(s, target); });
    EXPECT_TRUE(ReportedNear(status, target));
    EXPECT_TRUE(status.Connected);
    ASSERT_TRUE(status.Commanded.has_value());
    EXPECT_EQ(*status.Commanded, target);
    EXPECT_TRUE(status.LastError.empty()) << status.LastError;
    EXPECT_EQ(status.ConsecutiveFailures, 0);
    EXPECT_GT(status.Exchanges, 2u);
}

TEST(RotatorLinkRotctld, TheLatestRequestWins) {
    const testing::RotctldServer server;
    RotatorLink link(Network(server.Address()), 50ms);
    link.Point({40, 30});
    link.Point({20, 20});
    link.Point({3, 4});
    const RotatorStatus status = WaitFor(link, [&](const RotatorStatus& s) {
        return ReportedNear(s, {3, 4});
    });
    EXPECT_TRUE(ReportedNear(status, {3, 4}));
    EXPECT_EQ(status.Commanded, (RotatorPosition{3, 4}));
}

TEST(RotatorLinkRotctld, StopHaltsTheRotatorShortOfItsTarget) {
    const testing::RotctldServer server;
    RotatorLink link(Network(server.Address()), 50ms);
    link.Point({90, 60}); // some 15 s away at the dummy's pace
    WaitFor(link, [](const RotatorStatus& s) { return s.Reported && s.Reported->AzimuthDeg > 2; });
    link.Stop();
    const auto stoppedAt = Clock::now();
    // Let the Stop go out, then watch that it stays.
    std::this_thread::sleep_for(200ms);
    const RotatorStatus before =
        WaitFor(link, [&](const RotatorStatus& s) { return s.ReportedAt > stoppedAt + 150ms; });
    std::this_thread::sleep_for(500ms);
    const RotatorStatus after = WaitFor(
        link, [&](const RotatorStatus& s) { return s.ReportedAt > before.ReportedAt + 400ms; });
    ASSERT_TRUE(before.Reported && after.Reported);
    EXPECT_NEAR(after.Reported->AzimuthDeg, before.Reported->AzimuthDeg, 0.01);
    EXPECT_LT(after.Reported->AzimuthDeg, 30);
    EXPECT_TRUE(after.LastError.empty()) << after.LastError;
}

TEST(RotatorLinkRotctld, ParksAtAPositionOrAtTheControllersOwn) {
    const testing::RotctldServer server;
    RotatorLink link(Network(server.Address()), 50ms);
    link.Park(RotatorPosition{4, 1});
    RotatorStatus status = WaitFor(link, [](const RotatorStatus& s) {
        return ReportedNear(s, {4, 1});
    });
    EXPECT_TRUE(ReportedNear(status, {4, 1}));
    EXPECT_EQ(status.Commanded, (RotatorPosition{4, 1}));

    // The dummy's own park position ("K") is azimuth 0, elevation 0.
    link.Park(std::nullopt);
    status = WaitFor(link, [](const RotatorStatus& s) { return ReportedNear(s, {0, 0}); });
    EXPECT_TRUE(ReportedNear(status, {0, 0}));
    EXPECT_FALSE(status.Commanded.has_value()) << "where K parks is the controller's business";
}

TEST(RotatorLinkRotctld, ARefusedPositionIsReportedOnceAndTheLinkGoesOn) {
    const testing::RotctldServer server;
    RotatorLink link(Network(server.Address()), 20ms, RetryPolicy{10ms, 40ms, 2.0});
    link.Point({500, 10}); // beyond the dummy's 450°
    RotatorStatus status =
        WaitFor(link, [](const RotatorStatus& s) { return s.LastErrorCode != 0; });
    EXPECT_EQ(status.LastErrorCode, -1);
    EXPECT_NE(status.LastError.find("refuses azimuth 500.0°"), std::string::npos)
        << status.LastError;
    // Reconnected and polling, without sending the refused position again.
    status = WaitFor(link, [](const RotatorStatus& s) {
        return s.Connected && s.ConsecutiveFailures == 0 && s.Exchanges > 10;
    });
    EXPECT_TRUE(status.Connected);
    EXPECT_EQ(status.ConsecutiveFailures, 0);
    EXPECT_FALSE(status.Commanded.has_value());
    link.Point({2, 1});
    EXPECT_TRUE(ReportedNear(WaitFor(link,
                                     [](const RotatorStatus& s) {
                                         return ReportedNear(s, {2, 1});
                                     }),
                             {2, 1}));
}

// --- against a server that misbehaves ----------------------------------------

TEST(RotatorLinkFake, ReportsTheServersErrorAndPausesLongerEachTime) {
    FakeRotctld server;
    server.Behave(FakeRotctld::Behaviour::Fail);
    const RetryPolicy policy{20ms, 100ms, 2.0};
    RotatorLink link(Network(server.Address()), 20ms, policy);

    // The pause announced after the n-th failure in a row, as the status
    // showed it (a sample may miss a failure on a busy machine, never
    // misreport one).
    const std::vector<std::chrono::milliseconds> expected{20ms, 40ms, 80ms, 100ms, 100ms, 100ms};
    std::vector<std::chrono::milliseconds> seen(expected.size(), 0ms);
    RotatorStatus status;
    const auto end = Clock::now() + 5s;
    while (Clock::now() < end) {
        status = link.Status();
        const int n = status.ConsecutiveFailures;
        if (n > static_cast<int>(expected.size())) {
            break;
        }
        if (n > 0 && status.RetryIn > 0ms) {
            seen[static_cast<std::size_t>(n - 1)] = status.RetryIn;
        }
        std::this_thread::sleep_for(1ms);
    }
    int observed = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (seen[i] > 0ms) {
            ++observed;
            EXPECT_EQ(seen[i], expected[i]) << "after failure " << i + 1;
        }
    }
    EXPECT_GE(observed, 4);
    EXPECT_EQ(status.LastErrorCode, -6);
    EXPECT_EQ(status.LastError,
              "The connection to the rotator at " + server.Address() + " failed (IO error).");
    EXPECT_FALSE(status.Connected);

    // The server saw the pauses too: each reconnection comes no earlier than
    // the pause before it.
    const auto connections = server.Connections();
    ASSERT_GE(connections.size(), 4u);
    for (std::size_t i = 1; i < 4; ++i) {
        EXPECT_GE(connections[i] - connections[i - 1], expected[i - 1] - 2ms) << i;
    }
}

TEST(RotatorLinkFake, APolicyWithoutPauseStillPauses) {
    // Nothing listens there: every attempt fails at once.
    const std::string address = "127.0.0.1:" + std::to_string(testing::FreeLoopbackPort());
    RotatorLink link(Network(address), 10ms, RetryPolicy{0ms, 0ms, 0.5});
    std::this_thread::sleep_for(200ms);
    const RotatorStatus status = link.Status();
    EXPECT_GT(status.ConsecutiveFailures, 10);
    EXPECT_LT(status.Exchanges, 250u) << "at least 1 ms between attempts";
    EXPECT_EQ(status.LastErrorCode, -6);
}

TEST(RotatorLinkFake, RecoversWhenTheServerComesBackAndSendsWhatWasAskedMeanwhile) {
    FakeRotctld server;
    RotatorLink link(Network(server.Address()), 20ms, RetryPolicy{10ms, 40ms, 2.0});
    ASSERT_TRUE(
        WaitFor(link, [](const RotatorStatus& s) { return s.Reported.has_value(); }).Connected);

    server.GoAway();
    RotatorStatus status =
        WaitFor(link, [](const RotatorStatus& s) { return s.ConsecutiveFailures >= 3; });
    EXPECT_FALSE(status.Connected);
    EXPECT_EQ(status.LastErrorCode, -6);
    EXPECT_NE(status.LastError.find(server.Address()), std::string::npos) << status.LastError;

    link.Point({12, 34});
    link.Point({7, 8}); // replaces the one before, which was never sent
    ASSERT_TRUE(server.Resume());
    status = WaitFor(link, [](const RotatorStatus& s) {
        return s.Connected && s.Commanded == RotatorPosition{7, 8} && ReportedNear(s, {7, 8});
    });
    EXPECT_TRUE(status.Connected);
    EXPECT_EQ(status.ConsecutiveFailures, 0);
    EXPECT_TRUE(status.LastError.empty());
    EXPECT_TRUE(ReportedNear(status, {7, 8}));
    const auto commands = server.Commands();
    EXPECT_EQ(std::count_if(commands.begin(), commands.end(),
                            [](const std::string& c) { return c.rfind("P 12", 0) == 0; }),
              0);
}

TEST(RotatorLinkFake, ReconnectsAfterTheServerDropsTheConnection) {
    FakeRotctld server;
    server.Behave(FakeRotctld::Behaviour::CloseAfter, 3);
    RotatorLink link(Network(server.Address()), 10ms, RetryPolicy{10ms, 20ms, 2.0});
    const RotatorStatus status =
        WaitFor(link, [&](const RotatorStatus&) { return server.Connections().size() >= 3; });
    EXPECT_GE(server.Connections().size(), 3u);
    EXPECT_GE(status.Exchanges, 6u);
    server.Behave(FakeRotctld::Behaviour::Answer);
    link.Point({1, 2});
    EXPECT_TRUE(WaitFor(link, [](const RotatorStatus& s) {
                    return s.Connected && ReportedNear(s, {1, 2});
                }).Connected);
}

TEST(RotatorLinkFake, NeverBlocksTheCallerWhileTheServerIsSilent) {
    FakeRotctld server;
    server.Behave(FakeRotctld::Behaviour::Silent);
    constexpr int kTimeoutMs = 300;
    constexpr auto kPoll = 50ms;
    auto link = std::make_unique<RotatorLink>(Network(server.Address(), kTimeoutMs), kPoll,
                                              RetryPolicy{10ms, 50ms, 2.0});
    // Half of the time opened and hanging in a read, the other half in open.
    std::chrono::nanoseconds longest{0};
    const auto measure = [&](const std::function<void()>& call) {
        const auto start = Clock::now();
        call();
        longest = std::max(longest, Clock::now() - start);
    };
    const auto end = Clock::now() + 1500ms;
    bool opened = false;
    int i = 0;
    while (Clock::now() < end) {
        if (!opened && Clock::now() > end - 750ms) {
            // Answer long enough to be opened, then fall silent again.
            server.Behave(FakeRotctld::Behaviour::CloseAfter, 1 << 20);
            WaitFor(
                *link, [](const RotatorStatus& s) { return s.Connected; }, 1s);
            server.Behave(FakeRotctld::Behaviour::Silent);
            opened = true;
        }
        measure([&] { link->Point({static_cast<double>(i % 40), 10}); });
        measure([&] { (void)link->Status(); });
        if (i % 10 == 0) {
            measure([&] { link->Stop(); });
        }
        ++i;
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_LT(longest, 10ms);
    RecordProperty(
        "LongestCallMicroseconds",
        static_cast<int>(std::chrono::duration_cast<std::chrono::microseconds>(longest).count()));
    EXPECT_EQ(link->Status().LastErrorCode, -5);

    const auto start = Clock::now();
    link->Shutdown(true);
    const auto took = Clock::now() - start;
    EXPECT_LT(took, std::chrono::milliseconds{kTimeoutMs} + kPoll + 100ms);
    RecordProperty(
        "ShutdownMilliseconds",
        static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
    link.reset();
}

TEST(RotatorLinkFake, ShutdownSendsStopWhenAsked) {
    FakeRotctld server;
    {
        RotatorLink link(Network(server.Address()), 20ms);
        WaitFor(link, [](const RotatorStatus& s) { return s.Reported.has_value(); });
        link.Shutdown(true);
        EXPECT_FALSE(link.Status().Connected);
    }
    const auto commands = server.Commands();
    ASSERT_FALSE(commands.empty());
    EXPECT_NE(std::find(commands.begin(), commands.end(), "S"), commands.end());
}

// --- against an in-process rotator that blocks on the test's word ------------

/// A rotator whose SetPosition waits until the test opens the gate; it
/// remembers every position it was given.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    bool finished = false; ///< the rotator was destroyed
    int waiting = 0;
    std::vector<RotatorPosition> received;

    void Open() {
        const std::lock_guard lock(mutex);
        open = true;
        changed.notify_all();
    }
    bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, limit, condition);
    }
};

class GatedRotator final : public Rotator {
public:
    GatedRotator(std::shared_ptr<Gate> gate, std::chrono::milliseconds timeout)
        : gate_(std::move(gate)), timeout_(timeout) {}
    ~GatedRotator() override {
        const std::lock_guard lock(gate_->mutex);
        gate_->finished = true;
        gate_->changed.notify_all();
    }
    RotatorError Open() override { return {}; }
    void Close() override {}
    RotatorError SetPosition(const RotatorPosition& position) override {
        std::unique_lock lock(gate_->mutex);
        gate_->received.push_back(position);
        ++gate_->waiting;
        gate_->changed.notify_all();
        gate_->changed.wait(lock, [&] { return gate_->open; });
        --gate_->waiting;
        return {};
    }
    RotatorError GetPosition(RotatorPosition& position) override {
        position = {1, 1};
        return {};
    }
    RotatorError Stop() override { return {}; }
    RotatorError Park() override { return {}; }
    std::chrono::milliseconds Timeout() const override { return timeout_; }

private:
    std::shared_ptr<Gate> gate_;
    std::chrono::milliseconds timeout_;
};

TEST(RotatorLinkGated, RequestsMadeDuringAnExchangeCollapseToTheLatest) {
    const auto gate = std::make_shared<Gate>();
    RotatorLink link([gate] { return std::make_unique<GatedRotator>(gate, 1000ms); }, 20ms);
    link.Point({1, 1});
    ASSERT_TRUE(gate->WaitUntil([&] { return gate->waiting == 1; }, 2s));
    for (int i = 2; i <= 50; ++i) {
        link.Point({static_cast<double>(i), 1});
    }
    gate->Open();
    const RotatorStatus status = WaitFor(link, [](const RotatorStatus& s) {
        return s.Commanded == RotatorPosition{50, 1};
    });
    EXPECT_EQ(status.Commanded, (RotatorPosition{50, 1}));
    const std::lock_guard lock(gate->mutex);
    const std::vector<RotatorPosition> expected{{1, 1}, {50, 1}};
    EXPECT_EQ(gate->received, expected);
}

TEST(RotatorLinkGated, ShutdownReturnsWhenTheRotatorOverstaysItsTimeout) {
    const auto gate = std::make_shared<Gate>();
    const std::chrono::milliseconds kTimeout{200};
    constexpr auto kPoll = 50ms;
    auto link = std::make_unique<RotatorLink>(
        [gate, kTimeout] { return std::make_unique<GatedRotator>(gate, kTimeout); }, kPoll);
    link->Point({3, 3});
    ASSERT_TRUE(gate->WaitUntil([&] { return gate->waiting == 1; }, 2s));
    // Lets go after a while in any case, so a Shutdown that waits for the
    // rotator fails the test rather than hanging it.
    const std::jthread release([gate] {
        gate->WaitUntil([&] { return gate->open; }, 1500ms);
        gate->Open();
    });

    const auto start = Clock::now();
    link->Shutdown(true);
    const auto took = Clock::now() - start;
    EXPECT_GE(took, kTimeout);
    EXPECT_LT(took, kTimeout + kPoll + 100ms);
    link.reset(); // the link is gone while its worker is still stuck

    // Once the rotator lets go, the worker ends on its own and destroys it.
    gate->Open();
    EXPECT_TRUE(gate->WaitUntil([&] { return gate->finished; }, 2s));
}

/// A rotator that takes its time over every command, and counts readings.
class SlowRotator final : public Rotator {
public:
    explicit SlowRotator(std::shared_ptr<std::atomic<int>> readings)
        : readings_(std::move(readings)) {}
    RotatorError Open() override { return {}; }
    void Close() override {}
    RotatorError SetPosition(const RotatorPosition&) override {
        std::this_thread::sleep_for(5ms);
        return {};
    }
    RotatorError GetPosition(RotatorPosition& position) override {
        ++*readings_;
        position = {0, 0};
        return {};
    }
    RotatorError Stop() override { return {}; }
    RotatorError Park() override { return {}; }

private:
    std::shared_ptr<std::atomic<int>> readings_;
};

TEST(RotatorLinkSlow, AStreamOfRequestsDoesNotStopTheReadings) {
    const auto readings = std::make_shared<std::atomic<int>>(0);
    RotatorLink link([readings] { return std::make_unique<SlowRotator>(readings); }, 20ms);
    WaitFor(link, [](const RotatorStatus& s) { return s.Reported.has_value(); });
    const int before = *readings;
    // Faster than the rotator takes them: there is always one waiting.
    const auto end = Clock::now() + 400ms;
    for (int i = 0; Clock::now() < end; ++i) {
        link.Point({static_cast<double>(i % 90), 10});
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_GE(*readings - before, 8) << "one reading per 20 ms poll period would be 20";
}

} // namespace
} // namespace vantrel

// The Doppler follower on a real rig: Hamlib's dummy rig served by rigctld
// on loopback, reached through Hamlib's network rig as a user reaches his
// own; and vantrel-eme --follow run as a user runs it, ended by SIGINT.

#include "ChildProcess.h"
#include "RotctldServer.h"
#include "eme/DopplerFollower.h"
#include "eme/EmeCalculator.h"
#include "eme/HamlibDopplerRig.h"
#include "station/DataFile.h"
#include "tests/RecordingMessages.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>

namespace vantrel::eme {
namespace {

using namespace std::chrono_literals;
using Outcome = DopplerStep::Outcome;

/// 2026-12-10 00:00:00 UTC in seconds of UtcSeconds.
const double kMidnight =
    static_cast<double>(UtcSecondsOf(EncodeDateTime(2026, 12, 10, 0, 0, 0, 0)));
constexpr std::int64_t kSkedHz = 1296050000;

/// What rigctld's rig reports, read on a connection of its own.
std::int64_t RigNowHz(const std::string& address) {
    const std::unique_ptr<DopplerRig> reader = MakeHamlibDopplerRig({2, address, 0});
    const DopplerRig::Reading r = reader->FrequencyHz();
    EXPECT_TRUE(r.Error.empty()) << r.Error;
    return r.Hz.value_or(-1);
}

TEST(HamlibDopplerRig, FollowsTheEchoOnTheDummyRigThroughRigctld) {
    auto rigctld = std::make_unique<testing::RotctldServer>(1, "rigctld");
    const std::string address = rigctld->Address();
    const std::unique_ptr<DopplerRig> rig = MakeHamlibDopplerRig({2, address, 0});

    ObservingConditions conditions;
    conditions.FrequencyMHz = kSkedHz / 1e6;
    auto calculator =
        std::make_shared<EmeCalculator>(EmeSite{52.52, 13.405, 40}, std::nullopt, conditions);
    EmeCalculator check({52.52, 13.405, 40}, std::nullopt, conditions);
    DopplerFollowSettings settings;
    settings.SkedHz = kSkedHz;
    settings.Period = {60, false}; // receiving from :00 to :29.5
    const DopplerSource echo = CalculatorDoppler(calculator, DopplerToFollow::OwnEcho);
    DopplerFollower follower(settings, *rig, echo);

    // 18:00:00: a set, read back by the follower and on another connection.
    const double t0 = kMidnight + 18 * 3600;
    const std::optional<DopplerStep> first = follower.Step(t0);
    ASSERT_TRUE(first);
    ASSERT_EQ(first->What, Outcome::Set) << first->Error;
    const double shift = check.At(static_cast<UtcSeconds>(t0)).EchoDopplerHz;
    ASSERT_GT(std::abs(shift), 100) << "a shift worth following";
    EXPECT_NEAR(static_cast<double>(*first->ReadBackHz - kSkedHz), shift, 1.0);
    EXPECT_NEAR(static_cast<double>(RigNowHz(address) - kSkedHz), shift, 1.0);

    // Every 10 s of the receive half: the rig is at sked + shift within the
    // dead band, and any set lies outside it.
    std::int64_t lastSet = *first->ReadBackHz;
    int held = 0;
    for (double t = t0 + 10; t < t0 + 30; t += 10) {
        const std::optional<DopplerStep> step = follower.Step(t);
        ASSERT_TRUE(step);
        const std::int64_t there = RigNowHz(address);
        if (step->What == Outcome::Set) {
            EXPECT_GE(std::abs(static_cast<double>(step->TargetHz - lastSet)), settings.DeadBand());
            lastSet = step->TargetHz;
        } else {
            ASSERT_EQ(step->What, Outcome::Held) << step->Error;
            ++held;
            EXPECT_LT(std::abs(static_cast<double>(step->TargetHz - lastSet)), settings.DeadBand());
        }
        EXPECT_EQ(there, lastSet) << "a hold leaves the rig where it was";
        EXPECT_NEAR(static_cast<double>(there - kSkedHz), echo(t), settings.DeadBand() + 0.5);
    }

    // The transmit half: the shift moves on, the rig stays.
    for (double t = t0 + 30; t < t0 + 60; t += 10) {
        const std::optional<DopplerStep> step = follower.Step(t);
        ASSERT_TRUE(step);
        EXPECT_EQ(step->What, Outcome::Transmitting);
        EXPECT_EQ(RigNowHz(address), lastSet);
    }

    // Done: back at the sked frequency.
    EXPECT_EQ(follower.ReturnToSked(), "");
    EXPECT_EQ(RigNowHz(address), kSkedHz);

    // rigctld gone: a failed set with one sentence, then the refusal named.
    rigctld.reset();
    const std::optional<DopplerStep> gone = follower.Step(t0 + 60);
    ASSERT_TRUE(gone);
    EXPECT_EQ(gone->What, Outcome::Failed);
    EXPECT_EQ(gone->Error.find('\n'), std::string::npos) << gone->Error;
    const std::optional<DopplerStep> still = follower.Step(t0 + 70);
    ASSERT_TRUE(still);
    EXPECT_EQ(still->What, Outcome::Failed);
    EXPECT_EQ(still->Error,
              "The rig at " + address + " refused the connection: is rigctld running?");
}

/// A folder of the test's own holding a station file.
class FollowTool : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "vantrel-follow-XXXXXX");
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        HomeStation station;
        station.Latitude = 52.52;
        station.Longitude = 13.405;
        station.HeightAsl = 40;
        station.CalcInterval = 60;
        RecordingMessages messages;
        DataFile file(messages, folder_.string() + "/");
        ASSERT_TRUE(file.Write(station));
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    std::filesystem::path folder_;
};

TEST_F(FollowTool, FollowsUntilInterruptedAndLeavesTheRigAtTheSked) {
    testing::RotctldServer rigctld(1, "rigctld");
    ObservingConditions conditions;
    conditions.FrequencyMHz = 10368.1;
    EmeCalculator check({52.52, 13.405, 40}, std::nullopt, conditions);
    const UtcSeconds startedAt =
        static_cast<UtcSeconds>(std::chrono::duration_cast<std::chrono::seconds>(
                                    std::chrono::system_clock::now().time_since_epoch())
                                    .count() +
                                UtcSecondsOf(EncodeDateTime(1970, 1, 1, 0, 0, 0, 0)));
    // A sked at 10 GHz with a dead band of 0: the echo's shift changes by
    // several Hz a second there, so every one-second update sets the rig.
    testing::ChildProcess tool({VANTREL_EME_PATH, "--follow", "--rig-model", "2", "--rig-device",
                                rigctld.Address(), "--doppler", "own", "--frequency", "10368.1",
                                "--update", "1", "--dead-band", "0"},
                               folder_.string());
    // Three corrections, a second apart.
    int rows = 0;
    const auto thirdRow = [&rows](const std::string& line) {
        return !line.starts_with("utc,") && ++rows == 3;
    };
    const bool three =
        tool.WaitForLine(testing::ChildProcess::Stream::Out, thirdRow, 8s).has_value();
    if (!three) {
        for (const std::string& line : tool.Lines(testing::ChildProcess::Stream::Err)) {
            ADD_FAILURE() << line;
        }
    }
    ASSERT_TRUE(three);
    tool.Signal(SIGINT);
    const std::optional<int> status = tool.WaitForExit(5s);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 0);

    const std::vector<std::string>& out = tool.Lines(testing::ChildProcess::Stream::Out);
    ASSERT_GE(out.size(), 4u);
    EXPECT_EQ(out[0], "utc,doppler_hz,set_hz,read_back_hz");
    for (std::size_t i = 1; i < out.size(); ++i) {
        std::istringstream row(out[i]);
        std::string utc, doppler, set, back;
        ASSERT_TRUE(std::getline(row, utc, ',') && std::getline(row, doppler, ',') &&
                    std::getline(row, set, ',') && std::getline(row, back))
            << out[i];
        int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
        ASSERT_EQ(std::sscanf(utc.c_str(), "%4d-%2d-%2dT%2d:%2d:%2dZ", &year, &month, &day, &hour,
                              &minute, &second),
                  6)
            << utc;
        const UtcSeconds at =
            UtcSecondsOf(EncodeDateTime(year, month, day, hour, minute, second, 0));
        EXPECT_LT(std::abs(at - startedAt), 30) << utc << ": the UTC of the system clock";
        const double shift = std::stod(doppler);
        // The shift of that second (the row's instant lies within it).
        EXPECT_NEAR(shift, check.At(at).EchoDopplerHz, 1.0) << out[i];
        EXPECT_GT(std::abs(shift), 100) << out[i];
        EXPECT_LT(std::abs(shift), 40000) << out[i];
        EXPECT_NEAR(static_cast<double>(std::stoll(set) - 10368100000), shift, 0.51) << out[i];
        EXPECT_EQ(back, set) << "the dummy rig keeps every Hz";
    }
    const std::vector<std::string>& err = tool.Lines(testing::ChildProcess::Stream::Err);
    ASSERT_FALSE(err.empty());
    EXPECT_EQ(err.back(), "vantrel-eme: the rig is back at the sked frequency, 10368100000 Hz");
    EXPECT_EQ(RigNowHz(rigctld.Address()), 10368100000);
}

} // namespace
} // namespace vantrel::eme

// vantrel-track as a user runs it: a child process driving a real rotctld
// with Hamlib's dummy rotator on loopback, read through its output and
// through rotctld itself.

#include "ChildProcess.h"
#include "LoopbackPort.h"
#include "RotctldServer.h"
#include "tests/RecordingMessages.h"
#include "tests/tracking/PlacedSunMoon.h"

#include "apparent/SkyPlaces.h"
#include "astro/Clock.h"
#include "station/DataFile.h"
#include "tracking/HamlibRotator.h"
#include "tracking/SkyAngles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace vantrel {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using Stream = ChildProcess::Stream;

/// Where the tests send the dummy: near its start at 0, 0, so that it
/// arrives within seconds (it moves a few degrees a second). Degrees.
constexpr double kNearAzDeg = 10;
constexpr double kNearElDeg = 10;
/// The threshold the tool is run with, degrees.
constexpr double kThresholdDeg = 0.5;

bool Contains(const std::string& line, std::string_view part) {
    return line.find(part) != std::string::npos;
}

/// The dummy's position, asked of rotctld through Hamlib's network rotator.
std::optional<RotatorPosition> AskPosition(const std::string& address) {
    RotatorSettings settings;
    settings.Model = 2;
    settings.Device = address;
    auto rotator = MakeHamlibRotator(settings);
    if (rotator->Open().Failed()) {
        return std::nullopt;
    }
    RotatorPosition p;
    const bool ok = !rotator->GetPosition(p).Failed();
    rotator->Close();
    return ok ? std::optional(p) : std::nullopt;
}

class TrackTool : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vantrel-track-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        station_.Latitude = 60;
        station_.Longitude = 10;
        station_.HeightAsl = 50;
        station_.CalcInterval = 10;
        station_.CallSign = "TEST";
        WriteStation(station_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    void WriteStation(const HomeStation& station) {
        RecordingMessages messages;
        DataFile file(messages, dir_ + "/");
        ASSERT_TRUE(file.Write(station));
    }

    std::string DataPath() const { return dir_ + "/Vantrel.dat"; }

    /// The offset that makes the tool send the dummy to kNear* for `source`
    /// now: the source's place now, taken from the same core.
    std::string OffsetTo(SkySource source, double azDeg, double elDeg) {
        test::PlacedSunMoon unused;
        SkyPlaces places(unused);
        SystemLocalClock local;
        UtcClock clock(local);
        const SkyPlaceDeg p =
            places.At(source, station_, ObservingConditions{}, DecodeInstant(clock.UtcNow()));
        char text[64];
        std::snprintf(text, sizeof text, "%.4f,%.4f", azDeg - p.AzimuthDeg, elDeg - p.ElevationDeg);
        return text;
    }

    std::unique_ptr<ChildProcess> StartTool(std::vector<std::string> args) {
        args.insert(args.begin(), VANTREL_TRACK_PATH);
        return std::make_unique<ChildProcess>(std::move(args), dir_);
    }

    std::string dir_;
    HomeStation station_;
};

TEST_F(TrackTool, ACircumpolarSourceIsReachedAndInterruptStopsAndEndsAtOnce) {
    testing::RotctldServer rotctld;
    auto tool = StartTool({"--source", "cas", "--data", DataPath(), "--device", rotctld.Address(),
                           "--period", "0.2", "--threshold", "0.5", "--offset",
                           OffsetTo(SkySource::CassiopeiaA, kNearAzDeg, kNearElDeg)});
    const auto arrived = tool->WaitForLine(
        Stream::Out, [](const std::string& l) { return Contains(l, "on target"); }, 15s);
    ASSERT_TRUE(arrived) << "never on target; last line: "
                         << (tool->Lines(Stream::Out).empty() ? ""
                                                              : tool->Lines(Stream::Out).back());
    EXPECT_TRUE(Contains(*arrived, "Cassiopeia-A")) << *arrived;

    const auto p = AskPosition(rotctld.Address());
    ASSERT_TRUE(p);
    const double off = AngleBetweenDeg(p->AzimuthDeg, p->ElevationDeg, kNearAzDeg, kNearElDeg);
    EXPECT_LE(off, kThresholdDeg + 0.05)
        << "rotctld reports " << p->AzimuthDeg << ", " << p->ElevationDeg;

    const auto sent = std::chrono::steady_clock::now();
    tool->Signal(SIGINT);
    const auto status = tool->WaitForExit(3s);
    ASSERT_TRUE(status) << "still running 3 s after SIGINT";
    EXPECT_EQ(*status, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - sent, 2s);
}

TEST_F(TrackTool, TheDummyRotatorIsNamedForWhatItIsNotForADefaultAddress) {
    auto tool =
        StartTool({"--source", "cas", "--data", DataPath(), "--rotator", "1", "--period", "0.2",
                   "--offset", OffsetTo(SkySource::CassiopeiaA, kNearAzDeg, kNearElDeg)});
    const auto connected = tool->WaitForLine(
        Stream::Err, [](const std::string& l) { return Contains(l, "connected"); }, 10s);
    ASSERT_TRUE(connected);
    EXPECT_TRUE(Contains(*connected, "model 1 (dummy")) << *connected;
    EXPECT_FALSE(Contains(*connected, "4533")) << *connected;
    tool->Signal(SIGINT);
    const auto status = tool->WaitForExit(3s);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 0);
}

TEST_F(TrackTool, InterruptStopsAMovingRotator) {
    testing::RotctldServer rotctld;
    // Far away: the dummy needs half a minute to get there.
    auto tool =
        StartTool({"--source", "cas", "--data", DataPath(), "--device", rotctld.Address(),
                   "--period", "0.2", "--offset", OffsetTo(SkySource::CassiopeiaA, 200, 80)});
    const auto moving = tool->WaitForLine(
        Stream::Out,
        [](const std::string& l) {
            return Contains(l, "reported az ") && !Contains(l, "el      -") &&
                   !Contains(l, "az    0.00");
        },
        10s);
    ASSERT_TRUE(moving) << "the dummy never moved";
    tool->Signal(SIGTERM);
    const auto status = tool->WaitForExit(3s);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 0);

    const auto first = AskPosition(rotctld.Address());
    std::this_thread::sleep_for(600ms);
    const auto second = AskPosition(rotctld.Address());
    ASSERT_TRUE(first && second);
    EXPECT_EQ(*first, *second) << "still moving after the tool ended";
    EXPECT_LT(second->AzimuthDeg, 150) << "it went on to the target";
}

TEST_F(TrackTool, ASourceThatNeverRisesIsNeverCommanded) {
    testing::RotctldServer rotctld;
    for (const bool park : {false, true}) {
        // The elevation offset of 90 would make any command a valid one for
        // the dummy, so a command sent by mistake would move it.
        std::vector<std::string> args{
            "--source",        "cen",      "--data", DataPath(), "--device",
            rotctld.Address(), "--period", "0.2",    "--offset", "0,90"};
        if (park) {
            args.push_back("--park-when-set");
        }
        auto tool = StartTool(args);
        const std::string_view state =
            park ? "parked until the source rises" : "waiting for the source to rise";
        ASSERT_TRUE(tool->WaitForLine(
            Stream::Out, [&](const std::string& l) { return Contains(l, state); }, 5s));
        // Several periods, with the link connected.
        ASSERT_TRUE(tool->WaitForLine(
            Stream::Out,
            [&](const std::string& l) {
                return Contains(l, state) && !Contains(l, "reported az       -");
            },
            5s));
        tool->Signal(SIGINT);
        ASSERT_EQ(tool->WaitForExit(3s), 0);
        for (const std::string& line : tool->Lines(Stream::Out)) {
            EXPECT_TRUE(Contains(line, state)) << line;
            EXPECT_TRUE(Contains(line, "target az       - el      -")) << line;
        }
        if (!park) {
            const auto p = AskPosition(rotctld.Address());
            ASSERT_TRUE(p);
            EXPECT_EQ(*p, (RotatorPosition{0, 0})) << "the dummy was moved";
        }
    }
}

TEST_F(TrackTool, ARotatorNotThereIsReportedOnceAndTrackedWhenItComes) {
    const int port = testing::FreeLoopbackPort();
    const std::string address = "127.0.0.1:" + std::to_string(port);
    auto tool =
        StartTool({"--source", "cas", "--data", DataPath(), "--device", address, "--period", "0.2",
                   "--offset", OffsetTo(SkySource::CassiopeiaA, kNearAzDeg, kNearElDeg)});
    const auto failing = [](const std::string& l) { return Contains(l, "trying again"); };
    ASSERT_TRUE(tool->WaitForLine(Stream::Err, failing, 3s)) << "no report of the missing rotator";
    // A few retries later: still one report, and the lines go on.
    const std::size_t linesBefore = tool->Lines(Stream::Out).size();
    tool->WaitForLine(
        Stream::Out, [](const std::string&) { return false; }, 1600ms);
    EXPECT_GE(tool->Lines(Stream::Out).size(), linesBefore + 5);
    int reports = 0;
    for (const std::string& line : tool->Lines(Stream::Err)) {
        reports += failing(line) ? 1 : 0;
    }
    EXPECT_EQ(reports, 1);
    EXPECT_TRUE(tool->Running());

    {
        ChildProcess rotctld({"rotctld", "-m", "1", "-T", "127.0.0.1", "-t", std::to_string(port)});
        for (int i = 0; i < 100 && !testing::LoopbackAccepts(port); ++i) {
            std::this_thread::sleep_for(20ms);
        }
        ASSERT_TRUE(testing::LoopbackAccepts(port)) << "rotctld did not start on port " << port;
        ASSERT_TRUE(tool->WaitForLine(
            Stream::Err, [](const std::string& l) { return Contains(l, "connected"); }, 10s));
        ASSERT_TRUE(tool->WaitForLine(
            Stream::Out, [](const std::string& l) { return Contains(l, "on target"); }, 15s));
    } // rotctld goes away

    const std::size_t errorsBefore = tool->Lines(Stream::Err).size();
    ASSERT_TRUE(tool->WaitForLine(
        Stream::Err,
        [&, n = std::size_t{0}](const std::string& l) mutable {
            return ++n > errorsBefore && Contains(l, "trying again");
        },
        5s))
        << "the lost rotator was not reported";
    EXPECT_TRUE(tool->Running());
    tool->Signal(SIGINT);
    EXPECT_EQ(tool->WaitForExit(3s), 0);
}

// Mistakes give status 2, nothing on standard output and one line on
// standard error, whatever the rest of the command line.
TEST_F(TrackTool, MistakesGiveOneLineAndStatus2) {
    HomeStation damaged = station_;
    damaged.Latitude = 95; // beyond the pole: the station check refuses it
    const std::string damagedDir = dir_ + "/damaged";
    std::filesystem::create_directory(damagedDir);
    {
        RecordingMessages messages;
        DataFile file(messages, damagedDir + "/");
        ASSERT_TRUE(file.Write(damaged));
    }
    const std::vector<std::vector<std::string>> cases{
        {},
        {"--source", "vega"},
        {"--source", "cas", "--period", "0"},
        {"--source", "cas", "--az-range", "0:720"},
        {"--source", "cas", "--min-elevation", "30", "--max-elevation", "20"},
        {"--source", "cas", "--offset", "1"},
        {"--source", "cas", "--rotator", "99999"},
        {"--source", "cas", "--refraction", "1000,10"},
        {"--source", "cas", "--bogus"},
        {"--source", "cas", "--data", damagedDir + "/Vantrel.dat"},
    };
    for (const auto& args : cases) {
        std::string shown;
        for (const auto& a : args) {
            shown += a + " ";
        }
        auto tool = StartTool(args);
        const auto status = tool->WaitForExit(5s);
        ASSERT_TRUE(status) << shown;
        EXPECT_EQ(*status, 2) << shown;
        EXPECT_TRUE(tool->Lines(Stream::Out).empty()) << shown;
        ASSERT_EQ(tool->Lines(Stream::Err).size(), 1u) << shown;
        EXPECT_TRUE(tool->Lines(Stream::Err)[0].starts_with("vantrel-track: "))
            << tool->Lines(Stream::Err)[0];
    }
}

TEST_F(TrackTool, HelpPrintsTheUsage) {
    auto tool = StartTool({"--help"});
    ASSERT_EQ(tool->WaitForExit(5s), 0);
    ASSERT_FALSE(tool->Lines(Stream::Out).empty());
    EXPECT_TRUE(tool->Lines(Stream::Out)[0].starts_with("usage: vantrel-track --source NAME"));
}

} // namespace
} // namespace vantrel

// The tracked source's mark in the real-time grid: shown at once and kept
// by every refresh, taken off without a trace.

#include "mainwin/RealTimeDisplay.h"
#include "planner/GridLayout.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {
namespace {

class FixedClock final : public LocalClock {
public:
    LocalClockReading reading{EncodeDateTime(2026, 12, 9, 21, 30, 0), 0, 0, false};
    LocalClockReading Now() const override { return reading; }
};

class SteadySunMoon final : public SunMoonLibrary {
public:
    void DataToDLL(const DecodedInstant&, double, double, double, SunMoonBody b) override {
        body_ = b;
    }
    double GetAzimuth() override { return body_ == SunMoonBody::Sun ? 230.0 : 120.0; }
    double GetElevation() override { return body_ == SunMoonBody::Sun ? -3.0 : 40.0; }
    double GetGHA() override { return 50.0; }
    double GetDecTopo() override { return 10.0; }

private:
    SunMoonBody body_ = SunMoonBody::Moon;
};

constexpr int kValueRow = 2;
constexpr std::size_t kPairs = 9;

/// A display over its own grid, with the station's coordinates.
struct Rig {
    GridCells grid;
    FixedClock clock;
    UtcClock utc{clock};
    SteadySunMoon library;
    HomeStation station;
    RealTimeDisplay display{grid, station, utc, library, '.'};

    Rig() {
        station.Latitude = 52.37L;
        station.Longitude = 4.90L;
    }
    void Cycle() {
        for (std::size_t i = 0; i < kPairs; ++i) {
            display.Tick();
        }
    }
    Colour Background(std::size_t pair, int second) {
        return grid.EffectiveColor(
            grid.Cell(kFirstPairColumn + 2 * static_cast<int>(pair) + second, kValueRow));
    }
    /// Everything row 2 holds, cell by cell.
    std::vector<std::string> Row() const {
        std::vector<std::string> out;
        for (const GridCell& c : grid.Cells()) {
            if (c.AbsoluteRow == kValueRow) {
                out.push_back(std::to_string(c.AbsoluteCol) + "|" + c.Value + "|" +
                              std::to_string(c.Color) + "|" + std::to_string(c.OwnColor) + "|" +
                              std::to_string(c.FontColor) + "|" + std::to_string(c.OwnFont));
            }
        }
        return out;
    }
};

class TrackedPair : public ::testing::TestWithParam<std::size_t> {};

TEST_P(TrackedPair, MarkedAtOnceKeptByRefreshesAndTakenOff) {
    const std::size_t pair = GetParam();
    Rig rig;
    rig.Cycle();
    rig.display.SetTrackedPair(pair);
    for (const int second : {0, 1}) {
        EXPECT_EQ(rig.Background(pair, second), kTrackedBackground) << "before the refresh";
    }
    rig.Cycle();
    for (std::size_t p = 0; p < kPairs; ++p) {
        const Colour expected = p == pair ? kTrackedBackground : kPairBackground[p];
        for (const int second : {0, 1}) {
            EXPECT_EQ(rig.Background(p, second), expected) << "pair " << p;
        }
    }
    rig.display.SetTrackedPair(std::nullopt);
    for (const int second : {0, 1}) {
        EXPECT_EQ(rig.Background(pair, second), kPairBackground[pair]) << "at once when unmarked";
    }
}

INSTANTIATE_TEST_SUITE_P(EveryPair, TrackedPair, ::testing::Range<std::size_t>(0, kPairs));

TEST(TrackedPairMark, UnmarkedGridIsTheUntrackedOne) {
    Rig plain;
    Rig marked;
    plain.Cycle();
    marked.Cycle();
    marked.display.SetTrackedPair(2);
    marked.Cycle();
    marked.display.SetTrackedPair(7); // moves: pair 2 gets its own back
    EXPECT_EQ(marked.Background(2, 0), kPairBackground[2]);
    EXPECT_EQ(marked.Background(7, 1), kTrackedBackground);
    marked.display.SetTrackedPair(std::nullopt);
    EXPECT_EQ(marked.Row(), plain.Row());
    marked.Cycle();
    plain.Cycle();
    EXPECT_EQ(marked.Row(), plain.Row());
}

TEST(TrackedPairMark, MarkBeforeTheFirstCycleLeavesNoCellsBehind) {
    Rig plain;
    Rig marked;
    marked.display.SetTrackedPair(4);
    marked.display.SetTrackedPair(std::nullopt);
    plain.Cycle();
    marked.Cycle();
    EXPECT_EQ(marked.Row(), plain.Row());
}

TEST(TrackedPairMark, PairBeyondTheGridMarksNone) {
    Rig plain;
    Rig marked;
    marked.display.SetTrackedPair(kPairs);
    EXPECT_FALSE(marked.display.TrackedPair());
    plain.Cycle();
    marked.Cycle();
    EXPECT_EQ(marked.Row(), plain.Row());
}

} // namespace
} // namespace vantrel

// The tracking core: where the rotator is sent for a source, and when.
// Most cases put the Sun where they need it with a placed sun/moon library;
// the fixed-source cases use the real positions.

#include "tracking/Tracking.h"

#include "tests/tracking/PlacedSunMoon.h"
#include "tracking/SkyAngles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

namespace vantrel {
namespace {

using Action = TrackDecision::Action;
namespace state = tracking_state;

constexpr double kTolDeg = 1e-9;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

HomeStation StationAt(double latitudeDeg, double longitudeDeg) {
    HomeStation s;
    s.Latitude = latitudeDeg;
    s.Longitude = longitudeDeg;
    s.HeightAsl = 100;
    return s;
}

class SunTracker : public testing::Test {
protected:
    test::PlacedSunMoon sun;
    Tracker tracker{sun};
    HomeStation station = StationAt(52, 5);
    ObservingConditions conditions;
    TrackingOptions options = [] {
        TrackingOptions o;
        o.Source = SkySource::Sun;
        return o;
    }();
    DecodedInstant utc{2026, 6, 21, 12, 0, 0, 0};

    TrackDecision At(double azDeg, double elDeg, std::optional<RotatorPosition> reported = {}) {
        sun.AzimuthDeg = azDeg;
        sun.ElevationDeg = elDeg;
        return tracker.Step(utc, station, conditions, options, reported);
    }
};

// ---- the azimuth range through the tracker ----------------------------------

struct ShortWayCase {
    const char* Name;
    AzimuthRange Range;
    double ReportedAzDeg;
    double SourceAzDeg;
    double ExpectedAzDeg;
};

class ShortWay : public SunTracker, public testing::WithParamInterface<ShortWayCase> {};

TEST_P(ShortWay, FirstCommandGoesTheShortWayFromTheReportedAzimuth) {
    const ShortWayCase& c = GetParam();
    options.Range = c.Range;
    const TrackDecision d = At(c.SourceAzDeg, 30, RotatorPosition{c.ReportedAzDeg, 30});
    ASSERT_EQ(d.What, Action::Point) << c.Name;
    EXPECT_NEAR(d.Command.AzimuthDeg, c.ExpectedAzDeg, kTolDeg) << c.Name;
    EXPECT_NEAR(d.Command.ElevationDeg, 30, kTolDeg) << c.Name;
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, ShortWay,
    testing::Values(ShortWayCase{"r450_at420_src70", AzimuthRange::From0To450, 420, 70, 430},
                    ShortWayCase{"r450_at10_src350", AzimuthRange::From0To450, 10, 350, 350},
                    ShortWayCase{"r450_at380_src5", AzimuthRange::From0To450, 380, 5, 365},
                    ShortWayCase{"r450_at200_src80", AzimuthRange::From0To450, 200, 80, 80},
                    ShortWayCase{"r180_at0_src270", AzimuthRange::FromMinus180To180, 0, 270, -90},
                    ShortWayCase{"r180_at0_src90", AzimuthRange::FromMinus180To180, 0, 90, 90},
                    ShortWayCase{"r360_at350_src10", AzimuthRange::From0To360, 350, 10, 10}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SunTracker, KeepsTheWayOfItsLastCommandWhileTheRotatorIsStillMoving) {
    options.Range = AzimuthRange::From0To450;
    ASSERT_NEAR(At(70, 30, RotatorPosition{420, 30}).Command.AzimuthDeg, 430, kTolDeg);
    // Half-way there the rotator reports 200, nearer to 70 than to 430; the
    // rotator must not turn round.
    const TrackDecision d = At(72, 30, RotatorPosition{200, 30});
    ASSERT_EQ(d.What, Action::Point);
    EXPECT_NEAR(d.Command.AzimuthDeg, 432, kTolDeg);
}

// ---- the threshold ------------------------------------------------------------

struct ThresholdCase {
    const char* Name;
    double ThresholdDeg;
    double ElevationDeg;
    double MoveAzDeg;
    double MoveElDeg;
    bool Commands;
};

class Threshold : public SunTracker, public testing::WithParamInterface<ThresholdCase> {};

TEST_P(Threshold, CommandsOnlyWhenTheTargetMovedMoreThanTheThresholdOnTheSky) {
    const ThresholdCase& c = GetParam();
    options.ThresholdDeg = c.ThresholdDeg;
    ASSERT_EQ(At(100, c.ElevationDeg).What, Action::Point) << "the first step always commands";
    const TrackDecision d = At(100 + c.MoveAzDeg, c.ElevationDeg + c.MoveElDeg);
    EXPECT_EQ(d.What == Action::Point, c.Commands) << c.Name;
    ASSERT_TRUE(d.Target.has_value());
    EXPECT_NEAR(d.Target->AzimuthDeg, 100 + c.MoveAzDeg, kTolDeg);
}

INSTANTIATE_TEST_SUITE_P(
    Moves, Threshold,
    testing::Values(ThresholdCase{"az_below_threshold_at_horizon", 0.5, 0, 0.4, 0, false},
                    ThresholdCase{"az_above_threshold_at_horizon", 0.5, 0, 0.6, 0, true},
                    ThresholdCase{"el_below_threshold", 0.5, 30, 0, 0.45, false},
                    ThresholdCase{"el_above_threshold", 0.5, 30, 0, -0.55, true},
                    // 0.4 and 0.4 are 0.56 degrees apart at the horizon
                    ThresholdCase{"both_below_but_diagonal_above", 0.5, 0, 0.4, 0.4, true},
                    // 5 degrees of azimuth at 85 degrees is 0.436 on the sky
                    ThresholdCase{"large_az_near_zenith", 0.5, 85, 5, 0, false},
                    ThresholdCase{"zero_threshold_any_move", 0, 30, 0.01, 0, true},
                    ThresholdCase{"zero_threshold_no_move", 0, 30, 0, 0, false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SunTracker, SmallMovesAddUpToACommand) {
    ASSERT_EQ(At(100, 0).What, Action::Point);
    EXPECT_EQ(At(100.3, 0).What, Action::None);
    const TrackDecision d = At(100.6, 0); // 0.6 from the last command, not 0.3
    ASSERT_EQ(d.What, Action::Point);
    EXPECT_NEAR(d.Command.AzimuthDeg, 100.6, kTolDeg);
}

TEST_F(SunTracker, ResetCommandsAtOnce) {
    ASSERT_EQ(At(100, 20).What, Action::Point);
    ASSERT_EQ(At(100, 20).What, Action::None);
    tracker.Reset();
    EXPECT_EQ(At(100, 20).What, Action::Point);
}

// ---- offsets, the maximum elevation and the way back to the sky -------------

struct OffsetCase {
    const char* Name;
    double AzOffsetDeg, ElOffsetDeg, MaxElDeg;
    double SkyAzDeg, SkyElDeg;
    double ExpectedAzDeg, ExpectedElDeg;
};

TEST_F(SunTracker, OffsetsAndTheMaximumElevationShapeTheCommand) {
    const OffsetCase cases[] = {
        {"no offset", 0, 0, 90, 100, 30, 100, 30},
        {"azimuth and elevation offset", 5, -2, 90, 100, 30, 105, 28},
        {"azimuth offset wraps below north", -10, 0, 90, 5, 30, 355, 30},
        {"azimuth offset wraps above north", 20, 0, 90, 350, 30, 10, 30},
        {"above the maximum goes to the maximum", 0, 0, 80, 100, 85, 100, 80},
        {"offset pushes above the maximum", 0, 3, 80, 100, 79, 100, 80},
    };
    for (const OffsetCase& c : cases) {
        tracker.Reset();
        options.AzimuthOffsetDeg = c.AzOffsetDeg;
        options.ElevationOffsetDeg = c.ElOffsetDeg;
        options.MaxElevationDeg = c.MaxElDeg;
        const TrackDecision d = At(c.SkyAzDeg, c.SkyElDeg);
        ASSERT_EQ(d.What, Action::Point) << c.Name;
        EXPECT_NEAR(d.Command.AzimuthDeg, c.ExpectedAzDeg, kTolDeg) << c.Name;
        EXPECT_NEAR(d.Command.ElevationDeg, c.ExpectedElDeg, kTolDeg) << c.Name;
        EXPECT_EQ(d.State == state::kAtMaximum, c.SkyElDeg + c.ElOffsetDeg > c.MaxElDeg) << c.Name;
        if (c.SkyElDeg + c.ElOffsetDeg <= c.MaxElDeg) {
            // Taking the offsets off again gives the sky back.
            const SkyDirection back = SkyOfRotator(d.Command, options);
            EXPECT_NEAR(back.AzimuthDeg, c.SkyAzDeg, kTolDeg) << c.Name;
            EXPECT_NEAR(back.ElevationDeg, c.SkyElDeg, kTolDeg) << c.Name;
        }
    }
}

TEST(SkyOfRotator, BringsTheRotatorsAzimuthBackIntoOneTurn) {
    TrackingOptions o;
    o.AzimuthOffsetDeg = 10;
    o.ElevationOffsetDeg = 1;
    const SkyDirection a = SkyOfRotator({430, 31}, o);
    EXPECT_NEAR(a.AzimuthDeg, 60, kTolDeg);
    EXPECT_NEAR(a.ElevationDeg, 30, kTolDeg);
    const SkyDirection b = SkyOfRotator({-90, 0}, o);
    EXPECT_NEAR(b.AzimuthDeg, 260, kTolDeg);
}

TEST_F(SunTracker, TheSnapshotShowsTargetAndRotatorOnTheSky) {
    options.Range = AzimuthRange::From0To450;
    options.AzimuthOffsetDeg = 4;
    options.ElevationOffsetDeg = -1;
    const RotatorPosition reported{400, 29};
    const TrackDecision d = At(30, 30, reported);
    ASSERT_NEAR(d.Command.AzimuthDeg, 394, kTolDeg);
    const PointingSnapshot s = SnapshotOf(d, reported, options);
    EXPECT_TRUE(s.Tracking);
    EXPECT_EQ(s.Source, SkySource::Sun);
    ASSERT_TRUE(s.Target && s.Reported);
    EXPECT_NEAR(s.Target->AzimuthDeg, 30, kTolDeg);
    EXPECT_NEAR(s.Target->ElevationDeg, 30, kTolDeg);
    EXPECT_NEAR(s.Reported->AzimuthDeg, 36, kTolDeg);
    EXPECT_NEAR(s.Reported->ElevationDeg, 30, kTolDeg);

    const TrackDecision below = At(30, -5, reported);
    const PointingSnapshot b = SnapshotOf(below, std::nullopt, options);
    EXPECT_FALSE(b.Target.has_value());
    EXPECT_FALSE(b.Reported.has_value());
}

// ---- off source ---------------------------------------------------------------

TEST_F(SunTracker, OffSourceStepsAzimuthAtTheSameElevationAndBack) {
    options.OffSourceAzimuthDeg = 10;
    options.ThresholdDeg = 5; // the switch must command even within a large threshold
    ASSERT_EQ(At(100, 60).What, Action::Point);

    tracker.SetOffSource(true);
    EXPECT_TRUE(tracker.OffSource());
    TrackDecision d = At(100, 60);
    ASSERT_EQ(d.What, Action::Point);
    EXPECT_NEAR(d.Command.AzimuthDeg, 110, kTolDeg);
    EXPECT_NEAR(d.Command.ElevationDeg, 60, kTolDeg);
    // 10 degrees of azimuth at 60 degrees elevation: 2 asin(cos 60 sin 5).
    EXPECT_NEAR(d.OffSourceSeparationDeg, 4.9952380898, 1e-9);
    EXPECT_EQ(d.State, state::kMovingOffSource);
    EXPECT_EQ(At(100, 60, RotatorPosition{110, 60}).State, state::kOffSource);

    tracker.SetOffSource(false);
    d = At(100, 60, RotatorPosition{125, 60});
    ASSERT_EQ(d.What, Action::Point);
    EXPECT_NEAR(d.Command.AzimuthDeg, 100, kTolDeg);
    EXPECT_EQ(d.OffSourceSeparationDeg, 0);
    EXPECT_EQ(d.State, state::kTracking);
}

TEST_F(SunTracker, OffSourceWestAcrossNorthInTheWideRange) {
    options.Range = AzimuthRange::From0To450;
    options.OffSourceAzimuthDeg = -10;
    tracker.SetOffSource(true);
    const TrackDecision d = At(5, 20, RotatorPosition{365, 20});
    ASSERT_EQ(d.What, Action::Point);
    EXPECT_NEAR(d.Command.AzimuthDeg, 355, kTolDeg);
}

// ---- the states -----------------------------------------------------------------

TEST_F(SunTracker, StateSaysWhetherTheRotatorHasArrived) {
    options.Range = AzimuthRange::From0To450;
    EXPECT_EQ(At(50, 20).State, state::kTracking) << "nothing reported yet";
    EXPECT_EQ(At(50, 20, RotatorPosition{50.01, 20.01}).State, state::kOnTarget);
    // 0.8° off with a half-degree threshold: on its way, or a controller
    // reporting in whole degrees; on target only once it stands still.
    EXPECT_EQ(At(50, 20, RotatorPosition{50.8, 20.3}).State, state::kTracking);
    utc.Second = 2;
    EXPECT_EQ(At(50, 20, RotatorPosition{50.8, 20.3}).State, state::kTracking) << "still 2 s";
    utc.Second = 4;
    EXPECT_EQ(At(50, 20, RotatorPosition{50.8, 20.3}).State, state::kOnTarget) << "still 4 s";
    utc.Second = 8;
    EXPECT_EQ(At(50, 20, RotatorPosition{51.5, 20}).State, state::kTracking) << "1.3° away";
    EXPECT_EQ(At(50, 20, RotatorPosition{45, 20}).State, state::kTracking);
    tracker.Reset();
    ASSERT_NEAR(At(50, 20, RotatorPosition{400, 20}).Command.AzimuthDeg, 410, kTolDeg);
    // Same direction on the sky, a turn away for the rotator.
    EXPECT_EQ(At(50, 20, RotatorPosition{50, 20}).State, state::kTracking);
}

// ---- the threshold and "on target" from the beam ------------------------------

struct BeamCase {
    const char* Name;
    double BeamDeg; ///< 0: not known
    bool FromBeam;
    double ThresholdDeg;
    double MoveAzDeg;     ///< the source's move at the horizon: an angle on the sky
    bool Commands;        ///< a new command after the move
    double ReportedAzDeg; ///< where the rotator reports after the move
    bool OnTarget;
};

class BeamThreshold : public SunTracker, public testing::WithParamInterface<BeamCase> {};

TEST_P(BeamThreshold, TheThresholdAndOnTargetFollowTheBeam) {
    const BeamCase& c = GetParam();
    options.BeamwidthDeg = c.BeamDeg;
    options.ThresholdFromBeam = c.FromBeam;
    options.ThresholdDeg = c.ThresholdDeg;
    ASSERT_EQ(At(100, 0, RotatorPosition{100, 0}).What, Action::Point);
    const TrackDecision d = At(100 + c.MoveAzDeg, 0, RotatorPosition{c.ReportedAzDeg, 0});
    EXPECT_EQ(d.What == Action::Point, c.Commands) << c.Name;
    EXPECT_EQ(d.State == state::kOnTarget, c.OnTarget) << c.Name << ": " << d.State;
}

INSTANTIATE_TEST_SUITE_P(
    Beams, BeamThreshold,
    testing::Values(
        // 1.8° beam: 0.18°, a tenth of it.
        BeamCase{"beam_sends_past_a_tenth", 1.8, true, 0.5, 0.2, true, 100.2, true},
        BeamCase{"beam_holds_within_a_tenth", 1.8, true, 0.5, 0.15, false, 100, true},
        BeamCase{"beam_rotator_lagging", 1.8, true, 0.5, 0.15, false, 99.9, false},
        // The typed half degree stays the threshold; the rotator left 0.45°
        // behind is not on target for a 1.8° beam.
        BeamCase{"typed_threshold_lags_not_on_target", 1.8, false, 0.5, 0.45, false, 100, false},
        BeamCase{"typed_threshold_sends_past_it", 1.8, false, 0.5, 0.6, true, 100.6, true},
        // Without a beamwidth the typed threshold decides both.
        BeamCase{"no_beam_typed_threshold", 0, true, 0.5, 0.45, false, 100, true},
        // A 0.1° beam: at least 0.02°, a controller's resolution.
        BeamCase{"narrow_beam_bounded", 0.1, true, 0.5, 0.03, true, 100.015, true},
        // A 20° beam: at most 1°.
        BeamCase{"wide_beam_bounded", 20, true, 0.5, 1.5, true, 100.2, false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(TrackingOptions, ABeamwidthOutOfRangeIsRefused) {
    TrackingOptions o;
    for (double beam : {0.0, 0.01, 90.0}) {
        o.BeamwidthDeg = beam;
        EXPECT_TRUE(TrackingOptionsProblem(o).empty()) << beam;
    }
    for (double beam : {-1.0, 0.005, 91.0, kNaN}) {
        o.BeamwidthDeg = beam;
        EXPECT_FALSE(TrackingOptionsProblem(o).empty()) << beam;
    }
}

// ---- below the minimum elevation --------------------------------------------

TEST_F(SunTracker, HoldKeepsTheLastCommandWhileTheSourceIsBelowTheMinimum) {
    options.MinElevationDeg = 10;
    ASSERT_EQ(At(100, 12).What, Action::Point);
    for (double el : {9.9, 0.0, -30.0}) {
        const TrackDecision d = At(140, el);
        EXPECT_EQ(d.What, Action::None) << el;
        EXPECT_TRUE(d.BelowMinimum);
        EXPECT_FALSE(d.Target.has_value());
        EXPECT_EQ(d.State, state::kWaiting);
    }
    // Risen again, within the threshold of the held command: nothing to do.
    EXPECT_EQ(At(100.1, 12).What, Action::None);
}

TEST_F(SunTracker, ParkParksOnceAndTracksAtOnceWhenTheSourceRises) {
    options.Below = WhenBelow::Park;
    options.ParkPosition = RotatorPosition{180, 0};
    ASSERT_EQ(At(100, 5).What, Action::Point);
    TrackDecision d = At(100, -1);
    EXPECT_EQ(d.What, Action::Park);
    EXPECT_EQ(d.State, state::kParked);
    for (int i = 0; i < 3; ++i) {
        d = At(100, -1 - i);
        EXPECT_EQ(d.What, Action::None) << "parks only once";
        EXPECT_EQ(d.State, state::kParked);
    }
    // The same place as before parking: the rotator has left it, so a
    // command goes out although the target has not moved.
    d = At(100, 5);
    ASSERT_EQ(d.What, Action::Point);
    EXPECT_NEAR(d.Command.AzimuthDeg, 100, kTolDeg);
    EXPECT_EQ(At(100, -1).What, Action::Park) << "and parks again when it sets again";
}

TEST_F(SunTracker, ASourceBelowTheMinimumFromTheStartIsNeverCommanded) {
    options.Below = WhenBelow::Hold;
    options.MinElevationDeg = 5;
    for (double el : {4.99, -10.0, -89.0}) {
        EXPECT_EQ(At(200, el).What, Action::None) << el;
    }
}

TEST_F(SunTracker, APlaceThatCannotBeComputedCommandsNothing) {
    const TrackDecision d = At(kNaN, kNaN);
    EXPECT_EQ(d.What, Action::None);
    EXPECT_EQ(d.State, state::kNoPosition);
    EXPECT_FALSE(d.Target.has_value());
}

// Centaurus A (declination about -43) never rises at latitude 60 north: a
// whole day of steps, and not one command. Cassiopeia A (about +59) never
// sets there, and is followed the whole day.
TEST(FixedSourceTracking, FromLatitude60NorthCentaurusNeverRisesAndCassiopeiaNeverSets) {
    test::PlacedSunMoon unused;
    const HomeStation station = StationAt(60, 10);
    const ObservingConditions conditions;
    for (const WhenBelow below : {WhenBelow::Hold, WhenBelow::Park}) {
        Tracker cen(unused);
        Tracker cas(unused);
        TrackingOptions cenOptions;
        cenOptions.Source = SkySource::CentaurusA;
        cenOptions.Below = below;
        TrackingOptions casOptions;
        casOptions.Source = SkySource::CassiopeiaA;
        int parks = 0;
        int casCommands = 0;
        for (int minute = 0; minute < 24 * 60; minute += 10) {
            const DecodedInstant utc{2026,
                                     3,
                                     20,
                                     static_cast<std::uint16_t>(minute / 60),
                                     static_cast<std::uint16_t>(minute % 60),
                                     0,
                                     0};
            const TrackDecision d = cen.Step(utc, station, conditions, cenOptions, std::nullopt);
            ASSERT_TRUE(d.Sky.Valid);
            EXPECT_LT(d.Sky.ElevationDeg, 0);
            EXPECT_NE(d.What, Action::Point) << "commanded at minute " << minute;
            parks += d.What == Action::Park ? 1 : 0;

            const TrackDecision c = cas.Step(utc, station, conditions, casOptions, std::nullopt);
            ASSERT_TRUE(c.Sky.Valid);
            EXPECT_FALSE(c.BelowMinimum);
            casCommands += c.What == Action::Point ? 1 : 0;
            ASSERT_TRUE(c.Target.has_value());
            EXPECT_NEAR(c.Target->ElevationDeg, c.Sky.ElevationDeg, kTolDeg);
        }
        EXPECT_EQ(parks, below == WhenBelow::Park ? 1 : 0);
        EXPECT_EQ(casCommands, 24 * 6) << "ten minutes always move it beyond 0.5 degrees";
    }
}

// ---- refused options ----------------------------------------------------------

struct RefusedCase {
    const char* Name;
    std::function<void(TrackingOptions&)> Spoil;
};

TEST_F(SunTracker, RefusedOptionsAreSaidAndNeverCommand) {
    ASSERT_TRUE(TrackingOptionsProblem(options).empty()) << TrackingOptionsProblem(options);
    const RefusedCase cases[] = {
        {"period NaN", [](auto& o) { o.PeriodS = kNaN; }},
        {"period too short", [](auto& o) { o.PeriodS = 0.19; }},
        {"period too long", [](auto& o) { o.PeriodS = 60.5; }},
        {"threshold negative", [](auto& o) { o.ThresholdDeg = -0.1; }},
        {"threshold infinite", [](auto& o) { o.ThresholdDeg = HUGE_VAL; }},
        {"minimum NaN", [](auto& o) { o.MinElevationDeg = kNaN; }},
        {"maximum beyond the zenith", [](auto& o) { o.MaxElevationDeg = 91; }},
        {"minimum above maximum",
         [](auto& o) {
             o.MinElevationDeg = 50;
             o.MaxElevationDeg = 40;
         }},
        {"azimuth offset NaN", [](auto& o) { o.AzimuthOffsetDeg = kNaN; }},
        {"elevation offset too large", [](auto& o) { o.ElevationOffsetDeg = -91; }},
        {"off source beyond half a turn", [](auto& o) { o.OffSourceAzimuthDeg = 181; }},
        {"park NaN",
         [](auto& o) {
             o.ParkPosition = RotatorPosition{kNaN, 0};
         }},
        {"park beyond 450",
         [](auto& o) {
             o.ParkPosition = RotatorPosition{451, 0};
         }},
        {"range not a range", [](auto& o) { o.Range = static_cast<AzimuthRange>(7); }},
    };
    for (const RefusedCase& c : cases) {
        TrackingOptions o = options;
        c.Spoil(o);
        EXPECT_FALSE(TrackingOptionsProblem(o).empty()) << c.Name;
        tracker.Reset();
        sun.ElevationDeg = 30;
        const TrackDecision d = tracker.Step(utc, station, conditions, o, std::nullopt);
        EXPECT_EQ(d.What, Action::None) << c.Name;
        EXPECT_EQ(d.State, state::kRefused) << c.Name;
    }
    // The edges themselves are accepted.
    TrackingOptions edges = options;
    edges.PeriodS = 0.2;
    edges.ThresholdDeg = 0;
    edges.MinElevationDeg = edges.MaxElevationDeg = 90;
    edges.ParkPosition = RotatorPosition{-180, -90};
    EXPECT_TRUE(TrackingOptionsProblem(edges).empty()) << TrackingOptionsProblem(edges);
}

} // namespace
} // namespace vantrel

// What the Track window accepts in its fields, and what it tells the sky
// chart about the rotator.

#include "trackwin/TrackSetup.h"
#include "trackwin/SkyPointing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace vantrel {
namespace {

struct FieldCase {
    const char* Name;
    TrackField Field;
    const char* Text;
    bool Accepted;
    double Value;
};

class TrackFieldText : public ::testing::TestWithParam<FieldCase> {};

TEST_P(TrackFieldText, AcceptedWithinItsRangeOnly) {
    const FieldCase& c = GetParam();
    const ParsedTrackNumber p = ParseTrackField(c.Field, c.Text);
    EXPECT_EQ(p.Problem.empty(), c.Accepted) << "\"" << c.Text << "\": " << p.Problem;
    if (c.Accepted) {
        EXPECT_EQ(p.Value, c.Value);
        EXPECT_FALSE(std::signbit(p.Value) && p.Value == 0.0) << "no negative zero shown";
    } else {
        EXPECT_NE(p.Problem.find(" to "), std::string::npos) << "names the range: " << p.Problem;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, TrackFieldText,
    ::testing::Values(FieldCase{"period_default", TrackField::PeriodS, "1", true, 1.0},
                      FieldCase{"period_blanks", TrackField::PeriodS, "  0.7 ", true, 0.7},
                      FieldCase{"period_lowest", TrackField::PeriodS, "0.2", true, 0.2},
                      FieldCase{"period_too_short", TrackField::PeriodS, "0.1", false, 0},
                      FieldCase{"period_too_long", TrackField::PeriodS, "61", false, 0},
                      FieldCase{"period_comma", TrackField::PeriodS, "0,5", false, 0},
                      FieldCase{"period_empty", TrackField::PeriodS, "", false, 0},
                      FieldCase{"period_nan", TrackField::PeriodS, "nan", false, 0},
                      FieldCase{"period_inf", TrackField::PeriodS, "inf", false, 0},
                      FieldCase{"period_trailing", TrackField::PeriodS, "1s", false, 0},
                      FieldCase{"threshold_zero", TrackField::ThresholdDeg, "0", true, 0.0},
                      FieldCase{"threshold_minus_zero", TrackField::ThresholdDeg, "-0", true, 0.0},
                      FieldCase{"threshold_negative", TrackField::ThresholdDeg, "-0.1", false, 0},
                      FieldCase{"offset_plus", TrackField::AzimuthOffsetDeg, "+12.5", true, 12.5},
                      FieldCase{"offset_negative", TrackField::AzimuthOffsetDeg, "-360", true,
                                -360.0},
                      FieldCase{"offset_beyond", TrackField::AzimuthOffsetDeg, "360.01", false, 0},
                      FieldCase{"double_sign", TrackField::AzimuthOffsetDeg, "+-3", false, 0},
                      FieldCase{"min_elevation_low", TrackField::MinElevationDeg, "-5", true, -5.0},
                      FieldCase{"max_elevation_flip", TrackField::MaxElevationDeg, "180", false, 0},
                      FieldCase{"off_source", TrackField::OffSourceDeg, "-10", true, -10.0},
                      FieldCase{"park_azimuth_450", TrackField::ParkAzimuthDeg, "450", true, 450.0},
                      FieldCase{"park_azimuth_beyond", TrackField::ParkAzimuthDeg, "451", false, 0},
                      FieldCase{"speed_model_default", TrackField::SerialSpeed, "0", true, 0.0},
                      FieldCase{"speed_9600", TrackField::SerialSpeed, "9600", true, 9600.0},
                      FieldCase{"speed_fraction", TrackField::SerialSpeed, "9600.5", false, 0},
                      FieldCase{"speed_huge", TrackField::SerialSpeed, "1e300", false, 0},
                      FieldCase{"model_dummy", TrackField::Model, "1", true, 1.0},
                      FieldCase{"model_zero", TrackField::Model, "0", false, 0}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(TrackDevice, SerialPortsAndHostsAcceptedOthersSaidWhy) {
    EXPECT_EQ(DeviceProblem("/dev/ttyUSB0"), "");
    EXPECT_EQ(DeviceProblem("localhost:4533"), "");
    EXPECT_EQ(DeviceProblem("127.0.0.1:4533"), "");
    EXPECT_NE(DeviceProblem(""), "");
    EXPECT_NE(DeviceProblem("/dev/tty USB0"), "");
    EXPECT_NE(DeviceProblem("host:4533\nK"), "") << "a line break would reach the controller";
    EXPECT_NE(DeviceProblem(std::string(201, 'x')), "");
}

TEST(TrackAzimuthRange, KeysRoundTripAndOthersAreRefused) {
    for (const AzimuthRange r :
         {AzimuthRange::From0To360, AzimuthRange::FromMinus180To180, AzimuthRange::From0To450}) {
        EXPECT_EQ(AzimuthRangeFromKey(AzimuthRangeKey(r)), r);
    }
    EXPECT_EQ(AzimuthRangeKey(AzimuthRange::FromMinus180To180), "-180:180");
    EXPECT_FALSE(AzimuthRangeFromKey("0:720"));
    EXPECT_FALSE(AzimuthRangeFromKey(""));
}

TEST(TrackThresholdText, SaysTheThresholdAndWhereItComesFrom) {
    struct Case {
        const char* Name;
        double BeamDeg;
        bool FromBeam;
        const char* Expected;
    };
    const Case cases[] = {
        {"from the beam", 1.8, true,
         "threshold 0.18\u00b0 = 0.1 HPBW (beam 1.80\u00b0); on target within 0.18\u00b0"},
        {"typed", 1.8, false,
         "threshold 0.50\u00b0 as typed; on target within 0.18\u00b0 (0.1 HPBW)"},
        {"no beam", 0, true,
         "threshold 0.50\u00b0 as typed: the antenna gives no beamwidth; on target within "
         "0.50\u00b0"},
        {"bounded", 30, true,
         "threshold 1.00\u00b0 = 0.1 HPBW within 0.02..1\u00b0 (beam 30.00\u00b0); on target "
         "within 1.00\u00b0"},
    };
    for (const Case& c : cases) {
        TrackingOptions o;
        o.BeamwidthDeg = c.BeamDeg;
        o.ThresholdFromBeam = c.FromBeam;
        EXPECT_EQ(ThresholdDescription(o), c.Expected) << c.Name;
    }
}

TEST(TrackSetupCheck, FieldsTogether) {
    TrackSetup s;
    EXPECT_EQ(TrackSetupProblem(s), "") << "the defaults are accepted";
    s.Options.MinElevationDeg = 30;
    s.Options.MaxElevationDeg = 20;
    EXPECT_NE(TrackSetupProblem(s).find("minimum elevation"), std::string::npos);
    s = TrackSetup{};
    s.Rotator.Device = "";
    EXPECT_NE(TrackSetupProblem(s), "");
    s = TrackSetup{};
    s.Options.PeriodS = std::numeric_limits<double>::quiet_NaN();
    EXPECT_NE(TrackSetupProblem(s), "");
    s = TrackSetup{};
    s.ParkAt = {500, 0}; // kept while the controller's own is chosen, still checked
    EXPECT_NE(TrackSetupProblem(s), "");
}

struct SnapshotCase {
    const char* Name;
    AzimuthRange Range;
    double AzimuthOffsetDeg;
    double ElevationOffsetDeg;
    RotatorPosition AtRotator;
    double SkyAzimuthDeg;
    double SkyElevationDeg;
};

class SnapshotOnSky : public ::testing::TestWithParam<SnapshotCase> {};

TEST_P(SnapshotOnSky, OffsetsAndRangeTakenOff) {
    const SnapshotCase& c = GetParam();
    TrackingOptions o;
    o.Range = c.Range;
    o.AzimuthOffsetDeg = c.AzimuthOffsetDeg;
    o.ElevationOffsetDeg = c.ElevationOffsetDeg;
    o.Source = SkySource::Sun;
    const PointingSnapshot s = MakePointingSnapshot(true, o, c.AtRotator, c.AtRotator);
    EXPECT_TRUE(s.Tracking);
    EXPECT_EQ(s.Source, SkySource::Sun);
    ASSERT_TRUE(s.Target && s.Reported);
    constexpr double kTolDeg = 1e-9;
    EXPECT_NEAR(s.Target->AzimuthDeg, c.SkyAzimuthDeg, kTolDeg);
    EXPECT_NEAR(s.Target->ElevationDeg, c.SkyElevationDeg, kTolDeg);
    EXPECT_NEAR(s.Reported->AzimuthDeg, c.SkyAzimuthDeg, kTolDeg);
    EXPECT_GE(s.Reported->AzimuthDeg, 0.0);
    EXPECT_LT(s.Reported->AzimuthDeg, 360.0);
}

INSTANTIATE_TEST_SUITE_P(
    Rotators, SnapshotOnSky,
    ::testing::Values(
        SnapshotCase{"plain", AzimuthRange::From0To360, 0, 0, {123.4, 45.6}, 123.4, 45.6},
        SnapshotCase{"beyond_north_450", AzimuthRange::From0To450, 0, 0, {430, 10}, 70, 10},
        SnapshotCase{"south_stop", AzimuthRange::FromMinus180To180, 0, 0, {-90, 5}, 270, 5},
        SnapshotCase{"offsets", AzimuthRange::From0To360, 12, -2, {5, 28}, 353, 30},
        SnapshotCase{"offset_and_450", AzimuthRange::From0To450, -20, 1.5, {440, 31.5}, 100, 30},
        SnapshotCase{"full_turn", AzimuthRange::From0To360, 0, 0, {360, 0}, 0, 0}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(SnapshotOnSkyEdges, MissingOrGarbagePositionsAreNotDrawn) {
    TrackingOptions o;
    const PointingSnapshot none = MakePointingSnapshot(false, o, std::nullopt, std::nullopt);
    EXPECT_FALSE(none.Tracking);
    EXPECT_FALSE(none.Target);
    EXPECT_FALSE(none.Reported);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const PointingSnapshot bad =
        MakePointingSnapshot(true, o, RotatorPosition{nan, 10}, RotatorPosition{10, nan});
    EXPECT_FALSE(bad.Target);
    EXPECT_FALSE(bad.Reported);
}

} // namespace
} // namespace vantrel

// The rotator's azimuth for a sky azimuth in each range, and the angles on
// the sky the tracker measures its threshold with.

#include "tracking/AzimuthRange.h"
#include "tracking/SkyAngles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

namespace vantrel {
namespace {

struct RangeCase {
    const char* Name;
    AzimuthRange Range;
    double SkyDeg;
    std::optional<double> ReferenceDeg;
    double ExpectedDeg;
};

class RotatorAzimuthTest : public testing::TestWithParam<RangeCase> {};

TEST_P(RotatorAzimuthTest, TakesTheShortWayWithinTheRange) {
    const RangeCase& c = GetParam();
    const double got = RotatorAzimuthDeg(c.SkyDeg, c.Range, c.ReferenceDeg);
    EXPECT_NEAR(got, c.ExpectedDeg, 1e-9) << c.Name;
    const auto [lo, hi] = AzimuthLimitsDeg(c.Range);
    EXPECT_GE(got, lo);
    EXPECT_LE(got, hi);
}

constexpr auto k360 = AzimuthRange::From0To360;
constexpr auto k180 = AzimuthRange::FromMinus180To180;
constexpr auto k450 = AzimuthRange::From0To450;
constexpr std::optional<double> kNone;

INSTANTIATE_TEST_SUITE_P(
    Ranges, RotatorAzimuthTest,
    testing::Values(RangeCase{"0..360 keeps an azimuth", k360, 123.4, 300.0, 123.4},
                    RangeCase{"0..360 wraps a negative azimuth", k360, -10.0, kNone, 350.0},
                    RangeCase{"0..360 wraps past a turn", k360, 725.0, kNone, 5.0},
                    RangeCase{"0..360 north near the 360 end", k360, 0.0, 355.0, 360.0},
                    RangeCase{"0..360 north near the 0 end", k360, 0.0, 5.0, 0.0},
                    RangeCase{"0..360 north without reference", k360, 360.0, kNone, 0.0},
                    RangeCase{"-180..180 east stays", k180, 90.0, kNone, 90.0},
                    RangeCase{"-180..180 west goes negative", k180, 270.0, kNone, -90.0},
                    RangeCase{"-180..180 just east of south", k180, 179.0, kNone, 179.0},
                    RangeCase{"-180..180 just west of south", k180, 181.0, kNone, -179.0},
                    RangeCase{"-180..180 south near plus 180", k180, 180.0, 170.0, 180.0},
                    RangeCase{"-180..180 south near minus 180", k180, 180.0, -170.0, -180.0},
                    RangeCase{"0..450 rotator at 420, source at 70", k450, 70.0, 420.0, 430.0},
                    RangeCase{"0..450 rotator at 10, source at 350", k450, 350.0, 10.0, 350.0},
                    RangeCase{"0..450 rotator at 100, source at 20", k450, 20.0, 100.0, 20.0},
                    RangeCase{"0..450 rotator at 300, source at 20", k450, 20.0, 300.0, 380.0},
                    RangeCase{"0..450 source at 95 has one way", k450, 95.0, 440.0, 95.0},
                    RangeCase{"0..450 source at 90 from 449", k450, 90.0, 449.0, 450.0},
                    RangeCase{"0..450 without reference the lower", k450, 45.0, kNone, 45.0},
                    RangeCase{"0..450 reference NaN the lower", k450, 45.0,
                              std::numeric_limits<double>::quiet_NaN(), 45.0},
                    RangeCase{"0..450 sky azimuth given beyond 360", k450, 400.0, 420.0, 400.0}),
    [](const testing::TestParamInfo<RangeCase>& info) {
        std::string name;
        for (const char* p = info.param.Name; *p; ++p) {
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        }
        return name;
    });

TEST(RotatorAzimuth, NotANumberStaysNotANumber) {
    EXPECT_TRUE(std::isnan(
        RotatorAzimuthDeg(std::numeric_limits<double>::quiet_NaN(), AzimuthRange::From0To450, 10)));
}

TEST(Azimuth0To360, NeverReturns360) {
    EXPECT_EQ(Azimuth0To360(-1e-20), 0.0);
    EXPECT_EQ(Azimuth0To360(360.0), 0.0);
    EXPECT_DOUBLE_EQ(Azimuth0To360(-90.0), 270.0);
    EXPECT_DOUBLE_EQ(Azimuth0To360(450.0), 90.0);
}

struct AngleCase {
    const char* Name;
    double Az1, El1, Az2, El2;
    double ExpectedDeg;
};

// Expected values from the spherical law of cosines worked by hand:
// cos d = sin e1 sin e2 + cos e1 cos e2 cos ΔA.
TEST(AngleBetween, AgreesWithTheLawOfCosines) {
    const AngleCase cases[] = {
        {"same point", 10, 20, 10, 20, 0.0},
        {"along the horizon", 0, 0, 90, 0, 90.0},
        {"elevation only", 123, 10, 123, 40, 30.0},
        {"through the zenith", 0, 80, 180, 80, 20.0},
        {"azimuth 360 apart", 10, 30, 370, 30, 0.0},
        // 10 degrees of azimuth at elevation 60: 2 asin(cos 60 sin 5)
        {"azimuth step at 60", 100, 60, 110, 60, 4.9952380898},
        // and at 80: 2 asin(cos 80 sin 5)
        {"azimuth step at 80", 100, 80, 110, 80, 1.7343448182},
        {"zenith, any azimuth", 0, 90, 137, 90, 0.0},
        {"small angle keeps its precision", 0, 0, 1e-6, 0, 1e-6},
    };
    for (const AngleCase& c : cases) {
        const double got = AngleBetweenDeg(c.Az1, c.El1, c.Az2, c.El2);
        EXPECT_NEAR(got, c.ExpectedDeg, 1e-9 + 1e-9 * c.ExpectedDeg)
            << c.Name << ": expected " << c.ExpectedDeg << ", got " << got;
    }
}

} // namespace
} // namespace vantrel

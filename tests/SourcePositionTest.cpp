#include "astro/SourcePosition.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace vantrel {
namespace {

long double Deg(long double rad) {
    return rad / kDegToRad;
}

TEST(QuadrantAngle, CoversAllQuadrantsAndTheGuard) {
    const struct {
        long double y, x;
    } cases[] = {{1, 2}, {2, 1}, {1, -2}, {-1, -2}, {-2, 1}, {0, -1}, {0, 1}, {-3, 0}, {3, 0}};
    for (const auto& c : cases) {
        EXPECT_NEAR(QuadrantAngle(c.y, c.x), std::atan2(c.y, c.x), 1e-18L)
            << "y " << c.y << " x " << c.x;
    }
    EXPECT_EQ(QuadrantAngle(0, 0), kHalfPi);
}

TEST(SineCosine, MatchesTheLibraryOverSeveralTurns) {
    for (long double x = -30; x <= 30; x += 0.001953125L) { // every quadrant boundary region
        const SineCosine sc = SineCosine::Of(x);
        // gtest's NEAR works in double; compare the extended values directly.
        ASSERT_LT(std::fabs(sc.Sin - std::sin(x)), 2e-18L) << "x " << x;
        ASSERT_LT(std::fabs(sc.Cos - std::cos(x)), 2e-18L) << "x " << x;
    }
    const long double quadrants[] = {kHalfPi, kPi, -kHalfPi, kTwoPi, 3 * kHalfPi, 1e7L};
    for (const long double x : quadrants) {
        EXPECT_LT(std::fabs(SineCosine::Of(x).Sin - std::sin(x)), 2e-18L) << "x " << x;
        EXPECT_LT(std::fabs(SineCosine::Of(x).Cos - std::cos(x)), 2e-18L) << "x " << x;
    }
}

// SineOf stands in for SineCosine::Of(x).Sin inside every position, so it
// must give the same bits, not merely a close value: on a fine grid over
// several turns, at odd points, around every multiple of π/4 and beyond the
// fast range.
TEST(SineOf, SameBitsAsTheSineOfSineCosine) {
    std::vector<long double> xs;
    for (long double x = -30; x <= 30; x += 0.000244140625L) {
        xs.push_back(x);
        xs.push_back(x + 1.0e-4L / 3);
    }
    for (int q = -40; q <= 40; ++q) {
        for (const long double d : {-1e-12L, -1e-18L, 0.0L, 1e-18L, 1e-12L}) {
            xs.push_back(q * kPi / 4 + d);
        }
    }
    for (const long double x : {1e6L, -1e6L, 3e7L, 1e300L, 0.0L, -0.0L}) {
        xs.push_back(x);
    }
    for (const long double x : xs) {
        const long double want = SineCosine::Of(x).Sin;
        const long double got = SineOf(x);
        ASSERT_EQ(std::memcmp(&want, &got, 10), 0)
            << "x " << x << " want " << want << " got " << got;
    }
}

TEST(SourcePosition, MeridianTransitsSouthAndNorthOfTheZenith) {
    const long double lat = 50 * kDegToRad;
    // GST 0 and α 0: the source is on the Greenwich meridian, h = 0.
    const SourcePositionResult south = SourcePosition(0, 0, 10 * kDegToRad, lat, 0);
    EXPECT_EQ(DegreeText(RoundedDegrees(south.Azimuth)), "180.00");
    EXPECT_EQ(DegreeText(RoundedDegrees(south.Elevation)), "50.00");
    const SourcePositionResult north = SourcePosition(0, 0, 70 * kDegToRad, lat, 0);
    EXPECT_EQ(DegreeText(RoundedDegrees(north.Azimuth)), "360.00");
    EXPECT_EQ(DegreeText(RoundedDegrees(north.Elevation)), "70.00");
}

TEST(SourcePosition, HourAngleRange) {
    EXPECT_EQ(SourcePosition(0, 0, 0, 0, 0).GreenwichHourAngle, 0);
    const SourcePositionResult justAbove = SourcePosition(0, 1e-6L, 0, 0, 0);
    EXPECT_LT(justAbove.GreenwichHourAngle, kTwoPi);
    EXPECT_GT(justAbove.GreenwichHourAngle, kTwoPi - 2e-6L);
    EXPECT_EQ(DegreeText(RoundedDegrees(justAbove.GreenwichHourAngle)), "360.00");
    const SourcePositionResult lha = SourcePosition(6, 0, 0, 0, 2);
    EXPECT_NEAR(lha.LocalHourAngle, lha.GreenwichHourAngle + 2, 1e-18L);
}

TEST(SourcePosition, ZenithDoesNotFail) {
    const long double lat = 37.5L * kDegToRad;
    const SourcePositionResult p = SourcePosition(0, 0, lat, lat, 0);
    EXPECT_FALSE(std::isnan(p.Elevation));
    EXPECT_NEAR(Deg(p.Elevation), 90, 1e-6L);
    EXPECT_FALSE(std::isnan(p.Azimuth));
}

/// Independent horizontal coordinates: elevation by asin, azimuth by atan2 in
/// the form of Meeus, "Astronomical Algorithms", eq. 13.5/13.6 (from north).
void Horizontal(long double h, long double dec, long double lat, long double& el, long double& az) {
    el = std::asin(std::sin(lat) * std::sin(dec) + std::cos(lat) * std::cos(dec) * std::cos(h));
    az = std::atan2(-std::sin(h), std::cos(lat) * std::tan(dec) - std::sin(lat) * std::cos(h));
    if (az <= 0) {
        az += kTwoPi;
    }
}

TEST(SourcePosition, AgreesWithTextbookFormulasEverywhere) {
    std::mt19937_64 rng(20261209);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int i = 0; i < 5000; ++i) {
        const long double gst = 24 * unit(rng);
        const long double ra = kTwoPi * unit(rng);
        const long double dec = (unit(rng) * 178 - 89) * kDegToRad;
        const long double lat = (unit(rng) * 178 - 89) * kDegToRad;
        const long double lon = (unit(rng) * 360 - 180) * kDegToRad;
        const SourcePositionResult p = SourcePosition(gst, ra, dec, lat, lon);
        long double el = 0;
        long double az = 0;
        Horizontal(p.LocalHourAngle, dec, lat, el, az);
        ASSERT_NEAR(p.Elevation, el, 1e-12L) << "case " << i;
        // Azimuth is ill-defined near the zenith; compare it away from it.
        if (std::cos(el) > 1e-6L) {
            long double d = std::remainder(p.Azimuth - az, kTwoPi);
            ASSERT_NEAR(d, 0, 1e-9L)
                << "case " << i << " az " << Deg(p.Azimuth) << " vs " << Deg(az);
        }
        long double gha = std::fmod(gst * 15 * kDegToRad - ra, kTwoPi);
        if (gha < 0) {
            gha += kTwoPi;
        }
        ASSERT_NEAR(std::remainder(p.GreenwichHourAngle - gha, kTwoPi), 0, 1e-15L);
    }
}

TEST(RoundedDegrees, RoundsHalfAwayFromZeroBothSigns) {
    const struct {
        long double degrees;
        const char* text;
        bool below;
    } cases[] = {
        {-43.01L, "-43.01", true},   {-29.00777L, "-29.01", true}, {-1.234L, "-1.23", true},
        {-0.006L, "-0.01", true},    {-0.004L, " 0.00", false},    {0.004L, " 0.00", false},
        {0.006L, " 0.01", false},    {-0.016L, "-0.02", true},     {58.8151L, "58.82", false},
        {359.996L, "360.00", false},
    };
    for (const auto& c : cases) {
        const long double rad = c.degrees * kDegToRad;
        EXPECT_EQ(DegreeText(RoundedDegrees(rad)), c.text) << c.degrees;
        EXPECT_EQ(BelowHorizon(rad), c.below) << c.degrees;
    }
    EXPECT_FALSE(std::signbit(RoundedDegrees(-0.004L * kDegToRad)));
}

TEST(DegreeText, FixedWidthPointSeparatedText) {
    const struct {
        long double value;
        const char* text;
    } cases[] = {{5.2L, " 5.20"},  {45, "45.00"},      {123.456L, "123.46"},
                 {-5.2L, "-5.20"}, {-0.0L, " 0.00"},   {360, "360.00"},
                 {0, " 0.00"},     {-0.001L, " 0.00"}, {-180, "-180.00"}};
    for (const auto& c : cases) {
        EXPECT_EQ(DegreeText(c.value), c.text) << c.value;
    }
}

TEST(DegreeText, IgnoresTheUserNumberSettings) {
    const char* locales[] = {"de_DE.UTF-8", "fr_FR.UTF-8", "C.UTF-8"};
    for (const char* name : locales) {
        if (std::setlocale(LC_ALL, name) == nullptr) {
            continue;
        }
        EXPECT_EQ(DegreeText(12.5L), "12.50") << name;
    }
    std::setlocale(LC_ALL, "C");
}

} // namespace
} // namespace vantrel

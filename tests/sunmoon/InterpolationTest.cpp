// The error of interpolating the slow quantities: the angles from the
// interpolated values against the angles from ERFA's direct computation, at
// many instants; and how often the sweep fits a window.

#include "sunmoon/SlowEphemeris.h"
#include "sunmoon/SunMoonEngine.h"
#include "sunmoon/TopocentricPlace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace vantrel::sunmoon {
namespace {

constexpr double kArcsecPerDeg = 3600.0;
/// TT days since J2000.0 of 1900 January 1 and of 2100 December 31.
constexpr double kFirstDay = -36524.5;
constexpr double kLastDay = 36889.5;

TEST(SunMoonAngles, WrapDegrees360) {
    const struct {
        double In, Out;
    } cases[] = {{0, 0},     {359.5, 359.5}, {360, 0},    {720.5, 0.5},
                 {-90, 270}, {-360, 0},      {-1e-14, 0}, {-1e-10, 360 - 1e-10}};
    for (const auto& c : cases) {
        EXPECT_EQ(WrapDegrees360(c.In), c.Out) << c.In;
        EXPECT_LT(WrapDegrees360(c.In), 360.0);
    }
}

/// Instants over 1900-2100: random ones, and ones at and next to window
/// edges, where an interpolant is least exact.
std::vector<double> TestInstants() {
    std::mt19937_64 random(1729);
    std::uniform_real_distribution<double> day(kFirstDay, kLastDay);
    std::uniform_real_distribution<double> edgeDay(-36000.0, 36000.0);
    std::vector<double> tt;
    tt.reserve(600 + 3 * 150 + 2);
    for (int i = 0; i < 600; ++i) {
        tt.push_back(day(random));
    }
    for (int i = 0; i < 150; ++i) {
        const double edge = std::floor(edgeDay(random)) * kWindowDays;
        tt.push_back(edge);
        tt.push_back(edge - 1e-7);
        tt.push_back(edge + 1e-3);
    }
    tt.push_back(kFirstDay);
    tt.push_back(kLastDay);
    return tt;
}

TEST(SunMoonInterpolation, FinalAnglesMatchTheDirectReduction) {
    SlowEphemeris ephemeris;
    std::mt19937_64 random(4242);
    std::uniform_real_distribution<double> latitude(-90.0, 90.0);
    std::uniform_real_distribution<double> longitude(-180.0, 180.0);
    std::uniform_real_distribution<double> height(-400.0, 5000.0);
    double worst[2][4] = {};
    for (const double tt : TestInstants()) {
        const std::optional<Station> station =
            StationFromGeodetic(height(random), latitude(random), longitude(random));
        ASSERT_TRUE(station);
        TimeScales time;
        time.TtDaysSinceJ2000 = tt;
        time.Ut1Jd1 = 2451545.0;
        time.Ut1Jd2 = tt - 69.184 / 86400.0;
        const SlowQuantities direct = DirectSlowQuantities(tt);
        const SlowQuantities interpolated = ephemeris.At(tt);
        const Observer directObserver = ObserverAt(time, *station, direct);
        const Observer observer = ObserverAt(time, *station, interpolated);
        for (int b = 0; b <= 1; ++b) {
            const TopocentricPlace d = ApparentPlace(Body(b), directObserver, *station, direct);
            const TopocentricPlace i = ApparentPlace(Body(b), observer, *station, interpolated);
            const double errors[4] = {std::remainder(i.GhaDeg - d.GhaDeg, 360.0) *
                                          std::cos(d.DecDeg * kDegToRad),
                                      i.DecDeg - d.DecDeg,
                                      std::remainder(i.AzimuthDeg - d.AzimuthDeg, 360.0) *
                                          std::cos(d.ElevationDeg * kDegToRad),
                                      i.ElevationDeg - d.ElevationDeg};
            for (int a = 0; a < 4; ++a) {
                worst[b][a] = std::max(worst[b][a], std::fabs(errors[a]) * kArcsecPerDeg);
            }
        }
    }
    for (int b = 0; b <= 1; ++b) {
        std::printf("%s interpolated vs direct, worst: GHA*cos(dec) %.2e\", dec %.2e\", "
                    "az*cos(el) %.2e\", el %.2e\"\n",
                    b == 0 ? "Moon" : "Sun ", worst[b][0], worst[b][1], worst[b][2], worst[b][3]);
        for (int a = 0; a < 4; ++a) {
            EXPECT_LT(worst[b][a], 1e-4) << "body " << b << " angle " << a << " (arcsec)";
        }
    }
}

// The sweep's calls fit each window they pass through once, not at every
// call nor at every change of body.
TEST(SunMoonInterpolation, MonthSweepFitsEachWindowOnce) {
    SunMoonEngine engine;
    Request request;
    request.Utc = {2025, 1, 1, 0, 0, 0};
    request.HeightM = 30;
    request.LatitudeDeg = 51.5;
    request.LongitudeDeg = -0.1;
    int rows = 0;
    for (std::uint16_t day = 1; day <= 31; ++day) {
        for (std::uint16_t minute = 0; minute < 1440; ++minute) {
            request.Utc = {2025,
                           1,
                           day,
                           static_cast<std::uint16_t>(minute / 60),
                           static_cast<std::uint16_t>(minute % 60),
                           0};
            for (int body = 0; body <= 1; ++body) {
                request.BodyCode = body;
                ASSERT_TRUE(engine.Compute(request).has_value());
            }
            ++rows;
        }
    }
    EXPECT_EQ(rows, 44640);
    const std::optional<TimeScales> first = TimeScalesFromUtc({2025, 1, 1, 0, 0, 0});
    const std::optional<TimeScales> last = TimeScalesFromUtc({2025, 1, 31, 23, 59, 0});
    ASSERT_TRUE(first && last);
    const double windows = std::floor(last->TtDaysSinceJ2000 / kWindowDays) -
                           std::floor(first->TtDaysSinceJ2000 / kWindowDays) + 1;
    EXPECT_EQ(static_cast<double>(engine.FittedWindows()), windows);
    EXPECT_LE(engine.FittedWindows(), 32 / kWindowDays + 1);
}

} // namespace
} // namespace vantrel::sunmoon

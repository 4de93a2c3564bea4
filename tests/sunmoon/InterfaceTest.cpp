// The program's C++ interface to the library: OrbexSunMoon hands the
// distance through unchanged, and an implementation of SunMoonLibrary
// without a distance (the fakes of the sweep tests, a library with only the
// five angle entry points) gives NaN.

#include "astro/OrbexSunMoon.h"
#include "sunmoon/Orbex_sunmoon.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>

namespace vantrel {
namespace {

/// An implementation that overrides only the five angle operations.
class AnglesOnly final : public SunMoonLibrary {
public:
    void DataToDLL(const DecodedInstant&, double, double, double, SunMoonBody) override {}
    double GetAzimuth() override { return 10; }
    double GetElevation() override { return 20; }
    double GetGHA() override { return 30; }
    double GetDecTopo() override { return 40; }
};

TEST(SunMoonInterface, DistanceIsNaNWhereTheLibraryHasNone) {
    AnglesOnly library;
    EXPECT_TRUE(std::isnan(library.GetDistanceKm())) << library.GetDistanceKm();
}

TEST(SunMoonInterface, OrbexGivesTheLibrarysDistanceInKilometres) {
    OrbexSunMoon library;
    DecodedInstant utc;
    utc.Year = 2024, utc.Month = 4, utc.Day = 8, utc.Hour = 18, utc.Minute = 0, utc.Second = 0;
    utc.Millisecond = 750; // dropped
    for (const SunMoonBody body : {SunMoonBody::Moon, SunMoonBody::Sun}) {
        library.DataToDLL(utc, 0.0, 7.814867, -89.906711, body);
        const double got = library.GetDistanceKm();
        ::DataToDLL(2024, 4, 8, 18, 0, 0, 0.0, 7.814867, -89.906711, 0,
                    static_cast<std::uint8_t>(body), 0.0);
        const double expected = ::GetDistance();
        EXPECT_EQ(std::bit_cast<std::uint64_t>(got), std::bit_cast<std::uint64_t>(expected))
            << "expected " << expected << " km, got " << got << " km";
    }
    // The Moon at the zenith of this station at the eclipse of 2024 April 8:
    // the Swiss Ephemeris (DE431) gives 353 402.98 km; the series is good to
    // about 10 km.
    library.DataToDLL(utc, 0.0, 7.814867, -89.906711, SunMoonBody::Moon);
    EXPECT_NEAR(library.GetDistanceKm(), 353402.98, 10.0);
    EXPECT_NEAR(library.GetElevation(), 90.0, 0.05);
    // Bad input: NaN, as for the angles.
    utc.Month = 13;
    library.DataToDLL(utc, 0.0, 7.814867, -89.906711, SunMoonBody::Moon);
    EXPECT_TRUE(std::isnan(library.GetDistanceKm()));
}

} // namespace
} // namespace vantrel

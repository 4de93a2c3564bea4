// Refraction of an airless azimuth and elevation (or hour angle and
// declination) against ERFA's eraAtioq,
// which refracts a CIRS place: the same direction handed to both must give
// the same observed elevation, hour angle and declination.

#include "apparent/Refraction.h"

#include <erfa.h>
#include <gtest/gtest.h>

#include <cmath>

namespace vantrel {
namespace {

constexpr double kDeg = 0.017453292519943295769236907684886;
constexpr double kArcsecPerRad = 206264.80624709635515647335733078;
/// Same formulas in the same precision; the paths differ only by the
/// rotations in and out: 1e-6″.
constexpr double kToleranceArcsec = 1e-6;

struct Air {
    const char* Name;
    double PressureHpa, TemperatureC, HumidityPercent, FrequencyMHz;
};

const Air kAirs[] = {
    {"standard", 1013.25, 10.0, 50.0, 1420.0},
    {"tropical humid", 1005.0, 35.0, 95.0, 10368.0},
    {"mountain dry", 600.0, -20.0, 5.0, 144.0},
    {"no air", 0.0, 15.0, 50.0, 1296.0},
};

TEST(Refraction, AsEraAtioqRefractsTheSameDirection) {
    const double elevations[] = {-5.0, -0.5, 0.0, 0.4, 2.0, 2.87, 3.0, 5.0, 10.0, 30.0, 60.0, 89.9};
    const double azimuths[] = {0.0, 45.0, 135.0, 180.0, 290.0};
    const double latitudes[] = {-75.0, -33.9, 0.0, 52.37, 89.5};
    double worst = 0;
    for (const Air& air : kAirs) {
        ObservingConditions c;
        c.Refraction = true;
        c.PressureHpa = air.PressureHpa;
        c.TemperatureC = air.TemperatureC;
        c.RelativeHumidityPercent = air.HumidityPercent;
        c.FrequencyMHz = air.FrequencyMHz;
        const RefractionConstants k = RefractionConstantsFor(c);
        for (const double latDeg : latitudes) {
            eraASTROM astrom{};
            astrom.sphi = std::sin(latDeg * kDeg);
            astrom.cphi = std::cos(latDeg * kDeg);
            astrom.eral = 0.0; // the local meridian: CIRS RA = −hour angle
            astrom.refa = k.ARad;
            astrom.refb = k.BRad;
            for (const double elDeg : elevations) {
                for (const double azDeg : azimuths) {
                    // Airless az/el to hour angle and declination (eraAe2hd).
                    double ha = 0;
                    double dec = 0;
                    eraAe2hd(azDeg * kDeg, elDeg * kDeg, latDeg * kDeg, &ha, &dec);
                    double aob = 0, zob = 0, hob = 0, dob = 0, rob = 0;
                    eraAtioq(-ha, dec, &astrom, &aob, &zob, &hob, &dob, &rob);
                    const ObservedDirection o =
                        RefractAirless(azDeg * kDeg, elDeg * kDeg, astrom.sphi, astrom.cphi, k);
                    const ObservedDirection e =
                        RefractEquatorial(ha, dec, astrom.sphi, astrom.cphi, k);
                    const double dEq =
                        std::max({std::fabs(e.ElevationRad - o.ElevationRad),
                                  std::fabs(std::remainder(
                                      e.LocalHourAngleRad - o.LocalHourAngleRad, 2 * M_PI)) *
                                      std::cos(dob),
                                  std::fabs(e.DeclinationRad - o.DeclinationRad)});
                    EXPECT_LE(dEq * kArcsecPerRad, kToleranceArcsec)
                        << "from hour angle and declination: " << air.Name << " lat " << latDeg
                        << " az " << azDeg << " el " << elDeg;
                    const double dEl = (o.ElevationRad - (M_PI / 2 - zob)) * kArcsecPerRad;
                    const double dHa = std::remainder(o.LocalHourAngleRad - hob, 2 * M_PI) *
                                       std::cos(dob) * kArcsecPerRad;
                    const double dDec = (o.DeclinationRad - dob) * kArcsecPerRad;
                    const double largest =
                        std::max({std::fabs(dEl), std::fabs(dHa), std::fabs(dDec)});
                    worst = std::max(worst, largest);
                    EXPECT_LE(largest, kToleranceArcsec)
                        << air.Name << " lat " << latDeg << " az " << azDeg << " el " << elDeg
                        << "\n  eraAtioq el " << 90 - zob / kDeg << " ha " << hob / kDeg << " dec "
                        << dob / kDeg << "\n  got      el " << o.ElevationRad / kDeg << " ha "
                        << o.LocalHourAngleRad / kDeg << " dec " << o.DeclinationRad / kDeg
                        << "\n  difference (arcsec) el " << dEl << " ha*cos(dec) " << dHa << " dec "
                        << dDec;
                }
            }
        }
    }
    std::printf("refraction vs eraAtioq: worst %.3g arcsec\n", worst);
}

// The size of the correction where it is well known: ΔE = A cot E + B cot³ E
// to first order, about A at 45°; at the horizon the model is held at 2.87°.
TEST(Refraction, SizeFollowsTheModel) {
    ObservingConditions c;
    c.Refraction = true;
    const RefractionConstants k = RefractionConstantsFor(c);
    const double lat = 52.0 * kDeg;
    for (const double elDeg : {10.0, 20.0, 45.0, 70.0}) {
        const ObservedDirection o =
            RefractAirless(1.0, elDeg * kDeg, std::sin(lat), std::cos(lat), k);
        const double cot = 1.0 / std::tan(elDeg * kDeg);
        const double model = k.ARad * cot + k.BRad * cot * cot * cot;
        const double got = o.ElevationRad - elDeg * kDeg;
        EXPECT_NEAR(got * kArcsecPerRad, model * kArcsecPerRad, 0.01 * model * kArcsecPerRad)
            << "elevation " << elDeg;
    }
    const ObservedDirection horizon = RefractAirless(1.0, 0.0, std::sin(lat), std::cos(lat), k);
    const ObservedDirection floor = RefractAirless(1.0, 0.05, std::sin(lat), std::cos(lat), k);
    EXPECT_GT(horizon.ElevationRad, 0.0) << "a source on the airless horizon is seen above it";
    const double atFloor = floor.ElevationRad - 0.05;
    EXPECT_NEAR(horizon.ElevationRad, atFloor, 0.02 * atFloor)
        << "below sin(el) = 0.05 the correction stays that of 2.87 deg";
}

} // namespace
} // namespace vantrel

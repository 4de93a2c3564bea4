// The figures an EME operator judges a sked by: DGRD worked by hand, the
// Sun-Moon angle against ERFA's separation of the library's own Sun and
// Moon, the sky behind the Moon against the sky model's own horizon
// conversion, the Doppler rate and the spread against the Earth's rotation,
// and the next perigee and apogee against a scan of the distance.

#include "eme/EmeBeam.h"
#include "eme/EmeCalculator.h"
#include "eme/MoonNoise.h"
#include "eme/MoonPerigee.h"
#include "eme/MoonRotation.h"
#include "eme/SkyDegradation.h"
#include "measure/MoonBrightness.h"
#include "skymodel/HorizontalSky.h"
#include "skymodel/SkyBrightness.h"
#include "sunmoon/Constants.h"
#include "sunmoon/SlowEphemeris.h"
#include "sunmoon/TimeScales.h"
#include "sunmoon/TopocentricPlace.h"

#include <erfa.h>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace vantrel::eme {
namespace {

constexpr double kDeg = std::numbers::pi / 180.0;

UtcSeconds At(int year, int month, int day, int hour, int minute) {
    return UtcSecondsOf(EncodeDateTime(year, month, day, hour, minute, 0, 0));
}

TEST(SkyDegradation, WorkedByHand) {
    // T_min = 13·(f/408)^−2.6; DGRD = −10 log10((T+Tr)/(T_min+Tr)) − 40 log10(d/356 500).
    struct Case {
        const char* Name;
        double SkyK, ReceiverK, FrequencyMHz, DistanceKm, Db;
    };
    const Case cases[] = {
        {"coldest sky at the close perigee", ColdestSkyK(1296), 80, 1296, 356500, 0.0},
        // T_min = 0.6440 K: −10 log10(100/80.644) = −0.9343 dB.
        {"20 K at 1296 MHz, perigee", 20, 80, 1296, 356500, -0.9343},
        // and 40 log10(406 700/356 500) = 2.2886 dB more at apogee.
        {"20 K at 1296 MHz, apogee", 20, 80, 1296, 406700, -3.2229},
        // T_min = 194.95 K at 144 MHz: −10 log10(1080/274.95) = −5.9417 dB.
        {"galactic plane at 144 MHz", 1000, 80, 144, 356500, -5.9417},
        // Sky colder than the reference gives a little above 0.
        {"colder than the reference", 0, 80, 1296, 356500, 0.0348},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(DegradationDb(c.SkyK, c.ReceiverK, c.FrequencyMHz, c.DistanceKm), c.Db, 5e-4)
            << c.Name;
    }
    EXPECT_NEAR(ColdestSkyK(408), 13.0, 1e-12);
    EXPECT_TRUE(std::isnan(DegradationDb(NAN, 80, 144, 380000)));
    EXPECT_TRUE(std::isnan(DegradationDb(-1, 80, 144, 380000)));
    EXPECT_TRUE(std::isnan(DegradationDb(20, 80, 0, 380000)));
    EXPECT_TRUE(SunNoiseWarning(14.9, 1296));
    EXPECT_FALSE(SunNoiseWarning(15.1, 1296));
    EXPECT_FALSE(SunNoiseWarning(5, 10368));
}

TEST(SunMoonAngle, AgreesWithErfaOnTheLibrarysSunAndMoon) {
    const EmeSite home{52.5, 5.0, 10};
    EmeCalculator calculator(home, std::nullopt, ObservingConditions{});
    const auto station =
        sunmoon::StationFromGeodetic(home.HeightM, home.LatitudeDeg, home.LongitudeDeg);
    ASSERT_TRUE(station);
    sunmoon::SlowEphemeris ephemeris;
    // Across a month: new Moon (a few degrees) to full Moon (near 180°).
    double smallest = 180;
    double largest = 0;
    for (int day = 1; day <= 29; day += 2) {
        const UtcSeconds t = At(2026, 12, day, 13, 17);
        const EmeMoment m = calculator.At(t);
        ASSERT_TRUE(m.Valid);
        const DecodedInstant d = DecodeInstant(DateTimeOf(t));
        const auto time =
            sunmoon::TimeScalesFromUtc({d.Year, d.Month, d.Day, d.Hour, d.Minute, d.Second});
        ASSERT_TRUE(time);
        const sunmoon::SlowQuantities slow = ephemeris.At(time->TtDaysSinceJ2000);
        const sunmoon::Observer observer = sunmoon::ObserverAt(*time, *station, slow);
        const auto sun = sunmoon::ApparentPlace(sunmoon::Body::Sun, observer, *station, slow);
        const auto moon = sunmoon::ApparentPlace(sunmoon::Body::Moon, observer, *station, slow);
        const double expected = eraSeps(-sun.GhaDeg * kDeg, sun.DecDeg * kDeg, -moon.GhaDeg * kDeg,
                                        moon.DecDeg * kDeg) /
                                kDeg;
        // The apparent places carry the Sun's light time and aberration.
        EXPECT_NEAR(m.SunMoonDeg, expected, 0.02) << "day " << day;
        smallest = std::min(smallest, m.SunMoonDeg);
        largest = std::max(largest, m.SunMoonDeg);
    }
    EXPECT_LT(smallest, 30);
    EXPECT_GT(largest, 160);
}

TEST(SkyBehindMoon, ReadsTheMapWhereTheSkyModelPutsTheMoon) {
    const sky::SkySurveyLoad load = sky::LoadSkySurveyFrom(EME_SKY408_FOLDER);
    ASSERT_TRUE(load.Survey) << load.Problem;
    const sky::SkyBrightness brightness(*load.Survey, 144);
    const EmeSite home{52.5, 5.0, 10};
    const EmeSite dx{33.5, -97.0, 0};
    ObservingConditions at144;
    at144.FrequencyMHz = 144;
    EmeCalculator calculator(home, dx, at144);
    calculator.SetSkyBehindMoon(&brightness, 12.0, 4.0, kDefaultReceiverK);
    int compared = 0;
    for (int day = 1; day <= 28; day += 3) {
        const UtcSeconds t = At(2026, 12, day, 6, 0);
        const EmeMoment m = calculator.At(t);
        ASSERT_TRUE(m.Valid);
        const auto direction = [&](const MoonSight& s, const EmeSite& site) {
            return sky::SkyDirectionOf({s.AzimuthDeg, s.AirlessElevationDeg},
                                       {site.LatitudeDeg, site.LongitudeDeg, site.HeightM},
                                       DateTimeOf(t));
        };
        const double homeK = brightness.BeamAverageK(direction(m.Home, home), 12.0);
        const double dxK = brightness.BeamAverageK(direction(m.Dx, dx), 4.0);
        EXPECT_NEAR(m.SkyHomeK, homeK, 0.01 * homeK + 0.5) << "day " << day;
        EXPECT_NEAR(m.SkyDxK, dxK, 0.01 * dxK + 0.5) << "day " << day;
        // At 144 MHz the sky behind the Moon is 150 K and more.
        EXPECT_GT(m.SkyHomeK, 140) << "day " << day;
        EXPECT_NEAR(m.DegradationDb,
                    DegradationDb(m.SkyHomeK, kDefaultReceiverK, 144, m.Home.DistanceKm), 1e-9);
        EXPECT_LT(m.DegradationDb, 0.1);
        ++compared;
    }
    EXPECT_EQ(compared, 10);

    // Minute after minute the average is taken again only once the Moon has
    // moved a two-hundredth of the beam: still within 1 % of the average at its
    // place, here in front of the galactic centre.
    EmeCalculator minutes(home, std::nullopt, at144);
    minutes.SetSkyBehindMoon(&brightness, 12.0, 12.0, kDefaultReceiverK);
    const UtcSeconds start = At(2026, 12, 10, 6, 0);
    double lowest = 1e9;
    double highest = 0;
    for (UtcSeconds t = start; t < start + 6 * 3600; t += 300) {
        const EmeMoment m = minutes.At(t);
        const double direct =
            brightness.BeamAverageK({m.Home.J2000RaDeg, m.Home.J2000DecDeg}, 12.0);
        EXPECT_NEAR(m.SkyHomeK, direct, 0.01 * direct) << t - start;
        lowest = std::min(lowest, direct);
        highest = std::max(highest, direct);
    }
    EXPECT_GT(highest, 1000.0);
    EXPECT_NEAR(DefaultHpbwDeg(1296), 70.0 * 299.792458 / 1296 / 3.0, 1e-9);
}

/// The instant of the Moon's highest elevation from `calculator`'s home
/// within the day from `from`, to the minute.
UtcSeconds Culmination(EmeCalculator& calculator, UtcSeconds from) {
    UtcSeconds best = from;
    double highest = -90;
    for (UtcSeconds t = from; t < from + kWholeSecondsPerDay; t += 60) {
        const double el = calculator.SightsAt(t).Home.AirlessElevationDeg;
        if (el > highest) {
            highest = el;
            best = t;
        }
    }
    return best;
}

TEST(DopplerRateAndSpread, FollowTheEarthsRotation) {
    // On the equator the station moves at ω_E·a = 465.1 m/s to the east: at
    // the Moon's culmination straight across the line of sight (the spread
    // at its largest), at moonrise nearly along it (the spread smallest),
    // and the range's acceleration at culmination is ω_E²·a·cos z less the
    // Earth's pull on the Moon GM/d², so the echo's Doppler falls by
    // 2f·(ω_E²·a·cos z − GM/d²)/c (the relative motion across the line of
    // sight adds v²/d, under 3 %).
    const EmeSite equator{0.0, 0.0, 0};
    ObservingConditions at1296;
    at1296.FrequencyMHz = 1296;
    EmeCalculator calculator(equator, std::nullopt, at1296);
    const UtcSeconds transit = Culmination(calculator, At(2026, 12, 10, 0, 0));
    const EmeMoment top = calculator.At(transit);
    ASSERT_TRUE(top.Valid);
    constexpr double kOmegaEarth = 7.2921150e-5; // rad/s
    constexpr double kEquatorM = 6378137.0;
    const double cosZ = std::sin(top.Home.AirlessElevationDeg * kDeg);
    constexpr double kEarthGm = 3.986004418e14; // m³/s²
    const double dM = top.Home.DistanceKm * 1000;
    const double expectedRate =
        -2.0 * 1296e6 * (kOmegaEarth * kOmegaEarth * kEquatorM * cosZ - kEarthGm / (dM * dM)) /
        299792458.0 * 60.0;
    EXPECT_NEAR(top.EchoDopplerRateHzPerMin, expectedRate, 0.04 * std::fabs(expectedRate))
        << "expected about " << expectedRate;
    const double across = kOmegaEarth * kEquatorM / (top.Home.DistanceKm * 1000);
    // The apparent libration adds or takes up to about 0.4 µrad/s.
    EXPECT_NEAR(top.Home.ApparentRotationRadPerS, across, 0.45e-6);
    // Limb to limb: 4ωR/λ, about 40 Hz at 1296 MHz here.
    EXPECT_GT(top.EchoSpreadHz, 20.0);
    EXPECT_LT(top.EchoSpreadHz, 60.0);

    // Six hours before, the Moon near the horizon: the spread much smaller.
    UtcSeconds low = transit;
    while (calculator.SightsAt(low).Home.AirlessElevationDeg > 3) {
        low -= 60;
    }
    const EmeMoment rising = calculator.At(low);
    EXPECT_LT(rising.EchoSpreadHz, 0.6 * top.EchoSpreadHz);
    // Tens of hertz at 10 GHz.
    EXPECT_NEAR(EchoSpreadHz(top.Home.ApparentRotationRadPerS, 10368),
                top.EchoSpreadHz * 10368.0 / 1296.0, 1e-9);
    EXPECT_GT(EchoSpreadHz(top.Home.ApparentRotationRadPerS, 10368), 20.0);

    // Seen from the Earth's centre the Moon turns only by its libration.
    sunmoon::SlowEphemeris ephemeris;
    for (double d = 9830; d < 9860; d += 1.5) { // December 2026
        const sunmoon::SlowQuantities q = ephemeris.At(d);
        double r[3];
        double v[3];
        for (int i = 0; i < 3; ++i) {
            r[i] = q.MoonGeoPositionAu[i] * sunmoon::kAuKilometres;
            v[i] = q.MoonGeoVelocityAuPerDay[i] * sunmoon::kAuKilometres / sunmoon::kSecondsPerDay;
        }
        EXPECT_LT(ApparentRotationRadPerS(r, v, d), 0.5e-6) << d;
    }
}

TEST(MoonNoise, ThePhaseIsTheAlmanacsAndTheBeamTakesItsShareOfTheDisk) {
    // Phases of the Moon, January 2024 (US Naval Observatory, UTC to the
    // minute). The phase angle is 180° less the elongation: at a quarter
    // the elongation is 90° whatever the Moon's ecliptic latitude, at new
    // and full Moon it misses 0° and 180° by that latitude (up to 5.1°).
    // From Berlin the parallax adds up to a degree.
    struct Phase {
        const char* Name;
        int Day, Hour, Minute;
        double PhaseDeg; ///< Krotikov and Troitsky's: 0 full, −90 first quarter, ±180 new
        double ToleranceDeg;
    };
    const Phase phases[] = {
        {"new Moon", 11, 11, 57, 180, 6.5},
        {"first quarter", 18, 3, 53, -90, 1.5},
        {"full Moon", 25, 17, 54, 0, 6.5},
    };
    ObservingConditions conditions;
    conditions.FrequencyMHz = 10368;
    for (const Phase& p : phases) {
        EmeCalculator calc({52.52, 13.405, 40}, EmeSite{32.9, -97.0, 180}, conditions);
        calc.SetSkyBehindMoon(nullptr, 0.5, 20.0, 80);
        const EmeMoment m =
            calc.At(UtcSecondsOf(EncodeDateTime(2024, 1, p.Day, p.Hour, p.Minute, 0)));
        ASSERT_TRUE(m.Valid) << p.Name;
        EXPECT_NEAR(std::remainder(m.MoonPhaseDeg - p.PhaseDeg, 360.0), 0.0, p.ToleranceDeg)
            << p.Name;
        // It grows with time: up to 12.2° a day (less near new and full
        // Moon, where the elongation turns at the Moon's latitude).
        const double later = calc.At(m.Utc + kWholeSecondsPerDay).MoonPhaseDeg;
        const double perDay = std::remainder(later - m.MoonPhaseDeg, 360.0);
        EXPECT_GT(perDay, 5.0) << p.Name;
        EXPECT_LT(perDay, 14.0) << p.Name;
        EXPECT_FALSE(m.MoonBrightnessFixed);
        EXPECT_DOUBLE_EQ(m.MoonBrightnessK, measure::MoonBrightnessK(10368, m.MoonPhaseDeg));
        EXPECT_NEAR(m.MoonNoiseHomeK, MoonNoiseK(m.MoonBrightnessK, 2 * m.SemiDiameterDeg, 0.5),
                    1e-9);
        EXPECT_LT(m.MoonNoiseDxK, m.MoonNoiseHomeK); // a 20° beam sees little of it
        calc.SetMoonTemperature(210.0);
        const EmeMoment fixed = calc.At(m.Utc);
        EXPECT_TRUE(fixed.MoonBrightnessFixed);
        EXPECT_EQ(fixed.MoonBrightnessK, 210.0);
    }
    // The share of the beam's power within the disk.
    struct Beam {
        const char* Name;
        double DiskDeg, HpbwDeg, Expected;
    };
    const Beam beams[] = {
        {"a beam far narrower than the Moon sees all of it", 0.52, 0.01, 230},
        {"a disk as wide as the beam: half the power within", 1.0, 1.0, 115},
        {"a wide beam: ln 2·(θm/θb)²", 0.52, 15.0, 230 * std::log(2.0) * std::pow(0.52 / 15, 2)},
    };
    for (const Beam& b : beams) {
        EXPECT_NEAR(MoonNoiseK(230, b.DiskDeg, b.HpbwDeg), b.Expected, 1e-3 * b.Expected) << b.Name;
    }
    EXPECT_TRUE(std::isnan(MoonNoiseK(230, 0.5, 0)));
    EXPECT_TRUE(std::isnan(MoonNoiseK(-1, 0.5, 1)));
}

TEST(RadioHorizon, TheMoonJustBelowItIsSaidToBeSo) {
    // Over a day at sea level with radio refraction: the Moon's rising and
    // setting pass the radio horizon, 0.6° to 0.8° below the airless one
    // with the default air (ITU-R P.834). Above it the elevation is
    // refracted; below it no ray reaches the Moon.
    ObservingConditions conditions;
    conditions.Refraction = true;
    EmeCalculator calc({52.52, 13.405, 0}, std::nullopt, conditions);
    const UtcSeconds start = UtcSecondsOf(EncodeDateTime(2026, 3, 21, 0, 0, 0));
    int below = 0;
    int above = 0;
    for (UtcSeconds t = start; t < start + kWholeSecondsPerDay; t += 60) {
        const MoonSight s = calc.SightsAt(t).Home;
        ASSERT_TRUE(s.Valid);
        if (s.AirlessElevationDeg < -0.9 && s.AirlessElevationDeg > -2) {
            EXPECT_TRUE(s.BelowRadioHorizon) << s.AirlessElevationDeg;
            ++below;
        } else if (s.AirlessElevationDeg > -0.45 && s.AirlessElevationDeg < 1) {
            EXPECT_FALSE(s.BelowRadioHorizon) << s.AirlessElevationDeg;
            EXPECT_GT(s.ElevationDeg, s.AirlessElevationDeg);
            ++above;
        }
    }
    EXPECT_GE(below, 4);
    EXPECT_GE(above, 4);
    conditions.Refraction = false;
    EmeCalculator airless({52.52, 13.405, 0}, std::nullopt, conditions);
    for (UtcSeconds t = start; t < start + kWholeSecondsPerDay; t += 600) {
        EXPECT_FALSE(airless.SightsAt(t).Home.BelowRadioHorizon);
    }
}

TEST(MoonPerigee, FindsTheExtremesAScanFinds) {
    // The distance every 10 minutes over the 30 days ahead, the extremes
    // refined to the minute, with an ephemeris of the test's own.
    const UtcSeconds from = At(2026, 12, 10, 0, 0);
    sunmoon::SlowEphemeris ephemeris;
    const auto distance = [&](UtcSeconds t) {
        const DecodedInstant d = DecodeInstant(DateTimeOf(t));
        const auto time =
            sunmoon::TimeScalesFromUtc({d.Year, d.Month, d.Day, d.Hour, d.Minute, d.Second});
        const sunmoon::SlowQuantities q = ephemeris.At(time->TtDaysSinceJ2000);
        const double* r = q.MoonGeoPositionAu;
        return std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]) * sunmoon::kAuKilometres;
    };
    const PerigeeApogee p = NextPerigeeApogee(from);
    ASSERT_TRUE(p.Valid);
    // The first local minimum and maximum after `from` of the scan.
    UtcSeconds scanPerigee = 0;
    UtcSeconds scanApogee = 0;
    double before = distance(from);
    double now = distance(from + 600);
    for (UtcSeconds t = from + 1200; t < from + 30 * kWholeSecondsPerDay; t += 600) {
        const double next = distance(t);
        if (scanPerigee == 0 && now < before && now <= next) {
            scanPerigee = t - 600;
        }
        if (scanApogee == 0 && now > before && now >= next) {
            scanApogee = t - 600;
        }
        before = now;
        now = next;
    }
    ASSERT_NE(scanPerigee, 0);
    ASSERT_NE(scanApogee, 0);
    EXPECT_LE(std::llabs(p.PerigeeUtc - scanPerigee), 600);
    EXPECT_LE(std::llabs(p.ApogeeUtc - scanApogee), 600);
    for (UtcSeconds t = scanPerigee - 900; t <= scanPerigee + 900; t += 60) {
        EXPECT_GE(distance(t), p.PerigeeKm - 0.001);
    }
    for (UtcSeconds t = scanApogee - 900; t <= scanApogee + 900; t += 60) {
        EXPECT_LE(distance(t), p.ApogeeKm + 0.001);
    }
    // The apogee of 2026-12-11 comes first, then the year's closest perigee
    // of 2026-12-24, about 356 700 km.
    const DecodedInstant perigee = DecodeInstant(DateTimeOf(p.PerigeeUtc));
    const DecodedInstant apogee = DecodeInstant(DateTimeOf(p.ApogeeUtc));
    EXPECT_EQ(perigee.Month, 12);
    EXPECT_EQ(perigee.Day, 24);
    EXPECT_NEAR(p.PerigeeKm, 356700, 150);
    EXPECT_EQ(apogee.Month, 12);
    EXPECT_EQ(apogee.Day, 11);
    EXPECT_NEAR(p.ApogeeKm, 406400, 200);
    EXPECT_FALSE(NextPerigeeApogee(At(2100, 12, 20, 0, 0)).Valid);
}

} // namespace
} // namespace vantrel::eme

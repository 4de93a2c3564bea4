// The apparent-place engine: both options off is today's computation bit for
// bit; the Chebyshev-built context against ERFA's full computation
// (eraApco13), with UT1 − UTC from an IERS series too; refraction without
// apparent places; bad input.

#include "apparent/ApparentPlaces.h"

#include "apparent/Refraction.h"
#include "astro/SiderealTime.h"
#include "sunmoon/TopocentricPlace.h"

#include <erfa.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

namespace vantrel {
namespace {

constexpr double kArcsecPerRad = 206264.80624709635515647335733078;

bool SameBits(long double a, long double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

struct ClassicCase {
    const char* Name;
    DecodedInstant Utc;
    StationCoordinates Station;
    long double RaDeg, DecDeg;
};

const ClassicCase kClassicCases[] = {
    {"Cas A from Amsterdam", {2026, 12, 9, 18, 0, 0, 0}, {52.37L, 4.89L, 0}, 350.85L, 58.815L},
    {"Cen A from Sydney", {2015, 1, 1, 0, 0, 0, 0}, {-33.9L, 151.2L, 50}, 201.3666L, -43.01L},
    {"Sgr A, milliseconds",
     {2031, 6, 30, 23, 59, 59, 999},
     {-29.0L, 20.0L, 0},
     266.416665L,
     -29.00777L},
    {"meridian north of the zenith", {2015, 1, 1, 0, 0, 0, 0}, {10.0L, 0.0L, 0}, 100.0L, 40.0L},
    {"zenith", {2020, 3, 20, 12, 0, 0, 0}, {30.0L, -70.0L, 0}, 0.0L, 30.0L},
    {"south pole", {1990, 7, 1, 6, 30, 0, 0}, {-90.0L, 0.0L, 0}, 83.6325L, 22.0144444L},
    // Outside what the options accept, as today's computation takes it.
    {"year 1850", {1850, 1, 1, 0, 0, 0, 0}, {52.0L, 5.0L, 0}, 187.7058L, 12.39111L},
    {"latitude 95", {2026, 1, 1, 0, 0, 0, 0}, {95.0L, 5.0L, 0}, 299.8875L, 40.728L},
};

TEST(ApparentPlaces, BothOptionsOffIsTodaysSourcePositionExactly) {
    ApparentPlaces places;
    for (const ClassicCase& c : kClassicCases) {
        ASSERT_EQ(places.Prepare(c.Utc, c.Station, ObservingConditions{}), PrepareStatus::Ok)
            << c.Name;
        const long double ra = c.RaDeg * kDegToRad;
        const long double dec = c.DecDeg * kDegToRad;
        const ShownPlace got = places.Place(CatalogueSource::Of(ra, dec));
        // As the real-time display calls it (no cached trigonometry).
        const SourcePositionResult today =
            SourcePosition(GreenwichSiderealTimeAt(c.Utc), ra, dec,
                           c.Station.LatitudeDeg * kDegToRad, c.Station.LongitudeDeg * kDegToRad);
        EXPECT_TRUE(SameBits(got.Azimuth, today.Azimuth)) << c.Name;
        EXPECT_TRUE(SameBits(got.Elevation, today.Elevation)) << c.Name;
        EXPECT_TRUE(SameBits(got.GreenwichHourAngle, today.GreenwichHourAngle)) << c.Name;
        EXPECT_TRUE(SameBits(got.Declination, dec)) << c.Name << ": the stored declination";
        // The shown texts, which the tables compare, are the same too.
        EXPECT_EQ(DegreeText(RoundedDegrees(got.Azimuth)),
                  DegreeText(RoundedDegrees(today.Azimuth)))
            << c.Name;
    }
}

// Refraction without apparent places: today's azimuth, the elevation lifted.
TEST(ApparentPlaces, RefractionOnTodaysPlace) {
    ApparentPlaces places;
    ObservingConditions c;
    c.Refraction = true;
    ObservingConditions vacuum = c;
    vacuum.PressureHpa = 0;
    for (const ClassicCase& k : kClassicCases) {
        if (std::fabs(k.Station.LatitudeDeg) > 90) {
            continue; // refused when an option is on
        }
        const CatalogueSource s = CatalogueSource::Of(k.RaDeg * kDegToRad, k.DecDeg * kDegToRad);
        ASSERT_EQ(places.Prepare(k.Utc, k.Station, ObservingConditions{}), PrepareStatus::Ok);
        const ShownPlace airless = places.Place(s);
        ASSERT_EQ(places.Prepare(k.Utc, k.Station, c), PrepareStatus::Ok) << k.Name;
        const ShownPlace refracted = places.Place(s);
        EXPECT_TRUE(SameBits(refracted.Azimuth, airless.Azimuth)) << k.Name;
        if (airless.Elevation > 0.05) {
            EXPECT_GT(refracted.Elevation, airless.Elevation) << k.Name;
            EXPECT_LT(refracted.Elevation - airless.Elevation, 0.01) << k.Name;
        }
        // No air: the hour angle and declination of today's place.
        ASSERT_EQ(places.Prepare(k.Utc, k.Station, vacuum), PrepareStatus::Ok);
        const ShownPlace none = places.Place(s);
        const double dGha = std::remainder(static_cast<double>(none.GreenwichHourAngle -
                                                               airless.GreenwichHourAngle),
                                           2 * M_PI) *
                            std::cos(static_cast<double>(airless.Declination));
        EXPECT_LT(std::fabs(dGha) * kArcsecPerRad, 1e-6) << k.Name;
        EXPECT_LT(std::fabs(static_cast<double>(none.Declination - airless.Declination)) *
                      kArcsecPerRad,
                  1e-6)
            << k.Name;
    }
}

/// ERFA's full computation for one place: eraApco13 (eraEpv00, eraPnm06a,
/// eraS06 at the instant), eraAtciqz, eraAtioq, airless; no polar motion.
/// With refraction on, the airless place refracted by the ray trace (which
/// RefractionTest checks on its own).
ShownPlace DirectErfa(const DecodedInstant& u, const StationCoordinates& st,
                      const ObservingConditions& c, double ra, double dec, double dut1 = 0.0) {
    double utc1 = 0;
    double utc2 = 0;
    eraDtf2d("UTC", u.Year, u.Month, u.Day, u.Hour, u.Minute, u.Second, &utc1, &utc2);
    eraASTROM astrom{};
    double eo = 0;
    const double lon = static_cast<double>(st.LongitudeDeg) * (M_PI / 180);
    eraApco13(utc1, utc2, dut1, lon, static_cast<double>(st.LatitudeDeg) * (M_PI / 180), st.HeightM,
              0.0, 0.0, 0.0, c.TemperatureC, c.RelativeHumidityPercent / 100,
              WavelengthMicrometres(c.FrequencyMHz), &astrom, &eo);
    double ri = 0, di = 0, aob = 0, zob = 0, hob = 0, dob = 0, rob = 0;
    eraAtciqz(ra, dec, &astrom, &ri, &di);
    eraAtioq(ri, di, &astrom, &aob, &zob, &hob, &dob, &rob);
    if (c.Refraction) {
        const RadioRefraction table(
            SurfaceRefractivity(c.PressureHpa, c.TemperatureC, c.RelativeHumidityPercent),
            st.HeightM);
        const ObservedDirection o =
            RefractAirless(aob, M_PI / 2 - zob, astrom.sphi, astrom.cphi, table);
        return {aob, o.ElevationRad, eraAnp(o.LocalHourAngleRad - lon), o.DeclinationRad};
    }
    return {aob, M_PI / 2 - zob, eraAnp(hob - lon), dob};
}

TEST(ApparentPlaces, ChebyshevContextAgreesWithErfaInFull) {
    std::mt19937_64 rng(20261209);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    ApparentPlaces places;
    double worst = 0;
    for (int i = 0; i < 300; ++i) {
        // 1990-2045; every tenth instant on a window edge (TT a multiple of
        // four days from J2000.0 lands near 0h UTC plus about a minute).
        const int year = 1990 + static_cast<int>(unit(rng) * 56);
        const int month = 1 + static_cast<int>(unit(rng) * 12);
        const int day = 1 + static_cast<int>(unit(rng) * 28);
        DecodedInstant u{static_cast<std::uint16_t>(year),
                         static_cast<std::uint16_t>(month),
                         static_cast<std::uint16_t>(day),
                         static_cast<std::uint16_t>(unit(rng) * 24),
                         static_cast<std::uint16_t>(unit(rng) * 60),
                         static_cast<std::uint16_t>(unit(rng) * 60),
                         0};
        if (i % 10 == 0) {
            u.Hour = 23;
            u.Minute = 58 + static_cast<std::uint16_t>(unit(rng) * 2);
        }
        const StationCoordinates st{std::asin(2 * unit(rng) - 1) * 180 / M_PI,
                                    360 * unit(rng) - 180, 3000 * unit(rng)};
        ObservingConditions c;
        c.Apparent = true;
        c.Refraction = i % 2 == 1;
        const double ra = 2 * M_PI * unit(rng);
        const double dec = std::asin(2 * unit(rng) - 1);
        ASSERT_EQ(places.Prepare(u, st, c), PrepareStatus::Ok);
        const ShownPlace got = places.Place(CatalogueSource::Of(ra, dec));
        const ShownPlace want = DirectErfa(u, st, c, ra, dec);
        const double cosEl = std::cos(static_cast<double>(want.Elevation));
        const double cosDec = std::cos(static_cast<double>(want.Declination));
        const double d[4] = {
            std::remainder(static_cast<double>(got.Azimuth - want.Azimuth), 2 * M_PI) * cosEl,
            static_cast<double>(got.Elevation - want.Elevation),
            std::remainder(static_cast<double>(got.GreenwichHourAngle - want.GreenwichHourAngle),
                           2 * M_PI) *
                cosDec,
            static_cast<double>(got.Declination - want.Declination)};
        double largest = 0;
        for (const double x : d) {
            largest = std::max(largest, std::fabs(x) * kArcsecPerRad);
        }
        worst = std::max(worst, largest);
        // The interpolation moves the slow quantities by microarcseconds;
        // TDB = TT and s' = 0 cost less.
        EXPECT_LT(largest, 1e-4) << "instant " << year << "-" << month << "-" << day << " "
                                 << u.Hour << ":" << u.Minute << ":" << u.Second
                                 << " difference (arcsec) az*cos(el) " << d[0] * kArcsecPerRad
                                 << " el " << d[1] * kArcsecPerRad << " gha*cos(dec) "
                                 << d[2] * kArcsecPerRad << " dec " << d[3] * kArcsecPerRad;
    }
    std::printf("Chebyshev context vs eraApco13: worst %.3g arcsec\n", worst);
}

TEST(ApparentPlaces, RefusedInput) {
    ApparentPlaces places;
    ObservingConditions apparent;
    apparent.Apparent = true;
    ObservingConditions refraction;
    refraction.Refraction = true;
    const DecodedInstant ok{2026, 12, 9, 12, 0, 0, 0};
    const StationCoordinates amsterdam{52.37L, 4.89L, 0};
    const CatalogueSource cas = CatalogueSource::Of(350.85L * kDegToRad, 58.815L * kDegToRad);

    EXPECT_EQ(places.Prepare({1899, 12, 31, 0, 0, 0, 0}, amsterdam, apparent),
              PrepareStatus::BadInstant);
    EXPECT_TRUE(std::isnan(places.Place(cas).Elevation)) << "nothing after a refused instant";
    EXPECT_EQ(places.Prepare({2026, 2, 30, 0, 0, 0, 0}, amsterdam, apparent),
              PrepareStatus::BadInstant);
    EXPECT_EQ(places.Prepare(ok, {90.5L, 0, 0}, apparent), PrepareStatus::BadStation);
    EXPECT_EQ(places.Prepare(ok, {52, 0, 200000}, refraction), PrepareStatus::BadStation);
    EXPECT_EQ(places.Prepare(ok, {52, NAN, 0}, refraction), PrepareStatus::BadStation);
    ObservingConditions badAir = refraction;
    badAir.TemperatureC = 70;
    EXPECT_EQ(places.Prepare(ok, amsterdam, badAir), PrepareStatus::BadConditions);
    EXPECT_TRUE(std::isnan(places.SunMoon({1, 2, 3, 4}).ElevationDeg));
    // Conditions that do not apply are not looked at.
    ObservingConditions unused = apparent;
    unused.TemperatureC = 70;
    EXPECT_EQ(places.Prepare(ok, amsterdam, unused), PrepareStatus::Ok);
    EXPECT_FALSE(std::isnan(places.Place(cas).Elevation));
}

// What is kept between calls never leaks into a result: each place equals
// the one a fresh engine gives for the same instant, station and options.
TEST(ApparentPlaces, ResultsDependOnlyOnTheirOwnArguments) {
    const DecodedInstant t{2026, 12, 9, 21, 30, 0, 0};
    const StationCoordinates a{52.37L, 4.89L, 0};
    const StationCoordinates b{-33.9L, 151.2L, 40};
    ObservingConditions off;
    ObservingConditions apparent;
    apparent.Apparent = true;
    ObservingConditions humid = apparent;
    humid.Refraction = true;
    humid.RelativeHumidityPercent = 95;
    ObservingConditions dry = humid;
    dry.RelativeHumidityPercent = 5;
    ObservingConditions refractedOnly = dry;
    refractedOnly.Apparent = false;
    const CatalogueSource cyg = CatalogueSource::Of(299.8875L * kDegToRad, 40.728L * kDegToRad);
    struct Step {
        const StationCoordinates* Station;
        const ObservingConditions* Conditions;
    };
    const Step steps[] = {{&a, &humid}, {&a, &dry},   {&b, &dry},   {&a, &apparent},
                          {&a, &off},   {&a, &humid}, {&b, &humid}, {&a, &refractedOnly},
                          {&b, &off},   {&a, &dry}};
    ApparentPlaces kept;
    for (const Step& step : steps) {
        ApparentPlaces fresh;
        ASSERT_EQ(kept.Prepare(t, *step.Station, *step.Conditions), PrepareStatus::Ok);
        ASSERT_EQ(fresh.Prepare(t, *step.Station, *step.Conditions), PrepareStatus::Ok);
        const ShownPlace k = kept.Place(cyg);
        const ShownPlace f = fresh.Place(cyg);
        EXPECT_TRUE(SameBits(k.Elevation, f.Elevation) && SameBits(k.Azimuth, f.Azimuth) &&
                    SameBits(k.GreenwichHourAngle, f.GreenwichHourAngle) &&
                    SameBits(k.Declination, f.Declination))
            << "step " << (&step - steps) << ": elevation " << k.Elevation << " vs " << f.Elevation;
        const LibraryPlaceDeg moon{100.0, 20.0, 50.0, 10.0};
        EXPECT_EQ(kept.SunMoon(moon).ElevationDeg, fresh.SunMoon(moon).ElevationDeg)
            << "step " << (&step - steps);
    }
}

TEST(ApparentPlaces, SunAndMoonUnchangedWithoutRefraction) {
    ApparentPlaces places;
    ObservingConditions apparent;
    apparent.Apparent = true;
    ASSERT_EQ(places.Prepare({2026, 12, 9, 12, 0, 0, 0}, {52.37L, 4.89L, 0}, apparent),
              PrepareStatus::Ok);
    const LibraryPlaceDeg sun{181.234567, 14.5, 1.25, -22.9};
    const LibraryPlaceDeg same = places.SunMoon(sun);
    EXPECT_EQ(std::memcmp(&same, &sun, sizeof sun), 0);
}

// UT1 − UTC from an IERS series (the test excerpts) turns the Earth: the
// fixed sources as eraApco13 with that dut1, the Sun and the Moon as the
// library's own computation at that UT1 (within 0.3″: the declination is
// kept); with apparent places off, or outside the series, the places are
// those without a series, bit for bit.
TEST(ApparentPlaces, Ut1FromTheSeriesTurnsTheEarth) {
    const auto excerpt = LoadEarthOrientation(FINALS_EXCERPT).Table;
    const auto leap = LoadEarthOrientation(FINALS_LEAP).Table;
    ASSERT_TRUE(excerpt && leap);
    const struct {
        const char* Name;
        std::shared_ptr<const EarthOrientation> Series;
        DecodedInstant Utc;
        double Dut1; ///< from the excerpt's lines, seconds
    } cases[] = {
        {"Bulletin B", excerpt, {2026, 11, 21, 0, 0, 0, 0}, 0.0409230},
        {"predicted, half a day",
         excerpt,
         {2026, 12, 20, 12, 0, 0, 0},
         0.5 * (0.0320095 + 0.0317041)},
        {"before a leap second", leap, {2016, 12, 31, 12, 0, 0, 0}, -0.41045},
        {"after it", leap, {2017, 1, 1, 0, 0, 0, 0}, 0.5893},
        {"held after the series' last day", excerpt, {2027, 1, 5, 6, 0, 0, 0}, 0.0317041},
        {"outside the series and its held days", excerpt, {2027, 2, 5, 6, 0, 0, 0}, 0.0},
    };
    const StationCoordinates st{-12.5L, 130.8L, 30.0};
    const double ra = 4.2;
    const double dec = -0.3;
    ApparentPlaces places;
    ApparentPlaces without;
    sunmoon::SlowEphemeris ephemeris;
    const auto station = sunmoon::StationFromGeodetic(st.HeightM, -12.5, 130.8);
    ASSERT_TRUE(station);
    for (const auto& k : cases) {
        for (const bool apparent : {true, false}) {
            ObservingConditions c;
            c.Apparent = apparent;
            c.Refraction = true;
            ObservingConditions none = c;
            c.Ut1 = k.Series;
            ASSERT_EQ(places.Prepare(k.Utc, st, c), PrepareStatus::Ok) << k.Name;
            ASSERT_EQ(without.Prepare(k.Utc, st, none), PrepareStatus::Ok) << k.Name;
            const ShownPlace got = places.Place(CatalogueSource::Of(ra, dec));
            const ShownPlace plain = without.Place(CatalogueSource::Of(ra, dec));
            if (!apparent || k.Dut1 == 0.0) {
                EXPECT_EQ(std::memcmp(&got, &plain, sizeof got), 0) << k.Name << " " << apparent;
                EXPECT_EQ(places.Ut1MinusUtcSeconds(), 0.0) << k.Name;
                continue;
            }
            EXPECT_NEAR(places.Ut1MinusUtcSeconds(), k.Dut1, 1e-9) << k.Name;
            const ShownPlace want = DirectErfa(k.Utc, st, c, ra, dec, k.Dut1);
            const double dGha = std::remainder(
                static_cast<double>(got.GreenwichHourAngle - want.GreenwichHourAngle), 2 * M_PI);
            EXPECT_LT(std::fabs(dGha) * kArcsecPerRad, 1e-4) << k.Name;
            EXPECT_LT(std::fabs(static_cast<double>(got.Elevation - want.Elevation)) *
                          kArcsecPerRad,
                      1e-4)
                << k.Name;

            // The Sun and the Moon: the library's place at UTC (UT1 = UTC),
            // turned; against the library's computation at the true UT1.
            const auto time = sunmoon::TimeScalesFromUtc(
                {k.Utc.Year, k.Utc.Month, k.Utc.Day, k.Utc.Hour, k.Utc.Minute, k.Utc.Second});
            ASSERT_TRUE(time);
            const sunmoon::SlowQuantities slow = ephemeris.At(time->TtDaysSinceJ2000);
            sunmoon::TimeScales turned = *time;
            turned.Ut1Jd2 += k.Dut1 / 86400.0;
            for (const auto body : {sunmoon::Body::Sun, sunmoon::Body::Moon}) {
                const auto atUtc = sunmoon::ApparentPlace(
                    body, sunmoon::ObserverAt(*time, *station, slow), *station, slow);
                const auto atUt1 = sunmoon::ApparentPlace(
                    body, sunmoon::ObserverAt(turned, *station, slow), *station, slow);
                ObservingConditions airless = c;
                airless.Refraction = false;
                ASSERT_EQ(places.Prepare(k.Utc, st, airless), PrepareStatus::Ok);
                const LibraryPlaceDeg shown = places.SunMoon(
                    {atUtc.AzimuthDeg, atUtc.ElevationDeg, atUtc.GhaDeg, atUtc.DecDeg});
                const double cosDec = std::cos(atUt1.DecDeg * M_PI / 180);
                const double cosEl = std::cos(atUt1.ElevationDeg * M_PI / 180);
                const double d[] = {std::remainder(shown.GhaDeg - atUt1.GhaDeg, 360.0) * cosDec,
                                    shown.DecDeg - atUt1.DecDeg,
                                    std::remainder(shown.AzimuthDeg - atUt1.AzimuthDeg, 360.0) *
                                        cosEl,
                                    shown.ElevationDeg - atUt1.ElevationDeg};
                for (const double x : d) {
                    EXPECT_LT(std::fabs(x) * 3600, 0.3)
                        << k.Name << (body == sunmoon::Body::Moon ? " Moon" : " Sun");
                }
                // Without the turn the GHA would be off by the whole rotation.
                EXPECT_GT(std::fabs(std::remainder(atUtc.GhaDeg - atUt1.GhaDeg, 360.0)) * 3600,
                          0.9 * 15.04 * std::fabs(k.Dut1))
                    << k.Name;
            }
        }
    }
}

// Consecutive instants reuse the interpolation window: a month fits a window
// about every four days, and at one minute only the first at once, the
// others ahead over the minutes before their start.
TEST(ApparentPlaces, AMonthFitsEightOrNineWindows) {
    for (const int step : {1, 7, 60}) {
        ApparentPlaces places;
        ObservingConditions c;
        c.Apparent = true;
        c.Refraction = true;
        for (int day = 1; day <= 31; ++day) {
            for (int minute = 0; minute < 1440; minute += step) {
                ASSERT_EQ(places.Prepare({2026, 12, static_cast<std::uint16_t>(day),
                                          static_cast<std::uint16_t>(minute / 60),
                                          static_cast<std::uint16_t>(minute % 60), 0, 0},
                                         {52.37L, 4.89L, 0}, c),
                          PrepareStatus::Ok);
            }
        }
        const std::int64_t total = places.WindowsFittedAtOnce() + places.WindowsFittedAhead();
        EXPECT_GE(total, 8) << "step " << step;
        EXPECT_LE(total, 9) << "step " << step;
        if (step == 1) {
            EXPECT_EQ(places.WindowsFittedAtOnce(), 1) << "only the first window at once";
        }
    }
}

} // namespace
} // namespace vantrel

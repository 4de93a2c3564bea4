// The apparent-place core against the places in data/apparent_reference.csv:
// astropy.coordinates (ERFA inside), ICRS to AltAz and HADec, UT1 = UTC, no
// polar motion, airless and with ERFA's radio refraction model
// (data/make_reference.py says how they were made). The refracted places
// are the airless reference refracted by the ray trace (checked against an
// independent trace in RefractionTest), and within 3″ of ERFA's model above
// 15° of elevation.

#include "apparent/ApparentPlaces.h"
#include "apparent/Refraction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace vantrel {
namespace {

constexpr double kArcsecPerDeg = 3600.0;
constexpr double kDegPerRad = 57.295779513082320876798154814105;

/// Agreement the product promises, arcseconds on the sky: apparent places
/// within 2″; refracted places within 3″ of ERFA's model above 15°.
constexpr double kPromisedAirlessArcsec = 2.0;
constexpr double kPromisedRefractedArcsec = 3.0;
constexpr double kRefractionFloorDeg = 15.0;
constexpr double kSameAirBelowC = 35.0;
/// What the computation really reaches (the Chebyshev fits and the
/// long-double angles cost microarcseconds): far tighter, so that a fault
/// far below the promise (a missing light deflection, 4 mas at 90° from the
/// Sun; a wrong TT, 20 mas for a second) still fails.
constexpr double kReachedArcsec = 0.001;

struct Angles {
    double Az = 0, El = 0, Gha = 0, Dec = 0; // degrees
};

struct ReferenceRow {
    int Line = 0;
    std::string Source;
    DecodedInstant Utc;
    double Lat = 0, Lon = 0, Height = 0;
    double Ra = 0, Dec = 0;
    ObservingConditions Air;
    Angles Airless, Refracted;

    std::string Name() const {
        char text[200];
        std::snprintf(text, sizeof text,
                      "%s %04d-%02d-%02d %02d:%02d:%02d lat %.5f lon %.5f h %.1f "
                      "%.2f hPa %.1f C %.0f %% %.0f MHz (line %d)",
                      Source.c_str(), Utc.Year, Utc.Month, Utc.Day, Utc.Hour, Utc.Minute,
                      Utc.Second, Lat, Lon, Height, Air.PressureHpa, Air.TemperatureC,
                      Air.RelativeHumidityPercent, Air.FrequencyMHz, Line);
        return text;
    }
};

std::vector<std::string> SplitCsv(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream in(line);
    std::string field;
    while (std::getline(in, field, ',')) {
        fields.push_back(field);
    }
    return fields;
}

std::vector<ReferenceRow> LoadRows(std::string& error) {
    std::vector<ReferenceRow> rows;
    std::ifstream file(APPARENT_REFERENCE_CSV);
    if (!file) {
        error = std::string("cannot open ") + APPARENT_REFERENCE_CSV;
        return rows;
    }
    constexpr std::size_t kColumns = 24;
    std::string line;
    int lineNumber = 0;
    while (std::getline(file, line)) {
        ++lineNumber;
        if (line.empty() || line[0] == '#' || line.rfind("name,", 0) == 0) {
            continue;
        }
        const std::vector<std::string> f = SplitCsv(line);
        if (f.size() != kColumns) {
            error = "line " + std::to_string(lineNumber) + " has not 24 fields: " + line;
            return {};
        }
        std::vector<double> v;
        for (std::size_t i = 1; i < kColumns; ++i) {
            v.push_back(std::stod(f[i]));
        }
        ReferenceRow r;
        r.Line = lineNumber;
        r.Source = f[0];
        r.Utc = {static_cast<std::uint16_t>(v[0]),
                 static_cast<std::uint16_t>(v[1]),
                 static_cast<std::uint16_t>(v[2]),
                 static_cast<std::uint16_t>(v[3]),
                 static_cast<std::uint16_t>(v[4]),
                 static_cast<std::uint16_t>(v[5]),
                 0};
        r.Lat = v[6];
        r.Lon = v[7];
        r.Height = v[8];
        r.Ra = v[9];
        r.Dec = v[10];
        r.Air = {true, true, v[11], v[12], v[13], v[14], nullptr};
        r.Airless = {v[15], v[16], v[17], v[18]};
        r.Refracted = {v[19], v[20], v[21], v[22]};
        rows.push_back(r);
    }
    return rows;
}

double WrapDeg180(double d) {
    return std::remainder(d, 360.0);
}

/// Differences on the sky, arcseconds: az·cos(el), el, gha·cos(dec), dec.
Angles DifferenceArcsec(const Angles& expected, const Angles& got) {
    const double cosEl = std::cos(expected.El / kDegPerRad);
    const double cosDec = std::cos(expected.Dec / kDegPerRad);
    return {WrapDeg180(got.Az - expected.Az) * cosEl * kArcsecPerDeg,
            (got.El - expected.El) * kArcsecPerDeg,
            WrapDeg180(got.Gha - expected.Gha) * cosDec * kArcsecPerDeg,
            (got.Dec - expected.Dec) * kArcsecPerDeg};
}

double Largest(const Angles& d) {
    return std::max({std::fabs(d.Az), std::fabs(d.El), std::fabs(d.Gha), std::fabs(d.Dec)});
}

Angles InDegrees(const ShownPlace& p) {
    return {static_cast<double>(p.Azimuth) * kDegPerRad,
            static_cast<double>(p.Elevation) * kDegPerRad,
            static_cast<double>(p.GreenwichHourAngle) * kDegPerRad,
            static_cast<double>(p.Declination) * kDegPerRad};
}

void ExpectClose(const ReferenceRow& row, const char* what, const Angles& expected,
                 const Angles& got, double toleranceArcsec, double& worst) {
    const Angles d = DifferenceArcsec(expected, got);
    worst = std::max(worst, Largest(d));
    EXPECT_LE(Largest(d), toleranceArcsec)
        << what << " " << row.Name() << "\n  expected az " << expected.Az << " el " << expected.El
        << " gha " << expected.Gha << " dec " << expected.Dec << "\n  got      az " << got.Az
        << " el " << got.El << " gha " << got.Gha << " dec " << got.Dec
        << "\n  difference (arcsec) az*cos(el) " << d.Az << " el " << d.El << " gha*cos(dec) "
        << d.Gha << " dec " << d.Dec;
}

class ApparentReference : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        rows_ = LoadRows(error);
        ASSERT_TRUE(error.empty()) << error;
        ASSERT_GE(rows_.size(), 400U) << "too few reference rows";
    }
    std::vector<ReferenceRow> rows_;
};

TEST_F(ApparentReference, ApparentPlacesOfDateAirless) {
    ApparentPlaces places;
    double worst = 0;
    for (const ReferenceRow& row : rows_) {
        ObservingConditions c = row.Air;
        c.Refraction = false;
        ASSERT_EQ(places.Prepare(row.Utc, {row.Lat, row.Lon, row.Height}, c), PrepareStatus::Ok)
            << row.Name();
        const ShownPlace p =
            places.Place(CatalogueSource::Of(row.Ra * kDegToRad, row.Dec * kDegToRad));
        ExpectClose(row, "airless", row.Airless, InDegrees(p),
                    std::min(kPromisedAirlessArcsec, kReachedArcsec), worst);
    }
    std::printf("apparent places, airless: worst difference %.6f arcsec over %zu rows\n", worst,
                rows_.size());
}

/// The reference's airless place refracted by the ray trace for the row's
/// air and station height.
Angles RayTraced(const ReferenceRow& row) {
    const RadioRefraction table(SurfaceRefractivity(row.Air.PressureHpa, row.Air.TemperatureC,
                                                    row.Air.RelativeHumidityPercent),
                                row.Height);
    const double lat = row.Lat / kDegPerRad;
    const ObservedDirection o =
        RefractAirless(row.Airless.Az / kDegPerRad, row.Airless.El / kDegPerRad, std::sin(lat),
                       std::cos(lat), table);
    return {row.Airless.Az, o.ElevationRad * kDegPerRad,
            std::fmod(o.LocalHourAngleRad * kDegPerRad - row.Lon + 720.0, 360.0),
            o.DeclinationRad * kDegPerRad};
}

TEST_F(ApparentReference, ApparentPlacesOfDateRefracted) {
    ApparentPlaces places;
    double worst = 0;
    double worstErfa = 0;
    for (const ReferenceRow& row : rows_) {
        ASSERT_EQ(places.Prepare(row.Utc, {row.Lat, row.Lon, row.Height}, row.Air),
                  PrepareStatus::Ok)
            << row.Name();
        const Angles got =
            InDegrees(places.Place(CatalogueSource::Of(row.Ra * kDegToRad, row.Dec * kDegToRad)));
        ExpectClose(row, "refracted", RayTraced(row), got, kReachedArcsec, worst);
        // In hot air the refractivity of ITU-R P.453 and ERFA's (Rueger,
        // Gill) part: at 45 °C by 3 % (11 N units), up to 8″ at 17°; the
        // model itself is compared where the two agree within 1 %.
        if (row.Refracted.El >= kRefractionFloorDeg && row.Air.TemperatureC <= kSameAirBelowC) {
            ExpectClose(row, "refracted against ERFA's model", row.Refracted, got,
                        kPromisedRefractedArcsec, worstErfa);
        }
    }
    std::printf("apparent places, refracted: worst %.6f arcsec; against ERFA's model above 15 "
                "deg, up to 35 C: %.3f\n",
                worst, worstErfa);
}

// The Sun and the Moon are refracted on top of the library's airless place:
// handed astropy's airless place, the result must be that place refracted.
TEST_F(ApparentReference, AirlessPlaceRefractedAsTheSunAndTheMoonAre) {
    ApparentPlaces places;
    double worst = 0;
    for (const ReferenceRow& row : rows_) {
        ObservingConditions c = row.Air;
        c.Apparent = false;
        ASSERT_EQ(places.Prepare(row.Utc, {row.Lat, row.Lon, row.Height}, c), PrepareStatus::Ok)
            << row.Name();
        const LibraryPlaceDeg observed =
            places.SunMoon({row.Airless.Az, row.Airless.El, row.Airless.Gha, row.Airless.Dec});
        ExpectClose(row, "sun/moon refraction", RayTraced(row),
                    {observed.AzimuthDeg, observed.ElevationDeg, observed.GhaDeg, observed.DecDeg},
                    std::min(kPromisedRefractedArcsec, kReachedArcsec), worst);
    }
    std::printf("refraction of an airless place: worst %.6f arcsec\n", worst);
}

// The measurement: from Amsterdam in December 2026 the catalogue
// places are tenths of a degree from the apparent ones; with the option on
// they are not.
TEST_F(ApparentReference, CatalogueAsStoredIsTenthsOfADegreeOff) {
    int compared = 0;
    ApparentPlaces places;
    for (const ReferenceRow& row : rows_) {
        if (row.Source == "random" || row.Utc.Year < 2020 || row.Airless.El < 10) {
            continue;
        }
        ObservingConditions off;
        ASSERT_EQ(places.Prepare(row.Utc, {row.Lat, row.Lon, row.Height}, off), PrepareStatus::Ok);
        const Angles classic =
            InDegrees(places.Place(CatalogueSource::Of(row.Ra * kDegToRad, row.Dec * kDegToRad)));
        // The classic sidereal time and no precession: 0.05° or more away
        // from the sky after 2020 (precession alone is 0.014° a year).
        const Angles d =
            DifferenceArcsec(row.Airless, {classic.Az, classic.El, classic.Gha, row.Dec});
        EXPECT_GT(std::hypot(d.Gha, d.Dec), 0.05 * kArcsecPerDeg) << row.Name();
        ++compared;
    }
    EXPECT_GT(compared, 50);
}

} // namespace
} // namespace vantrel

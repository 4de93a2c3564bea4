// The Moon as the windows get it (ELP/MPP02 through the interpolation
// windows, the station's reduction of TopocentricPlace and the EME core's
// geometric range rate) against the Swiss Ephemeris' own program swetest
// (Debian `swetest`, DE431-based files of `swe-data`) at dates spread over
// 1960-2090 and three stations:
//  - the geometric topocentric distance (swetest -true -topo -fw) within
//    1 km, and the light-time-corrected one the library returns (swetest
//    -topo -fw) too; from the program's station to swetest's geocentric
//    Moon within 50 m;
//  - the apparent topocentric right ascension and declination of date
//    (swetest -topo -fad) within 1″;
//  - the own-echo Doppler at 10 368 MHz, −2f/c times the rate of the
//    geometric distance, against the rate of the distance from the station
//    to swetest's geocentric Moon 10 s either side, within 0.5 Hz; and
//    against the rate of swetest's own topocentric distance within 1 Hz.
// swetest places its station by the mean sidereal time on the mean pole of
// date, leaving out nutation (its station is up to about 9″, 0.3 km, from
// where the IERS Conventions put it, which the program follows), so its
// topocentric figures carry that difference: up to 0.3 km, 0.2″ and 0.6 Hz
// at 10 GHz. The Doppler is therefore checked to 0.5 Hz with the station
// of the program's own reduction, which the Sun's reference places check.
// Each instant is given to swetest in TT; its UT1 is TT − ΔT with swetest's
// own ΔT (swetest -pq), so that both turn the Earth alike. Skipped, with a
// message, only where swetest is not installed (scripts/install-deps.sh
// installs it).

#include "sunmoon/Constants.h"
#include "sunmoon/SlowEphemeris.h"
#include "sunmoon/TopocentricPlace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace vantrel::sunmoon {
namespace {

/// The dates: kDates instants from 1960 January 1 0 h TT, kStepDays apart
/// (an odd step, so that the time of day and the Moon's phase vary).
constexpr double kFirstJd = 2436934.5;
constexpr double kStepDays = 1187.3137;
constexpr int kDates = 40;
/// Half the span of swetest's distances for the numerical rate, seconds.
constexpr double kRateHalfSpanS = 10.0;
/// The EME band of the Doppler check, Hz.
constexpr double kFrequencyHz = 10368e6;
constexpr double kArcsecPerRad = 206264.80624709636;

constexpr double kDistanceToleranceKm = 1.0;
/// From the same station to swetest's geocentric Moon (the mean of the
/// distances 10 s either side, 2 m from the one at the instant).
constexpr double kSameStationDistanceToleranceKm = 0.05;
constexpr double kDopplerToleranceHz = 0.5;
/// Against swetest's own station (see the top of the file).
constexpr double kSwetestStationDopplerToleranceHz = 1.0;
constexpr double kPositionToleranceArcsec = 1.0;

struct Place {
    const char* Name;
    double LongitudeDeg, LatitudeDeg, HeightM;
};
constexpr Place kPlaces[] = {
    {"Midlands", -1.5, 52.2, 80.0},
    {"Quito", -78.5, -0.2, 2850.0},
    {"Tasmania", 147.3, -42.9, 400.0},
};

/// What swetest said besides its numbers (a warning such as "using Moshier
/// eph." when the DE431-based files of swe-data are missing).
std::string swetestNotes;

/// Runs swetest (body and format in `options`) over the dates from
/// `firstJd` (TT) and returns each line's numbers; empty when it cannot run
/// or prints fewer lines. Other lines go to swetestNotes.

std::vector<std::vector<double>> Swetest(double firstJd, const std::string& options,
                                         std::size_t columns) {
    char command[512];
    std::snprintf(command, sizeof command, "%s -bj%.10f -n%d -s%.10f -head %s 2>/dev/null",
                  VANTREL_SWETEST, firstJd, kDates, kStepDays, options.c_str());
    std::vector<std::vector<double>> rows;
    std::FILE* pipe = ::popen(command, "r");
    if (pipe == nullptr) {
        return rows;
    }
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::vector<double> row;
        char* at = line;
        for (std::size_t c = 0; c < columns; ++c) {
            char* end = nullptr;
            const double v = std::strtod(at, &end);
            if (end == at) {
                break;
            }
            row.push_back(v);
            at = end;
        }
        if (row.size() == columns) {
            rows.push_back(row);
        } else if (std::string(line).find_first_not_of(" \t\r\n") != std::string::npos) {
            swetestNotes += line;
        }
    }
    ::pclose(pipe);
    if (rows.size() != static_cast<std::size_t>(kDates)) {
        rows.clear();
    }
    return rows;
}

std::string Topo(const Place& p) {
    char text[96];
    std::snprintf(text, sizeof text, "-topo%.6f,%.6f,%.1f", p.LongitudeDeg, p.LatitudeDeg,
                  p.HeightM);
    return text;
}

/// TT and UT1 of the instant `jd` (TT), UT1 = TT − ΔT.
TimeScales TimeOf(double jd, double deltaTSeconds) {
    TimeScales time;
    time.TtDaysSinceJ2000 = jd - kJ2000Jd;
    time.Ut1Jd1 = kMjdZeroJd;
    time.Ut1Jd2 = jd - kMjdZeroJd - deltaTSeconds / kSecondsPerDay;
    return time;
}

double EchoDopplerHz(double rangeRateMps) {
    return -2.0 * kFrequencyHz * rangeRateMps / kLightMetresPerSecond;
}

/// The distance, km, from the station at `time` to the geocentric Moon of a
/// swetest line (right ascension, declination in degrees, ICRS; distance km).
double DistanceToKm(const std::vector<double>& moon, const TimeScales& time, const Station& station,
                    const SlowQuantities& slow) {
    const Observer o = ObserverAt(time, station, slow);
    const double ra = moon[0] * kDegToRad;
    const double dec = moon[1] * kDegToRad;
    const double m[3] = {moon[2] * std::cos(dec) * std::cos(ra),
                         moon[2] * std::cos(dec) * std::sin(ra), moon[2] * std::sin(dec)};
    double sum = 0;
    for (int i = 0; i < 3; ++i) {
        const double d = m[i] - o.PositionAu[i] * kAuKilometres;
        sum += d * d;
    }
    return std::sqrt(sum);
}

struct Worst {
    double Value = 0;
    std::string Where;
    void Take(double v, const std::string& where) {
        if (std::fabs(v) > std::fabs(Value)) {
            Value = v;
            Where = where;
        }
    }
};

TEST(SwissEphemerisMoon, DistanceDopplerAndPlaceFrom1960To2090) {
    if (std::string(VANTREL_SWETEST).empty()) {
        GTEST_SKIP() << "swetest is not installed (Debian packages swetest and swe-data; "
                        "scripts/install-deps.sh installs them): the Moon is not compared "
                        "with the Swiss Ephemeris";
    }
    const auto deltaT = Swetest(kFirstJd, "-pq -fl", 1);
    ASSERT_FALSE(deltaT.empty()) << "swetest -pq gave no ΔT";

    const double h = kRateHalfSpanS / kSecondsPerDay;
    const char* geocentric = "-p1 -true -j2000 -icrs -fadw -ep";
    const auto moonBefore = Swetest(kFirstJd - h, geocentric, 3);
    const auto moonAfter = Swetest(kFirstJd + h, geocentric, 3);
    ASSERT_FALSE(moonBefore.empty() || moonAfter.empty()) << "swetest gave no geocentric Moon";
    ASSERT_EQ(swetestNotes.find("Moshier"), std::string::npos)
        << "swetest found no Swiss Ephemeris files (Debian swe-data) and fell back to its "
           "Moshier series, too coarse for this test:\n"
        << swetestNotes;
    Worst distance, sameStationDistance, libraryDistance, position, doppler, swetestStationDoppler;
    SlowEphemeris ephemeris;
    for (const Place& place : kPlaces) {
        const std::string topo = Topo(place);
        const auto apparent = Swetest(kFirstJd, topo + " -p1 -fadw", 3);
        const auto now = Swetest(kFirstJd, topo + " -p1 -true -fw", 1);
        const auto before = Swetest(kFirstJd - h, topo + " -p1 -true -fw", 1);
        const auto after = Swetest(kFirstJd + h, topo + " -p1 -true -fw", 1);
        ASSERT_FALSE(apparent.empty() || now.empty() || before.empty() || after.empty())
            << "swetest failed for " << place.Name;
        const std::optional<Station> station =
            StationFromGeodetic(place.HeightM, place.LatitudeDeg, place.LongitudeDeg);
        ASSERT_TRUE(station);

        for (int k = 0; k < kDates; ++k) {
            const double jd = kFirstJd + k * kStepDays;
            const TimeScales time = TimeOf(jd, deltaT[k][0]);
            const SlowQuantities slow = ephemeris.At(time.TtDaysSinceJ2000);
            const Observer observer = ObserverAt(time, *station, slow);

            // Geometric, at the instant: as the EME core takes it.
            double r[3];
            double v[3];
            for (int i = 0; i < 3; ++i) {
                r[i] = slow.MoonGeoPositionAu[i] - observer.PositionAu[i];
                v[i] = slow.MoonGeoVelocityAuPerDay[i] - observer.VelocityAuPerDay[i];
            }
            const double lengthAu = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
            const double km = lengthAu * kAuKilometres;
            const double rateMps =
                (r[0] * v[0] + r[1] * v[1] + r[2] * v[2]) / lengthAu * kAuMetres / kSecondsPerDay;
            const double echoHz = EchoDopplerHz(rateMps);
            const double swetestStationRateMps =
                (after[k][0] - before[k][0]) * kMetresPerKilometre / (2.0 * kRateHalfSpanS);
            // The station's own quantities at t ± 10 s; the slow ones
            // barely change (the station's nutation over 20 s: nothing).
            const double sweBeforeKm =
                DistanceToKm(moonBefore[k], TimeOf(jd - h, deltaT[k][0]), *station, slow);
            const double sweAfterKm =
                DistanceToKm(moonAfter[k], TimeOf(jd + h, deltaT[k][0]), *station, slow);
            const double sweRateMps =
                (sweAfterKm - sweBeforeKm) * kMetresPerKilometre / (2.0 * kRateHalfSpanS);
            const double sweKm = 0.5 * (sweBeforeKm + sweAfterKm);

            const TopocentricPlace got = ApparentPlace(Body::Moon, observer, *station, slow);
            const double raRad = observer.GastRad - got.GhaDeg * kDegToRad;
            const double decRad = got.DecDeg * kDegToRad;
            const double sweRa = apparent[k][0] * kDegToRad;
            const double sweDec = apparent[k][1] * kDegToRad;
            const double separation =
                std::acos(std::min(1.0, std::sin(decRad) * std::sin(sweDec) +
                                            std::cos(decRad) * std::cos(sweDec) *
                                                std::cos(raRad - sweRa))) *
                kArcsecPerRad;

            char where[160];
            std::snprintf(where, sizeof where, "%s JD %.5f TT", place.Name, jd);
            EXPECT_NEAR(km, now[k][0], kDistanceToleranceKm) << where;
            EXPECT_NEAR(km, sweKm, kSameStationDistanceToleranceKm) << where;
            EXPECT_NEAR(echoHz, EchoDopplerHz(sweRateMps), kDopplerToleranceHz)
                << where << ": range rate " << rateMps << " m/s, swetest's Moon " << sweRateMps;
            EXPECT_NEAR(echoHz, EchoDopplerHz(swetestStationRateMps),
                        kSwetestStationDopplerToleranceHz)
                << where << ": range rate " << rateMps << " m/s, swetest " << swetestStationRateMps;
            EXPECT_LE(separation, kPositionToleranceArcsec)
                << where << ": RA " << raRad * kRadToDeg << "°, dec " << got.DecDeg << "°; swetest "
                << apparent[k][0] << "°, " << apparent[k][1] << "°";
            EXPECT_NEAR(got.DistanceKm, apparent[k][2], kDistanceToleranceKm) << where;
            distance.Take(km - now[k][0], where);
            sameStationDistance.Take(km - sweKm, where);
            doppler.Take(echoHz - EchoDopplerHz(sweRateMps), where);
            swetestStationDoppler.Take(echoHz - EchoDopplerHz(swetestStationRateMps), where);
            position.Take(separation, where);
            libraryDistance.Take(got.DistanceKm - apparent[k][2], where);
        }
    }
    EXPECT_EQ(swetestNotes, "") << "swetest said more than its numbers";
    std::printf("Moon against swetest, %d dates x %zu stations, worst:\n"
                "  geometric distance %+.4f km (%s)\n"
                "  the same to swetest's Moon from the program's station %+.4f km (%s)\n"
                "  echo Doppler at %.0f MHz %+.4f Hz (%s)\n"
                "  the same from swetest's own station %+.4f Hz (%s)\n"
                "  apparent place %.4f\" (%s)\n"
                "  light-time distance %+.4f km (%s)\n",
                kDates, std::size(kPlaces), distance.Value, distance.Where.c_str(),
                sameStationDistance.Value, sameStationDistance.Where.c_str(), kFrequencyHz / 1e6,
                doppler.Value, doppler.Where.c_str(), swetestStationDoppler.Value,
                swetestStationDoppler.Where.c_str(), position.Value, position.Where.c_str(),
                libraryDistance.Value, libraryDistance.Where.c_str());
}

} // namespace
} // namespace vantrel::sunmoon

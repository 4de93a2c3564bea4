// The library against the reference positions in data/sunmoon_reference.csv,
// through its C interface, as the program calls it: topocentric apparent
// places of date of the Moon and the Sun computed with the Swiss Ephemeris
// from JPL DE431 (data/make_reference.py gives the conventions).

#include "sunmoon/Orbex_sunmoon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace vantrel::sunmoon {
namespace {

struct ReferenceCase {
    int Line = 0; ///< line in the CSV file, for messages
    std::uint8_t Body = 0;
    std::uint16_t Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
    double HeightM = 0, LatitudeDeg = 0, LongitudeDeg = 0;
    double GhaDeg = 0, DecDeg = 0, AzimuthDeg = 0, ElevationDeg = 0;

    std::string Name() const; ///< "Moon 2016-12-31 23:59:60 lat 35.8 lon 5.2 (line 12)"
};

std::string ReferenceCase::Name() const {
    char text[128];
    std::snprintf(text, sizeof text,
                  "%s %04d-%02d-%02d %02d:%02d:%02d lat %.4f lon %.4f h %.1f (line %d)",
                  Body == 0 ? "Moon" : "Sun", Year, Month, Day, Hour, Minute, Second, LatitudeDeg,
                  LongitudeDeg, HeightM, Line);
    return text;
}

/// All cases of the CSV at SUNMOON_REFERENCE_CSV; an empty list when the file
/// cannot be read or a line does not parse, with the reason in `error`.
std::vector<ReferenceCase> LoadReferenceCases(std::string& error) {
    std::vector<ReferenceCase> cases;
    std::ifstream file(SUNMOON_REFERENCE_CSV);
    if (!file) {
        error = std::string("cannot open ") + SUNMOON_REFERENCE_CSV;
        return cases;
    }
    std::string line;
    int lineNumber = 0;
    while (std::getline(file, line)) {
        ++lineNumber;
        if (line.empty() || line[0] == '#' || line.rfind("body,", 0) == 0) {
            continue;
        }
        for (char& c : line) {
            if (c == ',') {
                c = ' ';
            }
        }
        std::istringstream in(line);
        int body = 0;
        ReferenceCase c;
        c.Line = lineNumber;
        in >> body >> c.Year >> c.Month >> c.Day >> c.Hour >> c.Minute >> c.Second >> c.HeightM >>
            c.LatitudeDeg >> c.LongitudeDeg >> c.GhaDeg >> c.DecDeg >> c.AzimuthDeg >>
            c.ElevationDeg;
        if (!in || (body != 0 && body != 1)) {
            error = "line " + std::to_string(lineNumber) + " does not parse: " + line;
            return {};
        }
        c.Body = static_cast<std::uint8_t>(body);
        cases.push_back(c);
    }
    return cases;
}

constexpr double kArcsecPerDeg = 3600.0;
constexpr double kDegToRad = 3.141592653589793238462643383279502884 / 180.0;

/// Tolerances, arcseconds: the Sun everywhere; the Moon at worst and for
/// 99 % of the cases (ELP/MPP02 is good to a few hundredths of an
/// arcsecond; the reference's topocentric places leave out the nutation of
/// the station, up to about 0.2″ for the Moon).
constexpr double kSunToleranceArcsec = 2.0;
constexpr double kMoonWorstArcsec = 3.0;
constexpr double kMoonTypicalArcsec = 0.5;
constexpr double kMoonTypicalShare = 0.99;
/// What the Sun and the Moon achieve before 2050, arcseconds.
constexpr double kSunRegressionArcsec = 0.05;
constexpr double kMoonRegressionArcsec = 0.3;

enum Angle { kHourAngle, kDeclination, kAzimuth, kElevation, kAngleCount };
constexpr const char* kAngleNames[kAngleCount] = {"GHA*cos(dec)", "dec", "az*cos(el)", "el"};

/// Errors of one case, arcseconds on the sky: the hour angle and the azimuth
/// times the cosine of declination and elevation.
struct CaseErrors {
    const ReferenceCase* Case = nullptr;
    std::array<double, kAngleCount> Got{};
    std::array<double, kAngleCount> ErrorArcsec{};
};

double TurnDifferenceDeg(double got, double expected) {
    return std::remainder(got - expected, 360.0);
}

class SunMoonReference : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        cases_ = LoadReferenceCases(loadError_);
        errors_.clear();
        for (const ReferenceCase& c : cases_) {
            DataToDLL(c.Year, c.Month, c.Day, c.Hour, c.Minute, c.Second, c.HeightM, c.LatitudeDeg,
                      c.LongitudeDeg, 0, c.Body, 0.0);
            CaseErrors e;
            e.Case = &c;
            e.Got = {GetGHA(), GetDecTopo(), GetAzimuth(), GetElevation()};
            e.ErrorArcsec[kHourAngle] = TurnDifferenceDeg(e.Got[kHourAngle], c.GhaDeg) *
                                        std::cos(c.DecDeg * kDegToRad) * kArcsecPerDeg;
            e.ErrorArcsec[kDeclination] = (e.Got[kDeclination] - c.DecDeg) * kArcsecPerDeg;
            e.ErrorArcsec[kAzimuth] = TurnDifferenceDeg(e.Got[kAzimuth], c.AzimuthDeg) *
                                      std::cos(c.ElevationDeg * kDegToRad) * kArcsecPerDeg;
            e.ErrorArcsec[kElevation] = (e.Got[kElevation] - c.ElevationDeg) * kArcsecPerDeg;
            errors_.push_back(e);
        }
    }

    static std::vector<const CaseErrors*> OfBody(int body) {
        std::vector<const CaseErrors*> out;
        for (const CaseErrors& e : errors_) {
            if (e.Case->Body == body) {
                out.push_back(&e);
            }
        }
        return out;
    }

    /// Prints worst, 99th percentile and RMS of each angle.
    static void PrintSummary(const char* body, const std::vector<const CaseErrors*>& errors) {
        for (int a = 0; a < kAngleCount; ++a) {
            std::vector<double> abs;
            double sumSquares = 0;
            for (const CaseErrors* e : errors) {
                abs.push_back(std::fabs(e->ErrorArcsec[a]));
                sumSquares += e->ErrorArcsec[a] * e->ErrorArcsec[a];
            }
            std::sort(abs.begin(), abs.end());
            const auto p99 = static_cast<std::size_t>(std::ceil(0.99 * abs.size())) - 1;
            std::printf("%-4s %-13s worst %7.3f\"  99%% %7.3f\"  rms %7.3f\"  (%zu cases)\n", body,
                        kAngleNames[a], abs.back(), abs[p99], std::sqrt(sumSquares / abs.size()),
                        abs.size());
        }
    }

    /// Expects every error of every case within `tolerance`, naming each
    /// case that is not, with expected, got and difference.
    static void ExpectAllWithin(const std::vector<const CaseErrors*>& errors, double tolerance) {
        for (const CaseErrors* e : errors) {
            const std::array<double, kAngleCount> expected = {
                e->Case->GhaDeg, e->Case->DecDeg, e->Case->AzimuthDeg, e->Case->ElevationDeg};
            for (int a = 0; a < kAngleCount; ++a) {
                EXPECT_LE(std::fabs(e->ErrorArcsec[a]), tolerance)
                    << e->Case->Name() << " " << kAngleNames[a] << ": expected " << expected[a]
                    << " deg, got " << e->Got[a] << " deg, error " << e->ErrorArcsec[a]
                    << " arcsec";
            }
        }
    }

    static std::string loadError_;
    static std::vector<ReferenceCase> cases_;
    static std::vector<CaseErrors> errors_;
};

std::string SunMoonReference::loadError_;
std::vector<ReferenceCase> SunMoonReference::cases_;
std::vector<CaseErrors> SunMoonReference::errors_;

TEST_F(SunMoonReference, FileHoldsBothBodiesLeapSecondsAndTheEpochEnds) {
    ASSERT_EQ(loadError_, "");
    EXPECT_EQ(OfBody(0).size(), 200u);
    EXPECT_EQ(OfBody(1).size(), 200u);
    const auto count = [](auto predicate) {
        return std::count_if(cases_.begin(), cases_.end(), predicate);
    };
    EXPECT_EQ(count([](const ReferenceCase& c) { return c.Second == 60; }), 8);
    EXPECT_GT(count([](const ReferenceCase& c) { return c.Year < 1960; }), 0);
    EXPECT_GT(count([](const ReferenceCase& c) { return c.Year == 2050; }), 0);
    EXPECT_GT(count([](const ReferenceCase& c) { return std::fabs(c.LatitudeDeg) > 85; }), 0);
}

TEST_F(SunMoonReference, SunWithinTwoArcsecondsInEveryAngle) {
    const std::vector<const CaseErrors*> sun = OfBody(1);
    ASSERT_FALSE(sun.empty()) << loadError_;
    PrintSummary("Sun ", sun);
    ExpectAllWithin(sun, kSunToleranceArcsec);
}

// ERFA's Sun agrees with DE431 to milliarcseconds: a far tighter bound than
// the 2″ required keeps the smaller effects honest (the Sun's light time is
// 20″ of aberration, diurnal aberration 0.3″, the observer's height). At
// the reference's one instant after 2050 January 1 (JD 2 469 807.5) its
// hour angle and azimuth, and only those, differ by 2.1″, most likely
// because from that date the Swiss Ephemeris computes sidereal time with its
// long-term model; such instants keep the 2″ bound only.
TEST_F(SunMoonReference, SunWithinFiftyMilliarcsecondsBefore2050) {
    std::vector<const CaseErrors*> sun;
    for (const CaseErrors* e : OfBody(1)) {
        if (e->Case->Year < 2050) {
            sun.push_back(e);
        }
    }
    ASSERT_GT(sun.size(), 190u) << loadError_;
    PrintSummary("Sun before 2050", sun);
    ExpectAllWithin(sun, kSunRegressionArcsec);
}

// The Moon before 2050, as the Sun above (the instant after it differs by
// 2.2″ in hour angle and 1.9″ in azimuth, as the Sun's).
TEST_F(SunMoonReference, MoonWithinThreeTenthsOfAnArcsecondBefore2050) {
    std::vector<const CaseErrors*> moon;
    for (const CaseErrors* e : OfBody(0)) {
        if (e->Case->Year < 2050) {
            moon.push_back(e);
        }
    }
    ASSERT_GT(moon.size(), 190u) << loadError_;
    PrintSummary("Moon before 2050", moon);
    ExpectAllWithin(moon, kMoonRegressionArcsec);
}

TEST_F(SunMoonReference, MoonWithinThreeArcsecondsInEveryAngle) {
    const std::vector<const CaseErrors*> moon = OfBody(0);
    ASSERT_FALSE(moon.empty()) << loadError_;
    PrintSummary("Moon", moon);
    ExpectAllWithin(moon, kMoonWorstArcsec);
}

TEST_F(SunMoonReference, MoonWithinHalfAnArcsecondInNinetyNinePercentOfCasesPerAngle) {
    const std::vector<const CaseErrors*> moon = OfBody(0);
    ASSERT_FALSE(moon.empty()) << loadError_;
    const auto allowed = static_cast<std::size_t>((1.0 - kMoonTypicalShare) * moon.size());
    for (int a = 0; a < kAngleCount; ++a) {
        std::size_t beyond = 0;
        std::string names;
        for (const CaseErrors* e : moon) {
            if (std::fabs(e->ErrorArcsec[a]) > kMoonTypicalArcsec) {
                ++beyond;
                names += "\n  " + e->Case->Name() + ": " + std::to_string(e->ErrorArcsec[a]) + "\"";
            }
        }
        EXPECT_LE(beyond, allowed) << kAngleNames[a] << ": " << beyond << " of " << moon.size()
                                   << " cases beyond " << kMoonTypicalArcsec << "\"" << names;
    }
}

} // namespace
} // namespace vantrel::sunmoon

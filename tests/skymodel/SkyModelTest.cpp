// The sky model: the 408 MHz survey scaled to the frequency and averaged
// over the beam, checked against an independent computation (astropy's
// WCS and numpy over the same FITS files, data/make_sky_reference.py), and
// the cold-sky search against a brute-force one.

#include "skychart/SkyDiskLayer.h"
#include "skymodel/ColdSky.h"
#include "skymodel/HorizontalSky.h"
#include "skymodel/SkyBrightness.h"
#include "skymodel/SkyConstants.h"
#include "skymodel/SkyOverHorizon.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace vantrel::sky {
namespace {

const SkySurvey& Survey() {
    static const std::unique_ptr<SkySurvey> survey = [] {
        SkySurveyLoad load = LoadSkySurveyFrom(VANTREL_SKY408_DIR);
        if (!load.Survey) {
            ADD_FAILURE() << load.Problem;
            return std::make_unique<SkySurvey>();
        }
        return std::make_unique<SkySurvey>(std::move(*load.Survey));
    }();
    return *survey;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> out;
    std::string field;
    bool quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            out.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    out.push_back(field);
    return out;
}

TEST(SkySurvey, ReadsBothMapsOnTheirGridAndRefusesWhatIsNotOne) {
    const SkySurvey& s = Survey();
    ASSERT_EQ(s.Width, 1024);
    ASSERT_EQ(s.Height, 512);
    // The values the files hold: 11.7 K at the coldest, 4246 K at the
    // Galactic centre; indices up to 5.7.
    const auto [tLo, tHi] = std::minmax_element(s.TemperatureK.begin(), s.TemperatureK.end());
    EXPECT_NEAR(*tLo, 11.675, 0.001);
    EXPECT_NEAR(*tHi, 4245.84, 0.01);
    EXPECT_NEAR(*std::max_element(s.SpectralIndex.begin(), s.SpectralIndex.end()), 5.677, 0.001);
    // The grid: RA 0 h between columns 511 and 512 (CRPIX1 512.5), growing to
    // the left; pixels found again from their own coordinates.
    EXPECT_NEAR(s.RaDeg(511), 360.0 / 2048.0, 1e-9);
    EXPECT_NEAR(s.RaDeg(512), 360.0 - 360.0 / 2048.0, 1e-9);
    EXPECT_NEAR(s.DecDeg(0), -90.0 + 180.0 / 1024.0, 1e-3);
    for (int i : {0, 1, 511, 512, 1023}) {
        EXPECT_EQ(s.ColumnOf(s.RaDeg(i)), i);
        EXPECT_EQ(s.ColumnOf(s.RaDeg(i) + 720.0), i);
    }
    for (int j : {0, 255, 256, 511}) {
        EXPECT_EQ(s.RowOf(s.DecDeg(j)), j);
    }
    EXPECT_EQ(s.RowOf(95.0), 511);

    // A missing folder or file, and a file that is no FITS image, are
    // refused naming the file.
    EXPECT_NE(LoadSkySurveyFrom("").Problem.find("not installed"), std::string::npos);
    const SkySurveyLoad missing = LoadSkySurveyFrom("/nonexistent/sky408");
    EXPECT_FALSE(missing.Survey);
    EXPECT_NE(missing.Problem.find("/nonexistent/sky408/408mhz_ra_dec.fits"), std::string::npos);
    const SkySurveyLoad text = LoadSkySurvey(VANTREL_SKY_REFERENCE, VANTREL_SKY_REFERENCE);
    EXPECT_FALSE(text.Survey);
    EXPECT_NE(text.Problem.find("sky_reference.csv"), std::string::npos) << text.Problem;
}

TEST(SkyBrightness, ScalesEachPixelByItsOwnIndex) {
    // T408 = 102.725 K: 100 K above the CMB, scaled by (f/408)^-beta.
    EXPECT_NEAR(ScaledPixelK(102.725, 2.5, 408.0), 102.725, 1e-12);
    EXPECT_NEAR(ScaledPixelK(102.725, 2.5, 144.0), kCmbK + 100.0 * std::pow(144.0 / 408.0, -2.5),
                1e-9);
    // An index of 0 (none derived) stands for 2.6.
    EXPECT_NEAR(ScaledPixelK(102.725, 0.0, 1296.0), ScaledPixelK(102.725, 2.6, 1296.0), 1e-12);
    // Far above the survey only the CMB is left.
    EXPECT_NEAR(ScaledPixelK(30.0, 2.7, 100000.0), kCmbK, 1e-4);
}

TEST(SkyBrightness, AgreesWithAnIndependentComputationOnTheSameMaps) {
    std::ifstream in(VANTREL_SKY_REFERENCE);
    ASSERT_TRUE(in) << VANTREL_SKY_REFERENCE;
    std::string line;
    std::getline(in, line);
    std::map<double, std::unique_ptr<SkyBrightness>> skies;
    int rows = 0;
    while (std::getline(in, line)) {
        const auto f = Fields(line);
        ASSERT_EQ(f.size(), 8U) << line;
        const double mhz = std::stod(f[2]);
        auto& sky = skies[mhz];
        if (!sky) {
            sky = std::make_unique<SkyBrightness>(Survey(), mhz);
        }
        const SkyDirection d{std::stod(f[3]), std::stod(f[4])};
        const double expected = std::stod(f[7]);
        const double got = f[1] == "beam" ? sky->BeamAverageK(d, std::stod(f[5]))
                                          : sky->RingAverageK(d, std::stod(f[5]), std::stod(f[6]));
        // The pixel centres of the reference come from the header's rounded
        // step (0.351562°), the program's from 360/1024: 0.1 % covers it.
        EXPECT_NEAR(got, expected, 0.001 * expected + 0.001)
            << f[0] << ": expected " << expected << " K, got " << got << " K, difference "
            << got - expected;
        ++rows;
    }
    EXPECT_EQ(rows, 9);
}

TEST(SkyBrightness, TheRingBehindARadioStarLeavesTheStarOut) {
    const SkyBrightness sky(Survey(), 144.0);
    const SkyDirection casA{350.85, 58.815};
    const double onStar = sky.BeamAverageK(casA, 2.0);
    const double behind = BackgroundK(sky, casA, 2.0, /*inMap=*/true);
    EXPECT_NEAR(behind, sky.RingAverageK(casA, 3.0, 6.0), 1e-9);
    // Cas A itself is thousands of kelvin at 144 MHz in the smoothed map;
    // the background is the Galactic plane's few hundred.
    EXPECT_GT(onStar, behind + 1000.0) << onStar << " " << behind;
    EXPECT_GT(behind, 200.0);
    // A beam narrower than the survey: the ring's widths stay at 0.85°.
    EXPECT_NEAR(BackgroundK(sky, casA, 0.3, true),
                sky.RingAverageK(casA, 1.5 * kSurveyResolutionDeg, 3 * kSurveyResolutionDeg), 1e-9);
    // Away from the radio stars the background is the beam average.
    EXPECT_EQ(BackgroundK(sky, {150, 40}, 5.0, false), sky.BeamAverageK({150, 40}, 5.0));
    // A beam narrower than a pixel falls back on the nearest pixel.
    const SkySurvey& s = Survey();
    const int i = s.ColumnOf(150.0);
    const int j = s.RowOf(40.0);
    EXPECT_NEAR(sky.BeamAverageK({s.RaDeg(i), s.DecDeg(j)}, 0.05), sky.PixelK(i, j), 1e-3);
}

TEST(HorizontalSky, TurnsTheHorizonIntoJ2000AndBack) {
    const SkyStation station{52.5, 5.0, 10.0};
    const DateTime utc = 46366.75; // 2026-12-10 18:00 UTC
    for (const HorizontalPlace p : {HorizontalPlace{0.0, 10.0}, HorizontalPlace{123.4, 45.0},
                                    HorizontalPlace{270.0, 0.5}, HorizontalPlace{359.9, 89.0}}) {
        const SkyDirection d = SkyDirectionOf(p, station, utc);
        const HorizontalPlace back = HorizontalPlaceOf(d, station, utc);
        EXPECT_NEAR(std::remainder(back.AzimuthDeg - p.AzimuthDeg, 360.0), 0.0,
                    1e-6 / std::cos(p.ElevationDeg * M_PI / 180));
        EXPECT_NEAR(back.ElevationDeg, p.ElevationDeg, 1e-6);
    }
    // North at the latitude's elevation is the celestial pole of date,
    // 0.15° from the J2000 pole after 27 years of precession (20″ a year).
    const SkyDirection pole = SkyDirectionOf({0.0, 52.5}, station, utc);
    EXPECT_NEAR(pole.DecDeg, 90.0 - 0.15, 0.02);
}

TEST(SkyOverHorizon, OneRotationPlacesTheWholeSkyAsERFADoesEachPlace) {
    const SkyStation station{-33.9, 151.2, 40.0};
    const DateTime utc = 46366.75;
    const SkyBrightness sky(Survey(), 144.0);
    const SkyOverHorizon over(sky, station, utc);
    double worst = 0;
    for (double az = 0; az < 360; az += 17.3) {
        for (double el = -10; el <= 90; el += 9.7) {
            const SkyDirection exact = SkyDirectionOf({az, el}, station, utc);
            worst = std::max(worst, SeparationDeg(over.DirectionOf(az, el), exact));
        }
    }
    // Aberration moves each place by up to 20″ and the rotation made from
    // three of them carries their differences: within 0.05°, a seventh of
    // the 0.35° pixels.
    EXPECT_LT(worst, 0.05);
    const SkyDirection zenith = SkyDirectionOf({0, 90}, station, utc);
    const SkySurvey& s = Survey();
    EXPECT_EQ(over.TemperatureK(0, 90),
              sky.PixelK(s.ColumnOf(zenith.RaDeg), s.RowOf(zenith.DecDeg)));
    // The colour scale is logarithmic and held to its ends.
    EXPECT_NEAR(SkyScalePosition(100, 10, 1000), 0.5, 1e-12);
    EXPECT_EQ(SkyScalePosition(5, 10, 1000), 0.0);
    EXPECT_EQ(SkyScalePosition(5000, 10, 1000), 1.0);
    EXPECT_EQ(SkyScalePosition(NAN, 10, 1000), 0.0);
}

TEST(SkyDiskLayer, FillsTheHorizonCircleAndMirrorsWithTheChart) {
    const SkyStation station{49.87, 8.65, 150.0};
    const SkyBrightness sky(Survey(), 144.0);
    const SkyOverHorizon over(sky, station, 46365.47);
    constexpr int n = 64;
    const SkyDiskLayer left = MakeSkyDiskLayer(over, n, ChartOrientation::EastLeft);
    const SkyDiskLayer right = MakeSkyDiskLayer(over, n, ChartOrientation::EastRight);
    ASSERT_EQ(left.Kelvin.size(), static_cast<std::size_t>(n * n));
    EXPECT_TRUE(std::isnan(left.Kelvin[0]));          // a corner: outside the horizon
    EXPECT_FALSE(std::isnan(left.Kelvin[n / 2 * n])); // the left rim, just inside
    int inside = 0;
    for (int row = 0; row < n; ++row) {
        for (int col = 0; col < n; ++col) {
            const float a = left.Kelvin[static_cast<std::size_t>(row * n + col)];
            const float b = right.Kelvin[static_cast<std::size_t>(row * n + n - 1 - col)];
            EXPECT_EQ(std::isnan(a), std::isnan(b));
            if (!std::isnan(a)) {
                EXPECT_EQ(a, b) << row << " " << col;
                ++inside;
            }
        }
    }
    // π/4 of the square, and a scale within the values (the 0.5th and
    // 99.5th percentile).
    EXPECT_NEAR(inside, n * n * 3.14159 / 4, n * 2);
    EXPECT_GT(left.LowK, 0);
    EXPECT_GT(left.HighK, left.LowK);
    int below = 0;
    for (float k : left.Kelvin) {
        below += !std::isnan(k) && k < left.LowK ? 1 : 0;
    }
    EXPECT_LE(below, inside / 100);
}

TEST(ColdSky, FindsWhatABruteForceSearchFindsAndKeepsItsDistances) {
    const SkyStation station{52.5, 5.0, 0.0};
    const DateTime utc = 46366.75;
    struct Case {
        const char* Name;
        double Mhz, Hpbw, Elevation;
        bool Skyline; ///< a wall hiding azimuths 150 to 300 below 60°
    };
    const Case cases[] = {
        {"144 MHz Yagi, 15 deg", 144, 15, 20, false},
        {"432 MHz, 5 deg, a wall", 432, 5, 30, true},
        {"1296 MHz dish, 2 deg", 1296, 2, 45, false},
    };
    const SkyDirection sun = SkyDirectionOf({200, 10}, station, utc);
    for (const Case& c : cases) {
        const SkyBrightness sky(Survey(), c.Mhz);
        const SkyDirection source = SkyDirectionOf({90, c.Elevation}, station, utc);
        ColdSkyQuery q;
        q.ElevationDeg = c.Elevation;
        q.HpbwDeg = c.Hpbw;
        q.Avoid = {source, sun};
        q.DirectionAt = [&](double az) { return SkyDirectionOf({az, c.Elevation}, station, utc); };
        if (c.Skyline) {
            q.Hidden = [](double az, double el) { return az >= 150 && az <= 300 && el < 60; };
        }
        const auto found = FindColdSky(sky, q);
        ASSERT_TRUE(found) << c.Name;
        EXPECT_NEAR(found->ElevationDeg, c.Elevation, 1e-12);
        for (const SkyDirection& a : q.Avoid) {
            EXPECT_GE(SeparationDeg(found->Direction, a), 2 * c.Hpbw - 1e-9) << c.Name;
        }
        if (c.Skyline) {
            EXPECT_FALSE(found->AzimuthDeg >= 150 && found->AzimuthDeg <= 300) << c.Name;
        }
        // Every 0.2° of azimuth, the same exclusions.
        double coldest = 1e300;
        for (int k = 0; k < 1800; ++k) {
            const double az = k * 0.2;
            if (q.Hidden && q.Hidden(az, c.Elevation)) {
                continue;
            }
            const SkyDirection d = q.DirectionAt(az);
            if (SeparationDeg(d, source) < 2 * c.Hpbw || SeparationDeg(d, sun) < 2 * c.Hpbw) {
                continue;
            }
            coldest = std::min(coldest, sky.BeamAverageK(d, c.Hpbw));
        }
        EXPECT_LE(found->TskyK, coldest * 1.05) << c.Name << ": brute force " << coldest;
        EXPECT_GE(found->TskyK, coldest * 0.999) << c.Name;
        EXPECT_NEAR(found->TskyK, sky.BeamAverageK(found->Direction, c.Hpbw), 1e-9);
    }
    // A circle every point of which is excluded gives none.
    const SkyBrightness sky(Survey(), 144);
    ColdSkyQuery all;
    all.ElevationDeg = 10;
    all.HpbwDeg = 3;
    all.DirectionAt = [&](double az) { return SkyDirectionOf({az, 10}, station, utc); };
    all.Hidden = [](double, double) { return true; };
    EXPECT_FALSE(FindColdSky(sky, all));
}

} // namespace
} // namespace vantrel::sky

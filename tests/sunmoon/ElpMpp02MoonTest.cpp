// The ELP/MPP02 Moon: the full series read from data/elpmpp02/ against the
// published test positions, and the series compiled into the program
// (truncated) against the full series over the years the program serves.

#include "sunmoon/ElpMpp02Moon.h"
#include "sunmoon/ElpSeriesFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

namespace vantrel::sunmoon {
namespace {

constexpr double kJ2000 = 2451545.0;
constexpr double kArcsecPerRad = 206264.80624709636;
constexpr double kMmPerSecondPerKmPerDay = 1e6 / 86400.0;

double Length(const double (&v)[3]) {
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

class ElpMpp02 : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        files_ = new ElpSeriesFiles;
        if (!ReadElpSeriesFiles(VANTREL_ELP_DATA_DIR, *files_, error_)) {
            delete files_;
            files_ = nullptr;
        }
    }
    static void TearDownTestSuite() {
        delete files_;
        files_ = nullptr;
    }
    void SetUp() override { ASSERT_NE(files_, nullptr) << error_; }

    static ElpSeriesFiles* files_;
    static std::string error_;
};

ElpSeriesFiles* ElpMpp02::files_ = nullptr;
std::string ElpMpp02::error_;

// Y. T. Liu, "ELP/MPP02 Lunar Ephemeris" (2018, last modified 2024),
// section 1.6: geocentric positions on the ecliptic and equinox of J2000
// with the constants fitted to DE405/DE406, given to 10 µm. Dates far from
// J2000 test the secular terms and the polynomials of the arguments.
TEST_F(ElpMpp02, FullSeriesGivesThePublishedPositions) {
    const struct {
        double TdbJd;
        double Km[3];
    } published[] = {
        {2521835.67, {-184108.21468, 345893.25529, 30395.06868}},   // 2192-06-13
        {2265621.33, {-298024.37832, -213909.67132, -23263.21426}}, // 1490-12-07
        {2009406.99, {350041.24745, -201093.28987, 1643.33539}},    // 0789-06-16
        {1753192.65, {90272.39894, 351997.39617, 13417.01712}},     // 0087-12-25
        {1496978.31, {-403018.01560, -2639.93889, -28463.89733}},   // -0614-07-03
    };
    std::size_t terms = 0;
    for (const auto& c : files_->Main) {
        terms += c.size();
    }
    for (const auto& c : files_->Perturbation) {
        for (const auto& s : c) {
            terms += s.size();
        }
    }
    EXPECT_EQ(terms, 35901u);
    const ElpMpp02Moon full(files_->View());
    for (const auto& p : published) {
        const MoonState got = full.EclipticJ2000(p.TdbJd - kJ2000);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(got.PositionKm[i], p.Km[i], 1e-4)
                << "JD " << p.TdbJd << " axis " << i << ": expected " << p.Km[i] << " km, got "
                << got.PositionKm[i] << " km";
        }
    }
}

// The truncated series the program uses, against the full one at random
// instants of 1960-2090, in the GCRS: distance, direction, and velocity; and
// its velocity against the difference of its positions ±0.001 d (whose own
// error, R·ω³·h²/6 for the monthly motion, is under 10⁻³ km/d).
TEST_F(ElpMpp02, CompiledSeriesFollowsTheFullOneFrom1960To2090) {
    const ElpMpp02Moon full(files_->View());
    const ElpMpp02Moon& compiled = ElpMpp02Moon::Compiled();
    EXPECT_LT(compiled.TermCount(), full.TermCount() / 4);
    std::mt19937_64 random(2003);
    std::uniform_real_distribution<double> day(-14610.0, 32872.0);
    double worstKm = 0, worstArcsec = 0, worstMmPerS = 0, worstRateKmPerDay = 0;
    for (int n = 0; n < 150; ++n) {
        const double t = day(random);
        const MoonState a = compiled.Gcrs(t);
        const MoonState b = full.Gcrs(t);
        double cross[3];
        cross[0] = a.PositionKm[1] * b.PositionKm[2] - a.PositionKm[2] * b.PositionKm[1];
        cross[1] = a.PositionKm[2] * b.PositionKm[0] - a.PositionKm[0] * b.PositionKm[2];
        cross[2] = a.PositionKm[0] * b.PositionKm[1] - a.PositionKm[1] * b.PositionKm[0];
        double dv[3];
        for (int i = 0; i < 3; ++i) {
            dv[i] = a.VelocityKmPerDay[i] - b.VelocityKmPerDay[i];
        }
        const MoonState before = compiled.Gcrs(t - 0.001);
        const MoonState after = compiled.Gcrs(t + 0.001);
        for (int i = 0; i < 3; ++i) {
            const double numerical = (after.PositionKm[i] - before.PositionKm[i]) / 0.002;
            worstRateKmPerDay =
                std::max(worstRateKmPerDay, std::fabs(numerical - a.VelocityKmPerDay[i]));
        }
        worstKm = std::max(worstKm, std::fabs(Length(a.PositionKm) - Length(b.PositionKm)));
        worstArcsec =
            std::max(worstArcsec,
                     Length(cross) / (Length(a.PositionKm) * Length(b.PositionKm)) * kArcsecPerRad);
        worstMmPerS = std::max(worstMmPerS, Length(dv) * kMmPerSecondPerKmPerDay);
    }
    std::printf("compiled (%zu terms) against full (%zu): worst %.4f km, %.4f\", %.3f mm/s; "
                "velocity against positions %.2e km/d\n",
                compiled.TermCount(), full.TermCount(), worstKm, worstArcsec, worstMmPerS,
                worstRateKmPerDay);
    EXPECT_LT(worstKm, 0.07);
    EXPECT_LT(worstArcsec, 0.04);
    EXPECT_LT(worstMmPerS, 0.4);
    EXPECT_LT(worstRateKmPerDay, 2e-3);
}

// A folder without the files, and a file with a bad term, are refused with
// the file named.
TEST(ElpSeriesFile, RefusesMissingAndDamagedFiles) {
    ElpSeriesFiles files;
    std::string error;
    EXPECT_FALSE(ReadElpSeriesFiles("/nonexistent-folder", files, error));
    EXPECT_NE(error.find("elp_main.long"), std::string::npos) << error;

    const std::string folder = ::testing::TempDir() + "elp-damaged";
    std::string command =
        "mkdir -p '" + folder + "' && cp " VANTREL_ELP_DATA_DIR "/elp_* '" + folder + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    {
        std::FILE* f = std::fopen((folder + "/elp_pert.latT2").c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs("2\n0 0 0 0 0 0 0 0 0 0 0 0 1 1e-9 0.5\n0 0 0 0 0 0 0 0 0 0 0 0 x 1e-9 0.5\n",
                   f);
        std::fclose(f);
    }
    EXPECT_FALSE(ReadElpSeriesFiles(folder, files, error));
    EXPECT_NE(error.find("elp_pert.latT2: line 3"), std::string::npos) << error;
}

} // namespace
} // namespace vantrel::sunmoon

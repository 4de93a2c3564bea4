// The measurement core against worked values computed independently (a
// Python script, tests/measure/make_worked_values.py, whose output is
// worked_values.csv), and its refusals of bad input.

#include "measure/Antenna.h"
#include "measure/DiskFlux.h"
#include "measure/MeasureConstants.h"
#include "measure/RadioStarFlux.h"
#include "measure/SolarFlux.h"
#include "measure/YFactor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace vantrel::measure;

/// One row of worked_values.csv.
struct Worked {
    std::string Kind, Name, Source;
    double FrequencyMHz = 0, X1 = 0, X2 = 0, X3 = 0, X4 = 0, Expected = 0;
};

double Field(const std::string& text) {
    return text.empty() ? std::numeric_limits<double>::quiet_NaN() : std::stod(text);
}

std::vector<Worked> ReadWorkedValues() {
    std::ifstream in(VANTREL_MEASURE_WORKED_VALUES);
    std::vector<Worked> rows;
    std::string line;
    bool header = true;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (header) {
            header = false;
            continue;
        }
        std::vector<std::string> f;
        std::stringstream s(line);
        std::string cell;
        while (std::getline(s, cell, ',')) {
            f.push_back(cell);
        }
        while (f.size() < 9) {
            f.emplace_back();
        }
        rows.push_back({f[0], f[1], f[2], Field(f[3]), Field(f[4]), Field(f[5]), Field(f[6]),
                        Field(f[7]), Field(f[8])});
    }
    return rows;
}

/// The Sun table of the script: a plausible day of moderate activity.
const std::vector<SolarFluxPoint> kSunTable{{245, 18},  {410, 35},   {610, 52},   {1415, 70},
                                            {2695, 98}, {4995, 140}, {8800, 230}, {15400, 520}};

/// What the C++ code gives for a row, and whether the tolerance is relative
/// (0.1 %) or absolute in dB (0.01 dB).
struct Got {
    double Value;
    bool Decibels;
};

RadioStar Star(const std::string& name) {
    const auto star = RadioStarFromName(name);
    EXPECT_TRUE(star.has_value()) << name;
    return star.value_or(RadioStar::Aquarius);
}

double StarK(const std::string& source, const AntennaBeam& beam) {
    return BeamCorrection(RadioStarDiameterDeg(Star(source)).value_or(NAN), beam.BeamwidthDeg);
}

Got Compute(const Worked& w) {
    const double f = w.FrequencyMHz;
    if (w.Kind == "flux") {
        return {RadioStarFlux(Star(w.Source), f, w.X1).Jy, false};
    }
    if (w.Kind == "sun_table") {
        return {SolarFluxFromTable(kSunTable, f).Jy, false};
    }
    if (w.Kind == "disk_flux") {
        return {DiskFlux(w.X1, w.X2, w.X3, f).Jy, false};
    }
    if (w.Kind == "disk_diameter") {
        return {DiskDiameterDeg(w.X1, w.X2), false};
    }
    if (w.Kind == "dish_area" || w.Kind == "dish_beam") {
        const AntennaBeam b = DishBeam(w.X1, w.X2, f).value_or(AntennaBeam{});
        return {w.Kind == "dish_area" ? b.EffectiveAreaM2 : b.BeamwidthDeg, false};
    }
    if (w.Kind == "gain_area" || w.Kind == "gain_beam") {
        const AntennaBeam b = GainBeam(w.X1, f).value_or(AntennaBeam{});
        return {w.Kind == "gain_area" ? b.EffectiveAreaM2 : b.BeamwidthDeg, false};
    }
    if (w.Kind == "beam_correction") {
        return {BeamCorrection(w.X1, w.X2), false};
    }
    if (w.Kind == "tsys_nf") {
        return {SystemTemperatureFromNoiseFigureK(w.X1, w.X2), false};
    }
    if (w.Kind == "expected_y_db") {
        const AntennaBeam b = DishBeam(w.X2, w.X3, f).value_or(AntennaBeam{});
        const double s = RadioStarFlux(Star(w.Source), f, w.X1).Jy;
        const double dt = AntennaTemperatureRiseK(s, b.EffectiveAreaM2, StarK(w.Source, b));
        return {RatioToDb(ExpectedY(dt, w.X4)), true};
    }
    if (w.Kind == "g_over_t_db") {
        const AntennaBeam b = DishBeam(w.X3, w.X4, f).value_or(AntennaBeam{});
        const double s = RadioStarFlux(Star(w.Source), f, w.X1).Jy;
        return {GOverTDbPerK(DbToRatio(w.X2), s, f, StarK(w.Source, b)), true};
    }
    if (w.Kind == "moon_y_db") {
        const AntennaBeam b = DishBeam(w.X2, w.X3, f).value_or(AntennaBeam{});
        const double s = DiskFlux(w.X1, kMoonRadiusKm, kMoonMeanDistanceKm, f).Jy;
        const double k =
            BeamCorrection(DiskDiameterDeg(kMoonRadiusKm, kMoonMeanDistanceKm), b.BeamwidthDeg);
        return {RatioToDb(ExpectedY(AntennaTemperatureRiseK(s, b.EffectiveAreaM2, k), w.X4)), true};
    }
    ADD_FAILURE() << "unknown kind " << w.Kind;
    return {NAN, false};
}

constexpr double kRelativeTolerance = 1e-3; // 0.1 %
constexpr double kDecibelTolerance = 0.01;  // dB

TEST(MeasureWorkedValues, EveryRowAgrees) {
    const std::vector<Worked> rows = ReadWorkedValues();
    ASSERT_GE(rows.size(), 50u) << "worked_values.csv not read from "
                                << VANTREL_MEASURE_WORKED_VALUES;
    for (const Worked& w : rows) {
        const Got got = Compute(w);
        const double diff = got.Value - w.Expected;
        const double tol = got.Decibels ? kDecibelTolerance : kRelativeTolerance * w.Expected;
        EXPECT_LE(std::abs(diff), tol)
            << w.Kind << " '" << w.Name << "': expected " << w.Expected << ", got " << got.Value
            << ", difference " << diff << " (tolerance " << tol << ")";
    }
}

// Outside authority: Baars et al. (1977) give Cas A about 2 720 Jy at 1 GHz
// and Cyg A about 1 590 Jy at 1.4 GHz for their epoch, and the decline at
// 1 GHz is 0.97 %/yr. Tolerances are those of reading the published values.
TEST(MeasureWorkedValues, PublishedFigures) {
    struct Case {
        const char* Name;
        double Got, Expected, Tolerance;
    } const cases[] = {
        {"Cas A 1 GHz at epoch", RadioStarFlux(RadioStar::CassiopeiaA, 1000, kCasAEpochYear).Jy,
         2723.0, 5.0},
        {"Cyg A 1.4 GHz", RadioStarFlux(RadioStar::CygnusA, 1400, 2000).Jy, 1590.0, 15.0},
        {"Cas A decline 1 GHz", CasADeclinePercentPerYear(1000), 0.97, 1e-9},
        {"Cas A decline 10 GHz", CasADeclinePercentPerYear(10000), 0.67, 1e-9},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(c.Got, c.Expected, c.Tolerance)
            << c.Name << ": expected " << c.Expected << ", got " << c.Got << ", difference "
            << c.Got - c.Expected;
    }
}

TEST(MeasureBasis, MarksRangesAndMissingModels) {
    struct Case {
        const char* Name;
        FluxEstimate Got;
        FluxBasis Expected;
    } const cases[] = {
        {"Cas A 1420 MHz", RadioStarFlux(RadioStar::CassiopeiaA, 1420, 2026), FluxBasis::Model},
        {"Cas A 144 MHz", RadioStarFlux(RadioStar::CassiopeiaA, 144, 2026),
         FluxBasis::Extrapolated},
        {"Cyg A 10 MHz", RadioStarFlux(RadioStar::CygnusA, 10, 2026), FluxBasis::Extrapolated},
        {"Cyg A 2 GHz", RadioStarFlux(RadioStar::CygnusA, 2000, 2026), FluxBasis::Model},
        {"Tau A 432 MHz", RadioStarFlux(RadioStar::TaurusA, 432, 2026), FluxBasis::Extrapolated},
        {"Vir A 47 GHz", RadioStarFlux(RadioStar::VirgoA, 47000, 2026), FluxBasis::Extrapolated},
        {"Centaurus A", RadioStarFlux(RadioStar::CentaurusA, 1420, 2026), FluxBasis::NoModel},
        {"Sagittarius A", RadioStarFlux(RadioStar::SagittariusA, 1420, 2026), FluxBasis::NoModel},
        {"Aquarius", RadioStarFlux(RadioStar::Aquarius, 1420, 2026), FluxBasis::NoModel},
        {"user source", RadioStarFlux(RadioStar::UserSource, 1420, 2026), FluxBasis::NoModel},
        {"Cas A at 0 MHz", RadioStarFlux(RadioStar::CassiopeiaA, 0, 2026), FluxBasis::NoModel},
        {"Sun below table", SolarFluxFromTable(kSunTable, 144), FluxBasis::TableEnd},
        {"Sun above table", SolarFluxFromTable(kSunTable, 24048), FluxBasis::TableEnd},
        {"Sun in table", SolarFluxFromTable(kSunTable, 1296), FluxBasis::Model},
        {"Sun empty table", SolarFluxFromTable({}, 1296), FluxBasis::NoModel},
        {"Sun 0 sfu", SolarFluxFromSfu(0), FluxBasis::NoModel},
        {"Moon at 0 K", DiskFlux(0, kMoonRadiusKm, kMoonMeanDistanceKm, 1296), FluxBasis::NoModel},
        {"Moon inside", DiskFlux(225, kMoonRadiusKm, 1000, 1296), FluxBasis::NoModel},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.Got.Basis, c.Expected) << c.Name << ": expected '" << BasisNote(c.Expected)
                                           << "', got '" << BasisNote(c.Got.Basis) << "'";
        if (c.Expected == FluxBasis::NoModel) {
            EXPECT_FALSE(c.Got.HasValue()) << c.Name;
        }
    }
}

TEST(MeasureValidation, GivesReasons) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* Name;
        std::optional<std::string> Got;
        bool Refused;
    } const cases[] = {
        {"Tsys 50 K", CheckPositive("The system temperature", 50), false},
        {"Tsys 0 K", CheckPositive("The system temperature", 0), true},
        {"Tsys -3 K", CheckPositive("The system temperature", -3), true},
        {"Tsys NaN", CheckPositive("The system temperature", nan), true},
        {"Tsys inf", CheckPositive("The system temperature", inf), true},
        {"dish 3 m 0.55", CheckDish(3, 0.55), false},
        {"dish 3 m 1", CheckDish(3, 1), false},
        {"dish 3 m 1.01", CheckDish(3, 1.01), true},
        {"dish 3 m 0", CheckDish(3, 0), true},
        {"dish 0 m", CheckDish(0, 0.5), true},
        {"dish NaN m", CheckDish(nan, 0.5), true},
        {"gain 14 dBi", CheckGain(14), false},
        {"gain -1 dBi", CheckGain(-1), true},
        {"Y 0.5 dB", CheckMeasuredYDb(0.5), false},
        {"Y 0 dB", CheckMeasuredYDb(0), true},
        {"Y -0.2 dB", CheckMeasuredYDb(-0.2), true},
        {"Y NaN", CheckMeasuredYDb(nan), true},
        {"solar table repeats", CheckSolarTable(std::vector<SolarFluxPoint>{{245, 1}, {245, 2}}),
         true},
        {"solar table 0 sfu", CheckSolarTable(std::vector<SolarFluxPoint>{{245, 0}}), true},
        {"solar table empty", CheckSolarTable({}), true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.Got.has_value(), c.Refused)
            << c.Name << ": expected " << (c.Refused ? "a reason" : "no reason") << ", got '"
            << c.Got.value_or("") << "'";
        if (c.Got) {
            EXPECT_EQ(c.Got->find('\n'), std::string::npos) << c.Name;
        }
    }
}

// The two directions agree: the Y the core expects for a dish, fed back as a
// measurement, gives the dish's own G/Tsys, and with its gain back its Tsys.
/// Entries far apart made the interpolation divide infinity by infinity
/// (a NaN flux marked as a model value), and a flux beyond 1.8e304 sfu an
/// infinite flux density; both came straight from a Vanset.ini value.
TEST(MeasureSolarTable, ExtremeEntriesGiveFiniteFluxOrAreRefused) {
    const std::vector<SolarFluxPoint> wide = {{1e-300, 1e-300}, {1e300, 1e300}};
    ASSERT_FALSE(CheckSolarTable(wide).has_value());
    for (const double mhz : {1.0, 1420.0, 1e6}) {
        const FluxEstimate f = SolarFluxFromTable(wide, mhz);
        ASSERT_TRUE(f.HasValue()) << mhz;
        EXPECT_TRUE(std::isfinite(f.Jy) && f.Jy > 0) << mhz << " MHz gives " << f.Jy;
    }
    const std::vector<SolarFluxPoint> huge = {{1415, 1e305}};
    EXPECT_EQ(CheckSolarTable(huge), "A flux of the solar flux table is too large.");
    EXPECT_FALSE(SolarFluxFromSfu(1e305).HasValue());
    EXPECT_TRUE(SolarFluxFromSfu(kLargestSolarFluxSfu).HasValue());
    EXPECT_TRUE(std::isfinite(SolarFluxFromSfu(kLargestSolarFluxSfu).Jy));
    // Ordinary tables interpolate as before: halfway in log f, halfway in log S.
    const std::vector<SolarFluxPoint> day = {{1000, 100}, {10000, 400}};
    EXPECT_NEAR(SolarFluxFromTable(day, std::sqrt(1000.0 * 10000.0)).Jy, 200 * kJanskyPerSfu,
                1e-9 * 200 * kJanskyPerSfu);
}

TEST(MeasureRoundTrip, ExpectedYGivesBackGOverTAndTsys) {
    struct Case {
        const char* Name;
        double FrequencyMHz, DiameterM, Efficiency, TsysK;
    } const cases[] = {
        {"3 m at 10 GHz", 10368, 3.0, 0.55, 60.0},
        {"10 m at 1.3 GHz", 1296, 10.0, 0.6, 40.0},
    };
    for (const Case& c : cases) {
        const AntennaBeam b = DishBeam(c.DiameterM, c.Efficiency, c.FrequencyMHz).value();
        const double s = RadioStarFlux(RadioStar::CassiopeiaA, c.FrequencyMHz, 2026).Jy;
        const double k = StarK("Cassiopeia-A", b);
        const double y = ExpectedY(AntennaTemperatureRiseK(s, b.EffectiveAreaM2, k), c.TsysK);
        const double gt = GOverTDbPerK(y, s, c.FrequencyMHz, k);
        const double expected = b.GainDbi - RatioToDb(c.TsysK);
        EXPECT_NEAR(gt, expected, 1e-9) << c.Name << ": G/T expected " << expected << ", got " << gt
                                        << ", difference " << gt - expected;
        const double tsys = SystemTemperatureFromGOverTK(b.GainDbi, gt);
        EXPECT_NEAR(tsys, c.TsysK, 1e-6) << c.Name << ": Tsys expected " << c.TsysK << ", got "
                                         << tsys << ", difference " << tsys - c.TsysK;
    }
}

} // namespace

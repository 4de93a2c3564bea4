#include "measure/SourceExpectation.h"

#include "measure/Antenna.h"
#include "measure/MeasureConstants.h"
#include "measure/MoonBrightness.h"
#include "measure/RadioStarFlux.h"
#include "measure/SkyBackground.h"
#include "measure/YFactor.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vantrel::measure {
namespace {

// The README's worked example: a 3 m dish (efficiency 0.55) at 10 368 MHz,
// Tsys 60 K, Cassiopeia A (4' across) at 2026.0, against the values computed
// independently in tests/measure/worked_values.csv (Y to 1e-4 dB, G/T to
// 0.01 dB).
TEST(SourceExpectation, WorkedExampleRowAndGOverT) {
    const auto beam = DishBeam(3.0, 0.55, 10368.0);
    ASSERT_TRUE(beam);
    const FluxEstimate casA = RadioStarFlux(RadioStar::CassiopeiaA, 10368.0, 2026.0);
    const SourceExpectation row = ExpectOnSource(casA, 4.0 / 60.0, *beam, 60.0);
    EXPECT_NEAR(row.YDb, 0.030280900414207598, 1e-4); // worked_values.csv line 50
    EXPECT_GT(row.BeamCorrection, 1.0);
    EXPECT_NEAR(row.BeamCorrection, BeamCorrection(4.0 / 60.0, beam->BeamwidthDeg), 1e-15);
    EXPECT_NEAR(MeasuredGOverTDbPerK(0.03, row, 10368.0), 29.84440673655399, 0.01); // line 54
    // Measuring exactly the expected Y gives back the antenna's G/Tsys.
    const double expectedGt = beam->GainDbi - RatioToDb(60.0);
    EXPECT_NEAR(MeasuredGOverTDbPerK(row.YDb, row, 10368.0), expectedGt, 1e-9);
}

// Through 0.1 dB of air the source's ΔT is 10^(−0.01) = 0.97724 of its
// own, and a Y measured on it gives a G/T 0.1 dB higher than the flux
// outside the air would: the antenna is not blamed for the atmosphere.
TEST(SourceExpectation, TheAtmosphereAttenuatesTheFluxThatReachesTheAntenna) {
    const auto beam = DishBeam(3.0, 0.55, 10368.0);
    ASSERT_TRUE(beam);
    const FluxEstimate sun{70.0 * kJanskyPerSfu, FluxBasis::Model};
    const SourceExpectation bare = ExpectOnSource(sun, 0.53, *beam, 100.0);
    const SourceExpectation through = ExpectOnSource(sun, 0.53, *beam, 100.0, 0.1);
    EXPECT_EQ(through.Flux.Jy, sun.Jy); // the source's own flux is kept
    EXPECT_NEAR(FluxAtAntennaJy(through), 0.977237 * sun.Jy, 1e-6 * sun.Jy);
    EXPECT_NEAR(through.DeltaTK / bare.DeltaTK, 0.977237, 1e-6);
    EXPECT_NEAR(MeasuredGOverTDbPerK(3.0, through, 10368.0) -
                    MeasuredGOverTDbPerK(3.0, bare, 10368.0),
                0.1, 1e-12);
    EXPECT_NEAR(BackgroundCorrectedGOverTDbPerK(3.0, through, 10368.0, 5.0, 100.0) -
                    BackgroundCorrectedGOverTDbPerK(3.0, bare, 10368.0, 5.0, 100.0),
                0.1, 1e-12);
    // No air: bit for bit the row without it.
    const SourceExpectation none = ExpectOnSource(sun, 0.53, *beam, 100.0, 0.0);
    EXPECT_EQ(none.DeltaTK, bare.DeltaTK);
    EXPECT_EQ(none.YDb, bare.YDb);
}

TEST(SourceExpectation, NoModelAndRefusedYGiveNoNumber) {
    const auto beam = GainBeam(20.0, 144.0);
    ASSERT_TRUE(beam);
    const SourceExpectation none = ExpectOnSource({}, 0.0, *beam, 200.0);
    EXPECT_FALSE(none.Flux.HasValue());
    EXPECT_TRUE(std::isnan(none.YDb));
    EXPECT_TRUE(std::isnan(none.DeltaTK));
    EXPECT_TRUE(std::isnan(MeasuredGOverTDbPerK(1.0, none, 144.0)));
    const SourceExpectation sun = ExpectOnSource({1.0e6, FluxBasis::Model}, 0.53, *beam, 200.0);
    EXPECT_TRUE(std::isfinite(MeasuredGOverTDbPerK(1.0, sun, 144.0)));
    EXPECT_TRUE(std::isnan(MeasuredGOverTDbPerK(0.0, sun, 144.0)));
    EXPECT_TRUE(std::isnan(MeasuredGOverTDbPerK(-1.0, sun, 144.0)));
}

TEST(SourceExpectation, SolarTableText) {
    const auto table = ParseSolarTable("245:18, 1415 : 70,2695:98");
    ASSERT_TRUE(table);
    ASSERT_EQ(table->size(), 3u);
    EXPECT_EQ((*table)[1].FrequencyMHz, 1415.0);
    EXPECT_EQ((*table)[1].Sfu, 70.0);
    for (const char* bad : {"", "245", "245:", ":18", "245:18,", "245:x", "245:1e999"}) {
        EXPECT_FALSE(ParseSolarTable(bad)) << "'" << bad << "'";
    }
}

// The sky behind the source 20 K warmer than the reference's, by hand: a
// point source of 10 000 Jy at 1000 MHz (λ = 0.2998 m), Y = 2 (3.0103 dB)
// against Tsys = 100 K. The source alone gave Y − 1 = 1 − 20/100 = 0.8:
// G/T = 8π·1.380649e−23·0.8/(1e−22·0.2998²) = 30.885, 14.898 dB/K (14.89 dB/K
// without the correction, 0.97 dB more). ΔT = 50 K on the source: the
// expected Y is 1 + (50 + 20)/100 = 1.7, 2.3045 dB.
TEST(SkyBackground, TakesTheSkysDifferenceOutOfGOverTAndIntoTheExpectedY) {
    SourceExpectation row;
    row.Flux = {1.0e4, FluxBasis::Model};
    row.BeamCorrection = 1.0;
    row.DeltaTK = 50.0;
    const double yDb = 10.0 * std::log10(2.0);
    EXPECT_NEAR(BackgroundCorrectedGOverTDbPerK(yDb, row, 1000.0, 20.0, 100.0), 14.8977, 1e-4);
    EXPECT_NEAR(BackgroundCorrectedGOverTDbPerK(yDb, row, 1000.0, 0.0, 100.0),
                MeasuredGOverTDbPerK(yDb, row, 1000.0), 1e-12);
    // A colder sky behind the source than behind the reference adds to it.
    EXPECT_GT(BackgroundCorrectedGOverTDbPerK(yDb, row, 1000.0, -20.0, 100.0),
              MeasuredGOverTDbPerK(yDb, row, 1000.0));
    EXPECT_NEAR(ExpectedYWithBackgroundDb(row, 20.0, 100.0), 2.30449, 1e-5);
    // A difference as large as the whole Y leaves nothing of the source.
    EXPECT_TRUE(std::isnan(BackgroundCorrectedGOverTDbPerK(yDb, row, 1000.0, 100.0, 100.0)));
    EXPECT_TRUE(std::isnan(ExpectedYWithBackgroundDb(row, -200.0, 100.0)));
    // No flux, no Tsys, no number.
    SourceExpectation none;
    EXPECT_TRUE(std::isnan(BackgroundCorrectedGOverTDbPerK(yDb, none, 1000.0, 20.0, 100.0)));
    EXPECT_TRUE(std::isnan(BackgroundCorrectedGOverTDbPerK(yDb, row, 1000.0, 20.0, 0.0)));
    EXPECT_TRUE(std::isnan(ExpectedYWithBackgroundDb(row, NAN, 100.0)));
}

// The Moon by its phase: Krotikov and Troitsky's T0 + T1 cos(Φ − ξ) with the
// coefficients of the RATAN-600 handbook's fit, worked by hand at 10368 MHz
// (λ = 2.8915 cm): T0 = 210.42 K, M = 14.711, T1 = 14.30 K, ξ = 44.51°.
TEST(MoonBrightness, FollowsThePhaseWithItsLagAndFlattensWithWavelength) {
    struct Row {
        const char* Name;
        double Mhz, PhaseDeg, Kelvin;
    };
    const Row rows[] = {
        {"10 GHz, full Moon", 10368, 0, 220.62},
        {"10 GHz, the maximum 3.7 days after full", 10368, 44.515, 224.72},
        {"10 GHz, new Moon", 10368, 180, 200.22},
        {"10 GHz, new Moon from the other side", 10368, -180, 200.22},
        {"24 GHz, the minimum", 24048, 41.176 - 180, 180.39},
        {"1296 MHz: 23 cm, a small swing", 1296, 45, 230.20},
        {"144 MHz: beyond 35 cm, 225 ± 4.5 K", 144, 45, 229.5},
    };
    for (const Row& r : rows) {
        EXPECT_NEAR(MoonBrightnessK(r.Mhz, r.PhaseDeg), r.Kelvin, 0.01) << r.Name;
    }
    // Tens of kelvin between new and full Moon at 10 GHz, a few at 23 cm.
    const MoonBrightnessModel x = MoonBrightnessAt(10368), l = MoonBrightnessAt(1296);
    EXPECT_GT(2 * x.AmplitudeK, 25.0);
    EXPECT_LT(2 * l.AmplitudeK, 10.0);
    // The fit's pieces of the lag meet within about 2° at 1.2 cm (a fourth
    // of a day of the lunation), and at 45° at 4 cm.
    EXPECT_NEAR(MoonBrightnessAt(29979.2458 / 1.1999).LagDeg,
                MoonBrightnessAt(29979.2458 / 1.2001).LagDeg, 2.2);
    EXPECT_NEAR(MoonBrightnessAt(29979.2458 / 3.999).LagDeg, 45.0, 0.05);
}

TEST(MoonBrightness, PhaseFromTheElongation) {
    // Opposite the Sun: full; 90° east of it: first quarter (waxing, −90);
    // 90° west: last quarter (+90); beside it: new.
    EXPECT_NEAR(MoonPhaseDeg(190, 5, 10, -5), 0.0, 1e-9);
    EXPECT_NEAR(MoonPhaseDeg(100, 0, 10, 0), -90.0, 1e-9);
    EXPECT_NEAR(MoonPhaseDeg(280, 0, 10, 0), 90.0, 1e-9);
    EXPECT_NEAR(std::fabs(MoonPhaseDeg(10.5, 0, 10, 0)), 179.5, 1e-9);
    // Across right ascension 0.
    EXPECT_NEAR(MoonPhaseDeg(5, 0, 275, 0), -90.0, 1e-9);
}

} // namespace
} // namespace vantrel::measure

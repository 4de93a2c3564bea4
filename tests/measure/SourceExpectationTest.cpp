#include "measure/SourceExpectation.h"

#include "measure/Antenna.h"
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

} // namespace
} // namespace vantrel::measure

// The G/T budget, each term worked by hand.

#include "measure/GOverTBudget.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vantrel::measure {
namespace {

// 1296 MHz: (1296/408)^−2.6 = exp(−2.6 · 1.15577) = 0.049539, the zero
// level 0.14862 K. Against ΔT = 2 K of the source that is 7.431 %, 0.3227
// dB; the typed flux's 5 % is 0.2171 dB; K = 1.2 gives 0.1·0.2/1.2 =
// 1.667 %, 0.0724 dB; 0.1 HPBW off 4 ln 2 · 0.01 = 2.773 %, 0.1204 dB; Y
// 0.05 dB; the atmosphere given as 0.03 dB. In quadrature: √(0.17353 +
// 0.0009) = 0.4177 dB.
TEST(GOverTBudget, TermsAndTheirQuadratureSumByHand) {
    GOverTBudgetInput in;
    in.FromYSigmaDb = 0.05;
    in.YMethod = "off-on-off, scatter of 24 blocks";
    in.Flux = {kTypedSolarFluxFraction, "typed"};
    in.FrequencyMHz = 1296;
    in.SourceDeltaTK = 2.0;
    in.BeamCorrection = 1.2;
    in.AtmosphereSigmaDb = 0.03;
    const GOverTBudget b = GOverTBudgetOf(in);
    ASSERT_EQ(b.Terms.size(), 6U);
    struct Expected {
        const char* Name;
        double SigmaDb;
    };
    const Expected want[] = {{"Y", 0.05},    {"flux", 0.21715},    {"background", 0.32271},
                             {"K", 0.07238}, {"atmosphere", 0.03}, {"pointing", 0.12041}};
    for (std::size_t i = 0; i < b.Terms.size(); ++i) {
        EXPECT_EQ(b.Terms[i].Name, want[i].Name);
        EXPECT_NEAR(b.Terms[i].SigmaDb, want[i].SigmaDb, 5e-5) << want[i].Name;
    }
    EXPECT_NEAR(b.TotalSigmaDb, 0.41766, 5e-5);
    EXPECT_TRUE(b.Complete);
    EXPECT_EQ(b.Terms[1].Basis, "5.0 %, typed");
    EXPECT_EQ(b.Terms[4].Basis, "given");
}

struct EdgeCase {
    const char* Name;
    double FrequencyMHz, YSigmaDb, AtmosphereDb;
    bool Complete;
    double TotalDb; ///< of the estimated terms
};

// Flux 5 % (0.2171 dB), K = 1 (0), pointing 0.1 HPBW (0.1204 dB), ΔT 10 K.
// 144 MHz: the zero level is 3 · 14.995 = 44.98 K, 19.54 dB against 10 K.
// 10368 MHz: 3 · (25.41)^−2.6 = 6.67e-4 K, 2.90e-4 dB; 1296 MHz 0.0645 dB.
class BudgetEdges : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(BudgetEdges, AnUnestimatedTermIsSaidAndLeftOutOfTheTotal) {
    const EdgeCase& c = GetParam();
    GOverTBudgetInput in;
    in.FromYSigmaDb = c.YSigmaDb;
    in.Flux = {kModelFluxFraction, "model"};
    in.FrequencyMHz = c.FrequencyMHz;
    in.SourceDeltaTK = 10.0;
    in.BeamCorrection = 1.0;
    in.AtmosphereSigmaDb = c.AtmosphereDb;
    const GOverTBudget b = GOverTBudgetOf(in);
    EXPECT_EQ(b.Complete, c.Complete) << c.Name;
    EXPECT_NEAR(b.TotalSigmaDb, c.TotalDb, 2e-3) << c.Name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BudgetEdges,
    ::testing::Values(
        // √(0.2171² + 19.54² + 0.1204²)
        EdgeCase{"144 MHz: the galaxy's zero level dominates", 144, 0.0, NAN, true, 19.5396},
        // the atmosphere not estimated: √(0.2171² + 0.1204²)
        EdgeCase{"10 GHz, atmosphere unknown", 10368, 0.0, NAN, false, 0.24830},
        // given 0.1 dB: √(0.24830² + 0.1²)
        EdgeCase{"10 GHz, atmosphere given", 10368, 0.0, 0.1, true, 0.26768},
        EdgeCase{"a Y without σ", 1296, NAN, 0.0, false, 0.25655},
        // below 1 GHz the atmosphere is 0 by itself: 432 MHz, 2.586 K zero
        // level, 1.1230 dB against 10 K
        EdgeCase{"432 MHz, no atmosphere", 432, 0.0, NAN, true, 1.15008}),
    [](const auto& info) {
        std::string name;
        for (const char ch : std::string(info.param.Name)) {
            name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        }
        return name;
    });

TEST(GOverTBudget, PointingLossOfAGaussianBeam) {
    EXPECT_NEAR(PointingLossDb(0.1), 0.12041, 1e-5); // 2.77 % of power
    EXPECT_NEAR(PointingLossDb(0.5), 3.0103, 1e-4);  // half power at half the beamwidth
    EXPECT_DOUBLE_EQ(PointingLossDb(0.0), 0.0);
}

} // namespace
} // namespace vantrel::measure

namespace vantrel::measure {
namespace {

// The air's σ: 20 % of the slant attenuation, 0.2 · 0.1 = 0.02 dB; with
// 2 K of air between source and reference against 10 K of source, 20 % of
// 2 K is 4 % of ΔT, 0.1737 dB, in quadrature √(0.02² + 0.1737²) = 0.1749.
TEST(GOverTBudget, AtmosphereFromTheModelByHand) {
    EXPECT_NEAR(AtmosphereSigmaDb(0.1, 0.0, 10.0), 0.02, 1e-12);
    EXPECT_NEAR(AtmosphereSigmaDb(0.1, 2.0, 10.0), 0.17486, 5e-5);
    EXPECT_TRUE(std::isnan(AtmosphereSigmaDb(NAN, 0.0, 10.0)));
    EXPECT_EQ(AtmosphereBasisText(0.1, 0.0), "20 % of 0.100 dB at the source (assumed)");
    GOverTBudgetInput in;
    in.FrequencyMHz = 10368;
    in.SourceDeltaTK = 10.0;
    in.AtmosphereSigmaDb = AtmosphereSigmaDb(0.1, 0.0, 10.0);
    in.AtmosphereBasis = AtmosphereBasisText(0.1, 0.0);
    const GOverTBudget b = GOverTBudgetOf(in);
    EXPECT_EQ(b.Terms[4].Basis, in.AtmosphereBasis);
    EXPECT_NEAR(b.Terms[4].SigmaDb, 0.02, 1e-12);
    EXPECT_TRUE(b.Complete);
}

} // namespace
} // namespace vantrel::measure

// The sky behind the Measure window's sources and the cold-sky reference,
// on the 408 MHz survey itself; the background-corrected G/T worked by hand.

#include "measurewin/MeasureSky.h"

#include "measure/FluxEstimate.h"
#include "measure/SourceExpectation.h"
#include "skymodel/SkySurvey.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace vantrel {
namespace {

const sky::SkyStation kStation{52.0, 5.0, 0.0};
const DateTime kUtc = EncodeDateTime(2026, 12, 9, 20, 0, 0);
constexpr double kHpbwDeg = 7.0; // a 3 m dish at 1 GHz

class MeasureSkyTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sky::SkySurveyLoad load = sky::LoadSkySurveyFrom(VANTREL_SKY408_DIR);
        ASSERT_TRUE(load.Survey) << load.Problem;
        survey_ = std::make_unique<sky::SkySurvey>(std::move(*load.Survey));
        sky_ = std::make_unique<sky::SkyBrightness>(*survey_, 144.0);
    }
    static void TearDownTestSuite() {
        sky_.reset();
        survey_.reset();
    }

    /// Cassiopeia A in row 2, a body placed by the library in rows 7 and 8
    /// (the Moon and the Sun well away from it), the others without place.
    static MeasureSkyQuery Query() {
        MeasureSkyQuery q;
        q.Rows[2].Title = "Cassiopeia-A";
        q.Rows[2].J2000RaDeg = 350.8575;
        q.Rows[2].J2000DecDeg = 58.8133;
        q.Rows[7].Title = "Moon";
        q.Rows[7].AirlessAzimuthDeg = 120.0;
        q.Rows[7].AirlessElevationDeg = 30.0;
        q.Rows[8].Title = "Sun";
        q.Rows[8].AirlessAzimuthDeg = 200.0;
        q.Rows[8].AirlessElevationDeg = -40.0;
        q.Utc = kUtc;
        q.Station = kStation;
        q.HpbwDeg = kHpbwDeg;
        q.Chosen = 2;
        return q;
    }

    static std::unique_ptr<sky::SkySurvey> survey_;
    static std::unique_ptr<sky::SkyBrightness> sky_;
};
std::unique_ptr<sky::SkySurvey> MeasureSkyTest::survey_;
std::unique_ptr<sky::SkyBrightness> MeasureSkyTest::sky_;

TEST_F(MeasureSkyTest, TheSkyBehindEachSourceIsTheSurveysAtItsPlace) {
    const MeasureSkyQuery q = Query();
    const MeasureSky s = ComputeMeasureSky(*sky_, q);
    // Cassiopeia A is in the map: the ring around it, not its own peak.
    const double ring = sky::BackgroundK(*sky_, {350.8575, 58.8133}, kHpbwDeg, true);
    const double peak = sky_->BeamAverageK({350.8575, 58.8133}, kHpbwDeg);
    EXPECT_DOUBLE_EQ(s.TskyK[2], ring);
    EXPECT_LT(s.TskyK[2], peak);
    // The Moon: the beam average at its airless place turned to J2000.
    const sky::SkyDirection moon = sky::SkyDirectionOf({120.0, 30.0}, kStation, kUtc);
    EXPECT_DOUBLE_EQ(s.TskyK[7], sky_->BeamAverageK(moon, kHpbwDeg));
    // 144 MHz: hundreds of kelvin anywhere on the sky.
    EXPECT_GT(s.TskyK[7], 100.0);
    EXPECT_TRUE(std::isnan(s.TskyK[0])) << "a row without a place has no sky";
}

TEST_F(MeasureSkyTest, TheReferenceIsColdSkyOnTheSourcesCircleAwayFromTheBodies) {
    const MeasureSkyQuery q = Query();
    const MeasureSky s = ComputeMeasureSky(*sky_, q);
    ASSERT_TRUE(s.Reference) << s.ReferenceProblem;
    const sky::HorizontalPlace cas = sky::HorizontalPlaceOf({350.8575, 58.8133}, kStation, kUtc);
    EXPECT_NEAR(s.Reference->ElevationDeg, cas.ElevationDeg, 1e-9);
    const sky::SkyDirection moon = sky::SkyDirectionOf({120.0, 30.0}, kStation, kUtc);
    EXPECT_GE(sky::SeparationDeg(s.Reference->Direction, {350.8575, 58.8133}),
              2.0 * kHpbwDeg - 1e-6);
    EXPECT_GE(sky::SeparationDeg(s.Reference->Direction, moon), 2.0 * kHpbwDeg - 1e-6);
    // Colder than the sky behind Cassiopeia A, near the Galactic plane.
    EXPECT_LT(s.Reference->TskyK, s.TskyK[2]);

    // A skyline that hides all but a sector: the reference stays in it.
    MeasureSkyQuery walled = q;
    walled.Hidden = [](double az, double) { return !(az > 250.0 && az < 300.0); };
    const MeasureSky w = ComputeMeasureSky(*sky_, walled);
    ASSERT_TRUE(w.Reference) << w.ReferenceProblem;
    EXPECT_GT(w.Reference->AzimuthDeg, 250.0);
    EXPECT_LT(w.Reference->AzimuthDeg, 300.0);
    EXPECT_GE(w.Reference->TskyK, s.Reference->TskyK);

    MeasureSkyQuery hidden = q;
    hidden.Hidden = [](double, double) { return true; };
    const MeasureSky h = ComputeMeasureSky(*sky_, hidden);
    EXPECT_FALSE(h.Reference);
    EXPECT_EQ(h.ReferenceProblem, "no cold sky at its elevation");

    MeasureSkyQuery set = q;
    set.Chosen = 8; // the Sun, below the horizon
    EXPECT_EQ(ComputeMeasureSky(*sky_, set).ReferenceProblem, "the source is below the horizon");
}

TEST(MeasureSkyBeam, ATypedBeamwidthOverridesTheAntennas) {
    MeasureSetup setup; // a 3 m dish
    const double own = SkyBeamDeg(setup, 1296.0);
    // 70 λ/D: λ = 0.2313 m.
    EXPECT_NEAR(own, 70.0 * 299.792458 / 1296.0 / 3.0, 0.01);
    setup.HpbwDeg = 4.5;
    EXPECT_DOUBLE_EQ(SkyBeamDeg(setup, 1296.0), 4.5);
    setup.HpbwDeg = 0;
    setup.DishDiameterM = NAN; // refused
    EXPECT_TRUE(std::isnan(SkyBeamDeg(setup, 1296.0)));
}

// Y = 3 dB (1.9953), Tsys 100 K: a source sky 50 K above the reference
// leaves (0.9953 − 0.5)/0.9953 of the excess, −3.031 dB of G/T; a colder
// source sky (−50 K) adds (0.9953 + 0.5)/0.9953, +1.768 dB.
TEST(MeasureSkyCorrection, TheBackgroundDifferenceComesOffTheGOverT) {
    MeasureRow row;
    row.Expected = measure::ExpectOnSource(measure::FluxEstimate{1.0e4, measure::FluxBasis::Model},
                                           0.0, *measure::DishBeam(3.0, 0.55, 1296.0), 100.0);
    const double plain = measure::MeasuredGOverTDbPerK(3.0, row.Expected, 1296.0);
    struct Case {
        const char* Name;
        double SourceK, ReferenceK, CorrectionDb;
    };
    for (const Case c : {Case{"same sky", 200.0, 200.0, 0.0},
                         Case{"brighter behind the source", 250.0, 200.0, -3.0310},
                         Case{"colder behind the source", 150.0, 200.0, 1.7678}}) {
        const CorrectedGOverT g =
            CorrectedGOverTOf(3.0, 0.05, row, 1296.0, c.SourceK, c.ReferenceK, 100.0);
        EXPECT_NEAR(g.CorrectionDb, c.CorrectionDb, 2e-4) << c.Name;
        EXPECT_NEAR(g.GOverTDbPerK, plain + c.CorrectionDb, 2e-4) << c.Name;
        EXPECT_GT(g.SigmaDb, 0.0) << c.Name;
    }
    // The background explains all of the Y: no G/T at all, never a number.
    const CorrectedGOverT none = CorrectedGOverTOf(3.0, 0.05, row, 1296.0, 300.0, 200.0, 100.0);
    EXPECT_TRUE(std::isnan(none.GOverTDbPerK));
}

} // namespace
} // namespace vantrel

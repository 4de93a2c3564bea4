// The procedures' core without hardware: the beam fit, the pairs'
// statistics, and the state machines in simulated time against a virtual
// mount and sky (VirtualTelescope.h), with the incidents that must stop
// them safely.

#include "VirtualTelescope.h"

#include "measure/YFactor.h"
#include "scan/BeamSwitch.h"
#include "scan/CrossScan.h"
#include "scan/DiskBeam.h"
#include "scan/DriftScan.h"
#include "scan/GaussianFit.h"
#include "scan/GaussianFit2D.h"
#include "scan/GridScan.h"
#include "scan/PointingModelFit.h"
#include "scan/ProcedurePowerLog.h"
#include "scan/YFactorSequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <random>

namespace vantrel::scan {
namespace {

using testing::VirtualSky;
using testing::VirtualTelescope;

constexpr double kHalf = 4.0 * std::numbers::ln2;
constexpr double kLn2 = std::numbers::ln2;

/// Points of a Gaussian on a sloped baseline at `n` offsets over ±`span`,
/// with relative noise `noise` (seeded), each carrying its sigma when
/// `withSigma`.
std::vector<ScanPoint> Beam(double centre, double width, double amplitude, double span, int n,
                            double noise, bool withSigma, double slope = 0.02) {
    std::mt19937_64 random(3);
    std::normal_distribution<double> normal;
    std::vector<ScanPoint> points;
    for (int i = 0; i < n; ++i) {
        const double x = -span + 2.0 * span * i / (n - 1);
        const double u = x - centre;
        const double truth =
            1.0 + slope * x + amplitude * std::exp(-kHalf * u * u / (width * width));
        const double sigma = noise * truth;
        points.push_back({x, truth + sigma * normal(random), withSigma ? sigma : 0.0});
    }
    return points;
}

TEST(GaussianFit, FindsTheBeamOrSaysWhyNot) {
    struct Case {
        const char* Name;
        std::vector<ScanPoint> Points;
        double Centre;
        double Width;
        double Tolerance;    ///< on centre and width, degrees
        const char* Problem; ///< a part of the sentence; null when a fit is expected
    };
    const Case cases[] = {
        {"exact points", Beam(0.3, 1.8, 4.0, 5.4, 15, 0, false), 0.3, 1.8, 1e-6, nullptr},
        {"noisy, weighted", Beam(-0.35, 1.8, 4.0, 3.6, 9, 0.01, true), -0.35, 1.8, 0.03, nullptr},
        {"noisy, unweighted", Beam(0.25, 1.8, 2.0, 3.6, 11, 0.01, false), 0.25, 1.8, 0.03, nullptr},
        {"a weak source", Beam(0.0, 1.8, 0.05, 5.4, 15, 0.005, true), 0.0, 1.8, 0.3, nullptr},
        {"only noise", Beam(0.0, 1.8, 0.0, 5.4, 15, 0.01, true), 0, 0, 0, "No peak"},
        {"the peak beyond the end", Beam(7.0, 1.8, 4.0, 5.4, 15, 0.001, true), 0, 0, 0, "scan"},
        {"five points", Beam(0.0, 1.8, 4.0, 5.4, 5, 0, false), 0, 0, 0, "Too few points"},
        {"a beam far wider than the scan", Beam(0.0, 30.0, 4.0, 2.0, 15, 0.001, true), 0, 0, 0,
         "w"},
    };
    for (const Case& c : cases) {
        const GaussianFitResult r = FitGaussian(c.Points, 1.5);
        if (c.Problem) {
            EXPECT_FALSE(r.Fit) << c.Name;
            EXPECT_NE(r.Problem.find(c.Problem), std::string::npos) << c.Name << ": " << r.Problem;
            continue;
        }
        ASSERT_TRUE(r.Fit) << c.Name << ": " << r.Problem;
        EXPECT_NEAR(r.Fit->Centre, c.Centre, c.Tolerance) << c.Name;
        EXPECT_NEAR(r.Fit->Width, c.Width, c.Tolerance) << c.Name;
        // The errors are honest: the truth within four of them.
        if (c.Tolerance > 1e-3) {
            EXPECT_LT(std::fabs(r.Fit->Centre - c.Centre), 4 * r.Fit->CentreSigma + 1e-4) << c.Name;
            EXPECT_LT(std::fabs(r.Fit->Width - c.Width), 4 * r.Fit->WidthSigma + 1e-4) << c.Name;
        }
    }
}

TEST(YStatisticsTest, PairsAverageInLinearPowerWithAnHonestError) {
    const auto pair = [](double yDb, double sigmaDb) {
        return YPair{yDb, 0.0, sigmaDb, sigmaDb, yDb, "east"};
    };
    struct Case {
        const char* Name;
        std::vector<YPair> Pairs;
        double YDb;
        double SigmaDb;
    };
    const double own = 0.01; // each block's σ, dB
    const double ownRelative = std::sqrt(2.0) * (measure::DbToRatio(own) - 1.0);
    const Case cases[] = {
        // 1.995 and 3.162 average to 2.579: 4.114 dB, not the 4.000 of dB.
        {"linear mean", {pair(3, 0), pair(5, 0)}, 4.1141, 0.8859},
        {"one pair: the radiometer's own",
         {pair(6, own)},
         6.0,
         measure::RatioToDb(1 + ownRelative)},
        {"alike pairs: never below the radiometer's own",
         {pair(6, own), pair(6, own), pair(6, own), pair(6, own)},
         6.0,
         measure::RatioToDb(1 + ownRelative / 2)},
    };
    for (const Case& c : cases) {
        const YStatistics s = CombinePairs(c.Pairs);
        EXPECT_NEAR(s.YDb, c.YDb, 1e-3) << c.Name;
        EXPECT_NEAR(s.SigmaDb, c.SigmaDb, 1e-3) << c.Name;
    }
    EXPECT_TRUE(std::isnan(CombinePairs({}).YDb));
}

/// The options the virtual mount is driven with.
TrackingOptions Options() {
    TrackingOptions o;
    o.PeriodS = 1.0;
    return o;
}

ScanSettings Settings(ProcedureKind kind) {
    ScanSettings s;
    s.Procedure = kind;
    s.BeamwidthDeg = 1.8;
    s.TauS = 0.5;
    s.SettleS = 1.0;
    s.After = AfterEnd::Stop;
    return s;
}

/// A flux and an effective area that give the virtual sky's 400 K, and the
/// G/T they stand for: 4π Ae / λ² / Tsys.
struct Physics {
    double FrequencyMHz = 10368;
    double AreaM2 = 0.5;
    double Jy() const { return 400.0 * 2.0 * 1.380649e-23 / (1e-26 * AreaM2); }
    double TrueGOverT(double tsysK) const {
        const double lambda = 299792458.0 / (FrequencyMHz * 1e6);
        return 10 * std::log10(4 * std::numbers::pi * AreaM2 / (lambda * lambda) / tsysK);
    }
};

TEST(ProcedureTest, EachProcedureFindsWhatTheSkyHides) {
    const Physics physics;
    struct Case {
        const char* Name;
        ScanSettings Settings;
        std::function<void(const Procedure&)> Check;
    };
    ScanSettings y = Settings(ProcedureKind::YFactor);
    y.After = AfterEnd::Track;
    ScanSettings cold = Settings(ProcedureKind::YFactor);
    cold.Pairs = 2;
    cold.ColdSky = SkyPoint{100, 60};
    ScanSettings cross = Settings(ProcedureKind::Cross);
    ScanSettings sweep = Settings(ProcedureKind::Cross);
    sweep.Continuous = true;
    sweep.TauS = 0.1;
    ScanSettings drift = Settings(ProcedureKind::Drift);
    drift.TauS = 2;

    const auto crossCheck = [](const Procedure& p) {
        const auto& r = dynamic_cast<const CrossScan&>(p).Result();
        ASSERT_TRUE(r.Axes[0].Fit && r.Axes[1].Fit) << r.Axes[0].Problem << r.Axes[1].Problem;
        EXPECT_NEAR(*r.OffsetDeg(0), -0.35, 0.03);
        EXPECT_NEAR(*r.OffsetDeg(1), 0.25, 0.03);
        EXPECT_NEAR(r.Axes[0].BeamwidthDeg, 1.8, 0.03 * 1.8);
        EXPECT_NEAR(r.Axes[1].BeamwidthDeg, 1.8, 0.03 * 1.8);
        EXPECT_NEAR(*r.PeakYDb(), 10 * std::log10(5.0), 0.2);
    };
    const Case cases[] = {
        {"Y-factor, handed back to tracking", y,
         [&](const Procedure& p) {
             const auto& r = dynamic_cast<const YFactorSequence&>(p).Result();
             ASSERT_EQ(r.Pairs.size(), 4U);
             EXPECT_EQ(r.Pairs[0].Side, "west"); // source at 150°: larger azimuth is west
             EXPECT_EQ(r.Pairs[1].Side, "east");
             // The pointing error costs exp(−4 ln 2 · 0.43²/1.8²) of the peak.
             const double d2 = 0.35 * 0.35 + 0.25 * 0.25;
             const double expected = 1 + 4.0 * std::exp(-kHalf * d2 / (1.8 * 1.8));
             EXPECT_NEAR(r.Y->YLinear, expected, 0.04);
             ASSERT_TRUE(r.GOverTDbPerK) << r.Note;
             EXPECT_NEAR(*r.GOverTDbPerK,
                         physics.TrueGOverT(100) + 10 * std::log10((expected - 1) / 4.0), 0.05);
             EXPECT_LT(*r.GOverTSigmaDb, 0.05);
         }},
        {"Y-factor on a named cold-sky point", cold,
         [](const Procedure& p) {
             const auto& r = dynamic_cast<const YFactorSequence&>(p).Result();
             ASSERT_EQ(r.Pairs.size(), 2U);
             EXPECT_EQ(r.Pairs[1].Side, "cold sky");
             EXPECT_NEAR(r.Pairs[1].OffDb, 20.0, 0.05); // Tsys alone, 100 K
         }},
        {"cross-scan at points", cross, crossCheck},
        {"cross-scan moving through", sweep, crossCheck},
        {"drift scan", drift,
         [](const Procedure& p) {
             const auto& r = dynamic_cast<const DriftScan&>(p).Result();
             ASSERT_TRUE(r.Fit) << r.Problem;
             // 0.005°/s of azimuth at 40° elevation.
             EXPECT_NEAR(r.RateDegPerS, 0.005 * std::cos(40 * std::numbers::pi / 180), 1e-5);
             EXPECT_NEAR(*r.BeamwidthDeg, 1.8, 0.03 * 1.8);
             EXPECT_NEAR(*r.AzimuthOffsetDeg, -0.35, 0.03);
         }},
    };
    for (const Case& c : cases) {
        VirtualSky sky;
        VirtualTelescope telescope(sky, c.Settings.TauS);
        ProcedureContext context{Options(), telescope.Place(), "the source"};
        std::unique_ptr<Procedure> p;
        switch (c.Settings.Procedure) {
        case ProcedureKind::YFactor:
            p = std::make_unique<YFactorSequence>(
                c.Settings, context,
                GOverTBasis{{physics.Jy(), measure::FluxBasis::Model}, 0.0, physics.FrequencyMHz});
            break;
        case ProcedureKind::Cross:
            p = std::make_unique<CrossScan>(c.Settings, context);
            break;
        case ProcedureKind::Drift:
            p = std::make_unique<DriftScan>(c.Settings, context);
            break;
        }
        ASSERT_TRUE(telescope.Run(*p, Options(), 4000)) << c.Name;
        EXPECT_EQ(p->Ended(), Ending::Completed) << c.Name << ": " << p->StopReason();
        EXPECT_EQ(p->Progress().Fraction, 1.0) << c.Name;
        c.Check(*p);
        // Ended, the rotator is stopped or sent back to the source.
        if (c.Settings.After == AfterEnd::Stop) {
            EXPECT_TRUE(telescope.LastAction.StopRotator) << c.Name;
        } else {
            ASSERT_TRUE(telescope.LastAction.Point) << c.Name;
            const SkyPlaceDeg at = telescope.Place()(p->Readings().back().UtcEnd);
            EXPECT_NEAR(telescope.LastAction.Point->AzimuthDeg, at.AzimuthDeg, 0.1) << c.Name;
        }
    }
}

// ---- the off point the sky model chooses ---------------------------------------

TEST(OffPointChoiceTest, TakesTheColderSideOrTheColdestSkyAndNeverAHiddenOne) {
    ColdSkyReference sky;
    sky.SourceTskyK = 300;
    sky.PlusTskyK = 240;
    sky.MinusTskyK = 180;
    sky.Point = sky::ColdSkyPoint{200, 40, {}, 150};
    sky.AzimuthStepDeg = 50; // the point at 200°, the source at 150°
    struct Case {
        const char* Name;
        OffChoice Choice;
        double Plus, Minus;
        bool HasPoint;
        std::optional<double> OffsetDeg; ///< none: no plan
        double OffK;
    };
    const double cos40 = std::cos(40 * std::numbers::pi / 180);
    const Case cases[] = {
        {"alternating asks no sky", OffChoice::Alternate, 240, 180, true, std::nullopt, 0},
        {"the smaller azimuth colder", OffChoice::ColderSide, 240, 180, true, -7.2, 180},
        {"the larger azimuth colder", OffChoice::ColderSide, 170, 180, true, 7.2, 170},
        {"the colder side hidden", OffChoice::ColderSide, 240, NAN, true, 7.2, 240},
        {"both sides hidden", OffChoice::ColderSide, NAN, NAN, true, std::nullopt, 0},
        {"the coldest sky, at its step", OffChoice::ColdestSky, 240, 180, true, 50 * cos40, 150},
        {"no cold sky on the circle", OffChoice::ColdestSky, 240, 180, false, std::nullopt, 0},
    };
    for (const Case& c : cases) {
        ColdSkyReference s = sky;
        s.PlusTskyK = c.Plus;
        s.MinusTskyK = c.Minus;
        if (!c.HasPoint) {
            s.Point.reset();
        }
        std::string why;
        const auto plan = ChooseOffPoint(c.Choice, s, 4.0, 1.8, 40.0, why);
        ASSERT_EQ(plan.has_value(), c.OffsetDeg.has_value()) << c.Name;
        if (!plan) {
            EXPECT_EQ(why.empty(), c.Choice == OffChoice::Alternate) << c.Name;
            continue;
        }
        EXPECT_NEAR(plan->AzimuthOffsetDeg, *c.OffsetDeg, 1e-9) << c.Name;
        EXPECT_EQ(plan->OffTskyK, c.OffK) << c.Name;
        EXPECT_EQ(plan->BackgroundDifferenceK, 300 - c.OffK) << c.Name;
        EXPECT_EQ(plan->Reference, c.Choice == OffChoice::ColdestSky) << c.Name;
    }
    EXPECT_EQ(AzimuthDifferenceDeg(10, 350), 20);
    EXPECT_EQ(AzimuthDifferenceDeg(350, 10), -20);
    EXPECT_EQ(AzimuthDifferenceDeg(0, 180), 180);
}

TEST(ProcedureTest, OnASkyHotterToOneSideTheCorrectedGOverTIsTheTrueOne) {
    // 2 K a degree towards larger azimuth: the off side at smaller azimuth
    // (4 beams, 7.2° on the sky) reads 14.4 K colder than the sky behind
    // the source, which the plain G/T would take for the source's own.
    const Physics physics;
    VirtualSky sky;
    sky.SkyGradientKPerDeg = 2.0;
    ScanSettings s = Settings(ProcedureKind::YFactor);
    s.OffBy = OffChoice::ColderSide;
    ColdSkyReference model;
    model.SourceTskyK = 200;
    model.PlusTskyK = 200 + 14.4;
    model.MinusTskyK = 200 - 14.4;
    std::string why;
    const auto plan = ChooseOffPoint(s.OffBy, model, s.OffBeams, s.BeamwidthDeg, 40, why);
    ASSERT_TRUE(plan) << why;
    const double tsysOff = sky.TsysK - 14.4; // the system on the reference
    GOverTBasis basis{{physics.Jy(), measure::FluxBasis::Model}, 0.0, physics.FrequencyMHz};
    basis.TsysK = tsysOff;
    VirtualTelescope telescope(sky, s.TauS);
    YFactorSequence y(s, {Options(), telescope.Place(), "the source"}, basis, plan);
    ASSERT_TRUE(telescope.Run(y, Options(), 4000));
    const YFactorResult& r = y.Result();
    ASSERT_EQ(r.Pairs.size(), 4U);
    for (const YPair& p : r.Pairs) {
        EXPECT_EQ(p.Side, "east"); // source at 150°: smaller azimuth is east
        EXPECT_NEAR(p.OffDb, 10 * std::log10(tsysOff), 0.05);
    }
    const double d2 = 0.35 * 0.35 + 0.25 * 0.25;
    const double loss = 10 * std::log10(std::exp(-kHalf * d2 / (1.8 * 1.8)));
    const double truth = physics.TrueGOverT(tsysOff) + loss;
    ASSERT_TRUE(r.GOverTDbPerK && r.CorrectedGOverTDbPerK) << r.Note;
    EXPECT_GT(*r.GOverTDbPerK - truth, 0.1); // uncorrected: the sky read as source
    EXPECT_NEAR(*r.CorrectedGOverTDbPerK, truth, 0.05);
    ASSERT_TRUE(r.CorrectedSigmaDb);
    EXPECT_GT(*r.CorrectedSigmaDb, 0);
    EXPECT_LT(*r.CorrectedSigmaDb, 0.05);
    // The log keeps the corrected G/T with both skies and the correction.
    const auto record = YSequenceRecord(r, 46000.6, "Cassiopeia-A", physics.FrequencyMHz, "dish",
                                        30.0, std::nullopt);
    ASSERT_TRUE(record);
    EXPECT_NEAR(record->GOverTDbPerK, *r.CorrectedGOverTDbPerK, 0.006);
    EXPECT_EQ(record->SkyTskyK, std::optional<double>(200));
    EXPECT_EQ(record->ReferenceTskyK, std::optional<double>(185.6));
    ASSERT_TRUE(record->BackgroundCorrectionDb);
    EXPECT_NEAR(*record->BackgroundCorrectionDb, *r.CorrectedGOverTDbPerK - *r.GOverTDbPerK, 0.002);
}

// ---- the Sun's and the Moon's disk taken off the beam ------------------------

TEST(DiskBeamTest, TheDiskWidensTheScanAsTheConvolutionSays) {
    struct Case {
        const char* Name;
        double BeamDeg, DiskDeg;
        double ExpectedWidthDeg; ///< and its source
        double Tolerance;
    };
    const Case cases[] = {
        {"point source: the beam itself", 1.8, 0, 1.8, 1e-12},
        // Small against the beam the second moments add: θb² + ln 2 θd²/2;
        // field practice: a 0.53° Sun widens a 1.8° beam by about 1.5 %.
        {"0.53 deg Sun, 1.8 deg beam", 1.8, 0.53, std::sqrt(1.8 * 1.8 + kLn2 * 0.53 * 0.53 / 2),
         5e-4},
        {"0.05 deg disk, 1 deg beam", 1.0, 0.05, std::sqrt(1.0 + kLn2 * 0.05 * 0.05 / 2), 1e-6},
        // A beam far narrower than the disk sees its limb: the diameter.
        {"0.01 deg beam on a 0.54 deg disk", 0.01, 0.54, 0.54, 0.001},
        // The 3 m dish at 10368 MHz on the Sun: +11 %, as fitted there.
        {"0.675 deg beam on a 0.54 deg disk", 0.675, 0.54, 0.75, 0.006},
    };
    for (const Case& c : cases) {
        const double w = DiskScanWidthDeg(c.BeamDeg, c.DiskDeg);
        EXPECT_NEAR(w, c.ExpectedWidthDeg, c.Tolerance) << c.Name;
        if (w <= c.DiskDeg) {
            // Two beams give a scan narrower than the disk: none is said.
            EXPECT_FALSE(BeamOfDiskScanDeg(w, c.DiskDeg)) << c.Name;
            continue;
        }
        // And back: the beam whose scan on the disk has that width.
        const auto beam = BeamOfDiskScanDeg(w, c.DiskDeg);
        ASSERT_TRUE(beam) << c.Name;
        EXPECT_NEAR(*beam, c.BeamDeg, 1e-7 * c.BeamDeg) << c.Name;
    }
    // No beam makes a scan narrower than the disk; nonsense is refused.
    EXPECT_FALSE(BeamOfDiskScanDeg(0.53, 0.54));
    EXPECT_FALSE(BeamOfDiskScanDeg(-1, 0.54));
    EXPECT_FALSE(BeamOfDiskScanDeg(std::nan(""), 0.54));
    EXPECT_TRUE(std::isnan(DiskScanWidthDeg(0, 0.5)));
    // The width's error carried through: a wider disk makes the beam less sure.
    const auto sun = BeamOfDiskScan(0.750, 0.01, 0.54);
    ASSERT_TRUE(sun);
    EXPECT_GT(sun->BeamSigmaDeg, 0.01);
}

TEST(ProcedureTest, TheBeamIsFoundWithoutTheSunsDisk) {
    // A 3 m dish at 10368 MHz: 70 λ/D = 0.675°, on the Sun's 0.54° disk.
    constexpr double kBeamDeg = 0.675;
    constexpr double kDiskDeg = 0.54;
    VirtualSky sky;
    sky.BeamDeg = kBeamDeg;
    sky.DiskDeg = kDiskDeg;
    sky.ErrorAzDeg = 0.05;
    sky.ErrorElDeg = -0.04;
    sky.SourceK = 3000;
    for (const ProcedureKind kind : {ProcedureKind::Cross, ProcedureKind::Drift}) {
        ScanSettings s = Settings(kind);
        s.BeamwidthDeg = kBeamDeg;
        s.Points = 21;
        if (kind == ProcedureKind::Drift) {
            s.TauS = 2;
        }
        VirtualTelescope telescope(sky, s.TauS);
        ProcedureContext context{Options(), telescope.Place(), "the Sun", kDiskDeg};
        std::unique_ptr<Procedure> p;
        if (kind == ProcedureKind::Cross) {
            p = std::make_unique<CrossScan>(s, context);
        } else {
            p = std::make_unique<DriftScan>(s, context);
        }
        ASSERT_TRUE(telescope.Run(*p, Options(), 4000));
        ASSERT_EQ(p->Ended(), Ending::Completed) << p->StopReason();
        std::vector<std::pair<double, double>> widthAndBeam;
        if (kind == ProcedureKind::Cross) {
            const auto& r = dynamic_cast<const CrossScan&>(*p).Result();
            for (const AxisScan& a : r.Axes) {
                ASSERT_TRUE(a.Fit) << a.Problem;
                EXPECT_TRUE(a.DiskProblem.empty()) << a.DiskProblem;
                widthAndBeam.emplace_back(a.WidthOnSourceDeg, a.BeamwidthDeg);
                EXPECT_GT(a.BeamwidthSigmaDeg, a.Fit->WidthSigma);
            }
        } else {
            const auto& r = dynamic_cast<const DriftScan&>(*p).Result();
            ASSERT_TRUE(r.Fit && r.BeamwidthDeg) << r.Problem;
            widthAndBeam.emplace_back(*r.WidthOnSourceDeg, *r.BeamwidthDeg);
        }
        for (const auto& [width, beam] : widthAndBeam) {
            // The disk widens the scan by about 11 %; the beam comes back
            // within 1 % (a point source's scans here: 0.2 %).
            EXPECT_NEAR(width, DiskScanWidthDeg(kBeamDeg, kDiskDeg), 0.02 * width)
                << ProcedureKey(kind);
            EXPECT_GT(width, 1.08 * kBeamDeg) << ProcedureKey(kind);
            EXPECT_NEAR(beam, kBeamDeg, 0.01 * kBeamDeg)
                << ProcedureKey(kind) << " width " << width;
        }
    }
}

TEST(ProcedureTest, ACrossScanTakesTheRotatorsLagOut) {
    // A source moving fast in azimuth: a rotator that follows it in steps
    // stands behind the offset asked for. Each point is placed where the
    // rotator reported, against where the source was at the reading.
    VirtualSky sky;
    sky.AzimuthRateDegPerS = 0.02;
    sky.ElevationRateDegPerS = 0.01;
    ScanSettings s = Settings(ProcedureKind::Cross);
    VirtualTelescope telescope(sky, s.TauS);
    CrossScan scan(s, ProcedureContext{Options(), telescope.Place(), "the source"});
    ASSERT_TRUE(telescope.Run(scan, Options(), 4000));
    ASSERT_EQ(scan.Ended(), Ending::Completed) << scan.StopReason();
    const auto& r = scan.Result();
    ASSERT_TRUE(r.OffsetDeg(0) && r.OffsetDeg(1));
    EXPECT_NEAR(*r.OffsetDeg(0), -sky.ErrorAzDeg, 0.004);
    EXPECT_NEAR(*r.OffsetDeg(1), -sky.ErrorElDeg, 0.004);
    for (const Reading& reading : scan.Readings()) {
        EXPECT_TRUE(std::isfinite(reading.PointedAzDeg) && std::isfinite(reading.PointedElDeg));
    }
}

TEST(ProcedureTest, AGridFollowsAFastSourceAndFitsTheBeamInTwoDimensions) {
    // 1.2° of azimuth a minute and rising: every point is an offset from
    // where the source is at its reading, so the fit finds the hidden error.
    VirtualSky sky;
    sky.AzimuthRateDegPerS = 0.02;
    sky.ElevationRateDegPerS = 0.005;
    ScanSettings s = Settings(ProcedureKind::Cross);
    VirtualTelescope telescope(sky, s.TauS);
    GridScan grid(s, GridLayout{5, 0.5}, ProcedureContext{Options(), telescope.Place(), "Cas A"});
    ASSERT_TRUE(telescope.Run(grid, Options(), 4000));
    ASSERT_EQ(grid.Ended(), Ending::Completed) << grid.StopReason();
    const GridScanResult& r = grid.Result();
    ASSERT_EQ(r.Points.size(), 25U);
    ASSERT_TRUE(r.Fit) << r.Problem;
    EXPECT_NEAR(r.Fit->CentreX, -sky.ErrorAzDeg, 0.01);
    EXPECT_NEAR(r.Fit->CentreY, -sky.ErrorElDeg, 0.01);
    EXPECT_LT(r.Fit->CentreXSigma, 0.01);
    EXPECT_NEAR(r.Fit->WidthX, sky.BeamDeg, 0.03 * sky.BeamDeg);
    EXPECT_NEAR(r.Fit->WidthY, sky.BeamDeg, 0.03 * sky.BeamDeg);
    EXPECT_NEAR(r.Fit->PeakYDb(), 10 * std::log10(1 + sky.SourceK / sky.TsysK), 0.1);
    // Row after row from the lowest, each crossed the other way.
    EXPECT_LT(r.Points[0].X, r.Points[4].X);
    EXPECT_GT(r.Points[5].X, r.Points[9].X);
    EXPECT_LT(r.Points[0].Y, r.Points[24].Y);
}

TEST(ProcedureTest, BeamSwitchingAlternatesSidesForItsTimeAndGivesTheRunningY) {
    VirtualSky sky;
    ScanSettings s = Settings(ProcedureKind::YFactor);
    s.SettleS = 0.5;
    VirtualTelescope telescope(sky, s.TauS);
    BeamSwitch bs(s, 60.0, 3.0, ProcedureContext{Options(), telescope.Place(), "Cas A"});
    ASSERT_TRUE(telescope.Run(bs, Options(), 4000));
    ASSERT_EQ(bs.Ended(), Ending::Completed) << bs.StopReason();
    const BeamSwitchResult& r = bs.Result();
    ASSERT_GE(r.Pairs.size(), 4U);
    const double seconds = (bs.Readings().back().UtcEnd - bs.Readings().front().UtcStart) * 86400;
    EXPECT_GE(seconds, 60.0 - 2 * s.TauS - 3 * s.SettleS);
    EXPECT_LT(seconds, 80.0);
    EXPECT_EQ(r.Pairs[0].Side, "+az");
    EXPECT_EQ(r.Pairs[1].Side, "-az");
    ASSERT_TRUE(r.Y);
    const double d2 = sky.ErrorAzDeg * sky.ErrorAzDeg + sky.ErrorElDeg * sky.ErrorElDeg;
    const double expected = 1 + sky.SourceK / sky.TsysK * std::exp(-kHalf * d2 / (1.8 * 1.8));
    EXPECT_NEAR(r.Y->YLinear, expected, 3 * r.Y->SigmaLinear + 0.02);
    EXPECT_GT(r.Y->SigmaLinear, 0);
}

TEST(PointingModelFit, RecoversTheTermsAndPointsWhereAConstantOffsetCannot) {
    PointingModel truth;
    truth.IaDeg = 0.20;
    truth.CaDeg = 0.30;
    truth.AnDeg = 0.04;
    truth.AwDeg = -0.03;
    truth.IeDeg = -0.15;
    truth.TfDeg = 0.10;
    truth.Name = "truth";
    std::mt19937_64 random(7);
    std::normal_distribution<double> normal;
    std::vector<PointingMeasurement> m;
    for (int i = 0; i < 12; ++i) {
        const double az = 15 + 30 * i;
        const double el = 15 + 55 * ((i * 5) % 12) / 11.0;
        const double c = std::cos(el * std::numbers::pi / 180);
        m.push_back({az, el, ModelAzimuthDeg(truth, az, el) * c + 0.003 * normal(random),
                     ModelElevationDeg(truth, az, el) + 0.003 * normal(random), 0.003, 0.003,
                     "cas"});
    }
    const PointingModelFitResult fit = FitPointingModel(m);
    ASSERT_TRUE(fit.Model) << fit.Problem;
    const double terms[] = {fit.Model->IaDeg, fit.Model->CaDeg, fit.Model->AnDeg,
                            fit.Model->AwDeg, fit.Model->IeDeg, fit.Model->TfDeg};
    const double truths[] = {0.20, 0.30, 0.04, -0.03, -0.15, 0.10};
    for (int k = 0; k < 6; ++k) {
        EXPECT_NEAR(terms[k], truths[k], 4 * fit.SigmaDeg[static_cast<std::size_t>(k)]) << k;
        EXPECT_LT(fit.SigmaDeg[static_cast<std::size_t>(k)], 0.02) << k;
    }
    EXPECT_NEAR(fit.RmsDeg, 0.003, 0.0015);
    ASSERT_EQ(fit.Residuals.size(), 12U);

    // A constant azimuth offset found at 31° is off at 22°: the collimation
    // is constant on the sky. The model points right at both.
    const double at31 = ModelAzimuthDeg(truth, 180, 31);
    const double at22 = ModelAzimuthDeg(truth, 180, 22);
    EXPECT_GT(std::abs(at31 - at22), 0.02);
    EXPECT_NEAR(ModelAzimuthDeg(*fit.Model, 180, 22), at22, 0.01);

    // Tracking sends the rotator with the model in force, and reads back.
    TrackingOptions options;
    options.Model = *fit.Model;
    const RotatorPosition sent{200 + AzimuthOffsetAt(options, 200, 40),
                               40 + ElevationOffsetAt(options, 200, 40)};
    const SkyDirection back = SkyOfRotator(sent, options);
    EXPECT_NEAR(back.AzimuthDeg, 200, 2e-3);
    EXPECT_NEAR(back.ElevationDeg, 40, 2e-3);

    EXPECT_NE(FitPointingModel(std::span(m).first(3)).Problem.find("at least 4"),
              std::string::npos);
    std::vector<PointingMeasurement> bunched(m.begin(), m.begin() + 2); // 30° of azimuth
    bunched.insert(bunched.end(), m.begin(), m.begin() + 2);
    EXPECT_NE(FitPointingModel(bunched).Problem.find("spread"), std::string::npos);
}

TEST(GaussianFit2D, FitsAnEllipticalBeamOnATiltedBaselineOrSaysWhyNot) {
    std::mt19937_64 random(5);
    std::normal_distribution<double> normal;
    const auto grid = [&](double x0, double y0, double amplitude) {
        std::vector<GridPoint> points;
        for (int i = 0; i < 7; ++i) {
            for (int j = 0; j < 7; ++j) {
                const double x = -1.5 + 0.5 * i;
                const double y = -1.5 + 0.5 * j;
                const double truth = 2.0 + 0.1 * x - 0.05 * y +
                                     amplitude * std::exp(-kHalf * ((x - x0) * (x - x0) / 1.44 +
                                                                    (y - y0) * (y - y0) / 0.81));
                points.push_back({x, y, truth * (1 + 0.002 * normal(random)), 0.002 * truth});
            }
        }
        return points;
    };
    const GaussianFit2DResult good = FitGaussian2D(grid(0.2, -0.3, 3.0), 1.0);
    ASSERT_TRUE(good.Fit) << good.Problem;
    EXPECT_NEAR(good.Fit->CentreX, 0.2, 0.01);
    EXPECT_NEAR(good.Fit->CentreY, -0.3, 0.01);
    EXPECT_NEAR(good.Fit->WidthX, 1.2, 0.01);
    EXPECT_NEAR(good.Fit->WidthY, 0.9, 0.01);
    EXPECT_NEAR(good.Fit->SlopeX, 0.1, 0.01);
    EXPECT_NEAR(good.Fit->ReducedChiSquare, 1.0, 0.5);

    EXPECT_NE(FitGaussian2D(grid(0, 0, 0.0), 1.0).Problem.find("No peak"), std::string::npos);
    const auto outside = FitGaussian2D(grid(2.0, 0, 3.0), 1.0);
    EXPECT_NE(outside.Problem.find("outside the grid"), std::string::npos)
        << outside.Problem
        << (outside.Fit ? " fit at x " + std::to_string(outside.Fit->CentreX) : "");
    const auto few = grid(0, 0, 3);
    EXPECT_NE(FitGaussian2D(std::span(few).first(8), 1.0).Problem.find("Too few"),
              std::string::npos);
}

TEST(ProcedurePowerLogTest, EveryBlockIsLoggedOnceAndTheReadingsWithTheirRoleAndOffset) {
    const Physics physics;
    ScanSettings y = Settings(ProcedureKind::YFactor);
    y.Pairs = 2;
    ScanSettings sweep = Settings(ProcedureKind::Cross);
    sweep.Continuous = true;
    sweep.TauS = 0.1;
    for (const ScanSettings& s : {y, Settings(ProcedureKind::Cross), sweep}) {
        const std::string name =
            std::string(ProcedureKey(s.Procedure)) + (s.Continuous ? " moving" : "");
        VirtualTelescope telescope(VirtualSky{}, s.TauS);
        const ProcedureContext context{Options(), telescope.Place(), "the source"};
        std::unique_ptr<Procedure> p;
        if (s.Procedure == ProcedureKind::YFactor) {
            p = std::make_unique<YFactorSequence>(
                s, context,
                GOverTBasis{{physics.Jy(), measure::FluxBasis::Model}, 0.0, physics.FrequencyMHz});
        } else {
            p = std::make_unique<CrossScan>(s, context);
        }
        ProcedurePowerLog log("command", 1420.4, "sun");
        std::vector<PowerBlock> handed;
        std::vector<PowerRecord> records;
        ASSERT_TRUE(telescope.Run(*p, Options(), 4000, [&](Procedure& q, double t) {
            log.Add(telescope.LastBlocks, telescope.LastReported);
            handed.insert(handed.end(), telescope.LastBlocks.begin(), telescope.LastBlocks.end());
            for (PowerRecord& r :
                 log.Take(q.Readings(), VirtualTelescope::kUtc0 + t / 86400.0, q.Finished())) {
                records.push_back(std::move(r));
            }
        })) << name;
        // No gap: every block handed over, once, in order.
        ASSERT_EQ(records.size(), handed.size()) << name;
        EXPECT_EQ(log.Waiting(), 0U) << name;
        for (std::size_t i = 0; i < handed.size(); ++i) {
            EXPECT_EQ(records[i].UtcStart, PowerLogTime(handed[i].UtcStart)) << name << " " << i;
            EXPECT_EQ(records[i].Source, "sun");
        }
        // The readings with their role and where the rotator stood.
        std::size_t roles = 0;
        for (const Reading& reading : p->Readings()) {
            const auto at = std::find_if(records.begin(), records.end(), [&](const PowerRecord& r) {
                return r.UtcStart == PowerLogTime(reading.UtcStart);
            });
            ASSERT_NE(at, records.end()) << name;
            EXPECT_EQ(at->Role, PowerLogRole(reading.Kind)) << name;
            ASSERT_TRUE(at->AzOffsetDeg && at->ElOffsetDeg) << name;
            if (reading.Kind == ReadingKind::Scan) {
                // The offset the fit used, along its axis.
                EXPECT_NEAR(reading.Axis == 0 ? *at->AzOffsetDeg : *at->ElOffsetDeg, reading.X,
                            s.Continuous ? 0.02 : 1e-3)
                    << name;
            }
            if (reading.Kind == ReadingKind::Off) {
                EXPECT_GT(std::fabs(*at->AzOffsetDeg), 3.0 * s.BeamwidthDeg) << name;
            }
        }
        for (const PowerRecord& r : records) {
            roles += r.Role.empty() ? 0 : 1;
        }
        EXPECT_EQ(roles, p->Readings().size()) << name;
        EXPECT_LT(roles, records.size()) << name << ": blocks while moving are logged too";
    }
}

TEST(ProcedureTest, ADriftIsTimedWhereTheRotatorStoodWithAnHonestError) {
    struct Case {
        const char* Name;
        double StandOffAzDeg; ///< the mount stops beyond where it is sent
        double ReportStepDeg;
        double LeastSigmaDeg; ///< the azimuth offset's σ at least
    };
    const Case cases[] = {
        // Within the arrival tolerance (0.18°) but 0.15° of azimuth off:
        // timed against where it was sent, the offset would be 0.1° wrong.
        {"stands 0.15 deg beyond, reports finely", 0.15, 0, 0.0},
        // Whole degrees: where it stands is known to ±0.29°, and said.
        {"reports whole degrees", 0.15, 1.0, 0.28},
    };
    for (const Case& c : cases) {
        VirtualSky sky;
        sky.StandOffAzDeg = c.StandOffAzDeg;
        sky.ReportStepDeg = c.ReportStepDeg;
        ScanSettings s = Settings(ProcedureKind::Drift);
        s.TauS = 2;
        VirtualTelescope telescope(sky, s.TauS);
        DriftScan drift(s, ProcedureContext{Options(), telescope.Place(), "the source"});
        ASSERT_TRUE(telescope.Run(drift, Options(), 4000)) << c.Name;
        const DriftScanResult& r = drift.Result();
        ASSERT_TRUE(r.AzimuthOffsetDeg && r.AzimuthOffsetSigmaDeg) << c.Name << r.Problem;
        // The beam truly points 0.35° beside the rotator's azimuth.
        const double truth = -sky.ErrorAzDeg;
        const double sigma = *r.AzimuthOffsetSigmaDeg;
        EXPECT_GE(sigma, c.LeastSigmaDeg) << c.Name;
        EXPECT_GT(sigma, 1e-4) << c.Name << ": never a σ of nothing";
        EXPECT_NEAR(*r.AzimuthOffsetDeg, truth, std::max(0.01, 2 * sigma)) << c.Name;
    }
}

TEST(ProcedureTest, StopsSafelyWithAReasonAndKeepsWhatItHas) {
    struct Case {
        const char* Name;
        ProcedureKind Kind;
        std::function<void(VirtualSky&, TrackingOptions&)> Set;
        double AbortAtS; ///< negative: no abort
        const char* Reason;
        bool PairsKept; ///< a Y-factor keeps the pairs taken before
    };
    const Case cases[] = {
        {"abort", ProcedureKind::YFactor, [](VirtualSky&, TrackingOptions&) {}, 35,
         "Aborted by the user.", true},
        {"the rotator dies", ProcedureKind::YFactor,
         [](VirtualSky& s, TrackingOptions&) { s.MountDiesAtS = 35; }, -1,
         "The rotator stopped answering: Connection refused.", true},
        {"overload", ProcedureKind::YFactor,
         [](VirtualSky& s, TrackingOptions&) { s.OverloadAtS = 35; }, -1,
         "The radiometer is overloaded", true},
        {"the radiometer falls silent", ProcedureKind::YFactor,
         [](VirtualSky& s, TrackingOptions&) { s.SilentFromS = 35; }, -1,
         "The radiometer has delivered no reading for 12 seconds.", true},
        {"the source sinks below the minimum", ProcedureKind::YFactor,
         [](VirtualSky& s, TrackingOptions& o) {
             s.ElevationRateDegPerS = -0.01;
             o.MinElevationDeg = 39.5;
         },
         -1, "the source sank below the minimum elevation of 39.5°.", true},
        {"too low to scan", ProcedureKind::Cross,
         [](VirtualSky& s, TrackingOptions&) { s.ElevationDeg = 4; }, -1,
         "The procedure would point down to -1.4° elevation", false},
        {"a point above the rotator's maximum", ProcedureKind::Cross,
         [](VirtualSky&, TrackingOptions& o) { o.MaxElevationDeg = 42; }, -1,
         "lies above the rotator's maximum elevation of 42.0°.", false},
        {"the rotator refuses", ProcedureKind::Cross,
         [](VirtualSky& s, TrackingOptions& o) {
             s.ElevationDeg = 3;
             s.LowestElevationDeg = 0;
             o.MinElevationDeg = -90;
         },
         -1, "The rotator refused the position", false},
    };
    for (const Case& c : cases) {
        VirtualSky sky;
        TrackingOptions options = Options();
        c.Set(sky, options);
        VirtualTelescope telescope(sky);
        ProcedureContext context{options, telescope.Place(), "the source"};
        std::unique_ptr<Procedure> p;
        if (c.Kind == ProcedureKind::YFactor) {
            p = std::make_unique<YFactorSequence>(Settings(c.Kind), context, std::nullopt);
        } else {
            p = std::make_unique<CrossScan>(Settings(c.Kind), context);
        }
        const double abortAt = c.AbortAtS;
        ASSERT_TRUE(telescope.Run(*p, options, 500, [abortAt](Procedure& q, double t) {
            if (abortAt >= 0 && t >= abortAt) {
                q.Abort();
            }
        })) << c.Name;
        EXPECT_EQ(p->Ended(), Ending::Stopped) << c.Name;
        EXPECT_NE(p->StopReason().find(c.Reason), std::string::npos)
            << c.Name << ": " << p->StopReason();
        EXPECT_EQ(p->Progress().Text, "stopped: " + p->StopReason()) << c.Name;
        EXPECT_TRUE(telescope.LastAction.StopRotator) << c.Name;
        if (c.Kind == ProcedureKind::YFactor) {
            const auto& r = dynamic_cast<const YFactorSequence&>(*p).Result();
            EXPECT_TRUE(r.Partial) << c.Name;
            EXPECT_EQ(!r.Pairs.empty(), c.PairsKept) << c.Name;
            EXPECT_LT(r.Pairs.size(), 4U) << c.Name;
            if (c.PairsKept) {
                EXPECT_TRUE(r.Y) << c.Name;
            }
        } else {
            EXPECT_TRUE(dynamic_cast<const CrossScan&>(*p).Result().Partial) << c.Name;
        }
    }
}

/// Tracking after the end is the user's choice, but not when the user
/// stopped the rotator elsewhere: an abort that stops it leaves it stopped.
TEST(ProcedureTest, AnAbortThatStopsTheRotatorOverridesTracking) {
    for (const bool stops : {false, true}) {
        VirtualTelescope telescope(VirtualSky{});
        ScanSettings settings = Settings(ProcedureKind::YFactor);
        settings.After = AfterEnd::Track;
        YFactorSequence y(settings, {Options(), telescope.Place(), "the source"}, std::nullopt);
        ASSERT_TRUE(telescope.Run(y, Options(), 500, [stops](Procedure& p, double t) {
            if (t >= 35) {
                p.Abort("Stopped in the Track window.", stops);
            }
        }));
        EXPECT_EQ(telescope.LastAction.StopRotator, stops);
        EXPECT_EQ(telescope.LastAction.Point.has_value(), !stops);
    }
}

} // namespace
} // namespace vantrel::scan

// The σ of a Y-factor against a simulated receiver whose gain wanders as a
// random walk: repeated runs of seeded blocks, the reported Y compared with
// the true one. A σ that holds must cover the error (|Y − Y_true| < 2σ in
// 90 % of the runs at least) without promising far less than it could
// (its mean within twice the real spread, the standard deviation of Y over
// the runs).

#include "radiometer/YUncertainty.h"
#include "radiometer/RadiometerEquation.h"
#include "radiometer/YFactorReading.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace vantrel {
namespace {

constexpr double kTrueYDb = 3.0;
constexpr double kSkyDb = -40.0;
constexpr double kDay = 86400.0;
/// Sub-steps of a block over which the walk is averaged.
constexpr int kSubSteps = 16;

/// A receiver: white noise of the radiometer equation, an excess white
/// jitter, a gain random walk and a steady ramp, all in dB.
struct Receiver {
    double WalkDbPerRootS = 0;
    double WhiteSigmaDb = 0.003; ///< the radiometer's σ of a block (B·τ about 2 MHz·s)
    double JitterDb = 0;         ///< white noise beyond the radiometer's
    double RampDbPerS = 0;
};

/// Draws blocks of `tauS` seconds: a walk kept in `gainDb` from `t` on.
class Simulation {
public:
    Simulation(const Receiver& rx, unsigned seed) : rx_(rx), random_(seed) {}

    std::vector<PowerBlock> Blocks(int count, double tauS, double levelDb) {
        std::vector<PowerBlock> out;
        for (int i = 0; i < count; ++i) {
            double sum = 0;
            const double dt = tauS / kSubSteps;
            for (int k = 0; k < kSubSteps; ++k) {
                Walk(dt);
                sum += gainDb_ + rx_.RampDbPerS * t_;
            }
            PowerBlock b;
            b.UtcStart = kStart + (t_ - tauS) / kDay;
            b.UtcEnd = kStart + t_ / kDay;
            b.PowerDb = levelDb + sum / kSubSteps + rx_.WhiteSigmaDb * normal_(random_) +
                        rx_.JitterDb * normal_(random_);
            b.SigmaDb = rx_.WhiteSigmaDb;
            b.IntegrationS = tauS;
            b.NoiseBandwidthHz = 2.0e6;
            out.push_back(b);
        }
        return out;
    }
    /// Lets `s` seconds pass (the antenna moving).
    void Wait(double s) {
        const int steps = std::max(1, static_cast<int>(s));
        for (int k = 0; k < steps; ++k) {
            Walk(s / steps);
        }
    }

private:
    static constexpr DateTime kStart = 46365.5; // 2026-12-09 12:00 UTC
    void Walk(double dt) {
        gainDb_ += rx_.WalkDbPerRootS * std::sqrt(dt) * normal_(random_);
        t_ += dt;
    }
    Receiver rx_;
    std::mt19937_64 random_;
    std::normal_distribution<double> normal_{0.0, 1.0};
    double gainDb_ = 0;
    double t_ = 0;
};

struct Statistics {
    double Coverage = 0;    ///< share of runs with |Y − Y_true| < 2σ
    double MeanSigma = 0;   ///< mean reported σ, dB
    double Spread = 0;      ///< standard deviation of the reported Y, dB
    double OldCoverage = 0; ///< the same for one block each against the radiometer's σ
    std::string Method;     ///< of the last run
};

struct Case {
    const char* Name;
    Receiver Rx;
    int Blocks;  ///< of each run
    double TauS; ///< of a block
    double GapS; ///< between the runs (moving the antenna)
    bool OffOnOff;
    const char* MethodStart; ///< how σ is to be named
    /// The mean σ is held within this many times the spread (0: not held).
    /// Without drift the blocks of a few seconds cannot rule out a walk
    /// over the longer gap, and white noise beyond the radiometer's is
    /// taken for drift: σ errs on the large side there.
    double MostInflation = 2.0;
};

Statistics Repeat(const Case& c, int runs) {
    Statistics s;
    double sumY = 0, sumY2 = 0, sumSigma = 0;
    int covered = 0, oldCovered = 0;
    for (int run = 0; run < runs; ++run) {
        Simulation sim(c.Rx, 1000u + static_cast<unsigned>(run));
        const std::vector<PowerBlock> before = sim.Blocks(c.Blocks, c.TauS, kSkyDb);
        sim.Wait(c.GapS);
        const std::vector<PowerBlock> on = sim.Blocks(c.Blocks, c.TauS, kSkyDb + kTrueYDb);
        YEstimate y;
        if (c.OffOnOff) {
            sim.Wait(c.GapS);
            const std::vector<PowerBlock> after = sim.Blocks(c.Blocks, c.TauS, kSkyDb);
            y = OffOnOffY(before, on, after);
        } else {
            y = OnOffY(before, on);
        }
        EXPECT_TRUE(y.Problem.empty()) << y.Problem;
        const double error = y.YDb - kTrueYDb;
        covered += std::abs(error) < 2.0 * y.SigmaDb ? 1 : 0;
        sumY += y.YDb;
        sumY2 += y.YDb * y.YDb;
        sumSigma += y.SigmaDb;
        s.Method = y.Method;
        // What the window gave before: the last block on against the
        // reference block, with the two blocks' radiometer σ.
        const YFactorReading old = YFactorOf(on.back(), before.back());
        oldCovered += std::abs(old.YDb - kTrueYDb) < 2.0 * old.SigmaDb ? 1 : 0;
    }
    const double n = runs;
    s.Coverage = covered / n;
    s.OldCoverage = oldCovered / n;
    s.MeanSigma = sumSigma / n;
    s.Spread = std::sqrt(std::max(0.0, (sumY2 - sumY * sumY / n) / (n - 1.0)));
    return s;
}

TEST(YUncertainty, CoversTheErrorOfAWanderingGainWithoutInflatingIt) {
    const Case cases[] = {
        {"walk 0.02 dB/rt(s), 10 + 10 blocks of 1 s, 20 s apart",
         {0.02},
         10,
         1.0,
         20.0,
         false,
         "gain drift"},
        {"walk 0.05 dB/rt(s), 10 + 10 blocks of 1 s, 20 s apart",
         {0.05},
         10,
         1.0,
         20.0,
         false,
         "gain drift"},
        {"walk 0.03 dB/rt(s), 5 + 5 blocks of 2 s, 60 s apart",
         {0.03},
         5,
         2.0,
         60.0,
         false,
         "gain drift"},
        {"walk 0.02 dB/rt(s), off-on-off of 8 blocks, 15 s apart",
         {0.02},
         8,
         1.0,
         15.0,
         true,
         "off-on-off, gain drift"},
        {"walk 0.05 dB/rt(s), off-on-off of 8 blocks, 15 s apart",
         {0.05},
         8,
         1.0,
         15.0,
         true,
         "off-on-off, gain drift"},
        // Without drift: covered, and not far above the radiometer's.
        {"white noise only", {0.0}, 10, 1.0, 20.0, false, "", 4.0},
        // A receiver that jitters more than the radiometer equation says:
        // covered, never promised too much.
        {"white jitter 0.02 dB beyond the radiometer",
         {0.0, 0.003, 0.02},
         10,
         1.0,
         20.0,
         false,
         "gain drift",
         0.0},
    };
    constexpr int kRuns = 400;
    for (const Case& c : cases) {
        const Statistics s = Repeat(c, kRuns);
        SCOPED_TRACE(c.Name);
        std::printf("%-58s coverage %.3f (one block each, radiometer sigma: %.3f), mean sigma "
                    "%.4f dB, spread %.4f dB, %s\n",
                    c.Name, s.Coverage, s.OldCoverage, s.MeanSigma, s.Spread, s.Method.c_str());
        EXPECT_GE(s.Coverage, 0.90);
        if (c.MostInflation > 0) {
            EXPECT_LE(s.MeanSigma, c.MostInflation * s.Spread);
        }
        EXPECT_TRUE(std::string(s.Method).starts_with(c.MethodStart)) << s.Method;
        if (c.Rx.WalkDbPerRootS > 0) {
            // The radiometer's σ alone promises ten times too much.
            EXPECT_LT(s.OldCoverage, 0.5);
        }
    }
}

/// A steady ramp of the gain (a receiver warming up) is taken out by the
/// off-on-off sequence; against one reference it is an error of the ramp
/// times the interval.
TEST(YUncertainty, OffOnOffTakesOutASteadyRamp) {
    Receiver rx;
    rx.RampDbPerS = 0.01;
    Simulation sim(rx, 7);
    const std::vector<PowerBlock> before = sim.Blocks(6, 1.0, kSkyDb);
    sim.Wait(20);
    const std::vector<PowerBlock> on = sim.Blocks(6, 1.0, kSkyDb + kTrueYDb);
    sim.Wait(20);
    const std::vector<PowerBlock> after = sim.Blocks(6, 1.0, kSkyDb);
    const YEstimate three = OffOnOffY(before, on, after);
    const YEstimate two = OnOffY(before, on);
    EXPECT_NEAR(three.YDb, kTrueYDb, 0.005) << three.Method;
    EXPECT_NEAR(two.YDb - kTrueYDb, 0.01 * 26.0, 0.01); // 26 s between the runs' middles
    EXPECT_LT(std::abs(three.YDb - kTrueYDb), 3.0 * three.SigmaDb);
    EXPECT_EQ(three.Blocks, 18);
    EXPECT_DOUBLE_EQ(three.FirstUtc, before.front().UtcStart);
    EXPECT_DOUBLE_EQ(three.LastUtc, after.back().UtcEnd);
}

/// What a Y is refused for, and its σ where the blocks tell too little.
TEST(YUncertainty, SaysWhatIsWrong) {
    PowerBlock ref;
    ref.PowerDb = -40;
    ref.SigmaDb = 0.01;
    PowerBlock on = ref;
    on.PowerDb = -37;
    const std::vector<PowerBlock> refs{ref}, ons{on};
    // One block each: the radiometer alone can be said, and is named.
    const YEstimate one = OnOffY(refs, ons);
    EXPECT_TRUE(one.Problem.empty());
    EXPECT_EQ(one.Method, "radiometer");
    EXPECT_NEAR(one.SigmaDb, std::hypot(0.01, 0.01), 1e-12);
    EXPECT_TRUE(std::isnan(one.DriftSigmaDb));

    EXPECT_NE(OnOffY(refs, {}).Problem.find("No blocks yet on"), std::string::npos);
    PowerBlock clipped = on;
    clipped.Overload = true;
    const std::vector<PowerBlock> clippedOn{on, clipped};
    EXPECT_NE(OnOffY(refs, clippedOn).Problem.find("on the source was clipped"), std::string::npos);
    EXPECT_NE(OnOffY(ons, refs).Problem.find("not above"), std::string::npos);
    PowerBlock meter = on;
    meter.WholeDbSteps = true;
    const std::vector<PowerBlock> meters{meter};
    EXPECT_NE(OnOffY(refs, meters).Problem.find("S-meter"), std::string::npos);
    // Readings of unknown σ: the scatter speaks.
    PowerBlock a = ref, b = ref;
    a.SigmaDb = b.SigmaDb = std::nan("");
    b.PowerDb = -40.2;
    PowerBlock c = a, d = b;
    c.PowerDb += 3;
    d.PowerDb += 3;
    const std::vector<PowerBlock> r2{a, b}, o2{c, d};
    const YEstimate readings = OnOffY(r2, o2);
    EXPECT_EQ(readings.Method.substr(0, 10), "scatter of");
    EXPECT_NEAR(readings.ScatterSigmaDb, std::sqrt(2.0 * 0.02 / 2.0), 1e-9);
}

} // namespace
} // namespace vantrel

// The windows fitted ahead give the Sun and Moon core's slow quantities bit
// for bit, however the instants come.

#include "apparent/SlowQuantityWindows.h"

#include <gtest/gtest.h>

#include <random>

namespace vantrel {
namespace {

void ExpectSameBits(const sunmoon::SlowQuantities& expected, const sunmoon::SlowQuantities& got,
                    double tt) {
    const auto e = sunmoon::Pack(expected);
    const auto g = sunmoon::Pack(got);
    for (std::size_t i = 0; i < e.size(); ++i) {
        ASSERT_EQ(e[i], g[i]) << "quantity " << i << " at TT J2000.0 + " << tt << " d";
    }
}

struct Pattern {
    const char* Name;
    double StartTt; // days from J2000.0
    double StepDays;
    int Steps;
};

const Pattern kPatterns[] = {
    {"sweep at one minute over two edges", 9800.5, 1.0 / 1440, 8 * 1440},
    {"real-time, a second apart, across an edge", 9803.9, 1.0 / 86400, 20000},
    {"sweep at 17 minutes", 9800.0, 17.0 / 1440, 1000},
    {"backwards at one minute", 9808.2, -1.0 / 1440, 3000},
    {"daily", 9000.3, 1.0, 40},
};

TEST(SlowQuantityWindows, SameValuesAsTheSunAndMoonCore) {
    for (const Pattern& p : kPatterns) {
        SCOPED_TRACE(p.Name);
        SlowQuantityWindows ahead;
        sunmoon::SlowEphemeris core;
        for (int k = 0; k < p.Steps; ++k) {
            const double tt = p.StartTt + k * p.StepDays;
            const sunmoon::SlowQuantities got = ahead.At(tt);
            ahead.PrefitStep(tt);
            ExpectSameBits(core.At(tt), got, tt);
        }
    }
}

TEST(SlowQuantityWindows, RandomJumpsBetweenPrefits) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> jump(-6.0, 6.0);
    SlowQuantityWindows ahead;
    sunmoon::SlowEphemeris core;
    double tt = 9500.0;
    for (int k = 0; k < 400; ++k) {
        tt += k % 3 == 0 ? jump(rng) : 0.004;
        const sunmoon::SlowQuantities got = ahead.At(tt);
        ahead.PrefitStep(tt);
        ExpectSameBits(core.At(tt), got, tt);
    }
}

TEST(SlowQuantityWindows, AnEdgeCrossedAtOneMinuteNeedsNoFitAtOnce) {
    SlowQuantityWindows ahead;
    for (int k = 0; k < 4 * 1440; ++k) {
        const double tt = 9801.0 + k / 1440.0; // crosses the edge at 9804
        ahead.At(tt);
        ahead.PrefitStep(tt);
    }
    EXPECT_EQ(ahead.FittedAtOnce(), 1);
    EXPECT_EQ(ahead.FittedAhead(), 1);
}

} // namespace
} // namespace vantrel

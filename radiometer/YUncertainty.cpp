#include "radiometer/YUncertainty.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

namespace vantrel {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
/// Seconds in a day: DateTime counts days.
constexpr double kSecondsPerDay = 86400.0;
/// The walk is read from block pairs up to a third of a run apart: longer
/// lags hold more of the walk against the white noise, but overlap so much
/// within a run that they add little (tried against simulated receivers,
/// tests/receiverwin/YUncertaintyTest.cpp).
constexpr std::size_t kLagDivisor = 3;

/// One run of blocks reduced to what the estimates need.
struct Run {
    double LevelDb = kNaN; ///< 10 log10 of the mean linear power
    double MiddleS = 0;    ///< middle of the run, seconds from the first block used
    double StartS = 0;     ///< start and end, seconds from the first block used
    double EndS = 0;
    double RadiometerSq = kNaN; ///< σ² of the level from the blocks' own σ, dB²
    double ScatterSq = kNaN;    ///< σ² of the level from the blocks' scatter, dB²
    double Coefficient = 0;     ///< weight of the run in Y
    std::size_t Count = 0;
};

double Seconds(DateTime utc, DateTime origin) {
    return (utc - origin) * kSecondsPerDay;
}

Run RunOf(std::span<const PowerBlock> blocks, DateTime origin, double coefficient) {
    Run r;
    r.Coefficient = coefficient;
    r.Count = blocks.size();
    if (blocks.empty()) {
        return r;
    }
    const auto n = static_cast<double>(blocks.size());
    double linear = 0;
    double sigmaSq = 0;
    double meanDb = 0;
    for (const PowerBlock& b : blocks) {
        linear += std::pow(10.0, b.PowerDb / 10.0);
        sigmaSq += b.SigmaDb * b.SigmaDb; // NaN stays NaN
        meanDb += b.PowerDb;
    }
    r.LevelDb = 10.0 * std::log10(linear / n);
    r.RadiometerSq = sigmaSq / (n * n);
    meanDb /= n;
    if (blocks.size() >= 2) {
        double spread = 0;
        for (const PowerBlock& b : blocks) {
            spread += (b.PowerDb - meanDb) * (b.PowerDb - meanDb);
        }
        r.ScatterSq = spread / (n - 1.0) / n;
    }
    r.StartS = Seconds(blocks.front().UtcStart, origin);
    r.EndS = Seconds(blocks.back().UtcEnd, origin);
    r.MiddleS = 0.5 * (r.StartS + r.EndS);
    return r;
}

/// The problem of a Y, as a sentence; empty when it is fit.
std::string ProblemOf(std::span<const std::span<const PowerBlock>> runs, double yDb) {
    for (std::size_t k = 0; k < runs.size(); ++k) {
        if (runs[k].empty()) {
            return "No blocks yet " + std::string(k % 2 == 0 ? "off" : "on") +
                   " the source: wait for the next blocks.";
        }
    }
    for (const auto& run : runs) {
        for (const PowerBlock& b : run) {
            if (b.WholeDbSteps) {
                return "S-meter readings come in whole dB on the manufacturer's scale: fit for "
                       "peaking the antenna, not for G/T. Measure with the sound card or an SDR.";
            }
        }
    }
    for (std::size_t k = 0; k < runs.size(); ++k) {
        for (const PowerBlock& b : runs[k]) {
            if (b.Overload) {
                // The on run is the second of either sequence.
                return std::string(k == 1 ? "A reading on the source" : "A reference block") +
                       " was clipped (overload): lower the receiver's gain, take the reference "
                       "again and measure anew.";
            }
        }
    }
    if (!(yDb > 0)) {
        return "The reading is not above the reference: point at the source, or take the "
               "reference on cold sky again.";
    }
    return {};
}

/// "26", or "1.4" below ten seconds.
std::string SecondsText(double s) {
    char text[32];
    std::snprintf(text, sizeof text, s < 10.0 ? "%.1f" : "%.0f", s);
    return text;
}

/// Y and σ of runs taken with their coefficients (summing to 0).
YEstimate Combine(std::span<const std::span<const PowerBlock>> runs,
                  std::span<const double> coefficients, std::string_view prefix) {
    YEstimate y;
    y.YDb = y.SigmaDb = y.RadiometerSigmaDb = y.ScatterSigmaDb = y.DriftSigmaDb =
        y.DriftDbPerRootS = kNaN;
    y.Problem = ProblemOf(runs, kNaN);
    bool any = false;
    for (const auto& run : runs) {
        for (const PowerBlock& b : run) {
            y.FirstUtc = any ? std::min(y.FirstUtc, b.UtcStart) : b.UtcStart;
            y.LastUtc = any ? std::max(y.LastUtc, b.UtcEnd) : b.UtcEnd;
            any = true;
            ++y.Blocks;
        }
    }
    for (const auto& run : runs) {
        if (run.empty()) {
            y.Method = std::string(prefix) + "no reading";
            return y;
        }
    }
    std::vector<Run> reduced;
    for (std::size_t k = 0; k < runs.size(); ++k) {
        reduced.push_back(RunOf(runs[k], y.FirstUtc, coefficients[k]));
    }

    double yDb = 0;
    double radiometerSq = 0;
    double scatterSq = 0;
    for (const Run& r : reduced) {
        yDb += r.Coefficient * r.LevelDb;
        radiometerSq += r.Coefficient * r.Coefficient * r.RadiometerSq;
        scatterSq += r.Coefficient * r.Coefficient * r.ScatterSq;
    }
    y.YDb = yDb;
    y.Problem = ProblemOf(runs, yDb);
    y.RadiometerSigmaDb = std::sqrt(radiometerSq); // NaN when a block's σ is unknown
    y.ScatterSigmaDb = std::sqrt(scatterSq);       // NaN when a run has one block

    // The random walk's D² from pairs of blocks within each run, up to a
    // third of the run apart: each pair's squared difference less the two
    // blocks' white variance, over what the walk gives the pair, g + T₁/3 +
    // T₂/3 (g the time between them, T their lengths, in seconds); the
    // Allan variance at the blocks' length and its multiples.
    double excess = 0;
    double weight = 0;
    int steps = 0;
    for (const auto& run : runs) {
        const std::size_t lags = std::max<std::size_t>(1, run.size() / kLagDivisor);
        for (std::size_t lag = 1; lag <= lags; ++lag) {
            for (std::size_t i = lag; i < run.size(); ++i) {
                const PowerBlock& a = run[i - lag];
                const PowerBlock& b = run[i];
                const double d = b.PowerDb - a.PowerDb;
                const double white = (std::isfinite(a.SigmaDb) ? a.SigmaDb * a.SigmaDb : 0.0) +
                                     (std::isfinite(b.SigmaDb) ? b.SigmaDb * b.SigmaDb : 0.0);
                const double spanA = (a.UtcEnd - a.UtcStart) * kSecondsPerDay;
                const double spanB = (b.UtcEnd - b.UtcStart) * kSecondsPerDay;
                const double gap = std::max(0.0, (b.UtcStart - a.UtcEnd) * kSecondsPerDay);
                excess += d * d - white;
                weight += gap + spanA / 3.0 + spanB / 3.0;
                ++steps;
            }
        }
    }
    if (steps >= 2 && weight > 0) {
        const double d2 = std::max(0.0, excess / weight);
        y.DriftDbPerRootS = std::sqrt(d2);
        // The walk's variance of the combination: −Σₖ<ₗ cₖcₗγₖₗ with the
        // variogram of two runs' means γ = D²·(gap + T₁/3 + T₂/3).
        double geometry = 0;
        for (std::size_t k = 0; k < reduced.size(); ++k) {
            for (std::size_t l = k + 1; l < reduced.size(); ++l) {
                const Run& p = reduced[k];
                const Run& q = reduced[l];
                const double gap = std::max(0.0, std::max(q.StartS - p.EndS, p.StartS - q.EndS));
                const double gamma = gap + (p.EndS - p.StartS) / 3.0 + (q.EndS - q.StartS) / 3.0;
                geometry -= p.Coefficient * q.Coefficient * gamma;
            }
        }
        const double white = std::isfinite(radiometerSq) ? radiometerSq
                             : std::isfinite(scatterSq)  ? scatterSq
                                                         : 0.0;
        y.DriftSigmaDb = std::sqrt(white + d2 * std::max(0.0, geometry));
    }

    // The largest of the estimates, named.
    const int blocks = y.Blocks;
    const double interval = [&] {
        // The time the walk has between the references and the on run:
        // from the middle of the first reference to that of the on run.
        return std::abs(reduced[1].MiddleS - reduced[0].MiddleS);
    }();
    struct Candidate {
        double Sigma;
        std::string Name;
    };
    const Candidate candidates[] = {
        {y.RadiometerSigmaDb, "radiometer"},
        {y.ScatterSigmaDb, "scatter of " + std::to_string(blocks) + " blocks"},
        {y.DriftSigmaDb, "gain drift over " + SecondsText(interval) + " s"},
    };
    const Candidate* chosen = nullptr;
    for (const Candidate& c : candidates) {
        if (std::isfinite(c.Sigma) && (chosen == nullptr || c.Sigma > chosen->Sigma)) {
            chosen = &c;
        }
    }
    if (chosen != nullptr) {
        y.SigmaDb = chosen->Sigma;
        y.Method = std::string(prefix) + chosen->Name;
    } else {
        y.Method = std::string(prefix) + "unknown";
    }
    return y;
}

} // namespace

YEstimate OnOffY(std::span<const PowerBlock> reference, std::span<const PowerBlock> on) {
    const std::span<const PowerBlock> runs[] = {reference, on};
    const double coefficients[] = {-1.0, 1.0};
    return Combine(runs, coefficients, "");
}

YEstimate OffOnOffY(std::span<const PowerBlock> before, std::span<const PowerBlock> on,
                    std::span<const PowerBlock> after) {
    const std::span<const PowerBlock> runs[] = {before, on, after};
    // The weights of the two references at the on run's middle.
    double wBefore = 0.5;
    if (!before.empty() && !on.empty() && !after.empty()) {
        const auto middle = [](std::span<const PowerBlock> r) {
            return 0.5 * (r.front().UtcStart + r.back().UtcEnd);
        };
        const double t0 = middle(before);
        const double t1 = middle(after);
        if (t1 > t0) {
            wBefore = std::clamp((t1 - middle(on)) / (t1 - t0), 0.0, 1.0);
        }
    }
    const double coefficients[] = {-wBefore, 1.0, -(1.0 - wBefore)};
    return Combine(runs, coefficients, "off-on-off, ");
}

} // namespace vantrel

#include "measure/GOverTBudget.h"

#include <cmath>
#include <cstdio>
#include <numbers>

namespace vantrel::measure {

namespace {

/// dB of a relative uncertainty, to first order: 10/ln 10.
constexpr double kDbPerFraction = 10.0 / std::numbers::ln10;

std::string Percent(double fraction) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %%", 100.0 * fraction);
    return text;
}

} // namespace

double BackgroundSigmaK(double frequencyMHz) {
    return kSurveyZeroLevelK *
           std::pow(frequencyMHz / kSurveyFrequencyMHz, -kZeroLevelSpectralIndex);
}

double PointingLossDb(double offsetHpbw) {
    // 10 log10(exp(x)) = x · 10/ln 10.
    return 4.0 * std::numbers::ln2 * offsetHpbw * offsetHpbw * kDbPerFraction;
}

double AtmosphereSigmaDb(double attenuationDb, double emissionDifferenceK, double sourceDeltaTK) {
    if (!std::isfinite(attenuationDb)) {
        return NAN;
    }
    const double f = atmosphere::kAtmosphereModelFraction;
    const double path = f * attenuationDb;
    const double emission = std::isfinite(emissionDifferenceK) && sourceDeltaTK > 0
                                ? kDbPerFraction * f * std::abs(emissionDifferenceK) / sourceDeltaTK
                                : 0.0;
    return std::hypot(path, emission);
}

std::string AtmosphereBasisText(double attenuationDb, double emissionDifferenceK) {
    char text[128];
    const int percent = static_cast<int>(std::lround(100 * atmosphere::kAtmosphereModelFraction));
    if (std::isfinite(emissionDifferenceK) && std::abs(emissionDifferenceK) >= 0.05) {
        std::snprintf(text, sizeof text,
                      "%d %% of %.3f dB at the source and of %.1f K of air between source and "
                      "reference (assumed)",
                      percent, attenuationDb, emissionDifferenceK);
    } else {
        std::snprintf(text, sizeof text, "%d %% of %.3f dB at the source (assumed)", percent,
                      attenuationDb);
    }
    return text;
}

GOverTBudget GOverTBudgetOf(const GOverTBudgetInput& in) {
    GOverTBudget b;
    b.Terms.push_back({"Y", in.FromYSigmaDb, in.YMethod.empty() ? "no σ" : in.YMethod});
    b.Terms.push_back({"flux", kDbPerFraction * in.Flux.Fraction,
                       Percent(in.Flux.Fraction) + ", " + in.Flux.Provenance});
    const double skyK = BackgroundSigmaK(in.FrequencyMHz);
    char text[96];
    std::snprintf(text, sizeof text, "%.3g K zero level against %.3g K of the source", skyK,
                  in.SourceDeltaTK);
    b.Terms.push_back({"background",
                       in.SourceDeltaTK > 0 ? kDbPerFraction * skyK / in.SourceDeltaTK : NAN,
                       text});
    const double kFraction =
        kBeamCorrectionFraction * (in.BeamCorrection - 1.0) / in.BeamCorrection;
    b.Terms.push_back({"K", kDbPerFraction * kFraction, "10 % of K \u2212 1"});
    double atmosphere = in.AtmosphereSigmaDb;
    std::string atmosphereBasis = in.AtmosphereBasis;
    if (std::isnan(atmosphere)) {
        const bool free = in.FrequencyMHz < kAtmosphereFreeBelowMHz;
        atmosphere = free ? 0.0 : NAN;
        atmosphereBasis = free ? "none below 1 GHz" : "not estimated above 1 GHz";
    }
    b.Terms.push_back({"atmosphere", atmosphere, atmosphereBasis});
    b.Terms.push_back({"pointing", PointingLossDb(in.PointingHpbw), in.PointingBasis});

    double sum = 0;
    for (const BudgetTerm& t : b.Terms) {
        if (std::isfinite(t.SigmaDb)) {
            sum += t.SigmaDb * t.SigmaDb;
        } else {
            b.Complete = false;
        }
    }
    b.TotalSigmaDb = std::sqrt(sum);
    return b;
}

} // namespace vantrel::measure

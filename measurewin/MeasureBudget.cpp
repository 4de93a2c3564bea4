#include "measurewin/MeasureBudget.h"

#include <cmath>
#include <cstdio>

namespace vantrel {

namespace {

/// A scan is of this band when its frequency is within this fraction.
constexpr double kSameBandFraction = 0.05;

} // namespace

measure::FluxUncertainty FluxUncertaintyOf(const MeasureRow&, bool sun,
                                           const measure::SolarFluxChoice* fileFlux) {
    if (sun && fileFlux != nullptr && !fileFlux->Refused) {
        const bool scatter = std::isfinite(fileFlux->ScatterPercent);
        return {scatter ? fileFlux->ScatterPercent / 100.0 : measure::kTypedSolarFluxFraction,
                fileFlux->Note + (scatter ? "" : "; one station: 5 % assumed")};
    }
    if (sun) {
        return {measure::kTypedSolarFluxFraction, "typed"};
    }
    return {measure::kModelFluxFraction, "model"};
}

std::optional<ScanPointing> LastCrossScanPointing(const scan::ScanLog& log,
                                                  const std::string& source, double frequencyMHz,
                                                  double hpbwDeg) {
    for (auto it = log.Records.rbegin(); it != log.Records.rend(); ++it) {
        const scan::ScanRecord& r = *it;
        if (r.Procedure != "cross" || r.Partial || r.Source != source || !r.FrequencyMHz ||
            std::abs(*r.FrequencyMHz - frequencyMHz) > kSameBandFraction * frequencyMHz ||
            !r.AzOffsetDeg || !r.ElOffsetDeg) {
            continue;
        }
        const double az =
            *r.AzOffsetDeg / (r.HpbwAzDeg && *r.HpbwAzDeg > 0 ? *r.HpbwAzDeg : hpbwDeg);
        const double el =
            *r.ElOffsetDeg / (r.HpbwElDeg && *r.HpbwElDeg > 0 ? *r.HpbwElDeg : hpbwDeg);
        if (!std::isfinite(az) || !std::isfinite(el)) {
            continue;
        }
        char text[96];
        std::snprintf(text, sizeof text, "cross-scan %s, %.3g\u00b0 off", r.Utc.c_str(),
                      std::hypot(*r.AzOffsetDeg, *r.ElOffsetDeg));
        return ScanPointing{std::hypot(az, el), text};
    }
    return std::nullopt;
}

} // namespace vantrel

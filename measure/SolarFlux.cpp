#include "measure/SolarFlux.h"

#include "measure/MeasureConstants.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vantrel::measure {

namespace {

bool Positive(double v) {
    return std::isfinite(v) && v > 0.0;
}

/// A flux in sfu whose flux density in Jy is a finite number.
bool UsableSfu(double sfu) {
    return Positive(sfu) && sfu <= kLargestSolarFluxSfu;
}

} // namespace

std::optional<std::string> CheckSolarTable(std::span<const SolarFluxPoint> table) {
    if (table.empty()) {
        return "The solar flux table is empty.";
    }
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (!Positive(table[i].FrequencyMHz)) {
            return "A frequency of the solar flux table is not a positive number.";
        }
        if (!Positive(table[i].Sfu)) {
            return "A flux of the solar flux table is not a positive number.";
        }
        if (!UsableSfu(table[i].Sfu)) {
            return "A flux of the solar flux table is too large.";
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (table[j].FrequencyMHz == table[i].FrequencyMHz) {
                return "The solar flux table gives a frequency twice.";
            }
        }
    }
    return std::nullopt;
}

FluxEstimate SolarFluxFromSfu(double sfu) {
    if (!UsableSfu(sfu)) {
        return {};
    }
    return {sfu * kJanskyPerSfu, FluxBasis::Model};
}

FluxEstimate SolarFluxFromTable(std::span<const SolarFluxPoint> table, double frequencyMHz) {
    if (CheckSolarTable(table) || !Positive(frequencyMHz)) {
        return {};
    }
    std::vector<SolarFluxPoint> sorted(table.begin(), table.end());
    std::sort(sorted.begin(), sorted.end(), [](const SolarFluxPoint& a, const SolarFluxPoint& b) {
        return a.FrequencyMHz < b.FrequencyMHz;
    });
    if (frequencyMHz < sorted.front().FrequencyMHz) {
        return {sorted.front().Sfu * kJanskyPerSfu, FluxBasis::TableEnd};
    }
    if (frequencyMHz > sorted.back().FrequencyMHz) {
        return {sorted.back().Sfu * kJanskyPerSfu, FluxBasis::TableEnd};
    }
    for (std::size_t i = 1; i < sorted.size(); ++i) {
        const SolarFluxPoint& lo = sorted[i - 1];
        const SolarFluxPoint& hi = sorted[i];
        if (frequencyMHz <= hi.FrequencyMHz) {
            // Differences of logarithms, not logarithms of ratios: a ratio
            // of two far-apart entries can overflow to infinity.
            const double u = (std::log10(frequencyMHz) - std::log10(lo.FrequencyMHz)) /
                             (std::log10(hi.FrequencyMHz) - std::log10(lo.FrequencyMHz));
            const double logS = std::log10(lo.Sfu) + u * (std::log10(hi.Sfu) - std::log10(lo.Sfu));
            return {std::pow(10.0, logS) * kJanskyPerSfu, FluxBasis::Model};
        }
    }
    // A table of one entry at exactly the frequency.
    return {sorted.front().Sfu * kJanskyPerSfu, FluxBasis::Model};
}

} // namespace vantrel::measure

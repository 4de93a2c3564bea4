#include "measure/SourceExpectation.h"

#include "measure/YFactor.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace vantrel::measure {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::optional<double> ParseNumber(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    const std::string s(text);
    if (s.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size() || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

} // namespace

SourceExpectation ExpectOnSource(const FluxEstimate& flux, double sizeDeg, const AntennaBeam& beam,
                                 double tsysK) {
    SourceExpectation row{flux, sizeDeg, kNaN, kNaN, kNaN};
    if (!flux.HasValue()) {
        return row;
    }
    row.BeamCorrection = BeamCorrection(sizeDeg, beam.BeamwidthDeg);
    row.DeltaTK = AntennaTemperatureRiseK(flux.Jy, beam.EffectiveAreaM2, row.BeamCorrection);
    row.YDb = RatioToDb(ExpectedY(row.DeltaTK, tsysK));
    return row;
}

double MeasuredGOverTDbPerK(double measuredYDb, const SourceExpectation& row, double frequencyMHz) {
    if (!row.Flux.HasValue() || CheckMeasuredYDb(measuredYDb)) {
        return kNaN;
    }
    return GOverTDbPerK(DbToRatio(measuredYDb), row.Flux.Jy, frequencyMHz, row.BeamCorrection);
}

std::optional<std::vector<SolarFluxPoint>> ParseSolarTable(std::string_view text) {
    std::vector<SolarFluxPoint> table;
    while (true) {
        const auto comma = text.find(',');
        const std::string_view pair = text.substr(0, comma);
        const auto colon = pair.find(':');
        if (colon == std::string_view::npos) {
            return std::nullopt;
        }
        const auto f = ParseNumber(pair.substr(0, colon));
        const auto s = ParseNumber(pair.substr(colon + 1));
        if (!f || !s) {
            return std::nullopt;
        }
        table.push_back({*f, *s});
        if (comma == std::string_view::npos) {
            return table;
        }
        text.remove_prefix(comma + 1);
    }
}

} // namespace vantrel::measure

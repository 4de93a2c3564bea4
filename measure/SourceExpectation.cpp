#include "measure/SourceExpectation.h"

#include "measure/NumberText.h"
#include "measure/YFactor.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace vantrel::measure {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

} // namespace

double FluxAtAntennaJy(const SourceExpectation& row) {
    return row.AtmosphereDb == 0 ? row.Flux.Jy
                                 : row.Flux.Jy * std::pow(10.0, -row.AtmosphereDb / 10.0);
}

SourceExpectation ExpectOnSource(const FluxEstimate& flux, double sizeDeg, const AntennaBeam& beam,
                                 double tsysK, double atmosphereDb) {
    SourceExpectation row{flux, sizeDeg, kNaN, kNaN, kNaN, atmosphereDb};
    if (!flux.HasValue()) {
        return row;
    }
    row.BeamCorrection = BeamCorrection(sizeDeg, beam.BeamwidthDeg);
    row.DeltaTK =
        AntennaTemperatureRiseK(FluxAtAntennaJy(row), beam.EffectiveAreaM2, row.BeamCorrection);
    row.YDb = RatioToDb(ExpectedY(row.DeltaTK, tsysK));
    return row;
}

double MeasuredGOverTDbPerK(double measuredYDb, const SourceExpectation& row, double frequencyMHz) {
    if (!row.Flux.HasValue() || CheckMeasuredYDb(measuredYDb)) {
        return kNaN;
    }
    return GOverTDbPerK(DbToRatio(measuredYDb), FluxAtAntennaJy(row), frequencyMHz,
                        row.BeamCorrection);
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
        const auto f = FiniteNumber(TrimBlanks(pair.substr(0, colon)));
        const auto s = FiniteNumber(TrimBlanks(pair.substr(colon + 1)));
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

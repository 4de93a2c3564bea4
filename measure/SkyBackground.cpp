#include "measure/SkyBackground.h"

#include "measure/YFactor.h"

#include <cmath>
#include <limits>

namespace vantrel::measure {

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}

double ExpectedYWithBackgroundDb(const SourceExpectation& row, double backgroundDifferenceK,
                                 double tsysK) {
    if (!row.Flux.HasValue() || !(tsysK > 0) || !std::isfinite(backgroundDifferenceK)) {
        return kNaN;
    }
    const double y = 1.0 + (row.DeltaTK + backgroundDifferenceK) / tsysK;
    return y > 0 ? 10.0 * std::log10(y) : kNaN;
}

double BackgroundCorrectedGOverTDbPerK(double measuredYDb, const SourceExpectation& row,
                                       double frequencyMHz, double backgroundDifferenceK,
                                       double tsysK) {
    if (!row.Flux.HasValue() || CheckMeasuredYDb(measuredYDb) || !(tsysK > 0) ||
        !std::isfinite(backgroundDifferenceK)) {
        return kNaN;
    }
    // The part of Y the source alone gives.
    const double ySource = DbToRatio(measuredYDb) - backgroundDifferenceK / tsysK;
    if (!(ySource > 1.0)) {
        return kNaN;
    }
    return GOverTDbPerK(ySource, FluxAtAntennaJy(row), frequencyMHz, row.BeamCorrection);
}

} // namespace vantrel::measure

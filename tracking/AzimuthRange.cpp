#include "tracking/AzimuthRange.h"

#include "tracking/SkyAngles.h"

#include <cmath>

namespace vantrel {

namespace {

constexpr double kFullTurnDeg = 360.0;

} // namespace

std::pair<double, double> AzimuthLimitsDeg(AzimuthRange range) {
    switch (range) {
    case AzimuthRange::From0To360:
        break;
    case AzimuthRange::FromMinus180To180:
        return {-180.0, 180.0};
    case AzimuthRange::From0To450:
        return {0.0, 450.0};
    }
    return {0.0, 360.0};
}

double RotatorAzimuthDeg(double skyAzimuthDeg, AzimuthRange range,
                         std::optional<double> referenceDeg) {
    if (!std::isfinite(skyAzimuthDeg)) {
        return skyAzimuthDeg;
    }
    const auto [lo, hi] = AzimuthLimitsDeg(range);
    // The lowest representation of the direction within the range; every
    // range is at least one turn wide, so it always exists.
    const double first = lo + Azimuth0To360(skyAzimuthDeg - lo);
    double best = first;
    if (referenceDeg && std::isfinite(*referenceDeg)) {
        for (double a = first + kFullTurnDeg; a <= hi; a += kFullTurnDeg) {
            if (std::abs(a - *referenceDeg) < std::abs(best - *referenceDeg)) {
                best = a;
            }
        }
    }
    return best;
}

} // namespace vantrel

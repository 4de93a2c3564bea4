#include "tracking/SkyAngles.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vantrel {

namespace {

constexpr double kRadPerDeg = std::numbers::pi / 180.0;
constexpr double kFullTurnDeg = 360.0;

} // namespace

double Azimuth0To360(double azimuthDeg) {
    double a = std::fmod(azimuthDeg, kFullTurnDeg);
    if (a < 0) {
        a += kFullTurnDeg;
    }
    // fmod of a tiny negative value plus 360 rounds to 360 itself.
    return a >= kFullTurnDeg ? 0.0 : a;
}

double AngleBetweenDeg(double azimuth1Deg, double elevation1Deg, double azimuth2Deg,
                       double elevation2Deg) {
    const double e1 = elevation1Deg * kRadPerDeg;
    const double e2 = elevation2Deg * kRadPerDeg;
    const double sinHalfDe = std::sin((e2 - e1) / 2);
    const double sinHalfDa = std::sin((azimuth2Deg - azimuth1Deg) * kRadPerDeg / 2);
    const double h = sinHalfDe * sinHalfDe + std::cos(e1) * std::cos(e2) * sinHalfDa * sinHalfDa;
    return 2.0 * std::asin(std::sqrt(std::clamp(h, 0.0, 1.0))) / kRadPerDeg;
}

} // namespace vantrel

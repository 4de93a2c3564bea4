#include "eme/ParallacticAngle.h"

#include <cmath>
#include <numbers>

namespace vantrel::eme {

namespace {

constexpr double kDegToRad = std::numbers::pi / 180.0;
constexpr double kHalfTurnDeg = 180.0;
constexpr double kRightAngleDeg = 90.0;

} // namespace

double ParallacticAngleDeg(double localHourAngleDeg, double declinationDeg, double latitudeDeg) {
    const double h = localHourAngleDeg * kDegToRad;
    const double d = declinationDeg * kDegToRad;
    const double p = latitudeDeg * kDegToRad;
    return std::atan2(std::cos(p) * std::sin(h),
                      std::sin(p) * std::cos(d) - std::cos(p) * std::sin(d) * std::cos(h)) /
           kDegToRad;
}

double PolarisationOffsetDeg(double homeDeg, double dxDeg) {
    double a = std::fmod(homeDeg - dxDeg + kRightAngleDeg, kHalfTurnDeg);
    if (a < 0) {
        a += kHalfTurnDeg;
    }
    // fmod's result is below 180; adding 180 to a tiny negative one can round up to it.
    if (a >= kHalfTurnDeg) {
        a = 0;
    }
    return a - kRightAngleDeg;
}

} // namespace vantrel::eme

#include "tracking/PointingModel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vantrel {

namespace {

constexpr double kRad = std::numbers::pi / 180.0;
constexpr double kLeastCos = 0.01;

} // namespace

double ModelAzimuthDeg(const PointingModel& m, double azimuthDeg, double elevationDeg) {
    if (!m.InForce()) {
        return 0;
    }
    const double a = azimuthDeg * kRad;
    const double c = std::max(std::cos(elevationDeg * kRad), kLeastCos);
    const double tanE = std::sin(elevationDeg * kRad) / c;
    return m.IaDeg + m.CaDeg / c + (m.AnDeg * std::sin(a) - m.AwDeg * std::cos(a)) * tanE;
}

double ModelElevationDeg(const PointingModel& m, double azimuthDeg, double elevationDeg) {
    if (!m.InForce()) {
        return 0;
    }
    const double a = azimuthDeg * kRad;
    return m.IeDeg + m.AnDeg * std::cos(a) + m.AwDeg * std::sin(a) +
           m.TfDeg * std::cos(elevationDeg * kRad);
}

} // namespace vantrel

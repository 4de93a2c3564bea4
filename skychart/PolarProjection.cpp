#include "skychart/PolarProjection.h"

#include <cmath>
#include <numbers>

namespace vantrel {

namespace {

constexpr double kDegToRad = std::numbers::pi / 180.0; // radians per degree
constexpr double kZenithDistanceAtRimDeg = 90.0;       // the horizon, degrees from the zenith
constexpr double kFullCircleDeg = 360.0;               // degrees

/// +1 when east is drawn to the right, −1 when to the left.
double EastSign(ChartOrientation orientation) {
    return orientation == ChartOrientation::EastRight ? 1.0 : -1.0;
}

} // namespace

DiskPoint ProjectSky(double azimuthDeg, double elevationDeg, ChartOrientation orientation) {
    const double r = (kZenithDistanceAtRimDeg - elevationDeg) / kZenithDistanceAtRimDeg;
    const double az = azimuthDeg * kDegToRad;
    return {EastSign(orientation) * r * std::sin(az), r * std::cos(az)};
}

std::optional<HorizontalDeg> UnprojectSky(DiskPoint point, ChartOrientation orientation) {
    const double r = std::hypot(point.X, point.Y);
    if (!std::isfinite(r) || r > 1.0) {
        return std::nullopt;
    }
    double az = r == 0.0 ? 0.0 : std::atan2(EastSign(orientation) * point.X, point.Y) / kDegToRad;
    if (az < 0) {
        az += kFullCircleDeg;
    }
    if (az >= kFullCircleDeg) { // −0 or a rounding just below 0
        az -= kFullCircleDeg;
    }
    return HorizontalDeg{az, kZenithDistanceAtRimDeg * (1.0 - r)};
}

} // namespace vantrel

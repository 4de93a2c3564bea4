#include "apparent/Refraction.h"

#include <cmath>

namespace vantrel {

namespace {

/// Guards of eraAtioq: the least cosine and sine of the elevation used in
/// the refraction model (the sine 0.05 is an elevation of about 2.87°).
constexpr double kCosElevationMin = 1e-6;
constexpr double kSinElevationMin = 0.05;
constexpr double kHalfPi = 1.5707963267948966192313216916397514;

} // namespace

ObservedDirection RefractAirless(double azimuthRad, double elevationRad, double sinLatitude,
                                 double cosLatitude, const RefractionConstants& constants) {
    // Cartesian Az/El with eraAtioq's axes: x south, y east, z up.
    const double cosEl = std::cos(elevationRad);
    const double xaet = -cosEl * std::cos(azimuthRad);
    const double yaet = cosEl * std::sin(azimuthRad);
    const double zaet = std::sin(elevationRad);

    double r = std::sqrt(xaet * xaet + yaet * yaet);
    r = r > kCosElevationMin ? r : kCosElevationMin;
    const double z = zaet > kSinElevationMin ? zaet : kSinElevationMin;

    const double tz = r / z;
    const double w = constants.BRad * tz * tz;
    const double del = (constants.ARad + w) * tz / (1.0 + (constants.ARad + 3.0 * w) / (z * z));

    const double cosdel = 1.0 - del * del / 2.0;
    const double f = cosdel - del * z / r;
    const double xaeo = xaet * f;
    const double yaeo = yaet * f;
    const double zaeo = cosdel * zaet + del * r;

    ObservedDirection o;
    o.ElevationRad = kHalfPi - std::atan2(std::sqrt(xaeo * xaeo + yaeo * yaeo), zaeo);

    // Az/El to −HA/Dec (both right-handed), as eraAtioq.
    const double v0 = sinLatitude * xaeo + cosLatitude * zaeo;
    const double v1 = yaeo;
    const double v2 = -cosLatitude * xaeo + sinLatitude * zaeo;
    const double d2 = v0 * v0 + v1 * v1;
    o.LocalHourAngleRad = d2 == 0.0 ? 0.0 : -std::atan2(v1, v0);
    o.DeclinationRad = v2 == 0.0 ? 0.0 : std::atan2(v2, std::sqrt(d2));
    return o;
}

} // namespace vantrel

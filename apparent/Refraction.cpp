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

namespace {

/// The refraction step of eraAtioq on the airless direction in Cartesian
/// Az/El with eraAtioq's axes (x south, y east, z up), and the turn to −HA/Dec.
ObservedDirection RefractHorizonVector(double xaet, double yaet, double zaet, double sinLatitude,
                                       double cosLatitude, const RefractionConstants& constants) {
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

} // namespace

ObservedDirection RefractAirless(double azimuthRad, double elevationRad, double sinLatitude,
                                 double cosLatitude, const RefractionConstants& constants) {
    const double cosEl = std::cos(elevationRad);
    return RefractHorizonVector(-cosEl * std::cos(azimuthRad), cosEl * std::sin(azimuthRad),
                                std::sin(elevationRad), sinLatitude, cosLatitude, constants);
}

ObservedDirection RefractEquatorial(double localHourAngleRad, double declinationRad,
                                    double sinLatitude, double cosLatitude,
                                    const RefractionConstants& constants) {
    // −HA/Dec Cartesian, then to Az/El as eraAtioq turns it.
    const double cosDec = std::cos(declinationRad);
    const double x = cosDec * std::cos(localHourAngleRad);
    const double y = -cosDec * std::sin(localHourAngleRad);
    const double z = std::sin(declinationRad);
    return RefractHorizonVector(sinLatitude * x - cosLatitude * z, y,
                                cosLatitude * x + sinLatitude * z, sinLatitude, cosLatitude,
                                constants);
}

} // namespace vantrel

#include "apparent/Refraction.h"

#include <cmath>

namespace vantrel {

namespace {

/// Below this cosine of the elevation (about 0.2″ from the zenith) the
/// direction is not turned: its vertical plane is undefined there and the
/// refraction is below 10⁻⁹ rad.
constexpr double kCosElevationMin = 1e-6;

/// The refraction step on the airless direction in Cartesian Az/El with
/// eraAtioq's axes (x south, y east, z up), and the turn to −HA/Dec.
ObservedDirection RefractHorizonVector(double xaet, double yaet, double zaet, double sinLatitude,
                                       double cosLatitude, const RadioRefraction& refraction) {
    const double r = std::sqrt(xaet * xaet + yaet * yaet);
    const double elevation = std::atan2(zaet, r);
    double xaeo = xaet;
    double yaeo = yaet;
    double zaeo = zaet;
    ObservedDirection o;
    o.ElevationRad = elevation;
    if (r > kCosElevationMin) {
        // Turned up by del in the vertical plane; cos and sin of del (at most
        // a few hundredths of a radian) by their series to the fifth power.
        const double del = refraction.AtAirless(elevation);
        const double del2 = del * del;
        const double cosdel = 1.0 - del2 / 2.0 * (1.0 - del2 / 12.0);
        const double sindel = del * (1.0 - del2 / 6.0 * (1.0 - del2 / 20.0));
        const double rNew = r * cosdel - zaet * sindel;
        const double f = rNew / r;
        xaeo = xaet * f;
        yaeo = yaet * f;
        zaeo = zaet * cosdel + r * sindel;
        o.ElevationRad = elevation + del;
    }

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
                                 double cosLatitude, const RadioRefraction& refraction) {
    const double cosEl = std::cos(elevationRad);
    return RefractHorizonVector(-cosEl * std::cos(azimuthRad), cosEl * std::sin(azimuthRad),
                                std::sin(elevationRad), sinLatitude, cosLatitude, refraction);
}

ObservedDirection RefractEquatorial(double localHourAngleRad, double declinationRad,
                                    double sinLatitude, double cosLatitude,
                                    const RadioRefraction& refraction) {
    // −HA/Dec Cartesian, then to Az/El as eraAtioq turns it.
    const double cosDec = std::cos(declinationRad);
    const double x = cosDec * std::cos(localHourAngleRad);
    const double y = -cosDec * std::sin(localHourAngleRad);
    const double z = std::sin(declinationRad);
    return RefractHorizonVector(sinLatitude * x - cosLatitude * z, y,
                                cosLatitude * x + sinLatitude * z, sinLatitude, cosLatitude,
                                refraction);
}

ObservedDirection RefractCirs(double cirsRaRad, double cirsDecRad, const eraASTROM& astrom,
                              const RadioRefraction& refraction, double& azimuthRad) {
    // CIRS RA, Dec to Cartesian −HA, Dec.
    const double cosDec = std::cos(cirsDecRad);
    const double hourAngle = cirsRaRad - astrom.eral;
    double x = cosDec * std::cos(hourAngle);
    double y = cosDec * std::sin(hourAngle);
    double z = std::sin(cirsDecRad);
    if (astrom.xpl != 0.0 || astrom.ypl != 0.0) {
        // Polar motion, as eraAtioq.
        const double sx = std::sin(astrom.xpl);
        const double cx = std::cos(astrom.xpl);
        const double sy = std::sin(astrom.ypl);
        const double cy = std::cos(astrom.ypl);
        const double xhd = cx * x + sx * z;
        const double yhd = sx * sy * x + cy * y - cx * sy * z;
        const double zhd = -sx * cy * x + sy * y + cx * cy * z;
        x = xhd;
        y = yhd;
        z = zhd;
    }
    // Diurnal aberration.
    const double f = 1.0 - astrom.diurab * y;
    const double xhdt = f * x;
    const double yhdt = f * (y + astrom.diurab);
    const double zhdt = f * z;
    // Cartesian −HA, Dec to Cartesian Az, El (S = 0, E = 90°).
    const double xaet = astrom.sphi * xhdt - astrom.cphi * zhdt;
    const double yaet = yhdt;
    const double zaet = astrom.cphi * xhdt + astrom.sphi * zhdt;
    azimuthRad = (xaet != 0.0 || yaet != 0.0) ? std::atan2(yaet, -xaet) : 0.0;
    return RefractHorizonVector(xaet, yaet, zaet, astrom.sphi, astrom.cphi, refraction);
}

} // namespace vantrel

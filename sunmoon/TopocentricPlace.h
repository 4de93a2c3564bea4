#pragma once

#include "sunmoon/SlowEphemeris.h"
#include "sunmoon/TimeScales.h"

#include <optional>

namespace vantrel::sunmoon {

/// Accepted station heights, metres above the WGS84 ellipsoid: from below the
/// deepest land depression to the edge of the atmosphere.
inline constexpr double kLowestHeightM = -11000.0;
inline constexpr double kHighestHeightM = 100000.0;
/// Accepted longitudes, degrees (east positive; either 0..360 or −180..180).
inline constexpr double kLongitudeLimitDeg = 360.0;

/// A station on the WGS84 ellipsoid, fixed to the Earth (ITRS axes, polar
/// motion neglected, so the terrestrial pole is the celestial intermediate pole).
struct Station {
    double PositionM[3] = {}; ///< geocentric ITRS position, metres
    double SinLat = 0;        ///< sine and cosine of the geodetic latitude
    double CosLat = 1;
    double SinLon = 0; ///< sine and cosine of the longitude
    double CosLon = 1;
};

/// The station from geodetic latitude (degrees, north positive, −90..90),
/// longitude (degrees, east positive, ±kLongitudeLimitDeg) and height
/// (metres, kLowestHeightM..kHighestHeightM) on the WGS84 ellipsoid (ERFA
/// eraGd2gc). Nothing for values outside these ranges or not finite.
std::optional<Station> StationFromGeodetic(double heightM, double latitudeDeg, double longitudeDeg);

/// The observer at one instant: what the Moon and the Sun share.
struct Observer {
    double GastRad = 0; ///< Greenwich apparent sidereal time, radians, 0..2π
    double SinGast = 0; ///< its sine and cosine
    double CosGast = 1;
    double PositionAu[3] = {};       ///< geocentric position, GCRS, au
    double VelocityAuPerDay[3] = {}; ///< geocentric velocity (Earth rotation), GCRS, au/day
    /// Barycentric velocity of the observer in units of c, and √(1 − v²).
    double BaryVelocityC[3] = {};
    double InverseLorentz = 1;
};

/// The observer at UT1 `time` on `station`, with the slow quantities at its
/// TT. GAST = ERA(UT1) − equation of the origins (as ERFA eraGst06); the
/// velocity is the Earth rotation's, at the rate of the Earth rotation angle.
Observer ObserverAt(const TimeScales& time, const Station& station, const SlowQuantities& slow);

enum class Body { Moon = 0, Sun = 1 };

/// What the library returns: four angles in degrees and the distance in
/// kilometres.
struct TopocentricPlace {
    double GhaDeg = 0;       ///< Greenwich hour angle, GAST − topocentric RA, 0 <= GHA < 360
    double DecDeg = 0;       ///< topocentric apparent declination, −90..90
    double AzimuthDeg = 0;   ///< from north through east, 0 <= A < 360
    double ElevationDeg = 0; ///< geometric (airless) elevation, −90..90
    /// Topocentric distance, kilometres: |r_body(t − τ) − r_station(t)|, the
    /// light-time-corrected geometric distance from the station (step 1 of
    /// ApparentPlace), about 356 000..407 000 km for the Moon and
    /// 147.1..152.1 million km for the Sun.
    double DistanceKm = 0;
};

/// The topocentric apparent place of date of the Moon or the Sun.
///
/// Given the observer at the instant and the slow quantities at its TT:
///  1. the body's position relative to the observer at the instant of light
///     emission, p = r_body(t − τ) − r_obs(t) with τ = |p|/c (one step,
///     linear in the body's barycentric velocity); its length |p| is the
///     distance returned;
///  2. stellar aberration with the observer's full barycentric velocity,
///     annual and diurnal (ERFA eraAb, relativistic); no light deflection
///     (under 1 mas for the Moon; none for the Sun itself);
///  3. rotation to the true equator and equinox of date, then by GAST to the
///     Earth-fixed frame: GHA and declination; local horizon of the geodetic
///     normal: azimuth and elevation, without refraction.
/// Reference: IERS Conventions 2010; ERFA eraApco/eraAtciq for the
/// observer-based reduction of a direction.
TopocentricPlace ApparentPlace(Body body, const Observer& observer, const Station& station,
                               const SlowQuantities& slow);

/// An angle in degrees reduced to 0 <= a < 360 (a value that rounds to 360
/// becomes 0).
double WrapDegrees360(double angleDeg);

} // namespace vantrel::sunmoon

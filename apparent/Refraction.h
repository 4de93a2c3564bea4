#pragma once

#include "apparent/ObservingConditions.h"

namespace vantrel {

/// A direction after refraction, in the local horizon and the local
/// equatorial frame of the same station; radians.
struct ObservedDirection {
    double ElevationRad = 0;      ///< observed (refracted) elevation, −π/2..π/2
    double LocalHourAngleRad = 0; ///< observed hour angle, −π..π, west positive
    double DeclinationRad = 0;    ///< observed declination, −π/2..π/2
};

/// Refracts an airless direction given by azimuth and elevation, exactly as
/// ERFA eraAtioq refracts its topocentric place, and turns the result into
/// hour angle and declination.
///
/// Given: `azimuthRad` from north through east and `elevationRad`, the
/// airless direction (radians); `sinLatitude`, `cosLatitude` of the
/// latitude whose normal defines the horizon (geodetic for an ellipsoidal
/// station); `constants` from RefractionConstantsFor.
/// Returned: the observed elevation, hour angle and declination; the
/// azimuth does not change.
///
/// Notes:
///  1. The model is ΔZ = A tan Z + B tan³ Z with one Newton-Raphson step
///     to turn it into a function of the unrefracted zenith distance Z.
///  2. As in eraAtioq, sin(elevation) is not taken below 0.05 (elevation
///     about 2.87°) in the model, so below that the correction stays that of
///     about 2.87° and grows no further; the model itself is good to about
///     an arcsecond above 10° and degrades towards the horizon.
///  3. Zero constants leave the direction unchanged (up to rounding).
/// Reference: ERFA/SOFA documentation and code of eraAtioq and eraRefco;
/// Explanatory Supplement to the Astronomical Almanac (3rd ed., 2013), 7.2.
ObservedDirection RefractAirless(double azimuthRad, double elevationRad, double sinLatitude,
                                 double cosLatitude, const RefractionConstants& constants);

/// The same for an airless direction given by local hour angle (radians,
/// west positive) and declination (radians). Unlike azimuth and elevation
/// these keep the hour angle at a geographic pole, where every azimuth
/// formula degenerates.
ObservedDirection RefractEquatorial(double localHourAngleRad, double declinationRad,
                                    double sinLatitude, double cosLatitude,
                                    const RefractionConstants& constants);

} // namespace vantrel

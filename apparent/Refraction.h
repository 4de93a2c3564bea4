#pragma once

#include "apparent/RadioRefraction.h"

#include <erfa.h>

namespace vantrel {

/// A direction after refraction, in the local horizon and the local
/// equatorial frame of the same station; radians.
struct ObservedDirection {
    double ElevationRad = 0;      ///< observed (refracted) elevation, −π/2..π/2
    double LocalHourAngleRad = 0; ///< observed hour angle, −π..π, west positive
    double DeclinationRad = 0;    ///< observed declination, −π/2..π/2
};

/// Refracts an airless direction given by azimuth and elevation with the
/// radio refraction of `refraction`, and turns the result into hour angle
/// and declination, with the axes and turns of ERFA eraAtioq.
///
/// Given: `azimuthRad` from north through east and `elevationRad`, the
/// airless direction (radians); `sinLatitude`, `cosLatitude` of the
/// latitude whose normal defines the horizon (geodetic for an ellipsoidal
/// station); `refraction`, the table for the station and the air.
/// Returned: the observed elevation, hour angle and declination; the
/// azimuth does not change.
///
/// Notes:
///  1. The direction is turned towards the zenith in its vertical plane by
///     RadioRefraction::AtAirless of its elevation (to about 10⁻¹³ rad).
///  2. Within about 0.2″ of the zenith (where the azimuth is undefined) the
///     direction is left as it is: the refraction there is below 10⁻⁹ rad.
///  3. A default-made `refraction` leaves the direction unchanged (up to
///     rounding).
/// Reference: ERFA/SOFA documentation and code of eraAtioq (frames);
/// Explanatory Supplement to the Astronomical Almanac (3rd ed., 2013), 7.2.
ObservedDirection RefractAirless(double azimuthRad, double elevationRad, double sinLatitude,
                                 double cosLatitude, const RadioRefraction& refraction);

/// The same for an airless direction given by local hour angle (radians,
/// west positive) and declination (radians). Unlike azimuth and elevation
/// these keep the hour angle at a geographic pole, where every azimuth
/// formula degenerates.
ObservedDirection RefractEquatorial(double localHourAngleRad, double declinationRad,
                                    double sinLatitude, double cosLatitude,
                                    const RadioRefraction& refraction);

/// A CIRS place as seen from the station of an ERFA astrometry context:
/// what ERFA eraAtioq computes, with the radio refraction of `refraction`
/// instead of the context's refraction constants (which are not used).
///
/// Given: `cirsRaRad`, `cirsDecRad`, the CIRS right ascension and
/// declination (radians); `astrom`, the context of eraApco (local Earth
/// rotation angle, latitude, polar motion, diurnal aberration).
/// Returned: the azimuth (radians, −π..π from north through east, as
/// eraAtioq gives it) in `azimuthRad`, and the observed elevation, local
/// hour angle and declination.
/// Reference: ERFA/SOFA documentation and code of eraAtioq.
ObservedDirection RefractCirs(double cirsRaRad, double cirsDecRad, const eraASTROM& astrom,
                              const RadioRefraction& refraction, double& azimuthRad);

} // namespace vantrel

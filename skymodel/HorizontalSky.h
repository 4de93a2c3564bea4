#pragma once

#include "astro/DateTime.h"
#include "skymodel/SkyBrightness.h"

namespace vantrel::sky {

/// A station on the ground for turning its horizon into the sky's J2000
/// axes: geodetic latitude and longitude (degrees, north and east
/// positive) and height (metres above the WGS84 ellipsoid; sea level will
/// do at the sky map's resolution).
struct SkyStation {
    double LatitudeDeg = 0;
    double LongitudeDeg = 0;
    double HeightM = 0;
};

/// A place in the station's horizon system, degrees: azimuth from north
/// through east, airless (geometric) elevation.
struct HorizontalPlace {
    double AzimuthDeg = 0;
    double ElevationDeg = 0;
};

/// The J2000 (ICRS astrometric) direction of the airless horizontal place
/// `place` seen from `station` at `utc`, by ERFA's eraAtoc13 (IAU 2006/2000A
/// precession-nutation, aberration, light deflection; no refraction; UT1 =
/// UTC and no polar motion, which moves it by under 0.01°, far below the
/// sky map's 0.85°).
SkyDirection SkyDirectionOf(HorizontalPlace place, const SkyStation& station, DateTime utc);

/// The airless horizontal place of the J2000 direction `direction` seen
/// from `station` at `utc` (ERFA's eraAtco13, the inverse of the above).
HorizontalPlace HorizontalPlaceOf(SkyDirection direction, const SkyStation& station, DateTime utc);

} // namespace vantrel::sky

#pragma once

#include "eme/MoonSight.h"

namespace vantrel::eme {

/// The Moon's next perigee and apogee after an instant.
struct PerigeeApogee {
    UtcSeconds PerigeeUtc = 0;
    double PerigeeKm = MoonSight::kNaN; ///< geocentric distance, km
    UtcSeconds ApogeeUtc = 0;
    double ApogeeKm = MoonSight::kNaN; ///< geocentric distance, km
    bool Valid = false;                ///< false for an instant outside 1900..2100 (less 30 days)
};

/// The first perigee and the first apogee after `utc`: the minimum and the
/// maximum of the geocentric distance of the Moon's centre (the Sun and
/// Moon library's Moon, ERFA's eraMoon98, to a few km). The distance's rate
/// is looked at every hour over the 30 days ahead (the anomalistic month is
/// 27.55 days) and each change of sign bisected to the second; the
/// distance at an extreme changes by under a metre within a minute of it.
/// About 10 ms (one fit of the library's interpolation window per 4 days).
PerigeeApogee NextPerigeeApogee(UtcSeconds utc);

/// The geocentric distance of the Moon's centre (km) and its rate (m/s) at
/// `utc`; NaN outside 1900..2100.
struct GeocentricMoon {
    double DistanceKm = MoonSight::kNaN;
    double RangeRateMps = MoonSight::kNaN;
};
GeocentricMoon GeocentricMoonAt(UtcSeconds utc);

} // namespace vantrel::eme

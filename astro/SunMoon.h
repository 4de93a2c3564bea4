#pragma once

#include "astro/DateTime.h"

#include <cstdint>
#include <limits>

namespace vantrel {

/// The two bodies of the sun/moon library, by their selector values.
enum class SunMoonBody : std::uint8_t { Moon = 0, Sun = 1 };

/// The sun/moon ephemeris library as the planner and the real-time display
/// use it: one call hands over a UTC instant, the station and the body; the
/// four angle readers return angles of that body, in degrees, and
/// GetDistanceKm its distance in kilometres, until the next call.
///
/// Behind an interface so that the sweep and the display can be tested with
/// chosen positions (a Moon just below the horizon, say) as well as with the
/// real library.
class SunMoonLibrary {
public:
    virtual ~SunMoonLibrary() = default;
    /// The UTC instant (milliseconds are dropped), the station's height in
    /// metres, latitude and longitude in degrees (north and east positive),
    /// and the body.
    virtual void DataToDLL(const DecodedInstant& utc, double heightM, double latitudeDeg,
                           double longitudeDeg, SunMoonBody body) = 0;
    /// Degrees from north through east, 0 <= az < 360.
    virtual double GetAzimuth() = 0;
    /// Degrees above the horizon, no refraction; below 0 means below the horizon.
    virtual double GetElevation() = 0;
    /// Greenwich hour angle, degrees, 0 <= GHA < 360.
    virtual double GetGHA() = 0;
    /// Topocentric declination, degrees, north positive.
    virtual double GetDecTopo() = 0;
    /// Topocentric distance, kilometres: from the station to the body's
    /// centre, light-time corrected (Moon about 356 000..407 000 km, Sun
    /// about 147.1..152.1 million km). NaN when the library gives none: this
    /// default, a library without the distance, bad input, or before the
    /// first call.
    virtual double GetDistanceKm() { return std::numeric_limits<double>::quiet_NaN(); }
};

} // namespace vantrel

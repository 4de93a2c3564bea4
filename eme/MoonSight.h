#pragma once

#include "astro/DateTime.h"

#include <cstdint>
#include <functional>
#include <limits>

namespace vantrel::eme {

/// A UTC instant in whole seconds since 1899-12-30 00:00 UTC, the epoch of
/// `DateTime`; every day counts 86 400 seconds (a leap second 23:59:60 has
/// no number of its own, as on the program's clock).
using UtcSeconds = std::int64_t;

inline constexpr std::int64_t kWholeSecondsPerDay = 86400;

/// The `DateTime` (days since 1899-12-30) of an instant.
inline DateTime DateTimeOf(UtcSeconds utc) {
    return static_cast<double>(utc) / static_cast<double>(kWholeSecondsPerDay);
}

/// The whole second nearest to `utc` (a `DateTime`); `utc` must be finite
/// and within years 1..9999.
UtcSeconds UtcSecondsOf(DateTime utc);

/// A station on the WGS84 ellipsoid.
struct EmeSite {
    double LatitudeDeg = 0;  ///< geodetic, degrees, north positive, −90..90
    double LongitudeDeg = 0; ///< degrees, east positive, −180..180 (±360 accepted)
    double HeightM = 0;      ///< metres (taken above the ellipsoid, as for the grids)

    bool operator==(const EmeSite&) const = default;
};

/// UT1 − UTC in seconds at a UTC instant (a `DateTime`), as the IERS
/// publishes it; an empty function means UT1 = UTC. It must be safe to call
/// from the thread the computation runs on.
using Ut1MinusUtc = std::function<double(DateTime utc)>;

/// The Moon from one station at one instant.
///
/// Angles are those of the Sun and Moon library the grids use (the
/// topocentric apparent place of date: light time, aberration,
/// precession-nutation IAU 2006/2000A, the station on WGS84), with the
/// elevation refracted as the grids refract it when radio refraction is on.
/// Distance and range rate are geometric and instantaneous: the length of
/// the vector from the station to the Moon's centre at the same instant in
/// the geocentric frame, which moves with the Earth, and its rate of change;
/// a signal's way up and its way down differ from it by equal and opposite
/// amounts, so the echo's delay and Doppler shift follow from them directly.
/// (The library's own distance is the light-time distance of the way down in
/// the barycentric frame, up to 40 km shorter or longer.)
struct MoonSight {
    static constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

    double AzimuthDeg = kNaN;          ///< from north through east, 0 <= A < 360
    double ElevationDeg = kNaN;        ///< as the grids show it: refracted with refraction on
    double AirlessElevationDeg = kNaN; ///< geometric, without refraction
    double GhaDeg = kNaN;              ///< Greenwich hour angle (airless), 0 <= GHA < 360
    double DeclinationDeg = kNaN;      ///< topocentric apparent declination (airless)
    double DistanceKm = kNaN;          ///< topocentric distance, km, about 350 000..407 000
    double RangeRateMps = kNaN;        ///< its rate, m/s, positive while the Moon recedes
    /// Parallactic angle, degrees, −180..180 (eme/ParallacticAngle.h), from
    /// the airless hour angle and declination and the geodetic latitude.
    double ParallacticAngleDeg = kNaN;
    /// The geometric direction from the station to the Moon's centre on
    /// ICRS (J2000) axes, degrees: right ascension 0..360, declination.
    /// Without light time and aberration (under 0.01°): what the sky map
    /// behind the Moon is read at.
    double J2000RaDeg = kNaN;
    double J2000DecDeg = kNaN;
    /// Angle between the Sun and the Moon seen from the station, degrees,
    /// 0..180 (geometric; the Sun's light time and aberration move it by
    /// under 0.01°).
    double SunMoonDeg = kNaN;
    /// The lunar phase angle of Krotikov and Troitsky seen from the
    /// station, degrees in (−180, 180]: 0 at full Moon, negative while it
    /// waxes (measure::MoonPhaseDeg).
    double PhaseDeg = kNaN;
    /// With radio refraction on: no ray from the station reaches the Moon,
    /// it stands below the radio horizon (RadioRefraction::
    /// BelowRadioHorizon; about −0.58° airless at sea level). Its elevation
    /// is then the airless one.
    bool BelowRadioHorizon = false;
    /// The Moon's apparent rotation seen from the station, rad/s
    /// (eme/MoonRotation.h).
    double ApparentRotationRadPerS = kNaN;
    /// False when nothing could be computed (an instant outside 1900..2100,
    /// a station out of range, refused refraction conditions); the values
    /// are then NaN.
    bool Valid = false;
};

} // namespace vantrel::eme

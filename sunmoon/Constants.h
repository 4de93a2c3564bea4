#pragma once

// Physical and conventional constants of the Sun and Moon library, each with
// its unit and source. Angles are radians unless the name says otherwise.

namespace vantrel::sunmoon {

/// π and 2π.
inline constexpr double kPi = 3.141592653589793238462643383279502884;
inline constexpr double kTwoPi = 2 * kPi;
/// Radians per degree, and degrees per radian.
inline constexpr double kDegToRad = kPi / 180;
inline constexpr double kRadToDeg = 180 / kPi;

/// Seconds in a day of 86 400 SI seconds (the Julian day).
inline constexpr double kSecondsPerDay = 86400.0;

/// Julian Date of the epoch J2000.0, 2000 January 1 12 h (TT), days.
inline constexpr double kJ2000Jd = 2451545.0;
/// Modified Julian Date of J2000.0, days (JD − 2 400 000.5).
inline constexpr double kJ2000Mjd = 51544.5;
/// Offset of the Modified Julian Date from the Julian Date, days.
inline constexpr double kMjdZeroJd = 2400000.5;

/// TT − TAI, seconds (IAU 1991 Resolution A4; IERS Conventions 2010, 1.2).
inline constexpr double kTtMinusTaiSeconds = 32.184;

/// The astronomical unit, metres (IAU 2012 Resolution B2).
inline constexpr double kAuMetres = 149597870700.0;
/// Metres per kilometre (SI prefix).
inline constexpr double kMetresPerKilometre = 1000.0;
/// The astronomical unit, kilometres.
inline constexpr double kAuKilometres = kAuMetres / kMetresPerKilometre;
/// Speed of light, metres per second (SI definition of the metre).
inline constexpr double kLightMetresPerSecond = 299792458.0;
/// Speed of light, astronomical units per day.
inline constexpr double kLightAuPerDay = kLightMetresPerSecond * kSecondsPerDay / kAuMetres;

/// Rate of the Earth rotation angle, radians per second of UT1: 2π × 1.002 737 811 911 354 48
/// per 86 400 s (IERS Conventions 2010, eq. 5.15; ERFA eraEra00, eraPvtob).
inline constexpr double kEarthRotationRadPerSecond = kTwoPi * 1.00273781191135448 / kSecondsPerDay;

} // namespace vantrel::sunmoon

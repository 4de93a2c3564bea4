#pragma once

// Constants of the Earth-Moon-Earth path, each with its unit and source.

namespace vantrel::eme {

/// Mean radius of the Moon, kilometres (IAU WG on Cartographic Coordinates
/// and Rotational Elements, 2015).
inline constexpr double kMoonRadiusKm = 1737.4;

/// The Moon's radar cross-section as a fraction of its geometric cross-section
/// π·R²: 0.065, the value EME path-loss figures are quoted with (the Moon as a
/// rough sphere of low reflectivity at metre and centimetre wavelengths).
inline constexpr double kMoonRadarReflectivity = 0.065;

/// A close perigee, kilometres: the reference distance of the path-loss change
/// (the Moon's closest approaches in a century lie near 356 400-356 600 km).
inline constexpr double kClosePerigeeKm = 356500.0;

/// Speed of light in vacuum, metres per second (SI definition of the metre).
inline constexpr double kLightMetresPerSecond = 299792458.0;

/// Metres per kilometre and hertz per megahertz (SI prefixes).
inline constexpr double kMetresPerKilometre = 1000.0;
inline constexpr double kHertzPerMegahertz = 1.0e6;

/// Seconds of a day of 86 400 SI seconds.
inline constexpr double kSecondsPerDay = 86400.0;

} // namespace vantrel::eme

#pragma once

// Physical constants and fixed quantities of the noise measurement, each
// with its unit and source. Nothing else in measure/ writes a bare number
// into a formula.

namespace vantrel::measure {

/// Boltzmann constant, J/K (exact; SI 2019, BIPM SI Brochure 9th ed.).
inline constexpr double kBoltzmannJPerK = 1.380649e-23;
/// Speed of light in vacuum, m/s (exact; SI).
inline constexpr double kSpeedOfLightMPerS = 299792458.0;
/// One jansky, W m^-2 Hz^-1 (IAU definition).
inline constexpr double kJanskyWPerM2Hz = 1.0e-26;
/// One solar flux unit, Jy (1 sfu = 1e-22 W m^-2 Hz^-1).
inline constexpr double kJanskyPerSfu = 1.0e4;
/// Reference temperature of the noise figure, K (IEEE Std 161, T0 = 290 K).
inline constexpr double kNoiseFigureReferenceK = 290.0;
/// Hertz in one megahertz.
inline constexpr double kHzPerMHz = 1.0e6;

/// Mean radius of the Moon, km (IAU WG on Cartographic Coordinates,
/// Archinal et al. 2011, Celest. Mech. Dyn. Astron. 109, 101).
inline constexpr double kMoonRadiusKm = 1737.4;
/// Radius of the Sun's photosphere, km (IAU 2015 Resolution B3 nominal
/// solar radius 695 700 km, rounded as the radio literature uses it).
inline constexpr double kSunRadiusKm = 696000.0;
/// Mean Earth-Moon distance, km (semi-major axis of the lunar orbit).
inline constexpr double kMoonMeanDistanceKm = 384400.0;
/// The astronomical unit, km (exact; IAU 2012 Resolution B2).
inline constexpr double kAstronomicalUnitKm = 149597870.7;
/// Default brightness temperature of the lunar disk at centimetre
/// wavelengths, K (a disk average of 200-250 K; Kraus, Radio Astronomy,
/// 2nd ed. 1986, the value amateurs use for Moon noise).
inline constexpr double kMoonBrightnessDefaultK = 225.0;

/// Solid angle of the whole sky in square degrees, 4π(180/π)^2
/// (Kraus, Antennas, 2nd ed. 1988: D ≈ 41 253 / θ²).
inline constexpr double kSquareDegreesPerSphere = 41252.96124941928;
/// Half-power beamwidth factor of a uniformly fed parabolic dish with the
/// usual edge taper: θb = 70 λ/D degrees (Kraus, Antennas, 2nd ed. 1988;
/// ITU-R S.733 uses the same rule of thumb).
inline constexpr double kDishBeamwidthFactorDeg = 70.0;
/// Beam-correction coefficient for a source comparable to the beam,
/// K = 1 + 0.38 (θs/θb)^2 (ITU-R Recommendation S.733, G/T measurement with radio stars).
inline constexpr double kBeamCorrectionCoefficient = 0.38;

} // namespace vantrel::measure

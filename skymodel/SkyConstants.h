#pragma once

namespace vantrel::sky {

/// The cosmic microwave background's temperature, K (Fixsen 2009, ApJ
/// 707, 916: 2.72548 ± 0.00057 K), to the precision the survey's zero
/// level allows.
inline constexpr double kCmbK = 2.725;

/// The survey's frequency, MHz (Haslam et al. 1982, A&AS 47, 1).
inline constexpr double kSurveyMHz = 408.0;

/// The synchrotron spectral index taken where the index map holds none
/// (its TNULL value 0): the typical index between 408 MHz and a few GHz
/// away from the Galactic plane (Platania et al. 2003, A&A 410, 847).
inline constexpr double kDefaultSpectralIndex = 2.6;

/// The survey's angular resolution, degrees (half-power width).
inline constexpr double kSurveyResolutionDeg = 0.85;

/// The survey's zero-level uncertainty, K at 408 MHz (Haslam et al. 1982).
inline constexpr double kSurveyZeroLevelK = 3.0;

/// How far out the beam average takes pixels, in half-power beamwidths:
/// the Gaussian's weight there is exp(−4 ln 2 · 2.5²) = 3e−8.
inline constexpr double kBeamExtentHpbw = 2.5;

/// The ring that gives the background behind a strong radio source the
/// map holds itself, inner and outer radius in half-power beamwidths.
inline constexpr double kRingInnerHpbw = 1.5;
inline constexpr double kRingOuterHpbw = 3.0;

/// 4 ln 2: the Gaussian beam exp(−4 ln 2 · d²/θ²) is one half at d = θ/2.
inline constexpr double kFourLn2 = 2.772588722239781;

} // namespace vantrel::sky

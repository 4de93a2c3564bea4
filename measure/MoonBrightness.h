#pragma once

namespace vantrel::measure {

/// The Moon's disk-averaged brightness temperature at one wavelength as a
/// function of the lunar phase (Krotikov and Troitsky's model):
///     T_B(Φ) = T0 + T1·cos(Φ − ξ),
/// Φ the phase angle counted from full Moon (0° full, ±180° new, growing
/// with time), ξ the lag of the radio maximum behind full Moon: the heat of
/// the lunar day reaches the depth a wavelength sees only later, so the
/// maximum comes ξ/360 of a lunation (about 3.7 days at centimetre waves)
/// after full Moon, and the swing T1 shrinks as the wavelength grows.
///
/// References: V. D. Krotikov and V. S. Troitsky, "Radio emission and
/// nature of the Moon", Soviet Physics Uspekhi 6, 841 (1964); the fit of
/// their data over wavelength used here (T0, M = T0/T1 and ξ as cubic
/// polynomials of λ in cm) is the one of the RATAN-600 observers' handbook
/// of the Special Astrophysical Observatory:
///     T0 = 206.06 + 1.6308 λ − 0.043774 λ² + 0.00043042 λ³ K (λ ≤ 35 cm,
///          225 K beyond),
///     M  = 1.2207 + 5.3788 λ − 0.26528 λ² + 0.0064374 λ³ (λ ≤ 20 cm, 50
///          beyond),
///     ξ  = 42.745° + 1.042° ln λ (λ ≤ 1.2 cm),
///          26.402° + 18.625° λ − 6.3123° λ² + 0.70462° λ³ (1.2 to 4 cm),
///          45° beyond 4 cm.
/// Accurate to about ±5 % in T0 (the calibration of the old measurements);
/// it describes the whole disk, not a spot on it.
struct MoonBrightnessModel {
    double MeanK = 0;      ///< T0, K
    double AmplitudeK = 0; ///< T1 = T0/M, K
    double LagDeg = 0;     ///< ξ, degrees
};

/// The lowest and highest frequency of the model, MHz: λ from 0.1 cm
/// (300 GHz) to 1.5 m (200 MHz; below 35 cm it is taken as constant).
inline constexpr double kMoonModelMinMHz = 200.0;
inline constexpr double kMoonModelMaxMHz = 300000.0;

/// The model's coefficients at `frequencyMHz` (clamped to the model's
/// range).
MoonBrightnessModel MoonBrightnessAt(double frequencyMHz);

/// T_B of the disk, K, at `frequencyMHz` and phase angle `phaseDeg`
/// (MoonPhaseDeg).
double MoonBrightnessK(double frequencyMHz, double phaseDeg);

/// The phase angle Φ of Krotikov and Troitsky from the elongation of the
/// Moon from the Sun, degrees in (−180, 180]: 0 at full Moon, negative
/// while the Moon waxes (the Moon east of the Sun, less than half a
/// lunation after new), positive while it wanes.
///
/// Given: the Moon's and the Sun's right ascension and declination of the
/// same epoch, degrees (any geocentric or topocentric places: a few
/// hundredths of a degree do not matter here).
double MoonPhaseDeg(double moonRaDeg, double moonDecDeg, double sunRaDeg, double sunDecDeg);

} // namespace vantrel::measure

#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantrel::measure {

/// Beam correction for a source of finite size.
///
/// Given:
///   sourceDiameterDeg  source diameter θs, degrees, >= 0 (0 for a point)
///   beamwidthDeg       half-power beamwidth θb, degrees, > 0
/// Returned:
///   K = 1 + 0.38 (θs/θb)^2, >= 1 (ITU-R Recommendation S.733,
///   for a Gaussian beam and a disk-like source); NaN for inputs out of
///   range.
double BeamCorrection(double sourceDiameterDeg, double beamwidthDeg);

/// Rise of antenna temperature on a source.
///
/// Given:
///   fluxJy           source flux density S, Jy, > 0
///   effectiveAreaM2  antenna effective aperture Ae, m^2, > 0
///   beamCorrection   K, >= 1
/// Returned:
///   ΔT = S 1e-26 Ae / (2 k K), K (one polarisation of an unpolarised
///   source; Kraus, Radio Astronomy, 2nd ed. 1986).
double AntennaTemperatureRiseK(double fluxJy, double effectiveAreaM2, double beamCorrection);

/// Expected Y-factor Y = 1 + ΔT / Tsys, as a power ratio (not dB).
double ExpectedY(double temperatureRiseK, double systemTemperatureK);

/// A power ratio in dB, 10 log10(ratio); and back.
double RatioToDb(double ratio);
double DbToRatio(double db);

/// System temperature from a receiver noise figure and a sky temperature.
///
/// Given:
///   noiseFigureDb  receiver noise figure, dB, >= 0
///   skyK           antenna (sky) temperature, K, >= 0
/// Returned:
///   Tsys = T0 (10^(NF/10) - 1) + Tsky, K, with T0 = 290 K (IEEE Std 161
///   definition of the noise figure); feed-line losses are not included.
double SystemTemperatureFromNoiseFigureK(double noiseFigureDb, double skyK);

/// G/T from a Y-factor measured on a source.
///
/// Given:
///   measuredY       Y as a power ratio, > 1
///   fluxJy          source flux density S, Jy, > 0
///   frequencyMHz    observing frequency, MHz, > 0
///   beamCorrection  K, >= 1
/// Returned:
///   G/T = 8 π k K (Y - 1) / (S 1e-26 λ^2), in dB/K (10 log10 of it), the
///   method of ITU-R S.733 with radio stars and the Sun.
double GOverTDbPerK(double measuredY, double fluxJy, double frequencyMHz, double beamCorrection);

/// System temperature when the gain is known: Tsys = G / (G/T), K.
///
/// Given:
///   gainDbi        antenna gain, dBi
///   gOverTDbPerK   G/T, dB/K
double SystemTemperatureFromGOverTK(double gainDbi, double gOverTDbPerK);

/// Why `value` cannot be used as `what` (a positive finite number: a
/// frequency, a temperature, a flux), or nothing. `what` begins the
/// sentence: "The system temperature must be a positive number."
std::optional<std::string> CheckPositive(std::string_view what, double value);

/// Why a measured Y-factor in dB has no G/T, or nothing: it must be a
/// finite number above 0 dB (at or below 0 dB the source added no noise).
std::optional<std::string> CheckMeasuredYDb(double yDb);

} // namespace vantrel::measure

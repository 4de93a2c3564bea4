#pragma once

namespace vantrel::atmosphere {

/// The water vapour density of the air at the station, g/m³, from its
/// pressure, temperature and relative humidity (ITU-R P.453-14):
///     e_s = EF · 6.1121 · exp((18.678 − t/234.5) · t/(t + 257.14))  hPa
///     EF  = 1 + 10⁻⁴ · (7.2 + P · (0.0320 + 5.9·10⁻⁶ · t²))
///     e   = RH/100 · e_s  (not above P)
///     ρ   = 216.7 · e / T,  T = t + 273.15 K
/// the saturation pressure over water at every temperature (as
/// apparent/RadioRefraction.h takes it).
///
/// Given:
///   pressureHpa             total pressure P, hPa, ≥ 0
///   temperatureC            temperature t, °C, −80..60
///   relativeHumidityPercent RH, percent, 0..100
/// Returned:
///   ρ, g/m³ (about 12.9 g/m³ saturated at 15 °C; 7.5 g/m³, the
///   Recommendation's reference, is 58 % at 15 °C); 0 for P = 0; NaN for an
///   input that is not finite.
double WaterVapourDensityGPerM3(double pressureHpa, double temperatureC,
                                double relativeHumidityPercent);

} // namespace vantrel::atmosphere

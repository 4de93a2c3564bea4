#pragma once

namespace vantrel::eme {

/// The degradation of an EME path against the Moon at a close perigee on
/// cold sky, the figure EME operators judge a sked by ("DGRD").

/// Default receiver (system without sky) temperature T_r, kelvin: the value
/// WSJT-X assumes for the figure.
inline constexpr double kDefaultReceiverK = 80.0;

/// Coldest sky the figure is measured against: 13 K at 408 MHz, kelvin.
inline constexpr double kColdestSky408K = 13.0;
/// Its spectral index: T ∝ f^−2.6.
inline constexpr double kColdestSkyIndex = 2.6;
/// Receiver temperatures the program accepts, kelvin.
inline constexpr double kLowestReceiverK = 1.0;
inline constexpr double kHighestReceiverK = 10000.0;

/// The coldest sky at `frequencyMHz` (MHz), kelvin: 13 K·(f/408 MHz)^−2.6.
/// About 170 K at 144 MHz, 0.65 K at 1296 MHz.
double ColdestSkyK(double frequencyMHz);

/// DGRD, dB, at most 0 on the coldest sky at 356 500 km and more negative
/// the worse the path:
///     DGRD = −10·log10((T_sky + T_r)/(T_sky,min + T_r)) − 40·log10(d/d_p)
/// T_sky the sky behind the Moon (K), T_r the receiver (K), T_sky,min =
/// ColdestSkyK(f), d the distance (km), d_p = 356 500 km (kClosePerigeeKm,
/// the reference of PathLossChangeDb). The sky term is the loss of
/// signal-to-noise ratio from the warmer sky; the distance term the added
/// path loss. NaN when any input is not finite or a temperature is below 0.
double DegradationDb(double skyK, double receiverK, double frequencyMHz, double distanceKm);

/// Sun–Moon angle below which the Sun's noise enters an EME antenna's side
/// lobes, degrees, and the frequency below which it matters, MHz (above a
/// few GHz the beams are narrow and the side lobes low).
inline constexpr double kSunNoiseAngleDeg = 15.0;
inline constexpr double kSunNoiseBelowMHz = 3000.0;

/// The Sun is close enough to the Moon to raise the noise: the angle
/// below kSunNoiseAngleDeg at a frequency below kSunNoiseBelowMHz.
bool SunNoiseWarning(double sunMoonDeg, double frequencyMHz);

} // namespace vantrel::eme

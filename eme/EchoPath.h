#pragma once

namespace vantrel::eme {

/// The quantities of a radio path to the Moon and back that follow from the
/// Moon's distance and its rate of change alone. Every function is a plain
/// formula: no state, no allocation, NaN in gives NaN out.

/// Round-trip time of an echo, seconds: 2d/c for the topocentric distance
/// `distanceKm` (kilometres). About 2.38 s at perigee to 2.71 s at apogee.
/// The distance changes by under 1 km while the signal travels, so the
/// formula holds to a few microseconds.
double EchoDelaySeconds(double distanceKm);

/// Doppler shift of one's own echo, hertz: −2f·ḋ/c at the observing
/// frequency `frequencyMHz` (MHz) for the topocentric range rate
/// `rangeRateMps` (m/s, positive while the Moon recedes). Positive while the
/// Moon rises. Up to about ±4 kHz at 1296 MHz and ±30 kHz at 10 GHz near the
/// equator, where the Earth's rotation carries the station fastest.
/// Reference: the first-order radar Doppler f_r − f_t = −2f·ḋ/c; terms in
/// (v/c)² are below 0.01 Hz at 10 GHz.
double EchoDopplerHz(double frequencyMHz, double rangeRateMps);

/// Doppler shift of a DX station's signal heard at home, hertz:
/// −f·(ḋ_home + ḋ_dx)/c, each ḋ the topocentric range rate (m/s) of its
/// station: the signal's way up from the DX station and its way down to home.
double DxDopplerHz(double frequencyMHz, double homeRangeRateMps, double dxRangeRateMps);

/// Two-way path loss of the echo, dB: L = 10·log10((4π)³·d⁴/(σ·λ²)) with d
/// the distance (kilometres), λ = c/f (f in MHz) and the Moon's radar
/// cross-section σ = 0.065·π·R², R = 1737.4 km (eme/EmeConstants.h). The
/// radar equation for isotropic antennas: about 252 dB at 144 MHz at the
/// mean distance, 271 dB at 1296 MHz, 289 dB at 10 GHz. Computed as a sum of
/// logarithms, so no power of d overflows.
double PathLossDb(double distanceKm, double frequencyMHz);

/// Change of the path loss against a close perigee, dB: 40·log10(d/356 500 km),
/// 0 at 356 500 km, about +2.2 dB at apogee (406 700 km).
double PathLossChangeDb(double distanceKm);

/// Apparent angular radius of the Moon, degrees: asin(R/d), R = 1737.4 km;
/// about 0.28° at perigee, 0.245° at apogee.
double MoonSemiDiameterDeg(double distanceKm);

} // namespace vantrel::eme

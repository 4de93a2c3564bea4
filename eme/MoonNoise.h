#pragma once

namespace vantrel::eme {

/// The Moon's own noise in an EME antenna: the rise of antenna temperature
/// while the beam is on the Moon, a uniform disk of brightness temperature
/// T_B and diameter θm in a circular Gaussian beam of half-power width θb:
///     ΔT = T_B · (1 − exp(−ln 2 · (θm/θb)²)),
/// the share of the beam's power within the disk (J. D. Kraus, Radio
/// Astronomy, 2nd ed. 1986, ch. 6, the antenna temperature of a uniform
/// source; side lobes and the ground left out). T_B at centimetre and
/// decimetre waves from measure/MoonBrightness (Krotikov and Troitsky, by
/// frequency and phase). About 0.2 K in a 15° beam at 144 MHz and 60 K in
/// a 1° beam at 10 GHz.
///
/// Given:
///   brightnessK     T_B, K, >= 0
///   moonDiameterDeg θm, degrees, > 0 (twice the semi-diameter)
///   hpbwDeg         θb, degrees, > 0
/// Returned:
///   ΔT, K; NaN when an input is not finite or out of its range.
double MoonNoiseK(double brightnessK, double moonDiameterDeg, double hpbwDeg);

} // namespace vantrel::eme

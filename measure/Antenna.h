#pragma once

#include <optional>
#include <string>

namespace vantrel::measure {

/// What the measurement needs to know of an antenna at one frequency.
struct AntennaBeam {
    double EffectiveAreaM2 = 0.0; ///< effective aperture Ae, m^2
    double BeamwidthDeg = 0.0;    ///< half-power beamwidth θb, degrees
    double GainDbi = 0.0;         ///< gain 10 log10(4π Ae / λ^2), dBi
};

/// A parabolic dish.
///
/// Given:
///   diameterM     dish diameter D, m, > 0
///   efficiency    aperture efficiency η, (0, 1]
///   frequencyMHz  observing frequency, MHz, > 0
/// Returned:
///   Ae = η π D^2 / 4; θb = 70 λ / D degrees (Kraus, Antennas, 2nd ed. 1988,
///   for the usual edge taper); gain 4π Ae / λ^2. Nothing for inputs
///   out of range.
std::optional<AntennaBeam> DishBeam(double diameterM, double efficiency, double frequencyMHz);

/// A yagi, an array or any antenna known by its gain.
///
/// Given:
///   gainDbi       gain over isotropic, dBi, finite and > 0 dBi
///   frequencyMHz  observing frequency, MHz, > 0
/// Returned:
///   Ae = G λ^2 / 4π; θb = sqrt(41 253 / G) degrees, Kraus's approximation
///   D ≈ 41 253 / (θE θH) for a circular beam with no side lobes (Kraus,
///   Antennas, 2nd ed. 1988, on directivity); real beams with side lobes are
///   somewhat narrower, so the beam correction is a little low for large
///   sources. Nothing for inputs out of range.
std::optional<AntennaBeam> GainBeam(double gainDbi, double frequencyMHz);

/// Why a dish cannot be used, or nothing (diameter a positive finite number,
/// efficiency in (0, 1]).
std::optional<std::string> CheckDish(double diameterM, double efficiency);

/// Why a gain cannot be used, or nothing (a finite number above 0 dBi).
std::optional<std::string> CheckGain(double gainDbi);

} // namespace vantrel::measure

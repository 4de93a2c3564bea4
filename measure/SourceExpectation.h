#pragma once

#include "measure/Antenna.h"
#include "measure/FluxEstimate.h"
#include "measure/SolarFlux.h"

#include <optional>
#include <string_view>
#include <vector>

namespace vantrel::measure {

/// What a measurement should show on one source with one antenna: the row
/// of `vantrel-noise` and of the Measure window.
struct SourceExpectation {
    FluxEstimate Flux;         ///< flux density; `NoModel` gives no numbers below
    double SizeDeg = 0.0;      ///< source diameter θs, degrees (0 for a point)
    double BeamCorrection = 0; ///< K = 1 + 0.38 (θs/θb)^2, >= 1; NaN without a flux
    double DeltaTK = 0;        ///< expected rise of antenna temperature, K; NaN without a flux
    double YDb = 0;            ///< expected Y-factor, dB; NaN without a flux
    /// The atmosphere's attenuation on the way from the source, dB ≥ 0 (0
    /// below 1 GHz): ΔT, Y and G/T take the flux that reaches the antenna,
    /// S · 10^(−A/10); `Flux` stays the source's own.
    double AtmosphereDb = 0;
};

/// The flux density that reaches the antenna, Jy: S · 10^(−A/10) of the
/// row's flux and atmosphere (exactly S when A = 0).
double FluxAtAntennaJy(const SourceExpectation& row);

/// The expected row of a source.
///
/// Given:
///   flux        the source's flux density (any basis)
///   sizeDeg     its diameter, degrees, >= 0
///   beam        the antenna at the observing frequency
///   tsysK       system temperature, K, > 0
///   atmosphereDb  the atmosphere's slant attenuation at the source's
///               elevation, dB ≥ 0 (atmosphere/ClearAir.h; 0 below 1 GHz)
/// Returned:
///   the flux and size as given, K, ΔT = S·10^(−A/10)·Ae / (2 k K) and
///   Y = 1 + ΔT/Tsys in dB; the last three NaN for a flux `NoModel` (the
///   row then says "no model", never a number).
SourceExpectation ExpectOnSource(const FluxEstimate& flux, double sizeDeg, const AntennaBeam& beam,
                                 double tsysK, double atmosphereDb = 0);

/// G/T from a Y-factor measured on a source of the row `row`, dB/K.
///
/// Given:
///   measuredYDb   measured Y, dB, passing `CheckMeasuredYDb`
///   row           the source's row from `ExpectOnSource`
///   frequencyMHz  observing frequency, MHz, > 0
/// Returned:
///   G/T = 8 π k K (Y - 1) / (S λ^2) in dB/K (ITU-R S.733), S the flux
///   that reaches the antenna (`FluxAtAntennaJy`); NaN for a
///   source without a flux or a Y that is refused.
double MeasuredGOverTDbPerK(double measuredYDb, const SourceExpectation& row, double frequencyMHz);

/// Reads a solar flux table typed as "MHZ:SFU,MHZ:SFU,..." (blanks around
/// the numbers allowed, e.g. "1415:72, 2695:95"); nothing when the text is
/// not such a list. The values still have to pass `CheckSolarTable`.
std::optional<std::vector<SolarFluxPoint>> ParseSolarTable(std::string_view text);

} // namespace vantrel::measure

#pragma once

#include "measure/GOverTBudget.h"
#include "measurewin/MeasureSetup.h"
#include "scan/ScanLog.h"

#include <optional>
#include <string>

namespace vantrel {

/// How well the flux density of a row is known, and from where: the Sun's
/// typed flux (a number or a day's table) kTypedSolarFluxFraction, "typed";
/// the models of the radio stars and the Moon kModelFluxFraction, "model".
/// The Sun's flux chosen from an observatory's file (`fileFlux`, not
/// refused) takes the scatter of the day's stations at the frequency, or
/// kTypedSolarFluxFraction when only one station has it, with the choice's
/// note (station, time, frequencies, scatter, disagreement) as provenance.
measure::FluxUncertainty FluxUncertaintyOf(const MeasureRow& row, bool sun,
                                           const measure::SolarFluxChoice* fileFlux = nullptr);

/// The pointing error of the last whole cross-scan of the log on `source`
/// in this band (its frequency within 5 % of `frequencyMHz`) that found
/// both offsets: √(az² + el²) in the scan's own beamwidths (its fitted
/// HPBW in each axis, else `hpbwDeg`), and the basis ("cross-scan
/// 2026-12-09T21:00:00Z, 0.12° off"). None when the log holds no such
/// scan.
struct ScanPointing {
    double OffsetHpbw = 0;
    std::string Basis;
};
std::optional<ScanPointing> LastCrossScanPointing(const scan::ScanLog& log,
                                                  const std::string& source, double frequencyMHz,
                                                  double hpbwDeg);

} // namespace vantrel

#pragma once

#include "measure/FluxEstimate.h"

#include <optional>
#include <span>
#include <string>

namespace vantrel::measure {

/// One entry of a solar observatory's daily flux table (the noon fluxes of
/// the RSTN/Learmonth-type stations at 245, 410, 610, 1415, 2695, 4995,
/// 8800 and 15400 MHz).
struct SolarFluxPoint {
    double FrequencyMHz; ///< MHz, > 0
    double Sfu;          ///< solar flux units (1 sfu = 1e4 Jy), > 0
};

/// The largest flux in sfu whose flux density in Jy is a finite double
/// (1 sfu = 1e4 Jy). Far above any flare (about 1e6 sfu); larger numbers
/// come only from damaged or hostile input and are refused.
inline constexpr double kLargestSolarFluxSfu = 1e300;

/// Why a solar flux table cannot be used, or nothing: it must hold at
/// least one entry, every frequency a positive finite number, every flux a
/// positive number up to `kLargestSolarFluxSfu`, and no frequency twice.
std::optional<std::string> CheckSolarTable(std::span<const SolarFluxPoint> table);

/// The Sun's flux density at `frequencyMHz` from a day's table.
///
/// Given:
///   table         entries in any order, passing `CheckSolarTable`
///   frequencyMHz  observing frequency, MHz, > 0
/// Returned:
///   flux density, Jy. Between two entries: linear interpolation in
///   log10 f and log10 S between the two entries around the frequency
///   (`Model`); at an entry, its value. Beyond the table's ends: the
///   nearest end's value, marked `TableEnd` (no extrapolation: the solar
///   spectrum turns over in the decimetre range). `NoModel` for an unusable
///   table or frequency.
///
/// The log-log interpolation is how amateurs bridge the observatories'
/// frequencies (a power law between neighbouring points).
FluxEstimate SolarFluxFromTable(std::span<const SolarFluxPoint> table, double frequencyMHz);

/// The Sun's flux density from a single value entered in sfu, Jy; `NoModel`
/// unless `sfu` is a positive number up to `kLargestSolarFluxSfu`.
FluxEstimate SolarFluxFromSfu(double sfu);

} // namespace vantrel::measure

#pragma once

#include "measure/FluxEstimate.h"
#include "measure/SolarFluxFile.h"

#include <cmath>
#include <optional>
#include <span>
#include <string>

namespace vantrel::measure {

/// The frequencies over which the observatories' fluxes are used, MHz:
/// between the RSTN's lowest and highest they are interpolated, down to
/// 100 MHz and up to 30 GHz extrapolated, beyond that refused (the quiet
/// Sun's spectrum turns over in the metre and millimetre ranges).
inline constexpr double kSolarMeasuredLoMHz = 245.0;
inline constexpr double kSolarMeasuredHiMHz = 15400.0;
inline constexpr double kSolarExtrapolateLoMHz = 100.0;
inline constexpr double kSolarExtrapolateHiMHz = 30000.0;
/// Penticton's 2800 MHz flux is used within 10 % of its frequency only.
inline constexpr double kPentictonSpanFraction = 0.10;
/// Stations whose fluxes differ by more than this fraction at the two
/// frequencies used are flagged: a flare, or a bad calibration.
inline constexpr double kStationDisagreementFraction = 0.20;

/// An observation further than this from the measurement, hours, is of
/// another day: the note says so.
inline constexpr double kSameDayHours = 24.0;

/// The Sun's flux at the observing frequency from a day's observatory file.
struct SolarFluxChoice {
    std::optional<std::string> Refused; ///< why there is no flux: a sentence
    FluxEstimate Flux;                  ///< Jy; `Model`, or `Extrapolated` beyond 245–15400 MHz
    double Sfu = 0.0;                   ///< the same flux in sfu
    std::string Station;                ///< the station used
    SolarFluxInstant When;              ///< its observation's date and time
    double LoMHz = 0.0;                 ///< the two frequencies used, MHz (equal for Penticton)
    double HiMHz = 0.0;
    std::size_t StationsCompared = 0; ///< the day's stations with both frequencies
    /// The relative standard deviation of those stations' fluxes at the
    /// frequency, %: the flux's uncertainty; NaN with one station.
    double ScatterPercent = NAN;
    /// Hours from the measurement to the observation used (negative: before);
    /// beyond 24 h the note says how many days.
    double HoursFromMeasurement = NAN;
    bool Disagree = false; ///< two stations differ by more than 20 % at LoMHz or HiMHz
    /// "Learmonth 2026-12-10 05:00 UTC, 1415-2695 MHz" and, when it applies,
    /// "extrapolated", "stations disagree by 34 %", "3 stations, scatter 4.1 %".
    /// Never a comma, so a CSV cell keeps its place.
    std::string Note;
};

/// Chooses the station and interpolates its flux to the frequency.
///
/// Given:
///   read           a file read by `ReadSolarFluxText`, not refused
///   frequencyMHz   observing frequency, MHz
///   utcMinutes     the measurement's instant, minutes from 1970-01-01 UTC
///                  (`UtcMinutesOf`)
/// Returned:
///   from the station whose observation is nearest the measurement in time
///   and that has values at both of the file's frequencies around
///   `frequencyMHz`, the power law between them (linear in log f and log S).
///   Below 245 or above 15400 MHz: the power law of the two nearest
///   frequencies, extended, with `Extrapolated`. Refused beyond 100 MHz–30 GHz,
///   when no station has both frequencies, and for Penticton's file beyond
///   10 % of 2800 MHz (there its value is taken as it is).
///
/// Notes:
///  1. The stations compared are, per station, the observation nearest the
///     measurement on the chosen observation's date; each one's flux is
///     interpolated to the frequency for the scatter.
///  2. The 20 % test: at each of the two frequencies, (largest − smallest)
///     / smallest of the compared stations.
SolarFluxChoice ChooseSolarFlux(const SolarFluxFileRead& read, double frequencyMHz,
                                double utcMinutes);

} // namespace vantrel::measure

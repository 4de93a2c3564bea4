#pragma once

#include "astro/DateTime.h"
#include "measure/MeasurementLog.h"

#include <cstddef>
#include <string>
#include <vector>

namespace vantrel {

/// Frequencies up to this fraction above the lowest of a band belong to it:
/// 2 % joins 10368.0 and 10368.2 MHz, or 2304 and 2320 MHz, and keeps
/// 1296 MHz apart from 1420 MHz.
inline constexpr double kBandWidthFraction = 0.02;

/// One measurement on the G/T chart.
struct GOverTPoint {
    DateTime Utc = 0;        ///< UTC, days since 30 December 1899
    double GOverTDbPerK = 0; ///< dB/K
    std::size_t Record = 0;  ///< index of the record in the log
};

/// One line of the G/T chart: the measurements on one source in one band
/// with one antenna, in time order. A system's G/T differs from band to
/// band and from antenna to antenna, and a source's flux model from source
/// to source, so their points are never joined.
struct GOverTSeries {
    std::string Source;   ///< as the log names it
    std::string Antenna;  ///< as the log names it ("dish 3 m, efficiency 0.55")
    std::string Band;     ///< "10368 MHz", or "2304-2320 MHz" for a band of several
    double LowestMHz = 0; ///< the band's lowest frequency, MHz
    std::vector<GOverTPoint> Points;
};

/// What the chart shows of a log.
struct GOverTHistory {
    /// Ordered by source name, then by frequency, then by antenna.
    std::vector<GOverTSeries> Series;
    /// The series are of more than one antenna: their names say which.
    bool SeveralAntennas = false;
    std::size_t Withdrawn = 0;  ///< records withdrawn, left out
    std::size_t Unreadable = 0; ///< records whose time is not "YYYY-MM-DDTHH:MM:SSZ", left out
};

/// The G/T of the records in use, one series per source, band and antenna. Bands
/// are formed from all frequencies of the log alike, each from its lowest
/// frequency up to `kBandWidthFraction` above it.
GOverTHistory GOverTHistoryOf(const std::vector<measure::MeasurementRecord>& records);

/// A labelled mark of a chart's time axis.
struct TimeAxisMark {
    DateTime Utc = 0;  ///< UTC, days since 30 December 1899
    std::string Label; ///< "12-09 21:30", "2026-12-09", "2026-12" or "2026"
};

/// A time axis that reads at a glance.
struct TimeAxis {
    DateTime FirstUtc = 0; ///< the axis' ends, each on a mark
    DateTime LastUtc = 0;
    std::vector<TimeAxisMark> Marks; ///< from FirstUtc to LastUtc, evenly spaced
};

/// Marks on round UTC times that cover `firstUtc` to `lastUtc` (days since
/// 30 December 1899) with at most `mostIntervals` intervals: steps of 1, 2,
/// 5, 10, 15 or 30 minutes, 1, 2, 3, 6 or 12 hours, a day, two, a week
/// (Mondays) or two, 1, 2, 3 or 6 calendar months, or 1, 2, 5, 10, ...
/// years, the smallest that fits. A single instant is given an hour either
/// side. Labels name what changes from mark to mark: month, day and time
/// below a day, the date for days and weeks, year and month for months, the
/// year for years.
TimeAxis RoundTimeAxis(DateTime firstUtc, DateTime lastUtc, int mostIntervals);

} // namespace vantrel

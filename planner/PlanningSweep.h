#pragma once

#include "apparent/ObservingConditions.h"
#include "astro/Clock.h"
#include "astro/DateTime.h"
#include "astro/SunMoon.h"
#include "controls/GridCells.h"
#include "station/HomeStation.h"

#include <array>
#include <string_view>

namespace vantrel {

/// Shown when a sweep is asked for with an interval below one minute; such
/// a sweep would never reach its end and is not started.
inline constexpr std::string_view kIntervalTooSmall =
    "The calculation interval must be at least 1 minute.";

/// A table longer than this would fill the memory of an ordinary machine
/// (each row holds twenty cells); about a year at one-minute steps.
inline constexpr int kMaxSweepDataRows = 600000;
inline constexpr std::string_view kTooManyRows =
    "The table would have more than 600000 rows. Please choose a longer interval or fewer days.";

/// The first row of the planning grid below the two header rows.
inline constexpr int kFirstSweepRow = 2;

/// What a sweep takes besides the station: the dates (whole UTC days; the
/// time of day is ignored), the library of the Sun and the Moon, the
/// daylight rules each row's local time follows, and the user's decimal
/// separator for the library's angles.
struct SweepInputs {
    DateTime StartDate = 0;
    DateTime EndDate = 0;
    SunMoonLibrary* Library = nullptr;
    const DaylightRules* Daylight = nullptr;
    char DecimalSeparator = '.';
    /// Apparent places and refraction; null (or both options off) computes
    /// the classic table.
    const ObservingConditions* Conditions = nullptr;
};

/// The nine pairs of one data row unrounded, in degrees, in column order:
/// azimuth and elevation, or Greenwich hour angle and declination; with the
/// row's instant in UTC and the station's local time it shows (both
/// `DateTime`, days since 30 December 1899, to the millisecond).
struct PreciseRow {
    int GridRow = 0;
    std::array<long double, 18> Degrees{};
    DateTime Utc = 0;
    DateTime Local = 0;
};

/// Told of every data row with its unrounded values, for the table tool and
/// the elevation chart.
class PreciseRowSink {
public:
    virtual ~PreciseRowSink() = default;
    virtual void Row(const PreciseRow& row) = 0;
};

enum class SweepResult { Done, IntervalTooSmall, TooManyRows, BadDates };

/// Fills the planning grid from row 2 down: for every step of `CalcInterval`
/// minutes from 00:00 UTC of the start date until the day after the end date,
/// a data row with the UTC time, the station's local time and the nine
/// positions (blank and white below the horizon), and a day row (weekday and
/// date, yellow, merged over columns 0-2) before the first step of every new
/// UTC date. Step k is the start plus k × interval minutes, so no rounding
/// accumulates. The grid's row count ends at the last row written.
///
/// Returns, touching nothing, `IntervalTooSmall` when `CalcInterval` < 1,
/// `TooManyRows` beyond `kMaxSweepDataRows` and `BadDates` for a date that
/// is not finite.
/// Throws what the grid throws (it cannot, with a grid of 20 columns).
SweepResult RunPlanningSweep(GridCells& grid, const HomeStation& station, const SweepInputs& in,
                             PreciseRowSink* precise = nullptr);

} // namespace vantrel

#pragma once

#include "astro/DateTime.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vantrel {

/// Number of sources of the planning table, in its column order: "Aquarius",
/// "Leo", the optional source, Cygnus A, Taurus A, Virgo A, Sagittarius A,
/// the Moon and the Sun.
inline constexpr int kElevationSources = 9;
inline constexpr int kMoonSource = 7;
inline constexpr int kSunSource = 8;

/// A stretch of the table's range when the Sun is below the horizon: from
/// the first row with the Sun below to the first row with it up again (or
/// one interval past the last row). UTC `DateTime`s, [Start, End).
struct DarkInterval {
    DateTime Start = 0;
    DateTime End = 0;
};

/// Elevation and azimuth of the nine sources of one planning sweep, row by
/// row, for the elevation chart. Values are degrees in single precision
/// (about 1e-5°, far finer than the table's hundredths), so a month at one
/// minute costs 44 640 × (18 × 4 + 8 + 2) bytes, about 3.7 MB. Made once by
/// `ElevationCollector` and never changed after; share it as a
/// `std::shared_ptr<const ElevationSeries>`.
class ElevationSeries {
public:
    /// Rows of the sweep; 0 before a sweep has run.
    std::size_t Rows() const { return utc_.size(); }
    bool Empty() const { return utc_.empty(); }
    /// UTC instant of every row, increasing.
    std::span<const DateTime> Utc() const { return utc_; }
    /// The station's local time of a row less its UTC, whole minutes
    /// (the station's offset plus the daylight hour where it applies).
    int LocalOffsetMinutes(std::size_t row) const { return localOffsetMin_[row]; }
    /// Elevation of a source, degrees, −90..90, one per row.
    std::span<const float> Elevation(int source) const { return elevation_[Index(source)]; }
    /// Azimuth of a source, degrees from north through east, 0..360.
    std::span<const float> Azimuth(int source) const { return azimuth_[Index(source)]; }
    /// The title of each source's column pair, as the grid shows it.
    const std::array<std::string, kElevationSources>& Titles() const { return titles_; }
    /// When the Sun is below the horizon, in time order.
    const std::vector<DarkInterval>& SunBelowHorizon() const { return dark_; }
    /// The sweep's interval, minutes.
    int IntervalMinutes() const { return intervalMin_; }

    /// First row whose instant is not before `utc` (Rows() when none):
    /// the row under the mouse when the chart is hovered.
    std::size_t RowAt(DateTime utc) const;

private:
    friend class ElevationCollector;
    static std::size_t Index(int source) { return static_cast<std::size_t>(source); }

    std::vector<DateTime> utc_;
    std::vector<std::int16_t> localOffsetMin_;
    std::array<std::vector<float>, kElevationSources> elevation_;
    std::array<std::vector<float>, kElevationSources> azimuth_;
    std::array<std::string, kElevationSources> titles_;
    std::vector<DarkInterval> dark_;
    int intervalMin_ = 0;
};

} // namespace vantrel

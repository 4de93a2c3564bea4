#pragma once

#include "astro/DateTime.h"

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

/// The IERS files of Earth orientation a data folder may hold, in the order
/// they are looked for: the whole series since 1973, the last 90 days with
/// 90 days of predictions, the series since 1992.
inline constexpr std::array<std::string_view, 3> kIersFileNames = {
    "finals2000A.all", "finals2000A.daily", "finals2000A.data"};

/// Where UT1 − UTC at an instant comes from.
enum class Ut1Source {
    None,      ///< outside the series, or no series: UT1 = UTC
    Observed,  ///< from IERS values (Bulletin B, or Bulletin A flagged I)
    Predicted, ///< from Bulletin A's predictions (flag P) for at least one end
    /// After the series' last day: its last value, held for up to
    /// kUt1HoldDays (UT1 − UTC changes by about a millisecond a day).
    Held,
};

/// Days after a series' last day that its last UT1 − UTC is held; then
/// UT1 = UTC.
inline constexpr double kUt1HoldDays = 30.0;

/// UT1 − UTC at one instant.
struct Ut1Offset {
    double Ut1MinusUtcSeconds = 0; ///< seconds of time, −1..1; 0 with Source None
    Ut1Source Source = Ut1Source::None;
};

/// The texts that say which UT1 is in use.
inline constexpr std::string_view kUt1EqualsUtc = "UT1 = UTC";
inline constexpr std::string_view kUt1FromIers = "UT1 from IERS finals2000A";
inline constexpr std::string_view kUt1FromIersPredicted = "UT1 from IERS finals2000A, predicted";

/// UT1 − UTC from the IERS Earth orientation series (finals2000A), one
/// value a day at 0 h UTC, interpolated linearly in the MJD.
///
/// Immutable once read: one instance is shared by every thread and window.
///
/// Notes:
///  1. Bulletin B's UT1 − UTC (the final value) takes precedence over
///     Bulletin A's where a line has both.
///  2. At an inserted leap second UT1 − UTC steps by +1 s. The interpolation
///     runs on UT1 − TAI, which is smooth, and adds TAI − UTC of the instant
///     (ERFA eraDat): on the day before a leap second the value is right to
///     the microsecond instead of off by up to half a second.
///  3. Up to kUt1HoldDays after the last day with a value its value is
///     held (UT1 − TAI held across a leap second; source Held). Before the
///     first day, and later than that after the last, the offset is 0 and
///     the source None: UT1 = UTC, as without a file. So it is within a gap
///     of more than 10 days between two values (a file with many damaged
///     lines). The descriptions do not single such gaps out.
/// Reference: IERS Rapid Service/Prediction Centre, readme.finals2000A
/// (the file format); IERS Conventions 2010, chapter 5 (UT1).
class EarthOrientation {
public:
    /// One day of the series.
    struct Day {
        double Mjd = 0;                ///< MJD (UTC) of 0 h of the day
        double Ut1MinusUtcSeconds = 0; ///< seconds, −1..1
        double TaiMinusUtcSeconds = 0; ///< seconds, at 0 h of the day (eraDat)
        bool Predicted = false;        ///< Bulletin A's prediction (flag P, no Bulletin B value)
    };

    /// UT1 − UTC at `utcMjd` (MJD in UTC with the day fraction), and where
    /// it comes from.
    Ut1Offset At(double utcMjd) const;

    /// The same for an instant as calendar fields (milliseconds counted; the
    /// second 60 of a leap second is taken as the end of its day).
    Ut1Offset At(const DecodedInstant& utc) const { return At(UtcMjd(utc)); }

    /// UT1 − UTC in seconds: At(utcMjd).Ut1MinusUtcSeconds.
    double Ut1MinusUtcSeconds(double utcMjd) const { return At(utcMjd).Ut1MinusUtcSeconds; }

    /// What is in use over the UTC instants `firstUtcMjd`..`lastUtcMjd`
    /// (first <= last): "finals2000A.all ends 2019-06-30: UT1 = UTC for
    /// these dates" (or "begins 2027-01-01") when the series and its held
    /// days cover none of it; otherwise "UT1 from IERS finals2000A" with ",
    /// predicted" when a prediction is used anywhere in it, "; UT1 = UTC
    /// before 2026-11-20" when it begins before the series, and when it
    /// reaches beyond the last day "; its last value held after
    /// 2026-12-21" and, past the held days, "; UT1 = UTC after 2027-01-20".
    std::string Description(double firstUtcMjd, double lastUtcMjd) const;

    /// The days read, in increasing MJD; never empty.
    const std::vector<Day>& Days() const { return days_; }
    double FirstMjd() const { return days_.front().Mjd; }
    double LastMjd() const { return days_.back().Mjd; }
    /// The first day whose value is a prediction, or nothing after LastMjd.
    double FirstPredictedMjd() const { return firstPredictedMjd_; }

    /// Damaged lines skipped while reading (see ReadEarthOrientation).
    std::size_t SkippedLines() const { return skippedLines_; }
    /// The name of the file read, as given to ReadEarthOrientation.
    const std::string& Name() const { return name_; }

    /// MJD (UTC) of calendar fields, milliseconds counted.
    static double UtcMjd(const DecodedInstant& utc);

    /// MJD (UTC) of a `DateTime` in UTC (days since 30 December 1899).
    static constexpr double UtcMjd(DateTime utc) { return utc + kMjdOfDateTimeZero; }
    static constexpr double kMjdOfDateTimeZero = 15018.0; ///< MJD of 1899-12-30 0 h

private:
    friend struct EarthOrientationReader;
    EarthOrientation() = default;

    std::vector<Day> days_;
    double firstPredictedMjd_ = 0;
    double predictionReachMjd_ = 0; ///< instants after this use a prediction
    std::size_t skippedLines_ = 0;
    std::string name_;
};

/// What reading a finals2000A file gave.
struct EarthOrientationReading {
    /// The series; null when the text yields no value.
    std::shared_ptr<const EarthOrientation> Table;
    /// Why there is none, one sentence naming the file ("finals2000A.all
    /// holds no UT1-UTC value (4 damaged lines skipped)."); empty with a table.
    std::string Problem;
    /// With a table that skipped damaged lines: "finals2000A.all: 3 damaged
    /// lines skipped."; else empty.
    std::string Notice;
};

/// Reads the text of a finals2000A file (finals2000A.all, .daily, .data).
///
/// The fixed-width format (columns counted from 1): MJD in 8-15, Bulletin A's
/// flag for UT1 − UTC (I observed, P predicted) in 58, its UT1 − UTC in
/// seconds in 59-68; Bulletin B's UT1 − UTC in 155-165 where present.
/// Lines may be shorter than the full 185 columns (the fields past the end
/// are blank) and end in LF or CR LF.
///
/// A line is skipped and counted as damaged when its MJD is not a number of
/// 1900..2100 or not after the last MJD read, when a value is not a number,
/// is beyond ±1 s or is cut short by the end of the line, or when Bulletin
/// A's value has no flag I or P. Blank
/// lines, and lines with a date but neither value (the days ahead that
/// finals2000A.all lists), are passed over without counting. Never throws
/// on any text.
/// `name`: the file's name for the texts.
EarthOrientationReading ReadEarthOrientation(std::string_view text, std::string name);

/// The same from the file at `path` (named by its last path component).
/// A file that cannot be opened or is larger than 64 MiB gives a Problem.
EarthOrientationReading LoadEarthOrientation(const std::string& path);

/// The first of kIersFileNames that exists in `folder` (the current folder
/// when empty), read with LoadEarthOrientation. No file: no table and no
/// problem.
EarthOrientationReading ReadIersFileIn(const std::string& folder);

/// The series in use, in words, for the settings: "UT1 from IERS
/// finals2000A: finals2000A.all, 2026-11-20 to 2027-03-01, predicted from
/// 2026-12-07" (with "; 3 damaged lines skipped" when there were), or
/// "UT1 = UTC: " and `problem` (why a file gave nothing), or without one
/// "UT1 = UTC: no finals2000A.all, .daily or .data in the data folder".
std::string Ut1SourceText(const EarthOrientation* ut1, std::string_view problem);

/// What a table or its absence means over an interval, for labels and
/// captions: "UT1 = UTC" for no table, else the table's Description.
std::string Ut1Description(const EarthOrientation* ut1, double firstUtcMjd, double lastUtcMjd);

} // namespace vantrel

#pragma once

#include <cstdint>
#include <optional>

namespace vantrel::sunmoon {

/// First and last calendar year for which positions are computed: the span
/// over which ERFA's Earth ephemeris eraEpv00 is valid. Years outside give
/// no position.
inline constexpr int kFirstYear = 1900;
inline constexpr int kLastYear = 2100;

/// A UTC instant as calendar fields (Gregorian calendar), as handed to the
/// library. `Second` is 0..59, or 60 for the inserted leap second.
struct UtcFields {
    std::uint16_t Year = 0;
    std::uint16_t Month = 0;
    std::uint16_t Day = 0;
    std::uint16_t Hour = 0;
    std::uint16_t Minute = 0;
    std::uint16_t Second = 0;

    bool operator==(const UtcFields&) const = default;
};

/// UT1 and TT of one instant.
struct TimeScales {
    /// UT1 as a 2-part Julian Date (first part 2 400 000.5, the second the
    /// MJD with the time of day), for the Earth rotation angle.
    double Ut1Jd1 = 0;
    double Ut1Jd2 = 0;
    /// TT in days since J2000.0 (JD 2 451 545.0 TT); the argument of every
    /// slowly varying quantity (precession-nutation, Earth, Moon).
    double TtDaysSinceJ2000 = 0;
};

/// True for a leap year of the Gregorian calendar.
bool IsGregorianLeapYear(int year);

/// Days in a month of the Gregorian calendar, month 1..12; 0 for any other
/// month.
int DaysInMonth(int year, int month);

/// True when the UTC day ends with an inserted leap second 23:59:60: TAI−UTC
/// (ERFA eraDat) at 00:00 of the next day exceeds its value at the end of
/// this day by one second. Only whole-second steps count, so the fractional
/// steps of UTC before 1972 do not. The date must be valid.
bool DayEndsWithLeapSecond(int year, int month, int day);

/// UT1 and TT from UTC calendar fields, or nothing when the fields are not a
/// UTC instant of years kFirstYear..kLastYear: month 1..12, day 1..length of
/// the month, hour 0..23, minute 0..59, second 0..59, second 60 only at
/// 23:59 of a day that ends with a leap second.
///
/// Conventions:
///  1. UT1 = UTC, read as the clock shows it: the time of day is
///     (3600 h + 60 m + s) / 86 400 of a day, also on a day with a leap
///     second (23:59:60 has the UT1 of the next 00:00:00).
///  2. TT = UTC + (TAI − UTC) + 32.184 s, TAI − UTC from ERFA's leap-second
///     table eraDat, taken at the time of day (clamped to the day's end for
///     23:59:60), which also gives the drift of UTC from 1960 to 1971. Before
///     1960 the table gives 0. eraDat's status +1 ("dubious year": before
///     1960, or after the last table entry plus some years) is a warning and
///     the value is used.
std::optional<TimeScales> TimeScalesFromUtc(const UtcFields& utc);

} // namespace vantrel::sunmoon

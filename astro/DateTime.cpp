#include "astro/DateTime.h"

#include <array>
#include <cmath>

namespace vantrel {

namespace {

constexpr long double kMinutesPerDay = 1440.0L;
constexpr long double kMillisecondsPerDay = 86'400'000.0L;
constexpr std::int64_t kMsPerDay = 86'400'000;

/// Days from 1970-01-01 to y-m-d in the proleptic Gregorian calendar
/// (H. Hinnant, "chrono-Compatible Low-Level Date Algorithms", days_from_civil).
constexpr std::int64_t DaysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

/// Inverse of DaysFromCivil (same reference, civil_from_days).
constexpr void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2 ? 1 : 0);
}

constexpr std::int64_t kEpochDays = DaysFromCivil(1899, 12, 30);

/// Whole days since the epoch and milliseconds into that day, after rounding
/// `t` to the millisecond. False when `t` is outside years 1..9999.
bool SplitInstant(DateTime t, std::int64_t& days, std::int64_t& msOfDay) {
    constexpr long double kFirst = DaysFromCivil(1, 1, 1) - kEpochDays;
    constexpr long double kEnd = DaysFromCivil(10000, 1, 1) - kEpochDays;
    if (!std::isfinite(t) || t < kFirst || t >= kEnd) {
        return false;
    }
    const auto ms = static_cast<std::int64_t>(std::rint(t * kMillisecondsPerDay));
    days = ms >= 0 ? ms / kMsPerDay : -((-ms + kMsPerDay - 1) / kMsPerDay);
    msOfDay = ms - days * kMsPerDay;
    return true;
}

constexpr std::array<std::string_view, 12> kMonthNames{
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};

constexpr std::array<std::string_view, 7> kWeekdayNames{
    "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

} // namespace

DateTime AddMinutes(DateTime t, std::int64_t minutes) {
    return static_cast<DateTime>(static_cast<long double>(t) +
                                 static_cast<long double>(minutes) / kMinutesPerDay);
}

DecodedInstant DecodeInstant(DateTime t) {
    std::int64_t days = 0;
    std::int64_t ms = 0;
    DecodedInstant out;
    if (!SplitInstant(t, days, ms)) {
        return out;
    }
    std::int64_t year = 0;
    unsigned month = 0;
    unsigned day = 0;
    CivilFromDays(days + kEpochDays, year, month, day);
    out.Year = static_cast<std::uint16_t>(year);
    out.Month = static_cast<std::uint16_t>(month);
    out.Day = static_cast<std::uint16_t>(day);
    out.Hour = static_cast<std::uint16_t>(ms / 3'600'000);
    out.Minute = static_cast<std::uint16_t>(ms / 60'000 % 60);
    out.Second = static_cast<std::uint16_t>(ms / 1000 % 60);
    out.Millisecond = static_cast<std::uint16_t>(ms % 1000);
    return out;
}

DateTime EncodeDate(int year, int month, int day) {
    // Normalise the month first so that month 13 is January of the next year.
    std::int64_t y = year + (month - 1 >= 0 ? (month - 1) / 12 : (month - 12) / 12);
    const std::int64_t m = ((month - 1) % 12 + 12) % 12 + 1;
    return static_cast<DateTime>(DaysFromCivil(y, m, 1) + (day - 1) - kEpochDays);
}

DateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                        int millisecond) {
    const long double ms = ((hour * 60.0L + minute) * 60.0L + second) * 1000.0L + millisecond;
    return static_cast<DateTime>(EncodeDate(year, month, day) + ms / kMillisecondsPerDay);
}

std::string_view MonthName(std::uint16_t month) {
    return month >= 1 && month <= 12 ? kMonthNames[month - 1] : std::string_view{};
}

std::string_view WeekdayName(DateTime t) {
    std::int64_t days = 0;
    std::int64_t ms = 0;
    if (!SplitInstant(t, days, ms)) {
        return {};
    }
    // 1899-12-30, day 0, was a Saturday.
    return kWeekdayNames[static_cast<std::size_t>(((days + 6) % 7 + 7) % 7)];
}

} // namespace vantrel

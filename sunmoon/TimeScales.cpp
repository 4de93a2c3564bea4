#include "sunmoon/TimeScales.h"

#include "sunmoon/Constants.h"

#include <erfa.h>

namespace vantrel::sunmoon {

namespace {

constexpr int kLastHour = 23;
constexpr int kLastMinute = 59;
constexpr int kLastSecond = 59;
constexpr int kLeapSecond = 60;
constexpr int kMonthsPerYear = 12;
constexpr int kSecondsPerMinute = 60;
constexpr int kSecondsPerHour = 3600;

/// A step of TAI − UTC of at least half a second is an inserted second; the
/// steps of the years 1961 to 1972 were at most about 0.11 s.
constexpr double kLeapStepThresholdSeconds = 0.5;

/// TAI − UTC in seconds at a valid date and day fraction 0..1, or nothing
/// when eraDat reports an error (status < 0). Status +1 is a warning.
std::optional<double> TaiMinusUtcSeconds(int year, int month, int day, double dayFraction) {
    double dat = 0;
    if (eraDat(year, month, day, dayFraction, &dat) < 0) {
        return std::nullopt;
    }
    return dat;
}

} // namespace

bool IsGregorianLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    constexpr int kDays[kMonthsPerYear] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > kMonthsPerYear) {
        return 0;
    }
    if (month == 2 && IsGregorianLeapYear(year)) {
        return 29;
    }
    return kDays[month - 1];
}

bool DayEndsWithLeapSecond(int year, int month, int day) {
    int nextYear = year;
    int nextMonth = month;
    int nextDay = day + 1;
    if (nextDay > DaysInMonth(year, month)) {
        nextDay = 1;
        if (++nextMonth > kMonthsPerYear) {
            nextMonth = 1;
            ++nextYear;
        }
    }
    const std::optional<double> atEnd = TaiMinusUtcSeconds(year, month, day, 1.0);
    const std::optional<double> next = TaiMinusUtcSeconds(nextYear, nextMonth, nextDay, 0.0);
    return atEnd && next && *next - *atEnd > kLeapStepThresholdSeconds;
}

std::optional<TimeScales> TimeScalesFromUtc(const UtcFields& utc) {
    const int year = utc.Year;
    const int month = utc.Month;
    const int day = utc.Day;
    if (year < kFirstYear || year > kLastYear || day < 1 || day > DaysInMonth(year, month)) {
        return std::nullopt;
    }
    if (utc.Hour > kLastHour || utc.Minute > kLastMinute) {
        return std::nullopt;
    }
    if (utc.Second > kLastSecond &&
        (utc.Second != kLeapSecond || utc.Hour != kLastHour || utc.Minute != kLastMinute ||
         !DayEndsWithLeapSecond(year, month, day))) {
        return std::nullopt;
    }

    double mjd0 = 0;
    double mjd = 0;
    if (eraCal2jd(year, month, day, &mjd0, &mjd) != 0) {
        return std::nullopt;
    }
    const int secondOfDay =
        utc.Hour * kSecondsPerHour + utc.Minute * kSecondsPerMinute + utc.Second;
    const double dayFraction = secondOfDay / kSecondsPerDay; // 1.0 at 23:59:60
    const std::optional<double> dat =
        TaiMinusUtcSeconds(year, month, day, dayFraction < 1.0 ? dayFraction : 1.0);
    if (!dat) {
        return std::nullopt;
    }

    TimeScales scales;
    scales.Ut1Jd1 = mjd0;
    scales.Ut1Jd2 = mjd + dayFraction;
    scales.TtDaysSinceJ2000 =
        (mjd - kJ2000Mjd) + dayFraction + (*dat + kTtMinusTaiSeconds) / kSecondsPerDay;
    return scales;
}

} // namespace vantrel::sunmoon

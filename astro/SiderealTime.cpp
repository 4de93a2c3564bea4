#include "astro/SiderealTime.h"

#include "astro/ExtendedMath.h"

#include <array>
#include <cmath>

namespace vantrel {

namespace {

constexpr long double kDaysPerJulianYear = 365.25L;
constexpr long double kDaysPerJulianCentury = 36525.0L;
/// Day number of 1900 January 0.5 counted back from 1980 January 0.0, negated.
constexpr long double kDaysFrom1900Jan0_5 = 29218.5L;
/// Sidereal hours gained per solar day beyond 24 h (Duffett-Smith).
constexpr long double kSiderealGainPerDay = 0.0657098L;
/// Ratio of sidereal to solar time.
constexpr long double kSiderealPerSolar = 1.002738L;
constexpr long double kGst0Constant = 6.6460656L; // hours
constexpr long double kGst0Linear = 2400.051262L; // hours per century
constexpr long double kGst0Quadratic = 2.581e-5L; // hours per century²

constexpr std::array<std::string_view, 7> kShortNames{"Mon", "Tue", "Wed", "Thu",
                                                      "Fri", "Sat", "Sun"};

} // namespace

long double FloorFrac(long double x) {
    if (x > 0 || x == TruncExact(x)) {
        return x - TruncExact(x);
    }
    return x - TruncExact(x - 1);
}

long double DayNumber(long double year, long double month, long double day) {
    long double y = year;
    long double m = month;
    if (m <= 2.5L) {
        y -= 1;
        m += 12;
    }
    const long double n = FloorExact((y - 1980) * kDaysPerJulianYear) - FloorExact(y / 100) +
                          FloorExact(y / 400) - 16;
    return n + TruncExact(0.6L * m - 0.3L) + 30 * m + day;
}

YearTermsResult YearTerms(long double year) {
    const long double a = year - 1;
    YearTermsResult out;
    out.YearDay0 = FloorExact((a - 1980) * kDaysPerJulianYear) - FloorExact(a / 100) +
                   FloorExact(a / 400) + 381;
    const long double t = (out.YearDay0 + kDaysFrom1900Jan0_5) / kDaysPerJulianCentury;
    out.SiderealYearTerm =
        t * (t * kGst0Quadratic + kGst0Linear) + kGst0Constant - (year - 1900) * 24;
    return out;
}

long double GreenwichSiderealTime(long double dayNumber, long double yearDay0,
                                  long double siderealYearTerm, long double utHours) {
    return 24 * FloorFrac(((dayNumber - yearDay0) * kSiderealGainPerDay + siderealYearTerm +
                           utHours * kSiderealPerSolar) /
                          24);
}

std::string_view WeekdayShortName(long double dayNumber) {
    constexpr long double kLargestExact = 1e15L; // beyond this the remainder is meaningless
    if (!(std::fabs(dayNumber) < kLargestExact)) {
        return {};
    }
    const long double index = std::rint(dayNumber - 7 * FloorExact(dayNumber / 7));
    const int i = (static_cast<int>(std::lrint(index)) % 7 + 7) % 7;
    return kShortNames[static_cast<std::size_t>(i)];
}

long double GreenwichSiderealTimeAt(const DecodedInstant& utc) {
    const long double dayNumber = DayNumber(utc.Year, utc.Month, utc.Day);
    const YearTermsResult terms = YearTerms(utc.Year);
    const long double utHours = utc.Hour + utc.Minute / 60.0L + utc.Second / 3600.0L;
    return GreenwichSiderealTime(dayNumber, terms.YearDay0, terms.SiderealYearTerm, utHours);
}

} // namespace vantrel

#pragma once

#include "astro/DateTime.h"

#include <string_view>

namespace vantrel {

/// The two year terms of the sidereal-time formula for one year.
struct YearTermsResult {
    long double YearDay0 = 0; ///< day number of 0 January (31 December of the year before)
    long double SiderealYearTerm =
        0; ///< hours: GST at 0 h UT on 0 January, less 24 × (year − 1900)
};

/// x − floor(x), in [0, 1): 0.7 for −0.3, 0 for −1 and for 0, 0.25 for 25.25.
/// For a negative x within rounding of an integer the result can be 1.
long double FloorFrac(long double x);

/// Day number counted from 1980 January 0.0 (31 December 1979): 1 March 1980
/// is day 61, 1 January 2015 is 12 785, 1 January 1980 is 1. Inputs hold
/// whole numbers (year, month 1..12, day 1..31). Uses the floor in the year
/// count, so the count is continuous before March 1980 as well.
/// After P. Duffett-Smith, "Practical Astronomy with your Calculator".
long double DayNumber(long double year, long double month, long double day);

/// `YearDay0` and `SiderealYearTerm` of a year (floor in the year count, as
/// `DayNumber`). T is Julian centuries from 1900 January 0.5; the sidereal
/// time at 0 h UT is 6.6460656 + 2400.051262 T + 0.00002581 T² hours
/// (Newcomb's expression as given by Duffett-Smith).
YearTermsResult YearTerms(long double year);

/// Greenwich mean sidereal time in hours, 0 <= GST < 24, from the day number
/// of the date, the year terms of its year and UT in hours:
/// 24 × FloorFrac(((dayNumber − yearDay0) × 0.0657098 + siderealYearTerm + ut × 1.002738) / 24).
/// For 1 January 2015, 0 h UT, it is 6.68862 h.
long double GreenwichSiderealTime(long double dayNumber, long double yearDay0,
                                  long double siderealYearTerm, long double utHours);

/// Short weekday name of a day number: "Mon" to "Sun" (day 0, 31 December
/// 1979, was a Monday). The weekday is taken modulo 7 with the floor, so
/// negative day numbers (before 1980) give the right weekday too. An empty
/// view for a non-finite day number.
std::string_view WeekdayShortName(long double dayNumber);

/// The sidereal chain for one decoded UTC instant: `DayNumber` of its date,
/// `YearTerms` of its year, UT hours (milliseconds dropped) and
/// `GreenwichSiderealTime`. Hours, 0 <= GST < 24.
long double GreenwichSiderealTimeAt(const DecodedInstant& utc);

} // namespace vantrel

// Calendar checks and UTC to UT1 and TT, against the leap-second history
// published by the IERS (Bulletin C) and the USNO table of TAI − UTC.

#include "sunmoon/TimeScales.h"

#include <gtest/gtest.h>

namespace vantrel::sunmoon {
namespace {

constexpr double kSecondsPerDay = 86400.0;

TEST(SunMoonCalendar, LeapSecondDays) {
    const struct {
        int Year, Month, Day;
        bool Leap;
    } cases[] = {
        {1972, 6, 30, true},   {1972, 12, 31, true},  {1998, 12, 31, true},  {2012, 6, 30, true},
        {2016, 12, 31, true},  {2016, 12, 30, false}, {2017, 12, 31, false}, {2012, 12, 31, false},
        {2016, 6, 30, false},  {1971, 12, 31, false}, // the last fractional step, 0.107 758 s
        {1968, 1, 31, false},                         // a step of −0.1 s
        {1955, 12, 31, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DayEndsWithLeapSecond(c.Year, c.Month, c.Day), c.Leap)
            << c.Year << "-" << c.Month << "-" << c.Day;
    }
}

/// TT − UT1 in seconds for UTC fields.
double TtMinusUt1Seconds(const UtcFields& utc) {
    const std::optional<TimeScales> t = TimeScalesFromUtc(utc);
    EXPECT_TRUE(t.has_value());
    if (!t) {
        return 0;
    }
    const double ut1DaysSinceJ2000 = (t->Ut1Jd1 - 2451545.0) + t->Ut1Jd2;
    return (t->TtDaysSinceJ2000 - ut1DaysSinceJ2000) * kSecondsPerDay;
}

TEST(SunMoonTimeScales, TtIsUtcPlusLeapSecondsPlus32184) {
    // TAI − UTC: 37 s since 2017, 36 s in the second half of 2015 and 2016,
    // 10 s from 1972 January 1; before 1960 no UTC (0). From 1961 to 1971 a
    // drifting value: 1965 March 1, 3.640 130 s + (MJD − 38 761) × 0.001 296 s.
    const struct {
        UtcFields Utc;
        double TaiMinusUtc;
    } cases[] = {
        {{2017, 1, 1, 0, 0, 0}, 37.0},
        {{2016, 12, 31, 23, 59, 59}, 36.0},
        {{2016, 12, 31, 23, 59, 60}, 36.0},
        {{1972, 1, 1, 0, 0, 0}, 10.0},
        {{1955, 7, 1, 12, 0, 0}, 0.0},
        {{2100, 6, 1, 0, 0, 0}, 37.0}, // beyond the table: its last value, a warning
        {{1965, 3, 1, 6, 30, 0}, 3.6401300 + (38820.0 + 6.5 / 24 - 38761.0) * 0.001296},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(TtMinusUt1Seconds(c.Utc), c.TaiMinusUtc + 32.184, 2e-5)
            << c.Utc.Year << "-" << c.Utc.Month << "-" << c.Utc.Day;
    }
}

// On the clock 23:59:60 reads as 00:00:00 of the next day for UT1, and as
// one second before it for TT.
TEST(SunMoonTimeScales, LeapSecondKeepsTtContinuous) {
    const std::optional<TimeScales> before = TimeScalesFromUtc({2016, 12, 31, 23, 59, 59});
    const std::optional<TimeScales> leap = TimeScalesFromUtc({2016, 12, 31, 23, 59, 60});
    const std::optional<TimeScales> after = TimeScalesFromUtc({2017, 1, 1, 0, 0, 0});
    ASSERT_TRUE(before && leap && after);
    EXPECT_NEAR((leap->TtDaysSinceJ2000 - before->TtDaysSinceJ2000) * kSecondsPerDay, 1.0, 1e-5);
    EXPECT_NEAR((after->TtDaysSinceJ2000 - leap->TtDaysSinceJ2000) * kSecondsPerDay, 1.0, 1e-5);
    EXPECT_NEAR(((leap->Ut1Jd1 - after->Ut1Jd1) + (leap->Ut1Jd2 - after->Ut1Jd2)) * kSecondsPerDay,
                0.0, 1e-5);
}

} // namespace
} // namespace vantrel::sunmoon

#include "astro/Clock.h"
#include "astro/DateTime.h"
#include "astro/SiderealTime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>

namespace vantrel {
namespace {

struct DayNumberCase {
    const char* name;
    int year, month, day;
    long double expected;
};

// Day numbers from 1980 January 0.0; the 1980 and 1979 rows follow the floor
// in the year count (1 January 1980 is day 1, 31 December 1979 day 0).
const DayNumberCase kDayNumbers[] = {
    {"1 March 1980", 1980, 3, 1, 61},         {"1 March 1981", 1981, 3, 1, 426},
    {"1 January 2015", 2015, 1, 1, 12785},    {"15 June 2015", 2015, 6, 15, 12950},
    {"29 February 2016", 2016, 2, 29, 13209}, {"1 March 2016", 2016, 3, 1, 13210},
    {"1 January 1980", 1980, 1, 1, 1},        {"29 February 1980", 1980, 2, 29, 60},
    {"31 December 1979", 1979, 12, 31, 0},    {"1 January 1979", 1979, 1, 1, -364},
};

TEST(DayNumber, CountsFrom1980January0) {
    for (const auto& c : kDayNumbers) {
        EXPECT_EQ(DayNumber(c.year, c.month, c.day), c.expected) << c.name;
    }
}

TEST(DayNumber, IsContinuousAcrossYearsAndCenturies) {
    DateTime t = EncodeDate(1899, 12, 30);
    long double previous = DayNumber(1899, 12, 30);
    for (int i = 1; i < 200 * 366; i += 1) {
        const DecodedInstant d = DecodeInstant(t + i);
        const long double n = DayNumber(d.Year, d.Month, d.Day);
        ASSERT_EQ(n, previous + 1) << d.Year << "-" << d.Month << "-" << d.Day;
        previous = n;
    }
}

TEST(YearTerms, YearDay0IsTheDayBeforeJanuary1) {
    EXPECT_EQ(YearTerms(2015).YearDay0, 12784);
    for (int year = 1950; year <= 2050; ++year) {
        EXPECT_EQ(YearTerms(year).YearDay0, DayNumber(year, 1, 1) - 1) << year;
    }
}

struct GstCase {
    const char* name;
    int year, month, day, hour, minute;
    long double expectedHours;
    long double tolerance;
};

TEST(GreenwichSiderealTime, AlmanacValues) {
    const GstCase cases[] = {
        {"1 January 2015 0h", 2015, 1, 1, 0, 0, 6.68862L, 5e-6L},
        {"15 June 2015 12:30", 2015, 6, 15, 12, 30, 6.06497L, 5e-6L},
    };
    for (const auto& c : cases) {
        DecodedInstant d{static_cast<std::uint16_t>(c.year),
                         static_cast<std::uint16_t>(c.month),
                         static_cast<std::uint16_t>(c.day),
                         static_cast<std::uint16_t>(c.hour),
                         static_cast<std::uint16_t>(c.minute),
                         0,
                         0};
        const long double got = GreenwichSiderealTimeAt(d);
        EXPECT_NEAR(got, c.expectedHours, c.tolerance)
            << c.name << ": expected " << c.expectedHours << " got " << got;
    }
}

/// GMST in hours from the IAU 1982 expression (Explanatory Supplement 1992,
/// eq. 2.24-1), as an outside check on the sidereal chain.
long double Gmst1982(int year, int month, int day, long double utHours) {
    const long double jd0 = 2415018.5L + EncodeDate(year, month, day); // JD of 1899-12-30 0h + days
    const long double t = (jd0 - 2451545.0L) / 36525.0L;
    const long double gmst0 = 24110.54841L + 8640184.812866L * t + 0.093104L * t * t; // s
    const long double h = gmst0 / 3600.0L + utHours * 1.002737909350795L;
    return 24 * (h / 24 - std::floor(h / 24));
}

TEST(GreenwichSiderealTime, MatchesIau1982BeforeAndAfter1980) {
    // The chain's own constants are good to a few 1e-4 h over this century.
    const int years[] = {1950, 1965, 1979, 1980, 1995, 2026, 2049};
    const int months[] = {1, 2, 3, 7, 12};
    for (const int y : years) {
        for (const int m : months) {
            const DecodedInstant d{
                static_cast<std::uint16_t>(y), static_cast<std::uint16_t>(m), 10, 18, 0, 0, 0};
            const long double got = GreenwichSiderealTimeAt(d);
            long double diff = got - Gmst1982(y, m, 10, 18);
            diff -= 24 * std::nearbyint(diff / 24);
            EXPECT_LT(std::fabs(diff), 5e-4L)
                << y << "-" << m << ": got " << got << " h, IAU " << Gmst1982(y, m, 10, 18) << " h";
        }
    }
}

TEST(FloorFrac, KeepsValuesInUnitRange) {
    const struct {
        long double x, expected;
    } cases[] = {{-0.3L, 0.7L}, {-1, 0}, {-2, 0}, {0, 0}, {25.25L, 0.25L}, {0.5L, 0.5L}};
    for (const auto& c : cases) {
        EXPECT_NEAR(FloorFrac(c.x), c.expected, 1e-18L) << "x = " << c.x;
    }
}

TEST(Names, MonthsAndWeekdays) {
    EXPECT_EQ(MonthName(1), "January");
    EXPECT_EQ(MonthName(12), "December");
    EXPECT_TRUE(MonthName(0).empty());
    EXPECT_TRUE(MonthName(13).empty());

    EXPECT_EQ(WeekdayShortName(12785), "Thu"); // 1 January 2015
    EXPECT_EQ(WeekdayShortName(0), "Mon");     // 31 December 1979
    EXPECT_EQ(WeekdayShortName(-1), "Sun");    // 30 December 1979
    EXPECT_EQ(WeekdayShortName(-364), "Mon");  // 1 January 1979
    EXPECT_TRUE(WeekdayShortName(std::nanl("")).empty());

    EXPECT_EQ(WeekdayName(EncodeDate(2015, 1, 1)), "Thursday");
    EXPECT_EQ(WeekdayName(EncodeDate(2026, 12, 9)), "Wednesday");
    EXPECT_EQ(WeekdayName(EncodeDate(1899, 12, 30)), "Saturday");
    // Rounds to the millisecond first: 0.4 ms before midnight is the next day.
    EXPECT_EQ(WeekdayName(EncodeDate(2015, 1, 2) - 0.4 / 86'400'000.0), "Friday");
}

TEST(DecodeInstant, RoundsToTheMillisecondAndSplits) {
    const DateTime t = EncodeDateTime(2016, 2, 29, 23, 59, 59, 999);
    EXPECT_EQ(DecodeInstant(t), (DecodedInstant{2016, 2, 29, 23, 59, 59, 999}));
    EXPECT_EQ(DecodeInstant(t + 0.6 / 86'400'000.0), (DecodedInstant{2016, 3, 1, 0, 0, 0, 0}));
    EXPECT_EQ(DecodeInstant(EncodeDate(1899, 12, 30)), (DecodedInstant{1899, 12, 30, 0, 0, 0, 0}));
    EXPECT_EQ(DecodeInstant(std::nan("")), DecodedInstant{});
    EXPECT_EQ(DecodeInstant(1e12), DecodedInstant{});
}

TEST(AddMinutes, FiveMinuteStepsReachTheNextMidnightExactly) {
    DateTime t = EncodeDate(2026, 3, 29);
    for (int i = 0; i < 288; ++i) {
        t = AddMinutes(t, 5);
    }
    EXPECT_EQ(DecodeInstant(t), (DecodedInstant{2026, 3, 30, 0, 0, 0, 0}));
    EXPECT_EQ(DecodeInstant(AddMinutes(EncodeDate(2026, 1, 1), -1)),
              (DecodedInstant{2025, 12, 31, 23, 59, 0, 0}));
}

TEST(StationLocalTime, ShiftsByTheStationOffset) {
    const DateTime utc = EncodeDate(2026, 6, 1);
    const struct {
        long double offset;
        bool daylight;
        int minutes;
    } cases[] = {{9.5L, false, 570},  {9.5L, true, 630},    {-5, true, -240},
                 {5.75L, false, 345}, {12.75L, false, 765}, {0, false, 0}};
    for (const auto& c : cases) {
        const DateTime local = StationLocalTime(utc, c.offset, c.daylight);
        EXPECT_NEAR((local - utc) * 1440.0, c.minutes, 1e-6)
            << "offset " << c.offset << " daylight " << c.daylight;
    }
    EXPECT_EQ(StationLocalTime(utc, std::nanl(""), false), utc);
}

class FixedClock final : public LocalClock {
public:
    LocalClockReading reading;
    LocalClockReading Now() const override { return reading; }
};

TEST(UtcClock, AppliesBiasAndFollowsDaylightState) {
    FixedClock fixed;
    UtcClock clock(fixed);
    EXPECT_FALSE(clock.DaylightInForce());

    // Central Europe in summer: bias −60, daylight bias −60.
    fixed.reading = {EncodeDateTime(2026, 7, 1, 14, 0, 0), -60, -60, true};
    EXPECT_EQ(DecodeInstant(clock.UtcNow()), (DecodedInstant{2026, 7, 1, 12, 0, 0, 0}));
    EXPECT_TRUE(clock.DaylightInForce());

    // Daylight time ends while the program runs: the flag follows.
    fixed.reading = {EncodeDateTime(2026, 10, 25, 3, 30, 0), -60, 0, false};
    EXPECT_EQ(DecodeInstant(clock.UtcNow()), (DecodedInstant{2026, 10, 25, 2, 30, 0, 0}));
    EXPECT_FALSE(clock.DaylightInForce());

    // West of Greenwich the bias is positive: Eastern daylight time.
    fixed.reading = {EncodeDateTime(2026, 7, 1, 8, 0, 0), 300, -60, true};
    EXPECT_EQ(DecodeInstant(clock.UtcNow()), (DecodedInstant{2026, 7, 1, 12, 0, 0, 0}));
}

TEST(SystemLocalClock, GivesTheTrueUtcInAnyZone) {
    const char* zones[] = {"UTC0", "CET-1CEST,M3.5.0,M10.5.0/3", "EST5EDT,M3.2.0,M11.1.0",
                           "IST-5:30", "NZST-12NZDT,M9.5.0,M4.1.0/3"};
    const char* saved = std::getenv("TZ");
    const std::string savedZone = saved ? saved : "";
    for (const char* zone : zones) {
        ::setenv("TZ", zone, 1);
        SystemLocalClock system;
        UtcClock clock(system);
        const DateTime utc = clock.UtcNow();
        const DateTime expected =
            EncodeDate(1970, 1, 1) + static_cast<double>(std::time(nullptr)) / 86400.0;
        EXPECT_NEAR((utc - expected) * 86400.0, 0.0, 2.0) << zone;
    }
    if (saved) {
        ::setenv("TZ", savedZone.c_str(), 1);
    } else {
        ::unsetenv("TZ");
    }
}

} // namespace
} // namespace vantrel

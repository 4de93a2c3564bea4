#include "planner/PlanningSweep.h"
#include "planner/GridLayout.h"
#include "planner/LibraryAngleText.h"

#include "astro/Clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>

namespace vantrel {
namespace {

/// A sun/moon library whose angles are chosen by the test: the Moon and the
/// Sun give fixed values, distinct per reader, unless `moonElevation` says
/// otherwise for an instant.
class FakeSunMoon final : public SunMoonLibrary {
public:
    std::function<double(const DecodedInstant&)> moonElevation = [](const DecodedInstant&) {
        return 10.0;
    };
    int calls = 0;

    void DataToDLL(const DecodedInstant& utc, double, double, double, SunMoonBody b) override {
        ++calls;
        at_ = utc;
        body_ = b;
    }
    double GetAzimuth() override { return body_ == SunMoonBody::Moon ? 123.456 : 200.004; }
    double GetElevation() override {
        return body_ == SunMoonBody::Moon ? moonElevation(at_) : 45.5;
    }
    double GetGHA() override { return body_ == SunMoonBody::Moon ? 359.999 : 12.345; }
    double GetDecTopo() override { return body_ == SunMoonBody::Moon ? -7.049 : -23.4; }

private:
    DecodedInstant at_;
    SunMoonBody body_ = SunMoonBody::Sun;
};

class SweepTest : public ::testing::Test {
protected:
    GridCells grid;
    HomeStation station;
    FakeSunMoon library;
    FixedDaylight noDaylight{false};
    SweepInputs in;

    void SetUp() override {
        station.Latitude = 52.2L;
        station.Longitude = -1.5L;
        station.CalcInterval = 5;
        in.StartDate = EncodeDate(2015, 1, 1);
        in.EndDate = in.StartDate;
        in.Library = &library;
        in.Daylight = &noDaylight;
        LayoutHeader(grid, station);
    }

    SweepResult Run() { return RunPlanningSweep(grid, station, in); }

    std::string Text(int col, int row) const {
        const GridCell* c = grid.FindCell(col, row);
        return c != nullptr ? c->Value : std::string("<none>");
    }
    bool IsDayRow(int row) const {
        const GridCell* c = grid.FindCell(0, row);
        return c != nullptr && c->AddCols == 2;
    }
    Colour Background(int col, int row) const {
        const GridCell* c = grid.FindCell(col, row);
        return c != nullptr ? grid.EffectiveColor(*c) : grid.Settings().Color;
    }
};

TEST_F(SweepTest, OneDayAtFiveMinutes) {
    ASSERT_EQ(Run(), SweepResult::Done);
    EXPECT_EQ(grid.RowCount(), 2 + 1 + 288);
    EXPECT_TRUE(IsDayRow(2));
    EXPECT_EQ(Text(0, 2), "Thursday 1/1/2015");
    EXPECT_EQ(Background(0, 2), gridcolour::kDayRow);
    EXPECT_EQ(Text(0, 3), "0000");
    EXPECT_EQ(Text(0, 4), "0005");
    EXPECT_EQ(Text(0, 290), "2355");
    for (int r = 3; r < grid.RowCount(); ++r) {
        ASSERT_FALSE(IsDayRow(r)) << r;
    }
    EXPECT_EQ(library.calls, 2 * 288); // the Moon then the Sun, once per row
    EXPECT_EQ(Text(16, 3), "123.46");
    EXPECT_EQ(Text(18, 3), "200.00");
    EXPECT_EQ(Text(19, 3), "45.50");
    // Header stays as laid out.
    EXPECT_EQ(Text(0, 1), "UTC");
    EXPECT_EQ(Text(2, 1), "Azimuth");
}

TEST_F(SweepTest, EndBeforeStartGivesOneDataRow) {
    const struct {
        const char* Name;
        DateTime Start;
        DateTime End;
    } cases[] = {
        {"a week before", EncodeDate(2015, 1, 1), EncodeDate(2014, 12, 25)},
        // More days back than rows fit in an int at one row a minute.
        {"the last day before the first", EncodeDate(9999, 12, 31), EncodeDate(1, 1, 1)},
        {"far before any calendar", EncodeDate(2015, 1, 1), -1e12},
    };
    station.CalcInterval = 1;
    for (const auto& c : cases) {
        in.StartDate = c.Start;
        in.EndDate = c.End;
        ASSERT_EQ(Run(), SweepResult::Done) << c.Name;
        EXPECT_EQ(grid.RowCount(), 4) << c.Name;
        EXPECT_TRUE(IsDayRow(2)) << c.Name;
        EXPECT_EQ(Text(0, 3), "0000") << c.Name;
    }
}

TEST_F(SweepTest, EveryNewDateGetsItsDayRow) {
    station.CalcInterval = 1440;
    in.EndDate = EncodeDate(2015, 1, 3);
    ASSERT_EQ(Run(), SweepResult::Done);
    ASSERT_EQ(grid.RowCount(), 2 + 6);
    EXPECT_EQ(Text(0, 4), "Friday 2/1/2015");
    EXPECT_EQ(Text(0, 6), "Saturday 3/1/2015");
    EXPECT_EQ(Text(0, 7), "0000");

    // A week apart every step falls on a Thursday, yet every row is a new date.
    station.CalcInterval = 10080;
    in.EndDate = EncodeDate(2015, 1, 21);
    ASSERT_EQ(Run(), SweepResult::Done);
    ASSERT_EQ(grid.RowCount(), 2 + 6);
    EXPECT_EQ(Text(0, 4), "Thursday 8/1/2015");
    EXPECT_EQ(Text(0, 6), "Thursday 15/1/2015");

    // Steps run on through midnight without restarting.
    station.CalcInterval = 7;
    in.EndDate = EncodeDate(2015, 1, 2);
    ASSERT_EQ(Run(), SweepResult::Done);
    const int lastOfDay = 3 + 1440 / 7; // 205 steps on the first day, 00:00 to 23:48
    EXPECT_EQ(Text(0, lastOfDay), "2355");
    EXPECT_EQ(Text(0, lastOfDay + 1), "Friday 2/1/2015");
    EXPECT_EQ(Text(0, lastOfDay + 2), "0002");
}

TEST_F(SweepTest, StepsAreCountedNotAccumulated) {
    // Adding 1/1440 day 44 000 times drifts by milliseconds; counted steps do not.
    station.CalcInterval = 1;
    in.StartDate = EncodeDate(1985, 1, 1);
    in.EndDate = EncodeDate(1985, 1, 31);
    ASSERT_EQ(Run(), SweepResult::Done);
    EXPECT_EQ(grid.RowCount(), 2 + 31 + 31 * 1440);
    int minute = 0;
    for (int r = 3; r < grid.RowCount(); ++r) {
        if (IsDayRow(r)) {
            ASSERT_EQ(minute % 1440, 0) << r;
            continue;
        }
        char expected[8]; // room for any two int fields the compiler cannot bound
        std::snprintf(expected, sizeof expected, "%02d%02d", minute / 60 % 24, minute % 60);
        ASSERT_EQ(Text(0, r), expected) << "row " << r;
        ++minute;
    }
}

TEST_F(SweepTest, LocalTimeMarksTheOtherDate) {
    station.CalcInterval = 60;
    station.UtcOffset = 10;
    ASSERT_EQ(Run(), SweepResult::Done);
    EXPECT_EQ(Text(1, 3 + 16), "+0200"); // 16:00 UTC
    EXPECT_EQ(Text(1, 3 + 13), "2300");

    station.UtcOffset = -5;
    ASSERT_EQ(Run(), SweepResult::Done);
    EXPECT_EQ(Text(1, 3 + 12), "0700");
    EXPECT_EQ(Text(1, 3 + 2), "-2100");
    EXPECT_EQ(Text(1, 3 + 5), "0000");

    FixedDaylight daylight(true);
    in.Daylight = &daylight;
    ASSERT_EQ(Run(), SweepResult::Done);
    EXPECT_EQ(Text(1, 3 + 12), "0800");
    EXPECT_EQ(Text(1, 3 + 3), "-2300");
}

TEST_F(SweepTest, EachRowTakesTheDaylightOfItsInstant) {
    class EndsAtOneUtc final : public DaylightRules {
    public:
        bool InForceAt(DateTime utc) const override {
            return utc < EncodeDateTime(2026, 10, 25, 1, 0, 0);
        }
    } rules;
    in.Daylight = &rules;
    station.CalcInterval = 30;
    in.StartDate = in.EndDate = EncodeDate(2026, 10, 25);
    ASSERT_EQ(Run(), SweepResult::Done);
    EXPECT_EQ(Text(1, 3 + 1), "0130"); // 00:30 UTC, summer time
    EXPECT_EQ(Text(1, 3 + 2), "0100"); // 01:00 UTC, winter time again
}

TEST(SystemDaylightRules, FollowTheZoneRulesPerInstant) {
    const char* saved = std::getenv("TZ");
    const std::string savedZone = saved ? saved : "";
    ::setenv("TZ", "GMT0BST,M3.5.0/1,M10.5.0", 1);
    {
        SystemDaylightRules rules;
        EXPECT_TRUE(rules.InForceAt(EncodeDateTime(2026, 7, 1, 12, 0, 0)));
        EXPECT_FALSE(rules.InForceAt(EncodeDateTime(2026, 12, 1, 12, 0, 0)));
        // Summer time ends at 01:00 UTC on 25 October 2026.
        EXPECT_TRUE(rules.InForceAt(EncodeDateTime(2026, 10, 25, 0, 59, 0)));
        EXPECT_FALSE(rules.InForceAt(EncodeDateTime(2026, 10, 25, 1, 0, 0)));
        EXPECT_TRUE(rules.InForceAt(EncodeDateTime(2026, 10, 25, 0, 45, 0)));
        EXPECT_FALSE(rules.InForceAt(std::nan("")));
    }
    if (saved) {
        ::setenv("TZ", savedZone.c_str(), 1);
    } else {
        ::unsetenv("TZ");
    }
}

TEST_F(SweepTest, BelowTheHorizonIsBlankAndWhite) {
    station.CalcInterval = 60;
    library.moonElevation = [](const DecodedInstant& t) { return t.Hour == 3 ? -0.001 : 0.0; };
    ASSERT_EQ(Run(), SweepResult::Done);
    EXPECT_EQ(Text(16, 3 + 3), "");
    EXPECT_EQ(Background(16, 3 + 3), gridcolour::kBelowHorizon);
    EXPECT_EQ(Background(17, 3 + 3), gridcolour::kBelowHorizon);
    EXPECT_EQ(Text(17, 3 + 4), "0.00");
    EXPECT_EQ(Background(17, 3 + 4), gridcolour::kMoon);

    // At the pole the elevation of a fixed source is its declination: -0.004
    // rounds to 0.00 and stays, -0.006 is below the horizon.
    station.Latitude = 90;
    station.SourceOption = 2;
    station.UserSourceDec = -0.004L;
    ASSERT_EQ(Run(), SweepResult::Done);
    EXPECT_EQ(Text(7, 3), " 0.00");
    EXPECT_EQ(Background(7, 3), colour::kActiveBorder);
    station.UserSourceDec = -0.006L;
    ASSERT_EQ(Run(), SweepResult::Done);
    EXPECT_EQ(Text(6, 3), "");
    EXPECT_EQ(Background(6, 3), gridcolour::kBelowHorizon);
    // Aquarius stands on the equator: 0.00 at the pole, shown.
    EXPECT_EQ(Text(3, 3), " 0.00");
}

TEST_F(SweepTest, PolarModeShowsHourAnglesAndDeclinations) {
    station.DisplayMode = 1;
    station.CalcInterval = 720;
    ASSERT_EQ(Run(), SweepResult::Done);
    EXPECT_EQ(Text(16, 3), "360.00");
    EXPECT_EQ(Text(17, 3), "-7.05");
    EXPECT_EQ(Text(18, 3), "12.35");
    EXPECT_EQ(Text(19, 3), "-23.40");
    EXPECT_EQ(Text(9, 3), "40.73"); // Cygnus A, the stored declination
    EXPECT_EQ(Text(9, 4), "40.73");
    EXPECT_NE(Text(8, 3), Text(8, 4)); // its hour angle moves
}

TEST_F(SweepTest, ALaterSweepLeavesNothingOfAnEarlierOne) {
    station.CalcInterval = 60;
    library.moonElevation = [](const DecodedInstant&) { return -1.0; };
    in.EndDate = EncodeDate(2015, 1, 3);
    ASSERT_EQ(Run(), SweepResult::Done);
    EXPECT_EQ(grid.RowCount(), 2 + 3 + 72);
    EXPECT_EQ(Background(16, 5), gridcolour::kBelowHorizon);

    library.moonElevation = [](const DecodedInstant&) { return 1.0; };
    station.CalcInterval = 120;
    in.EndDate = in.StartDate;
    ASSERT_EQ(Run(), SweepResult::Done);
    EXPECT_EQ(grid.RowCount(), 2 + 1 + 12);
    EXPECT_EQ(Background(16, 5), gridcolour::kMoon);
    EXPECT_EQ(Text(0, 4), "0200");
    EXPECT_EQ(grid.MaxUsedRow(), 14);
}

TEST_F(SweepTest, RefusesWhatCouldNeverFinish) {
    const std::size_t before = grid.Cells().size();
    station.CalcInterval = 0;
    EXPECT_EQ(Run(), SweepResult::IntervalTooSmall);
    station.CalcInterval = -5;
    EXPECT_EQ(Run(), SweepResult::IntervalTooSmall);
    station.CalcInterval = 1;
    in.EndDate = EncodeDate(2017, 1, 1);
    EXPECT_EQ(Run(), SweepResult::TooManyRows);
    in.EndDate = std::nan("");
    EXPECT_EQ(Run(), SweepResult::BadDates);
    EXPECT_EQ(grid.Cells().size(), before);
    EXPECT_EQ(grid.RowCount(), 30);
}

TEST_F(SweepTest, LibraryAnglesFollowTheUsersSeparator) {
    in.DecimalSeparator = ',';
    station.CalcInterval = 1440;
    ASSERT_EQ(Run(), SweepResult::Done);
    EXPECT_EQ(Text(16, 3), "123,46");
    EXPECT_NE(Text(6, 3).find('.'), std::string::npos); // Cassiopeia A keeps the point
}

TEST(LibraryAngleText, TwoDecimalsNoSignOnZero) {
    EXPECT_EQ(LibraryAngleText(123.456, '.'), "123.46");
    EXPECT_EQ(LibraryAngleText(-7.049, '.'), "-7.05");
    EXPECT_EQ(LibraryAngleText(-0.001, '.'), "0.00");
    EXPECT_EQ(LibraryAngleText(359.999, '.'), "360.00");
    EXPECT_EQ(LibraryAngleText(0.125, ','), "0,12");
    EXPECT_EQ(LibraryAngleText(1e300, '.').size(), 304U);
    EXPECT_EQ(LibraryAngleText(std::nan(""), '.'), "NaN");
    EXPECT_EQ(LibraryAngleText(-INFINITY, '.'), "-Inf");
}

} // namespace
} // namespace vantrel

// The G/T chart's time axis: round marks from minutes to years, each case
// worked out by hand from the calendar.

#include "measurewin/GOverTHistory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantrel {
namespace {

struct AxisCase {
    const char* Name;
    DateTime First;
    DateTime Last;
    std::vector<std::string> Labels; ///< every mark, first to last
};

class RoundTimeAxisCases : public ::testing::TestWithParam<AxisCase> {};

TEST_P(RoundTimeAxisCases, MarksRoundTimesThatCoverTheSpan) {
    const AxisCase& c = GetParam();
    const TimeAxis axis = RoundTimeAxis(c.First, c.Last, 6);
    std::vector<std::string> labels;
    for (const TimeAxisMark& m : axis.Marks) {
        labels.push_back(m.Label);
    }
    EXPECT_EQ(labels, c.Labels);
    ASSERT_FALSE(axis.Marks.empty());
    EXPECT_LE(axis.FirstUtc, c.First);
    EXPECT_GE(axis.LastUtc, c.Last);
    EXPECT_EQ(axis.FirstUtc, axis.Marks.front().Utc);
    EXPECT_EQ(axis.LastUtc, axis.Marks.back().Utc);
}

INSTANTIATE_TEST_SUITE_P(
    Spans, RoundTimeAxisCases,
    ::testing::Values(AxisCase{"Minutes",
                               EncodeDateTime(2026, 12, 9, 20, 3, 0),
                               EncodeDateTime(2026, 12, 9, 20, 21, 0),
                               {"12-09 20:00", "12-09 20:05", "12-09 20:10", "12-09 20:15",
                                "12-09 20:20", "12-09 20:25"}},
                      AxisCase{"ALoneInstantAnHourEitherSide",
                               EncodeDateTime(2026, 12, 9, 20, 0, 0),
                               EncodeDateTime(2026, 12, 9, 20, 0, 0),
                               {"12-09 19:00", "12-09 19:30", "12-09 20:00", "12-09 20:30",
                                "12-09 21:00"}},
                      AxisCase{"AWeekInStepsOfTwoDays",
                               EncodeDateTime(2026, 12, 1, 20, 17, 0),
                               EncodeDateTime(2026, 12, 8, 22, 5, 0),
                               {"2026-11-30", "2026-12-02", "2026-12-04", "2026-12-06",
                                "2026-12-08", "2026-12-10"}},
                      AxisCase{"SeasonInCalendarMonths",
                               EncodeDateTime(2026, 3, 15, 12, 0, 0),
                               EncodeDateTime(2026, 9, 2, 0, 0, 0),
                               {"2026-03", "2026-05", "2026-07", "2026-09", "2026-11"}},
                      AxisCase{"Years",
                               EncodeDate(2019, 5, 1),
                               EncodeDate(2026, 12, 9),
                               {"2018", "2020", "2022", "2024", "2026", "2028"}}),
    [](const auto& info) { return std::string(info.param.Name); });

/// Two antennas on one source in one band are two lines, named by antenna;
/// one antenna leaves the names as they were.
TEST(GOverTHistoryOf, AnotherAntennaIsAnotherLine) {
    std::vector<measure::MeasurementRecord> records(3);
    const char* utcs[] = {"2026-12-01T20:00:00Z", "2026-12-02T20:00:00Z", "2026-12-03T20:00:00Z"};
    const char* antennas[] = {"dish 3 m, efficiency 0.55", "dish 1.2 m, efficiency 0.6",
                              "dish 3 m, efficiency 0.55"};
    for (std::size_t i = 0; i < records.size(); ++i) {
        records[i].Utc = utcs[i];
        records[i].Source = "Moon";
        records[i].FrequencyMHz = 10368;
        records[i].Antenna = antennas[i];
        records[i].GOverTDbPerK = 20.0 + static_cast<double>(i);
    }
    const GOverTHistory two = GOverTHistoryOf(records);
    ASSERT_EQ(two.Series.size(), 2U);
    EXPECT_TRUE(two.SeveralAntennas);
    EXPECT_EQ(two.Series[0].Antenna, antennas[1]);
    EXPECT_EQ(two.Series[0].Points.size(), 1U);
    EXPECT_EQ(two.Series[1].Points.size(), 2U);
    records.pop_back();
    records.erase(records.begin() + 1);
    EXPECT_FALSE(GOverTHistoryOf(records).SeveralAntennas);
}

} // namespace
} // namespace vantrel

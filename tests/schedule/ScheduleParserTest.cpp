#include "schedule/ScheduleParser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace vantrel::schedule {
namespace {

TEST(ScheduleParser, ReadsANightAsWritten) {
    const std::string night = "\xEF\xBB\xBF# A night on Cas A and the Sun\r\n"
                              "\r\n"
                              "at 2026-12-10T18:30Z\r\n"
                              "CROSS\tcas   span=6 points=21   # wide\r\n"
                              "apply\n"
                              "lst 23:20:30\n"
                              "grid Cassiopeia-A size=5 spacing=0.5\n"
                              "y cas pairs=4 off-beams=3.5\n"
                              "beamswitch cyg 600 throw=2\n"
                              "drift tau span=4\n"
                              "cal on\n"
                              "record 120.5\n"
                              "cal OFF\n"
                              "track sun 3600\n"
                              "wait 30\n"
                              "pointing cas cyg tau vir\n"
                              "park";
    const ScheduleParse p = ParseSchedule(night);
    ASSERT_TRUE(p.Usable()) << (p.Errors.empty() ? "" : p.Errors.front().Describe());
    ASSERT_EQ(p.Steps.size(), 15U);
    const auto& at = p.Steps[0];
    EXPECT_EQ(at.Kind, StepKind::At);
    EXPECT_EQ(at.Line, 3);
    EXPECT_NEAR(at.Utc, EncodeDateTime(2026, 12, 10, 18, 30, 0), 1e-9);
    const auto& cross = p.Steps[1];
    EXPECT_EQ(cross.Kind, StepKind::Cross);
    EXPECT_EQ(cross.Text, "CROSS cas span=6 points=21");
    EXPECT_EQ(cross.Source(), SkySource::CassiopeiaA);
    EXPECT_EQ(cross.SpanBeams, 6.0);
    EXPECT_EQ(cross.Points, 21);
    EXPECT_NEAR(p.Steps[3].LstHours, 23 + 20 / 60.0 + 30 / 3600.0, 1e-12);
    EXPECT_EQ(p.Steps[4].Source(), SkySource::CassiopeiaA);
    EXPECT_EQ(p.Steps[4].Size, 5);
    EXPECT_EQ(p.Steps[4].SpacingBeams, 0.5);
    EXPECT_EQ(p.Steps[5].Pairs, 4);
    EXPECT_EQ(p.Steps[5].OffBeams, 3.5);
    EXPECT_EQ(p.Steps[6].Seconds, 600);
    EXPECT_EQ(p.Steps[6].ThrowBeams, 2.0);
    EXPECT_FALSE(p.Steps[7].Points.has_value()) << "left out: the settings' default";
    EXPECT_TRUE(p.Steps[8].CalOn);
    EXPECT_EQ(p.Steps[9].Seconds, 120.5);
    EXPECT_FALSE(p.Steps[10].CalOn);
    EXPECT_EQ(p.Steps[11].Source(), SkySource::Sun);
    ASSERT_EQ(p.Steps[13].Sources.size(), 4U);
    EXPECT_EQ(p.Steps[13].Sources[3], SkySource::VirgoA);
    EXPECT_EQ(p.Steps[14].Kind, StepKind::Park);
    EXPECT_EQ(p.Steps[14].Line, 17);
}

TEST(ScheduleParser, RefusesEveryBadLineWithItsNumberAndReason) {
    struct Case {
        const char* Line;
        const char* Says;
    };
    const Case cases[] = {
        {"trak cas 60", "'trak' is not a step; the steps are at, lst, wait, track"},
        {"track cas", "track needs more: track SOURCE SECONDS"},
        {"track vega 60", "'vega' names no source: give one of"},
        {"track cas 0", "'0' is no duration"},
        {"track cas 1e9", "'1e9' is no duration"},
        {"wait 2,5", "(with a decimal point, not a comma)"},
        {"wait nan", "'nan' is no duration"},
        {"park now", "'now' is more than the step takes: park"},
        {"cal maybe", "cal takes on or off, not 'maybe'"},
        {"cross cas size=5", "cross takes span= and points=, not 'size=5'"},
        {"cross cas points=5", "points=5: give a whole number from 6 to 201"},
        {"cross cas points=5.5", "points=5.5: give a whole number"},
        {"grid cas spacing=0,5", "give beamwidths from 0.1 to 2 (with a decimal point"},
        {"y cas pairs=3 pairs=4", "pairs= is given twice"},
        {"y cas 4", "'4' is more than the step takes: y SOURCE"},
        {"at 2026-02-29T10:00", "is no date of the calendar"},
        {"at 2026-12-10 18:00", "is more than the step takes"},
        {"at 2026-12-10T25:00", "is no UTC date and time"},
        {"at 12/10/2026", "is no UTC date and time"},
        {"lst 24:00", "is no sidereal time"},
        {"lst 5:30", "is no sidereal time"},
        {"pointing", "pointing needs more"},
        {"beamswitch cas throw=2", "'throw=2' is no duration"},
    };
    std::string text = "wait 10\n";
    for (const Case& c : cases) {
        text += std::string(c.Line) + "   # case\n";
    }
    const ScheduleParse p = ParseSchedule(text);
    EXPECT_FALSE(p.Usable());
    ASSERT_EQ(p.Steps.size(), 1U) << "the good line is still read";
    ASSERT_EQ(p.Errors.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(p.Errors[i].Line, static_cast<int>(i) + 2) << cases[i].Line;
        EXPECT_NE(p.Errors[i].Reason.find(cases[i].Says), std::string::npos)
            << cases[i].Line << " -> " << p.Errors[i].Reason;
    }
    EXPECT_EQ(p.Errors[0].Describe().rfind("line 2: 'trak'", 0), 0U) << p.Errors[0].Describe();

    const ScheduleParse empty = ParseSchedule("# nothing but a comment\n\n   \n");
    ASSERT_EQ(empty.Errors.size(), 1U);
    EXPECT_EQ(empty.Errors[0].Describe(), "line 0: the schedule has no step");
}

} // namespace
} // namespace vantrel::schedule

#include "schedule/ScheduleState.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace vantrel::schedule {
namespace {

namespace fs = std::filesystem;

class ScheduleStateFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::string base = (fs::temp_directory_path() / "vantrel-state-XXXXXX").string();
        ASSERT_NE(::mkdtemp(base.data()), nullptr);
        dir_ = base;
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

StepOutcome Outcome(int step, StepStatus status, std::string summary) {
    StepOutcome o;
    o.Step = step;
    o.Line = step + 2;
    o.UtcStart = EncodeDateTime(2026, 12, 10, 18, step, 0);
    o.UtcEnd = EncodeDateTime(2026, 12, 10, 18, step, 59) + 0.4 / 86400; // rounds down
    o.Command = "cross cas span=6";
    o.Status = status;
    o.Summary = std::move(summary);
    return o;
}

TEST_F(ScheduleStateFile, KeepsEveryEndedStepAcrossRewritesAndLeavesNoTemporaryFile) {
    const ScheduleParse parse = ParseSchedule("cross cas\ny cas\npark\n");
    const std::string path = StatePath((dir_ / "night.txt").string());
    EXPECT_EQ(path, (dir_ / "night.txt.state").string());

    ScheduleState none;
    EXPECT_FALSE(ReadScheduleState(path, none)) << "no file yet is no failure";
    EXPECT_TRUE(none.Ended.empty());

    ScheduleState state;
    state.Fingerprint = ScheduleFingerprint(parse);
    state.Ended.push_back(Outcome(
        1, StepStatus::Ok,
        SummaryText({{"az_offset_deg", "-0.120"}, {"note", "wind; gusts, \"strong\"\nat times"}})));
    ASSERT_FALSE(WriteScheduleState(path, state));
    state.Ended.push_back(Outcome(2, StepStatus::Partial, "y_db=3.0"));
    ASSERT_FALSE(WriteScheduleState(path, state));

    ScheduleState read;
    ASSERT_FALSE(ReadScheduleState(path, read));
    EXPECT_EQ(read.Fingerprint, state.Fingerprint);
    ASSERT_EQ(read.Ended.size(), 2U);
    StepOutcome expected = state.Ended[0];
    expected.UtcEnd = EncodeDateTime(2026, 12, 10, 18, 1, 59);
    EXPECT_EQ(read.Ended[0], expected);
    EXPECT_EQ(read.Ended[0].Summary, "az_offset_deg=-0.120;note=wind, gusts, \"strong\" at times");
    ASSERT_NE(read.Of(2), nullptr);
    EXPECT_EQ(read.Of(2)->Status, StepStatus::Partial);
    EXPECT_EQ(read.Of(3), nullptr);

    int files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir_)) {
        ++files;
    }
    EXPECT_EQ(files, 1) << "the temporary file of each write is renamed, none stays";

    // A line cut short by an older program's crash costs that line alone.
    { std::ofstream(path, std::ios::app) << "3,5,2026-12-10T19:00:00Z,2026-12-1"; }
    ASSERT_FALSE(ReadScheduleState(path, read));
    EXPECT_EQ(read.Ended.size(), 2U);
}

TEST_F(ScheduleStateFile, BelongsToItsScheduleAndRefusesAStranger) {
    const std::string a = ScheduleFingerprint(ParseSchedule("cross cas\npark\n"));
    EXPECT_EQ(a, ScheduleFingerprint(ParseSchedule("# tonight\n\ncross   cas # first\npark\n")))
        << "comments, blanks and line numbers are not the schedule";
    EXPECT_NE(a, ScheduleFingerprint(ParseSchedule("cross cyg\npark\n")));
    EXPECT_NE(a, ScheduleFingerprint(ParseSchedule("park\ncross cas\n")));

    const std::string path = (dir_ / "notes.txt").string();
    { std::ofstream(path) << "step,line\n1,2\n"; }
    ScheduleState state;
    const auto error = ReadScheduleState(path, state);
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("is not a schedule's state"), std::string::npos) << *error;

    const auto unwritable = WriteScheduleState((dir_ / "no" / "such" / "x.state").string(), state);
    ASSERT_TRUE(unwritable);
    EXPECT_NE(unwritable->find("Cannot write the schedule's state"), std::string::npos);
}

} // namespace
} // namespace vantrel::schedule

// The measurement log: appended, rewritten only to withdraw a record (every
// other byte kept); damaged lines passed over with a note; failures to write
// said.

#include "measure/MeasurementLog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vantrel::measure {
namespace {

namespace fs = std::filesystem;

class MeasurementLogFile : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("vantrel-log-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        path_ = (folder_ / kMeasurementLogName).string();
    }
    void TearDown() override {
        fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(folder_);
    }
    std::string Contents() const {
        std::ifstream in(path_, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static MeasurementRecord Sample(int k) {
        MeasurementRecord r;
        r.Utc = "2026-12-09T21:" + std::to_string(10 + k % 50) + ":00Z";
        r.Source = k % 2 == 0 ? "Cassiopeia-A" : "Sun";
        r.ElevationDeg = 62.93 + 0.1 * k;
        r.FrequencyMHz = 10368.1;
        r.Antenna = "dish 3 m, efficiency 0.55, \"offset\" feed"; // comma and quotes
        r.TsysK = 60.0 / 7.0;                                     // all 17 digits matter
        if (k % 2 == 1) {
            r.SolarFluxSfu = 71.3;
        }
        r.MeasuredYDb = 0.0301;
        r.GOverTDbPerK = 29.84;
        return r;
    }
    fs::path folder_;
    std::string path_;
};

TEST_F(MeasurementLogFile, AppendsWithOneHeaderAndReadsBackExactly) {
    ASSERT_FALSE(AppendMeasurement(path_, Sample(0)).has_value());
    ASSERT_FALSE(AppendMeasurement(path_, Sample(1)).has_value());
    const std::string text = Contents();
    EXPECT_EQ(text.find(std::string(kMeasurementLogHeader) + "\n"), 0U);
    EXPECT_EQ(text.find(kMeasurementLogHeader, 1), std::string::npos); // the header once
    MeasurementLog log;
    ASSERT_FALSE(ReadMeasurementLog(path_, log).has_value());
    ASSERT_EQ(log.Records.size(), 2U);
    EXPECT_EQ(log.Records[0], Sample(0)); // doubles bit for bit, quoted texts whole
    EXPECT_EQ(log.Records[1], Sample(1));
    EXPECT_TRUE(log.Skipped.empty());
}

/// A line break in a text was written inside quotes, but the log is read
/// line by line: the record was lost and its two halves skipped as damaged.
TEST_F(MeasurementLogFile, ALineBreakInATextKeepsTheRecord) {
    MeasurementRecord r = Sample(0);
    r.Antenna = "dish 3 m\nrepainted\r\n";
    r.Source = "Sun\r";
    ASSERT_FALSE(AppendMeasurement(path_, r).has_value());
    ASSERT_FALSE(AppendMeasurement(path_, Sample(1)).has_value());
    MeasurementLog log;
    ASSERT_FALSE(ReadMeasurementLog(path_, log).has_value());
    EXPECT_TRUE(log.Skipped.empty());
    ASSERT_EQ(log.Records.size(), 2U);
    EXPECT_EQ(log.Records[0].Antenna, "dish 3 m repainted  ");
    EXPECT_EQ(log.Records[0].Source, "Sun ");
    EXPECT_EQ(log.Records[1], Sample(1));
}

/// A log whose last line has no line break (as many editors save it): the
/// record was appended to that line and both were lost as one damaged line.
TEST_F(MeasurementLogFile, AnAppendNeverJoinsTheLastLine) {
    const std::string first = MeasurementLine(Sample(0));
    const struct {
        const char* Name;
        std::string Before;
        std::size_t Records;
    } cases[] = {
        {"last record without a break", std::string(kMeasurementLogHeader) + "\n" + first, 2},
        {"CR LF, last without a break", std::string(kMeasurementLogHeader) + "\r\n" + first, 2},
        {"header without a break", std::string(kMeasurementLogHeader), 1},
        {"empty file", "", 1},
    };
    for (const auto& c : cases) {
        std::ofstream(path_, std::ios::binary | std::ios::trunc) << c.Before;
        ASSERT_FALSE(AppendMeasurement(path_, Sample(1)).has_value()) << c.Name;
        const std::string text = Contents();
        EXPECT_EQ(text.rfind(c.Before, 0), 0U) << c.Name << ": what was there is kept";
        EXPECT_EQ(text.find(kMeasurementLogHeader), 0U) << c.Name;
        MeasurementLog log;
        ASSERT_FALSE(ReadMeasurementLog(path_, log).has_value());
        EXPECT_TRUE(log.Skipped.empty()) << c.Name << ": " << log.Skipped.front();
        ASSERT_EQ(log.Records.size(), c.Records) << c.Name;
        EXPECT_EQ(log.Records.back(), Sample(1)) << c.Name;
    }
}

/// Withdrawing keeps the record in the file, marked, and every other byte;
/// a log of the first kind (no status column, hand-edited, a damaged line,
/// columns of a later version) keeps reading and is withdrawn from alike.
TEST_F(MeasurementLogFile, WithdrawingMarksOneLineAndKeepsTheRest) {
    const std::string oldLine =
        "2026-12-01T20:00:00Z,Moon,30,10368,\"dish 3 m, eff 0.55\",60,,2.5,30.1";
    const std::string laterLine = "2026-12-02T20:00:00Z,Sun,40,10368,gain 20 dBi,80,71.3,9,28,,"
                                  "y-factor,0.2"; // status empty, then two later columns
    const std::string damaged = "2026-12-03T20:00:00Z,Moon,30";
    const std::string before = std::string(kMeasurementLogHeaderWithoutStatus) + "\r\n" + oldLine +
                               "\r\n" + damaged + "\n" + laterLine + "\n";
    std::ofstream(path_, std::ios::binary) << before;
    MeasurementLog log;
    ASSERT_FALSE(ReadMeasurementLog(path_, log).has_value());
    ASSERT_EQ(log.Records.size(), 2U);
    ASSERT_EQ(log.Lines, (std::vector<std::size_t>{2, 4}));
    EXPECT_FALSE(log.Records[0].Withdrawn || log.Records[1].Withdrawn);
    EXPECT_EQ(log.Records[1].GOverTDbPerK, 28);

    ASSERT_FALSE(SetWithdrawn(path_, 2, log.Records[0], true).has_value());
    ASSERT_FALSE(SetWithdrawn(path_, 4, log.Records[1], true).has_value());
    const std::string withdrawn = std::string(kMeasurementLogHeader) + "\r\n" + oldLine +
                                  ",withdrawn\r\n" + damaged + "\n" +
                                  "2026-12-02T20:00:00Z,Sun,40,10368,gain 20 dBi,80,71.3,9,28,"
                                  "withdrawn,y-factor,0.2\n";
    EXPECT_EQ(Contents(), withdrawn);
    MeasurementLog after;
    ASSERT_FALSE(ReadMeasurementLog(path_, after).has_value());
    ASSERT_EQ(after.Records.size(), 2U);
    EXPECT_TRUE(after.Records[0].Withdrawn && after.Records[1].Withdrawn);
    EXPECT_EQ(after.Skipped.size(), 1U);

    // In use again: the status emptied, nothing else moves.
    ASSERT_FALSE(SetWithdrawn(path_, 2, after.Records[0], false).has_value());
    std::string restored = withdrawn;
    const std::string mark = ",withdrawn\r\n";
    restored.replace(restored.find(mark), mark.size(), ",\r\n");
    EXPECT_EQ(Contents(), restored);

    // A line that no longer holds the record read, or no record at all:
    // refused, the log untouched.
    const auto stale = SetWithdrawn(path_, 4, log.Records[0], true);
    ASSERT_TRUE(stale.has_value());
    EXPECT_NE(stale->find("has changed since it was read"), std::string::npos);
    EXPECT_TRUE(SetWithdrawn(path_, 3, log.Records[0], true).has_value());
    EXPECT_TRUE(SetWithdrawn(path_, 9, log.Records[0], true).has_value());
    EXPECT_EQ(Contents(), restored);
    // Nothing left beside the log.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
}

/// A withdrawal replaces the log by a new file: a program appending at the
/// same time must find the new one, never write into the old one that is no
/// longer the log.
TEST_F(MeasurementLogFile, WithdrawingWhileAnotherProgramLogsLosesNothing) {
    constexpr int kAppends = 200;
    ASSERT_FALSE(AppendMeasurement(path_, Sample(0)).has_value());
    MeasurementLog first;
    ASSERT_FALSE(ReadMeasurementLog(path_, first).has_value());
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        bool ok = true;
        for (int k = 0; k < kAppends; ++k) {
            ok = !AppendMeasurement(path_, Sample(1)).has_value() && ok;
        }
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    int flips = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        EXPECT_FALSE(SetWithdrawn(path_, 2, first.Records[0], flips % 2 == 0).has_value());
        ++flips;
        ::usleep(2000); // a user's pace, however quick
    }
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_GT(flips, 1);
    MeasurementLog log;
    ASSERT_FALSE(ReadMeasurementLog(path_, log).has_value());
    EXPECT_TRUE(log.Skipped.empty());
    EXPECT_EQ(log.Records.size(), 1U + kAppends);
}

TEST_F(MeasurementLogFile, AMissingLogIsAnEmptyOne) {
    MeasurementLog log;
    log.Skipped.push_back("left over");
    EXPECT_FALSE(ReadMeasurementLog(path_, log).has_value());
    EXPECT_TRUE(log.Records.empty());
    EXPECT_TRUE(log.Skipped.empty());
}

TEST(MeasurementLogText, DamagedLinesAreSkippedWithANote) {
    const std::string good = MeasurementLine(MeasurementRecord{
        "2026-12-09T21:00:00Z", "Moon", 40, 1296, "yagi 20 dBi", 80, std::nullopt, 1.2, -5.5});
    const std::string text = std::string(kMeasurementLogHeader) + "\n" + good + "\r\n" +
                             "2026-12-09T21:01:00Z,Moon,40\n" + // line 3: too few
                             "2026-12-09T21:02:00Z,Moon,high,1296,a,80,,1.2,-5\n" + // line 4
                             "2026-12-09T21:03:00Z,\"Moon,40,1296,a,80,,1.2,-5\n" + // line 5
                             "2026-12-09T21:04:00Z,Moon,nan,1296,a,80,,1.2,-5\n" +  // line 6
                             "\n" + good;                                           // line 8
    const MeasurementLog log = ParseMeasurementLog(text);
    ASSERT_EQ(log.Records.size(), 2U);
    EXPECT_EQ(log.Records[0].Source, "Moon");
    EXPECT_FALSE(log.Records[0].SolarFluxSfu.has_value());
    ASSERT_EQ(log.Skipped.size(), 4U);
    EXPECT_EQ(log.Skipped[0], "line 3 skipped: at least 9 fields expected, 3 found");
    EXPECT_EQ(log.Skipped[1], "line 4 skipped: a value is missing or not a number");
    EXPECT_EQ(log.Skipped[2], "line 5 skipped: a quote is not closed");
    EXPECT_EQ(log.Skipped[3], "line 6 skipped: a value is missing or not a number");
}

TEST_F(MeasurementLogFile, ALogThatCannotBeWrittenIsSaidAndNothingChanges) {
    // A log whose folder is a plain file can never be made.
    const std::string under = (folder_ / "plain").string();
    std::ofstream(under) << "x";
    const auto refused = AppendMeasurement(under + "/" + kMeasurementLogName, Sample(0));
    ASSERT_TRUE(refused.has_value());
    EXPECT_NE(refused->find("Cannot write the measurement log"), std::string::npos);

    // A folder without write access, as a user who is not root sees it:
    // the child gives up root's powers where it has them.
    ASSERT_FALSE(AppendMeasurement(path_, Sample(0)).has_value());
    const std::string before = Contents();
    fs::permissions(folder_,
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    const std::string fresh = (folder_ / "other.csv").string();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(3);
        }
        ::_exit(AppendMeasurement(fresh, Sample(1)).has_value() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 3) {
        GTEST_SKIP() << "root's powers cannot be given up here";
    }
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the log in a read-only folder was not refused";
    EXPECT_FALSE(fs::exists(fresh));
    EXPECT_EQ(Contents(), before);
}

TEST_F(MeasurementLogFile, TwoProgramsLoggingAtOnceNeverMixTheirLines) {
    constexpr int kEach = 150;
    pid_t children[2] = {};
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            bool ok = true;
            for (int k = 0; k < kEach; ++k) {
                ok = !AppendMeasurement(path_, Sample(c)).has_value() && ok;
            }
            ::_exit(ok ? 0 : 1);
        }
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    MeasurementLog log;
    ASSERT_FALSE(ReadMeasurementLog(path_, log).has_value());
    EXPECT_EQ(log.Records.size(), 2U * kEach);
    EXPECT_TRUE(log.Skipped.empty()) << log.Skipped.front();
    const std::string text = Contents();
    EXPECT_EQ(text.find(kMeasurementLogHeader), 0U);
    EXPECT_EQ(text.find(kMeasurementLogHeader, 1), std::string::npos);
    // No temporary file of a header is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
}

/// The span of the receiver's blocks goes at the end and reads back; a log
/// of the header before it (method and σ, no span) reads as before and
/// gets the present header when a record is withdrawn from it.
TEST_F(MeasurementLogFile, TheBlocksSpanReadsBackAndOlderLogsStillRead) {
    const std::string before = std::string(kMeasurementLogHeaderWithoutSpan) + "\n" +
                               "2026-12-01T20:00:00Z,Moon,30,10368,gain 20 dBi,60,,2.5,30.1,,"
                               "y-sequence,0.01,0.02\n";
    std::ofstream(path_, std::ios::binary) << before;
    MeasurementRecord r = Sample(0);
    r.Method = "off-on-off, gain drift over 26 s";
    r.YSigmaDb = 0.0123;
    r.BlocksUtcStart = "2026-12-09T21:09:01.250Z";
    r.BlocksUtcEnd = "2026-12-09T21:09:41.750Z";
    ASSERT_FALSE(AppendMeasurement(path_, r).has_value());
    EXPECT_NE(Contents().find(",\"off-on-off, gain drift over 26 s\",0.0123,,"
                              "2026-12-09T21:09:01.250Z,2026-12-09T21:09:41.750Z\n"),
              std::string::npos);
    MeasurementLog log;
    ASSERT_FALSE(ReadMeasurementLog(path_, log).has_value());
    ASSERT_EQ(log.Records.size(), 2U);
    EXPECT_TRUE(log.Records[0].BlocksUtcStart.empty());
    EXPECT_EQ(log.Records[0].YSigmaDb, std::optional<double>(0.01));
    EXPECT_EQ(log.Records[1], r);
    EXPECT_TRUE(Contents().starts_with(before)); // appending rewrote nothing
    ASSERT_FALSE(SetWithdrawn(path_, 2, log.Records[0], true).has_value());
    EXPECT_TRUE(Contents().starts_with(std::string(kMeasurementLogHeader) + "\n"));
}

/// The sky behind the source and its reference after the span: a record
/// with them reads back whole, one without keeps its line, and a log of the
/// header before them still reads and is brought up to date on a withdrawal.
TEST_F(MeasurementLogFile, TheSkyColumnsReadBackAndOlderLogsStillRead) {
    const std::string before = std::string(kMeasurementLogHeaderWithoutSky) + "\n" +
                               "2026-12-01T20:00:00Z,Moon,30,10368,gain 20 dBi,60,,2.5,30.1,,"
                               "typed,,,,\n";
    std::ofstream(path_, std::ios::binary) << before;
    MeasurementRecord r = Sample(0);
    r.Method = "typed";
    r.SkyTskyK = 312.4;
    r.ReferenceTskyK = 180.2;
    r.BackgroundCorrectionDb = -0.731;
    ASSERT_FALSE(AppendMeasurement(path_, r).has_value());
    EXPECT_NE(Contents().find(",typed,,,,,312.4,180.2,-0.731\n"), std::string::npos);
    MeasurementRecord plain = Sample(1);
    EXPECT_EQ(MeasurementLine(plain).find("312"), std::string::npos);
    ASSERT_FALSE(AppendMeasurement(path_, plain).has_value());
    MeasurementLog log;
    ASSERT_FALSE(ReadMeasurementLog(path_, log).has_value());
    ASSERT_EQ(log.Records.size(), 3U);
    EXPECT_FALSE(log.Records[0].SkyTskyK);
    EXPECT_EQ(log.Records[1], r);
    EXPECT_EQ(log.Records[2], plain);
    EXPECT_TRUE(Contents().starts_with(before));
    ASSERT_FALSE(SetWithdrawn(path_, 3, log.Records[1], true).has_value());
    EXPECT_TRUE(Contents().starts_with(std::string(kMeasurementLogHeader) + "\n"));
    ASSERT_FALSE(ReadMeasurementLog(path_, log).has_value());
    EXPECT_TRUE(log.Records[1].Withdrawn);
    EXPECT_EQ(log.Records[1].BackgroundCorrectionDb, std::optional<double>(-0.731));
}

/// Every record rounds alike, whichever program wrote it.
TEST(MeasurementLogRounding, EveryValueToItsStep) {
    MeasurementRecord r;
    r.ElevationDeg = 33.3049;
    r.TsysK = 60.0 / 7.0;
    r.MeasuredYDb = 2.91666;
    r.GOverTDbPerK = 29.8449;
    r.SolarFluxSfu = 71.26;
    r.YSigmaDb = 0.012345;
    r.GOverTSigmaDb = 0.04449;
    r.FrequencyMHz = 10368.123456;
    const MeasurementRecord k = RoundedForLog(r);
    EXPECT_EQ(k.ElevationDeg, 33.3);
    EXPECT_EQ(k.TsysK, 8.6);
    EXPECT_EQ(k.MeasuredYDb, 2.917);
    EXPECT_EQ(k.GOverTDbPerK, 29.84);
    EXPECT_EQ(k.SolarFluxSfu, std::optional<double>(71.3));
    EXPECT_EQ(k.YSigmaDb, std::optional<double>(0.0123));
    EXPECT_EQ(k.GOverTSigmaDb, std::optional<double>(0.044));
    EXPECT_EQ(k.FrequencyMHz, r.FrequencyMHz);
    EXPECT_NE(MeasurementLine(k).find(",8.6,71.3,2.917,29.84,,,0.0123,0.044"), std::string::npos)
        << MeasurementLine(k);
}

} // namespace
} // namespace vantrel::measure

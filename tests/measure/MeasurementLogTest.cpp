// The measurement log: appended, never rewritten; damaged lines passed over
// with a note; failures to write said.

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
    EXPECT_EQ(log.Skipped[0], "line 3 skipped: 9 fields expected, 3 found");
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

} // namespace
} // namespace vantrel::measure

// The power log Vantrel-power.csv: its header, appending with care, and
// reading past damage.

#include "radiometer/PowerLog.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vantrel {
namespace {

class PowerLogFile : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vantrel-powerlog-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        path_ = dir_ + "/" + kPowerLogName;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Text() const {
        std::ifstream in(path_, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::string dir_;
    std::string path_;
};

PowerRecord Sample() {
    PowerBlock block;
    block.UtcStart = 46000.5;
    block.UtcEnd = 46000.5 + 1.0 / 86400;
    block.PowerDb = -31.23456;
    block.SigmaDb = 0.01234;
    block.Samples = 2400000;
    block.Clipped = 3;
    block.RfiDroppedShare = 0.0125;
    block.Pointing = BlockPointing{"sun, the \"quiet\" one", 180.256, 45.5};
    return PowerRecordOf(block, "sdr", 1296.5, PowerMark::On);
}

TEST_F(PowerLogFile, AppendsWholeLinesUnderTheFixedHeaderAndReadsThemBack) {
    EXPECT_EQ(kPowerLogHeader,
              "utc_start,utc_end,input,frequency_mhz,power_db,sigma_db,samples,clipped,"
              "rfi_dropped,source,azimuth_deg,elevation_deg,mark,gain_db,rate_sps,band_hz,"
              "noise_bandwidth_hz,tau_s,device,role,az_offset_deg,el_offset_deg,flags");
    const PowerRecord r = Sample();
    ASSERT_FALSE(AppendPowerRecord(path_, r));
    PowerRecord reference = r;
    reference.Mark = PowerMark::Reference;
    reference.Source.clear();
    reference.AzimuthDeg.reset();
    reference.ElevationDeg.reset();
    reference.SigmaDb.reset();
    reference.FrequencyMHz.reset();
    ASSERT_FALSE(AppendPowerRecord(path_, reference));
    EXPECT_EQ(Text(), std::string(kPowerLogHeader) +
                          "\n2025-12-09T12:00:00.000Z,2025-12-09T12:00:01.000Z,sdr,1296.500000,"
                          "-31.235,0.0123,2400000,3,0.0125,\"sun, the \"\"quiet\"\" one\",180.26,"
                          "45.50,on,,,,,,,,,,\n"
                          "2025-12-09T12:00:00.000Z,2025-12-09T12:00:01.000Z,sdr,,-31.235,,"
                          "2400000,3,0.0125,,,,reference,,,,,,,,,,\n");

    // A line cut short by a crash: the next record gets a line of its own,
    // and only the cut one is passed over.
    {
        std::ofstream cut(path_, std::ios::app | std::ios::binary);
        cut << "2025-12-09T12:00:01.000Z,2025-12";
    }
    ASSERT_FALSE(AppendPowerRecord(path_, r));
    PowerLog log;
    ASSERT_FALSE(ReadPowerLog(path_, log));
    ASSERT_EQ(log.Records.size(), 3U);
    EXPECT_EQ(log.Skipped.size(), 1U);
    EXPECT_EQ(log.Records[0], log.Records[2]);
    EXPECT_EQ(log.Records[0].PowerDb, -31.235);
    EXPECT_EQ(log.Records[0].Source, "sun, the \"quiet\" one");
    EXPECT_EQ(log.Records[1].Mark, PowerMark::Reference);
    EXPECT_FALSE(log.Records[1].SigmaDb);

    // What a reading depends on, a procedure's role and the flags read back
    // as written, beside a line of the first version (13 fields), which
    // reads with them empty.
    // As written: the record's numbers rounded as the log keeps them.
    const PowerLog written = ParsePowerLog(PowerLogLine(r));
    ASSERT_EQ(written.Records.size(), 1U);
    PowerRecord full = written.Records[0];
    full.GainDb = 38.6;
    full.RateSps = 2400000;
    full.BandHz = "-900000:900000";
    full.NoiseBandwidthHz = 1234567.8;
    full.TauS = 0.5;
    full.Device = "driver=vantrelsim,serial=1";
    full.Role = "scan";
    full.AzOffsetDeg = -0.4443;
    full.ElOffsetDeg = 0.1;
    full.Used = true;
    full.Partial = true;
    std::filesystem::resize_file(path_, 0);
    {
        std::ofstream old(path_, std::ios::binary);
        old << kPowerLogHeaderStart << "\n"
            << "2025-12-09T12:00:00.000Z,2025-12-09T12:00:01.000Z,audio,,-20.000,0.0390,48000,0,"
               "0.0000,,,,off\n";
    }
    ASSERT_FALSE(AppendPowerRecord(path_, full));
    ASSERT_FALSE(ReadPowerLog(path_, log));
    ASSERT_EQ(log.Records.size(), 2U);
    EXPECT_TRUE(log.Skipped.empty());
    EXPECT_EQ(log.Records[0].Mark, PowerMark::Off);
    EXPECT_FALSE(log.Records[0].TauS || log.Records[0].Used || log.Records[0].Partial);
    const PowerRecord& back = log.Records[1];
    EXPECT_EQ(back.GainDb, full.GainDb);
    EXPECT_EQ(back.RateSps, full.RateSps);
    EXPECT_EQ(back.BandHz, full.BandHz);
    EXPECT_EQ(back.NoiseBandwidthHz, full.NoiseBandwidthHz);
    EXPECT_EQ(back.TauS, full.TauS);
    EXPECT_EQ(back.Device, full.Device);
    EXPECT_EQ(back.Role, full.Role);
    EXPECT_EQ(back.AzOffsetDeg, full.AzOffsetDeg);
    EXPECT_EQ(back.ElOffsetDeg, full.ElOffsetDeg);
    EXPECT_TRUE(back.Used && back.Partial);
    EXPECT_NE(Text().find(",38.6,2400000,-900000:900000,1234567.8,0.500,"
                          "\"driver=vantrelsim,serial=1\",scan,-0.4443,0.1000,used partial\n"),
              std::string::npos)
        << Text();

    // An emptied log starts again with its header.
    std::filesystem::resize_file(path_, 0);
    ASSERT_FALSE(AppendPowerRecord(path_, r));
    EXPECT_EQ(Text().rfind(std::string(kPowerLogHeader) + "\n2025-12-09T12:00:00.000Z,", 0), 0U);

    // A log that cannot be written says why; a missing one reads as empty.
    EXPECT_TRUE(AppendPowerRecord(dir_ + "/no/such/folder/log.csv", r));
    EXPECT_FALSE(ReadPowerLog(dir_ + "/none.csv", log));
    EXPECT_TRUE(log.Records.empty());
}

TEST(PowerLogText, SkipsDamagedLinesWithANoteAndKeepsLaterColumns) {
    const std::string good = "2025-01-01T00:00:00.000Z,2025-01-01T00:00:01.000Z,audio,,-20.000,"
                             "0.0390,48000,0,0.0000,,,,";
    struct Row {
        const char* Name;
        std::string Line;
        bool Kept;
    };
    const Row rows[] = {
        {"good", good, true},
        {"a column of a later version", good + std::string(10, ',') + ",extra,more", true},
        {"crlf", good + "\r", true},
        {"too few fields", "2025-01-01T00:00:00.000Z,x,audio", false},
        {"power not a number", "a,b,sdr,,loud,,1,0,0,,,,", false},
        {"samples negative", "a,b,sdr,,-1,,-5,0,0,,,,", false},
        {"share above 1", "a,b,sdr,,-1,,5,0,1.5,,,,", false},
        {"unknown mark", "a,b,sdr,,-1,,5,0,0,,,,maybe", false},
        {"open quote", "a,b,\"sdr,,-1,,5,0,0,,,,", false},
        {"azimuth nan", "a,b,sdr,,-1,,5,0,0,,nan,,", false},
        {"no input", "a,b,,,-1,,5,0,0,,,,", false},
        {"gain not a number", good + ",loud", false},
    };
    std::string text = std::string(kPowerLogHeader) + "\n\n";
    std::size_t kept = 0;
    for (const Row& r : rows) {
        text += r.Line + "\n";
        kept += r.Kept ? 1 : 0;
        const PowerLog one = ParsePowerLog(r.Line);
        EXPECT_EQ(one.Records.size(), r.Kept ? 1U : 0U) << r.Name;
        EXPECT_EQ(one.Skipped.size(), r.Kept ? 0U : 1U) << r.Name;
    }
    const PowerLog log = ParsePowerLog(text);
    EXPECT_EQ(log.Records.size(), kept);
    ASSERT_EQ(log.Skipped.size(), std::size(rows) - kept);
    // The header is line 1 and the empty line 2: "too few fields" is line 6.
    EXPECT_EQ(log.Skipped.front().rfind("line 6 skipped: ", 0), 0U) << log.Skipped.front();
}

} // namespace
} // namespace vantrel

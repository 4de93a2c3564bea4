#include "station/DataFile.h"
#include "station/Extended80.h"

#include "tests/RecordingMessages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>

#include <sys/stat.h>

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using Record = DataFile::RecordBuffer;

class DataFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vantrel-datafile-XXXXXX";
        dir_ = ::mkdtemp(pattern);
        path_ = dir_ + "/Vantrel.dat";
    }
    void TearDown() override {
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir_);
    }

    void WriteRaw(const std::string& bytes) const {
        std::ofstream(path_, std::ios::binary | std::ios::trunc) << bytes;
    }
    std::string ReadRaw() const {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    static HomeStation Sample() {
        HomeStation s;
        s.Latitude = -26.229166666666666667L;
        s.Longitude = 27.958333333333333333L;
        s.HeightAsl = 123.7L;
        s.UtcOffset = 5.75L;
        s.UserSourceRa = 18.29666L;
        s.UserSourceDec = -16.15L;
        s.Location = "Johannesburg";
        s.UserSourceName = "W38 M17";
        s.CallSign = "ZS6ABC";
        s.CalcInterval = 15;
        s.HintOption = 2;
        s.SourceOption = 1;
        s.DisplayMode = 1;
        return s;
    }

    /// A record image with the given latitude and location length byte.
    static std::string RecordBytes(long double latitude, std::uint8_t locationLength,
                                   const std::string& location) {
        std::string r(kRecordSize, '\0');
        const Extended80 lat = EncodeExtended80(latitude);
        std::memcpy(r.data() + record::kLatitude, lat.data(), lat.size());
        r[record::kLocation] = static_cast<char>(locationLength);
        std::memcpy(r.data() + record::kLocation + 1, location.data(),
                    std::min<std::size_t>(location.size(), 15));
        r[record::kCalcInterval] = 30;
        return r;
    }

    std::string dir_;
    std::string path_;
    RecordingMessages messages_;
};

TEST_F(DataFileTest, MissingFileWarnsAndKeepsTheStation) {
    DataFile file(messages_, dir_);
    HomeStation station = Sample();
    EXPECT_FALSE(file.Read(station));
    EXPECT_EQ(station, Sample());
    ASSERT_EQ(messages_.said.size(), 1U);
    EXPECT_EQ(messages_.said[0], "Warning|Warning|File not found");
}

TEST_F(DataFileTest, SaveAndReadBackIsBitIdentical) {
    const HomeStation saved = Sample();
    DataFile writer(messages_, dir_);
    ASSERT_TRUE(writer.Write(saved));
    EXPECT_EQ(messages_.said.back(),
              "Information|Information|The Home Set up Data File has been updated.");
    EXPECT_EQ(fs::file_size(path_), kRecordSize);

    DataFile reader(messages_, dir_);
    HomeStation loaded;
    ASSERT_TRUE(reader.Read(loaded));
    EXPECT_EQ(loaded, saved);
    EXPECT_EQ(std::memcmp(&loaded.HeightAsl, &saved.HeightAsl, 10), 0);
    EXPECT_EQ(std::memcmp(&loaded.UtcOffset, &saved.UtcOffset, 10), 0);
}

TEST_F(DataFileTest, RecordLayoutIsLittleEndianAtItsOffsets) {
    DataFile file(messages_, dir_);
    HomeStation s = Sample();
    s.CalcInterval = 0x01020304;
    s.SourceOption = -1;
    ASSERT_TRUE(file.Write(s));
    const std::string raw = ReadRaw();
    ASSERT_EQ(raw.size(), kRecordSize);
    EXPECT_EQ(raw[record::kCalcInterval], 0x04);
    EXPECT_EQ(raw[record::kCalcInterval + 3], 0x01);
    EXPECT_EQ(static_cast<unsigned char>(raw[record::kSourceOption + 3]), 0xFF);
    EXPECT_EQ(raw[record::kHintOption], 2);
    EXPECT_EQ(raw[record::kDisplayMode], 1);
    EXPECT_EQ(raw[record::kCallSign], 6);
    EXPECT_EQ(raw.substr(record::kCallSign + 1, 6), "ZS6ABC");
    EXPECT_EQ(raw[record::kLocation], 12);
    // Latitude −26.229…: sign bit set, exponent 16383 + 4.
    EXPECT_EQ(static_cast<unsigned char>(raw[record::kLatitude + 9]), 0xC0);
    EXPECT_EQ(static_cast<unsigned char>(raw[record::kLatitude + 8]), 0x03);
}

TEST_F(DataFileTest, TextsLongerThanTheirFieldAreCutOnWrite) {
    DataFile file(messages_, dir_);
    HomeStation s;
    s.Location = "A location name far too long";
    s.CallSign = "VERYLONGCALL";
    ASSERT_TRUE(file.Write(s));
    HomeStation loaded;
    ASSERT_TRUE(DataFile(messages_, dir_).Read(loaded));
    EXPECT_EQ(loaded.Location, "A location name");
    EXPECT_EQ(loaded.CallSign, "VERYLONG");
}

TEST_F(DataFileTest, LastCompleteRecordCounts) {
    struct Case {
        const char* name;
        std::string tail;
    };
    const Case cases[] = {{"two records", ""}, {"two records and ten bytes", std::string(10, 'x')}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteRaw(RecordBytes(10.0L, 3, "one") + RecordBytes(20.0L, 3, "two") + c.tail);
        HomeStation s;
        ASSERT_TRUE(DataFile(messages_, dir_).Read(s));
        EXPECT_EQ(s.Latitude, 20.0L);
        EXPECT_EQ(s.Location, "two");
    }
}

TEST_F(DataFileTest, ShortFileCopiesTheBufferAsItWas) {
    DataFile file(messages_, dir_);
    WriteRaw(std::string(100, '\x7F'));
    HomeStation fresh = Sample();
    ASSERT_TRUE(file.Read(fresh));
    EXPECT_EQ(fresh, HomeStation{}); // zero-filled buffer at start

    // After a write, the buffer holds that record: a short file yields it.
    ASSERT_TRUE(file.Write(Sample()));
    WriteRaw("");
    HomeStation again;
    ASSERT_TRUE(file.Read(again));
    EXPECT_EQ(again, Sample());
}

TEST_F(DataFileTest, OversizedLengthByteIsCutToCapacity) {
    WriteRaw(RecordBytes(1.0L, 20, "ABCDEFGHIJKLMNOPQRSTUVWXYZ"));
    HomeStation s;
    ASSERT_TRUE(DataFile(messages_, dir_).Read(s));
    EXPECT_EQ(s.Location, "ABCDEFGHIJKLMNO");
}

TEST_F(DataFileTest, NonFiniteValuesLoadAsZero) {
    const long double nasty[] = {std::numeric_limits<long double>::quiet_NaN(),
                                 std::numeric_limits<long double>::infinity()};
    for (const long double v : nasty) {
        std::string r = RecordBytes(0.0L, 0, "");
        // Encode writes no non-finite value, so build the bit pattern by hand.
        const unsigned char pattern[10] = {
            0,    0,   0, 0, 0, 0, 0, static_cast<unsigned char>(std::isnan(v) ? 0xC0 : 0x80),
            0xFF, 0x7F};
        std::memcpy(r.data() + record::kHeightAsl, pattern, 10);
        std::memcpy(r.data() + record::kLatitude, pattern, 10);
        WriteRaw(r);
        HomeStation s = Sample();
        ASSERT_TRUE(DataFile(messages_, dir_).Read(s));
        EXPECT_EQ(s.Latitude, 0.0L);
        EXPECT_EQ(s.HeightAsl, 0.0L);
    }
}

TEST_F(DataFileTest, ReadingNeverWritesTheFile) {
    const std::string hostile = RecordBytes(5.0L, 200, "x") + std::string(7, '\xFF');
    WriteRaw(hostile);
    HomeStation s;
    ASSERT_TRUE(DataFile(messages_, dir_).Read(s));
    EXPECT_EQ(ReadRaw(), hostile);
    EXPECT_FALSE(fs::exists(dir_ + "/.Vantrel.dat.tmp"));
}

TEST_F(DataFileTest, DirectoryInPlaceOfTheFile) {
    fs::create_directory(path_);
    DataFile file(messages_, dir_);
    HomeStation s = Sample();
    EXPECT_FALSE(file.Read(s));
    EXPECT_EQ(s, Sample());
    EXPECT_EQ(messages_.said.back(), "Warning|Warning|File not found");

    EXPECT_FALSE(file.Write(s));
    EXPECT_EQ(messages_.said.back().rfind("Error||", 0), 0U);
    EXPECT_TRUE(fs::is_directory(path_));
}

TEST_F(DataFileTest, WriteProtectedFileIsReadButNotReplaced) {
    const std::string original = RecordBytes(42.5L, 4, "Home");
    WriteRaw(original);
    ::chmod(path_.c_str(), 0444);

    DataFile file(messages_, dir_);
    HomeStation s;
    ASSERT_TRUE(file.Read(s));
    EXPECT_EQ(s.Latitude, 42.5L);
    EXPECT_EQ(s.Location, "Home");

    messages_.said.clear();
    EXPECT_FALSE(file.Write(Sample()));
    ASSERT_EQ(messages_.said.size(), 1U);
    EXPECT_EQ(messages_.said[0], "Error||File access denied");
    EXPECT_EQ(ReadRaw(), original);
}

TEST_F(DataFileTest, SaveReplacesSeveralRecordsWithOneAndKeepsPermissions) {
    WriteRaw(RecordBytes(1.0L, 0, "") + RecordBytes(2.0L, 0, "") + RecordBytes(3.0L, 0, ""));
    ::chmod(path_.c_str(), 0640);
    ASSERT_TRUE(DataFile(messages_, dir_).Write(Sample()));
    EXPECT_EQ(fs::file_size(path_), kRecordSize);
    struct stat info {};
    ASSERT_EQ(::stat(path_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640U);
}

TEST_F(DataFileTest, FailedWriteShowsErrorAndNoConfirmation) {
    RecordingMessages messages;
    DataFile file(messages, dir_ + "/no/such/folder");
    EXPECT_FALSE(file.Write(Sample()));
    ASSERT_EQ(messages.said.size(), 1U);
    EXPECT_EQ(messages.said[0], "Error||File not found");
}

TEST(IoErrorText, NamesTheCommonFailures) {
    EXPECT_EQ(IoErrorText(ENOENT), "File not found");
    EXPECT_EQ(IoErrorText(EACCES), "File access denied");
    EXPECT_EQ(IoErrorText(ENOSPC), "Disk full");
    EXPECT_EQ(IoErrorText(0), "Read beyond end of file");
    EXPECT_EQ(IoErrorText(EIO), "I/O error 5");
}

} // namespace
} // namespace vantrel

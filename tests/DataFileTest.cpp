#include "station/DataFile.h"
#include "station/Extended80.h"

#include "tests/RecordingMessages.h"
#include "tests/WithoutRootPowers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
    std::string ReadRaw() const { return ReadRawAt(path_); }
    static std::string ReadRawAt(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    /// Names of everything in `folder`, sorted.
    static std::vector<std::string> Entries(const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder)) {
            names.push_back(e.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
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

TEST_F(DataFileTest, NonFiniteValuesLoadAsTheyStand) {
    // Encode writes no non-finite value, so the bit patterns are built by hand.
    struct Case {
        const char* name;
        unsigned char top; // byte 7: integer bit, and the quiet bit for a NaN
        unsigned char sign;
    };
    const Case cases[] = {
        {"NaN", 0xC0, 0x7F}, {"+infinity", 0x80, 0x7F}, {"-infinity", 0x80, 0xFF}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string r = RecordBytes(0.0L, 0, "");
        const unsigned char pattern[10] = {0, 0, 0, 0, 0, 0, 0, c.top, 0xFF, c.sign};
        for (const std::size_t field :
             {record::kLatitude, record::kHeightAsl, record::kUtcOffset, record::kUserSourceDec}) {
            std::memcpy(r.data() + field, pattern, 10);
        }
        WriteRaw(r);
        HomeStation s = Sample();
        ASSERT_TRUE(DataFile(messages_, dir_).Read(s));
        for (const long double v : {s.Latitude, s.HeightAsl, s.UtcOffset, s.UserSourceDec}) {
            EXPECT_EQ(std::isnan(v), c.top == 0xC0);
            EXPECT_EQ(std::isinf(v), c.top == 0x80);
            EXPECT_EQ(std::signbit(v), c.sign == 0xFF);
        }
        EXPECT_EQ(s.Longitude, 0.0L);
        EXPECT_EQ(ReadRaw(), r); // reading never mends the file
    }
}

TEST_F(DataFileTest, ReadingNeverWritesTheFile) {
    const std::string hostile = RecordBytes(5.0L, 200, "x") + std::string(7, '\xFF');
    WriteRaw(hostile);
    HomeStation s;
    ASSERT_TRUE(DataFile(messages_, dir_).Read(s));
    EXPECT_EQ(ReadRaw(), hostile);
    EXPECT_EQ(Entries(dir_), std::vector<std::string>{"Vantrel.dat"});
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

using test::kStillRoot;
using test::RunWithoutRootPowers;

TEST_F(DataFileTest, ReadOnlyFolderRewritesAWritableFileInPlace) {
    WriteRaw(RecordBytes(1.0L, 0, "") + RecordBytes(2.0L, 0, "") + RecordBytes(3.0L, 0, ""));
    ::chmod(path_.c_str(), 0666);
    ::chmod(dir_.c_str(), 0555); // no new file can be made here
    const int status = RunWithoutRootPowers([&] {
        RecordingMessages messages;
        const bool saved = DataFile(messages, dir_).Write(Sample());
        const bool confirmed =
            messages.said ==
            std::vector<std::string>{
                "Information|Information|The Home Set up Data File has been updated."};
        return saved && confirmed ? 0 : 1;
    });
    if (status == kStillRoot) {
        GTEST_SKIP() << "root's powers cannot be given up here";
    }
    EXPECT_EQ(status, 0);
    EXPECT_EQ(fs::file_size(path_), kRecordSize);
    HomeStation loaded;
    ASSERT_TRUE(DataFile(messages_, dir_).Read(loaded));
    EXPECT_EQ(loaded, Sample());
    EXPECT_EQ(Entries(dir_), std::vector<std::string>{"Vantrel.dat"});
}

TEST_F(DataFileTest, ReadOnlyFolderWithoutAFileIsStillAFailure) {
    ::chmod(dir_.c_str(), 0555);
    const int status = RunWithoutRootPowers([&] {
        RecordingMessages messages;
        const bool saved = DataFile(messages, dir_).Write(Sample());
        return !saved && messages.said == std::vector<std::string>{"Error||File access denied"} ? 0
                                                                                                : 1;
    });
    if (status == kStillRoot) {
        GTEST_SKIP() << "root's powers cannot be given up here";
    }
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(Entries(dir_).empty());
}

TEST_F(DataFileTest, SaveWritesThroughSymbolicLinksAndKeepsThem) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> links; // link -> target text
        std::string real; // the file finally written, relative to the test folder
        bool existsBefore;
    };
    const std::string other = "other";
    const Case cases[] = {
        {"absolute link", {{"Vantrel.dat", "@/other/real.dat"}}, "other/real.dat", true},
        {"relative link", {{"Vantrel.dat", "other/real.dat"}}, "other/real.dat", true},
        {"chain of relative links",
         {{"Vantrel.dat", "hop1"}, {"hop1", "other/hop2"}, {"other/hop2", "real.dat"}},
         "other/real.dat",
         true},
        {"link climbing out of a folder",
         {{"Vantrel.dat", "other/hop"}, {"other/hop", "../elsewhere/real.dat"}},
         "elsewhere/real.dat",
         true},
        {"dangling link creates its target",
         {{"Vantrel.dat", "other/new.dat"}},
         "other/new.dat",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir_);
        fs::create_directories(dir_ + "/other");
        fs::create_directories(dir_ + "/elsewhere");
        const std::string real = dir_ + "/" + c.real;
        const std::string oldRecord = RecordBytes(7.0L, 3, "old");
        if (c.existsBefore) {
            std::ofstream(real, std::ios::binary) << oldRecord + oldRecord;
        }
        for (const auto& [link, target] : c.links) {
            const std::string text = target.starts_with('@') ? dir_ + target.substr(1) : target;
            fs::create_symlink(text, dir_ + "/" + link);
        }

        RecordingMessages messages;
        ASSERT_TRUE(DataFile(messages, dir_).Write(Sample()));
        EXPECT_EQ(messages.said.back(),
                  "Information|Information|The Home Set up Data File has been updated.");
        for (const auto& [link, target] : c.links) {
            ASSERT_TRUE(fs::is_symlink(dir_ + "/" + link)) << link;
        }
        EXPECT_EQ(ReadRawAt(real).size(), kRecordSize);
        HomeStation loaded;
        ASSERT_TRUE(DataFile(messages, dir_).Read(loaded));
        EXPECT_EQ(loaded, Sample());
        // No temporary file left anywhere.
        for (const char* folder : {"", "/other", "/elsewhere"}) {
            for (const std::string& name : Entries(dir_ + folder)) {
                EXPECT_NE(name.front(), '.') << folder << "/" << name;
            }
        }
    }
}

TEST_F(DataFileTest, LinksThatCannotBeSavedThroughAreRefused) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> links;
        std::string error;
    };
    const Case cases[] = {
        {"circular links", {{"Vantrel.dat", "a"}, {"a", "Vantrel.dat"}}, "Error||I/O error 40"},
        {"link to itself", {{"Vantrel.dat", "Vantrel.dat"}}, "Error||I/O error 40"},
        {"link into a missing folder", {{"Vantrel.dat", "none/real.dat"}}, "Error||File not found"},
        {"link to a write-protected file",
         {{"Vantrel.dat", "ro.dat"}},
         "Error||File access denied"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        const std::string protectedRecord = RecordBytes(9.0L, 2, "ro");
        std::ofstream(dir_ + "/ro.dat", std::ios::binary) << protectedRecord;
        ::chmod((dir_ + "/ro.dat").c_str(), 0444);
        for (const auto& [link, target] : c.links) {
            fs::create_symlink(target, dir_ + "/" + link);
        }
        const std::vector<std::string> before = Entries(dir_);

        RecordingMessages messages;
        EXPECT_FALSE(DataFile(messages, dir_).Write(Sample()));
        ASSERT_EQ(messages.said.size(), 1U);
        EXPECT_EQ(messages.said[0], c.error);
        EXPECT_EQ(Entries(dir_), before);
        EXPECT_EQ(ReadRawAt(dir_ + "/ro.dat"), protectedRecord);
        EXPECT_TRUE(fs::is_symlink(dir_ + "/Vantrel.dat"));
    }
}

/// A record that names its writer and its turn in several fields, so a
/// reader can tell a complete record from a mixed or empty one.
HomeStation Stamped(int writer, int turn) {
    HomeStation s;
    s.Latitude = writer;
    s.Longitude = turn % 180;
    s.HeightAsl = writer * 1000000.0L + turn;
    s.CallSign = "W" + std::to_string(writer);
    s.Location = std::to_string(turn);
    s.CalcInterval = turn;
    return s;
}

bool IsStamped(const HomeStation& s, int writers) {
    const auto writer = static_cast<int>(s.Latitude);
    return writer >= 1 && writer <= writers && s == Stamped(writer, s.CalcInterval);
}

TEST_F(DataFileTest, ConcurrentSavesAndReadsInOneFolder) {
    constexpr int kWriters = 4;
    constexpr auto kRunFor = std::chrono::milliseconds(1500);
    // Each child reports: saves that succeeded, saves that failed, reads of
    // a complete stamped record, other reads; and whether every save said
    // exactly what happened.
    struct Tally {
        int saved = 0, failed = 0, goodReads = 0, badReads = 0, wrongWords = 0;
    };
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    std::vector<pid_t> children;
    for (int w = 1; w <= kWriters; ++w) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pipeFds[0]);
            Tally t;
            const auto until = std::chrono::steady_clock::now() + kRunFor;
            for (int turn = 1; std::chrono::steady_clock::now() < until; ++turn) {
                RecordingMessages said;
                if (DataFile(said, dir_).Write(Stamped(w, turn))) {
                    ++t.saved;
                    t.wrongWords +=
                        said.said.size() == 1 && said.said[0].starts_with("Information|") ? 0 : 1;
                } else {
                    ++t.failed;
                }
                // A fresh reader each time: its buffer is zero, so a short
                // file would show as a zero record.
                RecordingMessages heard;
                HomeStation seen;
                const bool read = DataFile(heard, dir_).Read(seen);
                (read && heard.said.empty() && IsStamped(seen, kWriters) ? t.goodReads
                                                                         : t.badReads)++;
            }
            const bool sent = ::write(pipeFds[1], &t, sizeof t) == sizeof t;
            ::_exit(sent ? 0 : 1);
        }
        children.push_back(child);
    }
    ::close(pipeFds[1]);
    Tally total;
    for (const pid_t child : children) {
        Tally t;
        ASSERT_EQ(::read(pipeFds[0], &t, sizeof t), static_cast<ssize_t>(sizeof t));
        total.saved += t.saved;
        total.failed += t.failed;
        total.goodReads += t.goodReads;
        total.badReads += t.badReads;
        total.wrongWords += t.wrongWords;
        int status = 0;
        ::waitpid(child, &status, 0);
    }
    ::close(pipeFds[0]);

    EXPECT_GT(total.saved, 10 * kWriters);
    EXPECT_EQ(total.failed, 0);
    EXPECT_EQ(total.wrongWords, 0);
    EXPECT_EQ(total.badReads, 0) << "of " << total.badReads + total.goodReads << " reads";
    EXPECT_EQ(Entries(dir_), std::vector<std::string>{"Vantrel.dat"});
    HomeStation last;
    ASSERT_TRUE(DataFile(messages_, dir_).Read(last));
    EXPECT_TRUE(IsStamped(last, kWriters));
    EXPECT_EQ(fs::file_size(path_), kRecordSize);
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

// Reads the help file that the build compiles from help/content.

#include "help/engine/ChmHelpFile.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace vantrel {
namespace {

const std::string kHelpFile = VANTREL_HELP_FILE;

ChmReaderOptions Reader() {
    ChmReaderOptions options;
    options.Program = VANTREL_CHM_READER;
    return options;
}

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

/// Every "Local" of the contents, and the names on the way.
void Collect(const std::vector<SitemapEntry>& entries, std::set<std::string>& topics,
             std::set<std::string>& names) {
    for (const SitemapEntry& e : entries) {
        names.insert(e.Name);
        topics.insert(e.Locals.begin(), e.Locals.end());
        Collect(e.Children, topics, names);
    }
}

class BuiltHelpFile : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ChmHelpFileResult read = ChmHelpFile::Open(kHelpFile, Reader());
        EXPECT_EQ(read.Status, ChmReadStatus::Read) << read.Detail;
        file = new std::optional<ChmHelpFile>(std::move(read.File));
    }
    static void TearDownTestSuite() {
        delete file;
        file = nullptr;
    }
    static std::optional<ChmHelpFile>* file;
};
std::optional<ChmHelpFile>* BuiltHelpFile::file = nullptr;

TEST_F(BuiltHelpFile, TitleDefaultTopicAndContents) {
    ASSERT_TRUE(file->has_value()) << kHelpFile;
    const ChmHelpFile& help = **file;
    EXPECT_EQ(help.Title(), "Vantrel Help");
    EXPECT_EQ(help.DefaultTopic(), "/index.htm");
    EXPECT_TRUE(help.HasTopic(help.DefaultTopic()));

    std::set<std::string> topics;
    std::set<std::string> names;
    Collect(help.Contents(), topics, names);
    for (const char* topic :
         {"/index.htm", "/station.htm", "/locator.htm", "/mainwindow.htm", "/planning.htm",
          "/realtime.htm", "/displaymodes.htm", "/sources.htm", "/sunmoon.htm", "/datafiles.htm",
          "/printing.htm", "/tabletool.htm"}) {
        EXPECT_TRUE(topics.count(topic)) << "not in the contents: " << topic;
    }
    // Every topic of the contents is a page of the file.
    for (const std::string& t : topics) {
        EXPECT_TRUE(help.HasTopic(t)) << t;
        const auto page = help.Read(t);
        ASSERT_TRUE(page.has_value()) << t;
        EXPECT_NE(page->find("<title>"), std::string::npos) << t;
    }
    EXPECT_TRUE(help.HasTopic("sources.htm#catalogue")); // anchors are not part of the page
    EXPECT_FALSE(help.HasTopic("/no-such-page.htm"));
}

TEST_F(BuiltHelpFile, IndexKeywordsLeadToPagesOfTheFile) {
    ASSERT_TRUE(file->has_value());
    const ChmHelpFile& help = **file;
    ASSERT_GT(help.Index().size(), 20u);
    for (const IndexKeyword& k : help.Index()) {
        EXPECT_FALSE(k.Name.empty());
        ASSERT_FALSE(k.Topics.empty()) << k.Name;
        for (const std::string& t : k.Topics) {
            EXPECT_TRUE(help.HasTopic(t)) << k.Name << " -> " << t;
        }
    }
    const int moon = help.FindKeyword("Moon");
    ASSERT_GE(moon, 0);
    EXPECT_EQ(help.Index()[static_cast<std::size_t>(moon)].Name, "Moon");
    EXPECT_EQ(help.FindKeyword("  moon "), moon);     // case and blanks do not count
    const int locator = help.FindKeyword("grid loc"); // the first keyword it starts
    ASSERT_GE(locator, 0);
    EXPECT_EQ(help.Index()[static_cast<std::size_t>(locator)].Name.rfind("grid locator", 0), 0u);
    EXPECT_EQ(help.FindKeyword("zzz no such keyword"), -1);
    EXPECT_EQ(help.FindKeyword(" "), -1);
}

TEST_F(BuiltHelpFile, ContextNumbersOfTheWindows) {
    ASSERT_TRUE(file->has_value());
    const ChmHelpFile& help = **file;
    const std::pair<std::uint32_t, const char*> map[] = {
        {1000, "/mainwindow.htm"}, {1010, "/station.htm"}, {1020, "/realtime.htm"},
        {1030, "/printing.htm"},   {1040, "/sources.htm"},
    };
    for (const auto& [context, topic] : map) {
        EXPECT_EQ(help.TopicForContext(context), std::optional<std::string>(topic)) << context;
    }
    EXPECT_EQ(help.TopicForContext(4711), std::nullopt);
}

TEST_F(BuiltHelpFile, PathsInTheArchiveIgnoreCase) {
    ASSERT_TRUE(file->has_value());
    const ChmHelpFile& help = **file;
    EXPECT_TRUE(help.HasTopic("/INDEX.HTM"));
    EXPECT_EQ(help.Read("/Index.htm"), help.Read("/index.htm"));
    EXPECT_TRUE(help.Read("/images/AZEL.png").has_value());
}

/// A copy of the built help file, changed, in a folder of its own.
class ChangedHelpFile : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ =
            std::filesystem::temp_directory_path() / ("vantrel-chm-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder_);
        original_ = Contents(kHelpFile);
        ASSERT_GT(original_.size(), 0x22b0u);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    std::string Write(const std::string& name, const std::string& bytes) const {
        const auto path = folder_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    /// `base` with one bit flipped, written to the folder.
    std::string Flipped(std::size_t offset, int bit, const std::string& base) const {
        std::string bytes = base;
        bytes[offset] = static_cast<char>(bytes[offset] ^ (1 << bit));
        return Write("flipped.chm", bytes);
    }
    std::string Flipped(std::size_t offset, int bit) const {
        return Flipped(offset, bit, original_);
    }

    /// Opens a damaged copy: it is either read, and then everything in it
    /// can be used, or refused as damaged. Whichever, this process lives on.
    static ChmHelpFileResult OpenAndUse(const std::string& path) {
        ChmHelpFileResult got = ChmHelpFile::Open(path, Reader());
        EXPECT_TRUE(got.Status == ChmReadStatus::Read || got.Status == ChmReadStatus::Damaged)
            << got.Detail;
        EXPECT_EQ(got.File.has_value(), got.Status == ChmReadStatus::Read);
        if (got.File) {
            std::set<std::string> topics;
            std::set<std::string> names;
            Collect(got.File->Contents(), topics, names);
            topics.insert(got.File->DefaultTopic());
            for (const IndexKeyword& k : got.File->Index()) {
                topics.insert(k.Topics.begin(), k.Topics.end());
            }
            for (const std::string& t : topics) {
                got.File->Read(t);
            }
            got.File->FindKeyword("moon");
            got.File->TopicForContext(1000);
        }
        return got;
    }

    std::filesystem::path folder_;
    std::string original_;
};

/// Single bits flipped at these offsets of the help file as built on
/// 2026-12-09 (kept in tests/help/data, since every change of the help pages
/// moves the offsets) made chmlib overflow a heap buffer, divide by zero or
/// write through a bad pointer, which took the whole program down when it
/// read help files itself.
TEST_F(ChangedHelpFile, BitsThatCrashChmlibGiveTheDamagedAnswer) {
    const std::string base = Contents(VANTREL_CRASH_BASE_CHM);
    ASSERT_GT(base.size(), 0x22b0u);
    for (const std::size_t offset : {0x22af, 0x223a, 0x41b}) {
        int killedReaders = 0;
        for (int bit = 0; bit < 8; ++bit) {
            const ChmHelpFileResult got = OpenAndUse(Flipped(offset, bit, base));
            if (got.Detail.find("signal") != std::string::npos) {
                ++killedReaders;
                EXPECT_EQ(got.Status, ChmReadStatus::Damaged) << offset << " bit " << bit;
            }
        }
        // chmlib does crash on these files: the reader took the blow, not us.
        EXPECT_GT(killedReaders, 0) << "offset " << offset;
    }
}

TEST_F(ChangedHelpFile, SweepOfSingleBitFlips) {
    // A spread of offsets over the whole file, one bit each, as many as fit
    // in the time given (each opening starts a reader).
    constexpr std::chrono::seconds kBudget(20);
    constexpr std::size_t kFlips = 200;
    const std::size_t step = std::max<std::size_t>(1, original_.size() / kFlips);
    const auto start = std::chrono::steady_clock::now();
    int read = 0;
    int damaged = 0;
    for (std::size_t offset = 7; offset < original_.size(); offset += step) {
        if (std::chrono::steady_clock::now() - start > kBudget) {
            break;
        }
        const ChmHelpFileResult got =
            OpenAndUse(Flipped(offset, static_cast<int>(offset / step) % 8));
        (got.Status == ChmReadStatus::Read ? read : damaged)++;
    }
    RecordProperty("read", read);
    RecordProperty("damaged", damaged);
    std::printf("single bit flips: %d read, %d damaged\n", read, damaged);
    EXPECT_GT(read + damaged, 20);
    EXPECT_GT(damaged, 0);
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "a reader was left behind";
}

TEST_F(ChangedHelpFile, FilesThatAreNotHelpFiles) {
    const struct {
        const char* Name;
        std::string Path;
        ChmReadStatus Expected;
    } cases[] = {
        {"missing", (folder_ / "no-such-file.chm").string(), ChmReadStatus::CannotOpen},
        {"a folder", folder_.string(), ChmReadStatus::CannotOpen},
        {"empty", Write("empty.chm", ""), ChmReadStatus::Damaged},
        {"text", Write("text.chm", "this is not a compiled help file"), ChmReadStatus::Damaged},
        {"header only", Write("header.chm", original_.substr(0, 0x60)), ChmReadStatus::Damaged},
    };
    for (const auto& c : cases) {
        const ChmHelpFileResult got = ChmHelpFile::Open(c.Path, Reader());
        EXPECT_EQ(got.Status, c.Expected) << c.Name << ": " << got.Detail;
        EXPECT_FALSE(got.File.has_value()) << c.Name;
    }
}

TEST_F(ChangedHelpFile, CutShortAnywhere) {
    // Whatever is left of the file: its contents or the damaged answer.
    for (const std::size_t size :
         {std::size_t{0x400}, original_.size() / 3, original_.size() / 2, original_.size() - 1}) {
        OpenAndUse(Write("cut.chm", original_.substr(0, size)));
    }
}

TEST(ChmHelpFile, TopicsBecomeArchivePaths) {
    const std::pair<const char*, const char*> cases[] = {
        {"index.htm", "/index.htm"},
        {"/index.htm", "/index.htm"},
        {"  images\\sky.png ", "/images/sky.png"},
        {"ms-its:Vantrel.chm::/sources.htm#catalogue", "/sources.htm#catalogue"},
        {"mk:@MSITStore:C:\\Help\\Vantrel.chm::/a.htm", "/a.htm"},
        {"", "/"},
    };
    for (const auto& [local, path] : cases) {
        EXPECT_EQ(ChmHelpFile::NormaliseTopic(local), path) << local;
    }
}

} // namespace
} // namespace vantrel

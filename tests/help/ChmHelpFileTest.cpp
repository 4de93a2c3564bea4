// Reads the help file that the build compiles from help/content.

#include "help/engine/ChmHelpFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

namespace vantrel {
namespace {

const std::string kHelpFile = VANTREL_HELP_FILE;

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
        file = new std::optional<ChmHelpFile>(ChmHelpFile::Open(kHelpFile));
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

TEST(ChmHelpFile, FilesThatAreNotHelpFilesAreRefused) {
    const auto dir = std::filesystem::temp_directory_path();
    EXPECT_FALSE(ChmHelpFile::Open((dir / "vantrel-no-such-file.chm").string()).has_value());
    const auto junk = dir / "vantrel-junk.chm";
    std::ofstream(junk) << "this is not a compiled help file";
    EXPECT_FALSE(ChmHelpFile::Open(junk.string()).has_value());
    std::filesystem::remove(junk);
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

#include "help/HelpFileRule.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

struct NameCase {
    const char* name;
    bool compiled;
};

TEST(HelpFileRule, CompiledHtmlHelpByExtensionIgnoringCase) {
    const NameCase cases[] = {
        {"/opt/vantrel/Vantrel.chm", true},
        {"vantrel.CHM", true},
        {"Vantrel.Chm", true},
        {".chm", true},
        {"vantrel.chm.bak", false},
        {"vantrel.chmx", false},
        {"vantrel.ch", false},
        {"Vantrel", false},               // no "." at all
        {"/opt/help.chm/Vantrel", false}, // the "." lies in a directory
        {"vantrel.hlp", false},
        {"", false},
    };
    for (const NameCase& c : cases) {
        EXPECT_EQ(IsCompiledHtmlHelpName(c.name), c.compiled) << "name: " << c.name;
    }
}

TEST(HelpFileRule, NameWithoutDirectoryTakesTheExecutablesDirectory) {
    EXPECT_EQ(WithExecutableDirectory("Vantrel.chm", "/opt/vantrel"), "/opt/vantrel/Vantrel.chm");
    EXPECT_EQ(WithExecutableDirectory("Vantrel.chm", "/opt/vantrel/"), "/opt/vantrel/Vantrel.chm");
    EXPECT_EQ(WithExecutableDirectory("Vantrel.chm", ""), "/Vantrel.chm");
    // Any directory part, relative or absolute, is kept as it is.
    EXPECT_EQ(WithExecutableDirectory("/home/op/Vantrel.chm", "/opt/vantrel"),
              "/home/op/Vantrel.chm");
    EXPECT_EQ(WithExecutableDirectory("help/Vantrel.chm", "/opt/vantrel"), "help/Vantrel.chm");
    EXPECT_EQ(WithExecutableDirectory("./Vantrel.chm", "/opt/vantrel"), "./Vantrel.chm");
}

TEST(HelpFileRule, TopicsGetTheDefaultExtensionUnlessTheyAreHtml) {
    const std::pair<const char*, const char*> cases[] = {
        {"orbits", "orbits.htm"},           {"orbits.htm", "orbits.htm"},
        {"orbits.HTML", "orbits.HTML"},     {"orbits.Htm", "orbits.Htm"},
        {"orbits.txt", "orbits.txt.htm"},   {"orbits.html5", "orbits.html5.htm"},
        {"v1.2/orbits", "v1.2/orbits.htm"}, {"", ".htm"},
    };
    for (const auto& [topic, expected] : cases) {
        EXPECT_EQ(TopicWithExtension(topic, ".htm"), expected) << "topic: " << topic;
    }
}

TEST(HelpFileRule, KeywordOfAnEntryIsCutAtTheFirstColonAndTrimmed) {
    const std::pair<const char*, const char*> cases[] = {
        {"QelHtmlHelp:  Moon  ", "Moon"},
        {"Moon", "Moon"},
        {"  Moon\t", "Moon"},
        {"QelHtmlHelp: Sun: rising", "Sun: rising"},
        {"QelHtmlHelp:\r\nMoon\x01", "Moon"},
        {"QelHtmlHelp:", ""},
        {": Moon", "Moon"},
        {"", ""},
    };
    for (const auto& [entry, keyword] : cases) {
        EXPECT_EQ(KeywordOfEntry(entry), keyword) << "entry: " << entry;
    }
    EXPECT_EQ(ViewerNameOfEntry("QelHtmlHelp: Moon"), "QelHtmlHelp");
    EXPECT_EQ(ViewerNameOfEntry("QelHtmlHelp"), "QelHtmlHelp");
    EXPECT_EQ(ViewerNameOfEntry(": Moon"), "");
}

} // namespace
} // namespace vantrel

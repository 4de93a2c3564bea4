// The planner's command line: none (the current folder), --data-home with or
// without a folder, --help, and what is refused.

#include "app/PlannerArguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vantrel;

namespace {

struct ArgumentsCase {
    const char* Name;
    std::vector<std::string> Args;
    bool Help;
    bool DataHome;
    std::string Folder;
    std::string ProblemPart; // empty: accepted
    bool Version = false;
};

class PlannerArgumentsTest : public ::testing::TestWithParam<ArgumentsCase> {};

TEST_P(PlannerArgumentsTest, Parses) {
    const ArgumentsCase& c = GetParam();
    const PlannerArguments parsed = ParsePlannerArguments(c.Args);
    if (!c.ProblemPart.empty()) {
        EXPECT_NE(parsed.Problem.find(c.ProblemPart), std::string::npos) << parsed.Problem;
        return;
    }
    EXPECT_EQ(parsed.Problem, "");
    EXPECT_EQ(parsed.Help, c.Help);
    EXPECT_EQ(parsed.Version, c.Version);
    EXPECT_EQ(parsed.DataHome, c.DataHome);
    EXPECT_EQ(parsed.DataFolder, c.Folder);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlannerArgumentsTest,
    ::testing::Values(
        ArgumentsCase{"NoneWorksHere", {}, false, false, "", ""},
        ArgumentsCase{"DataHome", {"--data-home"}, false, true, "", ""},
        ArgumentsCase{"DataHomeFolder", {"--data-home=/tmp/v"}, false, true, "/tmp/v", ""},
        ArgumentsCase{"DataHomeRelativeFolder", {"--data-home=run"}, false, true, "run", ""},
        ArgumentsCase{"LastDataHomeWins", {"--data-home=/a", "--data-home"}, false, true, "", ""},
        ArgumentsCase{"Help", {"--help"}, true, false, "", ""},
        ArgumentsCase{"ShortHelp", {"-h"}, true, false, "", ""},
        ArgumentsCase{"Version", {"--version"}, false, false, "", "", true},
        ArgumentsCase{"VersionWithValue", {"--version=2"}, false, false, "", "unknown option"},
        ArgumentsCase{"EmptyFolder", {"--data-home="}, false, false, "", "needs a folder"},
        ArgumentsCase{"Unknown", {"--datahome"}, false, false, "", "unknown option '--datahome'"},
        ArgumentsCase{"StrayWord", {"--data-home", "run"}, false, false, "", "'run'"},
        ArgumentsCase{"HelpWithValue", {"--help=x"}, false, false, "", "unknown option"},
        ArgumentsCase{"EscapedOnTheTerminal", {"\x1b[2J"}, false, false, "", "'\\x1b[2J'"}),
    [](const auto& info) { return std::string(info.param.Name); });

// The line as the program judges it before the window system: Qt's own
// options (and their values) set aside, everything else left to be judged.
TEST(WithoutQtOptions, SetsAsideWhatTheApplicationObjectTakes) {
    const struct {
        std::vector<std::string> Args;
        std::vector<std::string> Left;
    } cases[] = {
        {{"-platform", "offscreen", "--data-home"}, {"--data-home"}},
        {{"--platform", "xcb", "-display", ":1", "--version"}, {"--version"}},
        {{"-style=fusion", "--stylesheet", "a.qss", "-reverse", "--bogus"}, {"--bogus"}},
        {{"-qmljsdebugger=port:1234", "-psn_0_1"}, {}},
        {{"-platformx", "offscreen"}, {"-platformx", "offscreen"}},
        {{"--data-home", "-platform"}, {"--data-home"}}, // a value missing at the end
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WithoutQtOptions(c.Args), c.Left) << c.Args.front();
    }
    // Help and version are seen on a line refused for another word.
    const PlannerArguments both = ParsePlannerArguments({"--bogus", "--version", "--help"});
    EXPECT_TRUE(both.Help);
    EXPECT_TRUE(both.Version);
    EXPECT_NE(both.Problem.find("'--bogus'"), std::string::npos);
}

TEST(PlannerUsage, NamesTheOptionAndTheFolder) {
    const std::string usage(PlannerUsage());
    EXPECT_NE(usage.find("--data-home"), std::string::npos);
    EXPECT_NE(usage.find("~/.local/share/vantrel"), std::string::npos);
    EXPECT_EQ(usage.back(), '\n');
}

} // namespace

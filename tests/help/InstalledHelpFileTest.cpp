// Which help file the Help command opens: the working folder's own copy, the
// installed one relative to the program, or the working folder's name.

#include "help/InstalledHelpFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

using namespace vantrel;

namespace {

struct HelpCase {
    const char* Name;
    std::string Current;
    std::string Executable;
    std::set<std::string> Existing;
    std::string Expected;
};

class ChooseHelpFileTest : public ::testing::TestWithParam<HelpCase> {};

TEST_P(ChooseHelpFileTest, Chooses) {
    const HelpCase& c = GetParam();
    const auto exists = [&](const std::string& path) { return c.Existing.count(path) > 0; };
    EXPECT_EQ(ChooseApplicationHelpFile("Vantrel.chm", c.Current, c.Executable, "../share/vantrel",
                                        exists),
              c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChooseHelpFileTest,
    ::testing::Values(
        HelpCase{"OwnCopyWins",
                 "/home/u/.local/share/vantrel",
                 "/usr/bin",
                 {"/home/u/.local/share/vantrel/Vantrel.chm", "/usr/share/vantrel/Vantrel.chm"},
                 "/home/u/.local/share/vantrel/Vantrel.chm"},
        HelpCase{"InstalledWhenNoneHere",
                 "/home/u/.local/share/vantrel",
                 "/usr/bin",
                 {"/usr/share/vantrel/Vantrel.chm"},
                 "/usr/share/vantrel/Vantrel.chm"},
        HelpCase{"UnpackedTreeReadsItsOwn",
                 "/tmp/w",
                 "/tmp/x/usr/bin/",
                 {"/tmp/x/usr/share/vantrel/Vantrel.chm", "/usr/share/vantrel/Vantrel.chm"},
                 "/tmp/x/usr/share/vantrel/Vantrel.chm"},
        HelpCase{
            "NoneAnywhereNamesTheWorkingFolder", "/tmp/w", "/usr/bin", {}, "/tmp/w/Vantrel.chm"},
        HelpCase{"RootFolder", "/", "/usr/bin", {"/Vantrel.chm"}, "/Vantrel.chm"},
        HelpCase{"UnknownProgramFolder",
                 "/tmp/w",
                 "",
                 {"/usr/share/vantrel/Vantrel.chm", "../share/vantrel/Vantrel.chm"},
                 "/tmp/w/Vantrel.chm"},
        HelpCase{"BuildTreeHasNoShareFolder",
                 "/src/run",
                 "/src/build",
                 {"/src/run/Vantrel.chm"},
                 "/src/run/Vantrel.chm"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(RegularFileExists, TellsFilesFromFoldersAndNothing) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / "vantrel-help-exists-test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir / "Vantrel.chm.d");
    std::ofstream(dir / "Vantrel.chm") << "ITSF";
    std::filesystem::create_symlink(dir / "Vantrel.chm", dir / "link.chm");
    EXPECT_TRUE(RegularFileExists((dir / "Vantrel.chm").string()));
    EXPECT_TRUE(RegularFileExists((dir / "link.chm").string()));
    EXPECT_FALSE(RegularFileExists((dir / "Vantrel.chm.d").string()));
    EXPECT_FALSE(RegularFileExists((dir / "missing.chm").string()));
    std::filesystem::remove_all(dir);
}

} // namespace

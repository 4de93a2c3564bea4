// The user's data folder of a planner started from the menu: where it is by
// the XDG rules, its creation, the first "Vanset.ini", and the failures a
// user must be told of. Real folders and files in a scratch folder.

#include "app/DataHome.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;
using namespace vantrel;

namespace {

struct LocationCase {
    const char* Name;
    std::optional<std::string> Xdg;
    std::optional<std::string> Home;
    std::string Folder; // empty: a problem is expected
};

class DataHomeFolderTest : public ::testing::TestWithParam<LocationCase> {};

TEST_P(DataHomeFolderTest, FollowsTheXdgRules) {
    const LocationCase& c = GetParam();
    const DataHomeLocation where = DataHomeFolder(c.Xdg, c.Home);
    EXPECT_EQ(where.Folder, c.Folder);
    EXPECT_EQ(where.Problem.empty(), !c.Folder.empty()) << where.Problem;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DataHomeFolderTest,
    ::testing::Values(
        LocationCase{"XdgSet", "/data/x", "/home/u", "/data/x/vantrel"},
        LocationCase{"XdgWithTrailingSlashes", "/data/x//", "/home/u", "/data/x/vantrel"},
        LocationCase{"XdgUnset", std::nullopt, "/home/u", "/home/u/.local/share/vantrel"},
        LocationCase{"XdgEmpty", "", "/home/u", "/home/u/.local/share/vantrel"},
        LocationCase{"XdgRelativeIsIgnored", "data/x", "/home/u", "/home/u/.local/share/vantrel"},
        LocationCase{"XdgDotRelativeIsIgnored", "./x", "/home/u/", "/home/u/.local/share/vantrel"},
        LocationCase{"HomeIsRoot", std::nullopt, "/", "/.local/share/vantrel"},
        LocationCase{"XdgSetHomeUnset", "/data/x", std::nullopt, "/data/x/vantrel"},
        LocationCase{"NeitherSet", std::nullopt, std::nullopt, ""},
        LocationCase{"HomeRelative", "rel", "home/u", ""}, LocationCase{"HomeEmpty", "", "", ""}),
    [](const auto& info) { return std::string(info.param.Name); });

/// A scratch folder of this test, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (fs::temp_directory_path() / "vantrel-datahome-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~ScratchFolder() {
        // Folders a test made unwritable must be writable again to go.
        std::error_code error;
        for (auto it = fs::recursive_directory_iterator(path_, error);
             it != fs::recursive_directory_iterator(); it.increment(error)) {
            if (it->is_directory(error)) {
                fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
            }
        }
        fs::remove_all(path_, error);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

std::string Contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

constexpr const char* kDesignIni = "[Position]\nLeft=10\nTop=10\nWidth=1048\nHeight=700\n";

/// A folder this process cannot write in: a read-only folder of the scratch
/// folder, or for root (who writes anywhere on a disk) the kernel's /sys;
/// empty when there is none.
fs::path ReadOnlyFolder(const ScratchFolder& scratch) {
    if (geteuid() != 0) {
        const fs::path folder = scratch.Path() / "read-only";
        fs::create_directory(folder);
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
        return folder;
    }
    const fs::path sys = "/sys";
    const fs::path probe = sys / "vantrel-probe";
    if (!fs::is_directory(sys)) {
        return {};
    }
    if (mkdir(probe.c_str(), 0700) == 0) {
        rmdir(probe.c_str());
        return {};
    }
    return sys;
}

TEST(PrepareDataHome, CreatesTheFolderWithItsParentsPrivatelyAndWritesTheDesignSize) {
    ScratchFolder scratch;
    const fs::path folder = scratch.Path() / "home" / ".local" / "share" / "vantrel";
    const DataHomeSetup setup = PrepareDataHome(folder.string());
    EXPECT_TRUE(setup.Problem.empty()) << setup.Problem;
    EXPECT_TRUE(setup.FolderCreated);
    EXPECT_TRUE(setup.SettingsWritten);
    ASSERT_TRUE(fs::is_directory(folder));
    for (const fs::path& made : {folder, folder.parent_path(), scratch.Path() / "home"}) {
        struct stat info {};
        ASSERT_EQ(stat(made.c_str(), &info), 0);
        // 0700, or less where the process's umask takes more away.
        EXPECT_EQ(info.st_mode & 077, 0u) << made;
        EXPECT_EQ(info.st_mode & 0700, 0700u) << made;
    }
    EXPECT_EQ(Contents(folder / "Vanset.ini"), kDesignIni);
}

TEST(PrepareDataHome, SecondStartChangesNothing) {
    ScratchFolder scratch;
    const fs::path folder = scratch.Path() / "vantrel";
    ASSERT_TRUE(PrepareDataHome(folder.string()).SettingsWritten);
    const DataHomeSetup again = PrepareDataHome(folder.string() + "/");
    EXPECT_TRUE(again.Problem.empty()) << again.Problem;
    EXPECT_FALSE(again.FolderCreated);
    EXPECT_FALSE(again.SettingsWritten);
    EXPECT_EQ(Contents(folder / "Vanset.ini"), kDesignIni);
}

TEST(PrepareDataHome, NeverOverwritesAUsersVanset) {
    ScratchFolder scratch;
    const fs::path folder = scratch.Path() / "vantrel";
    fs::create_directory(folder);
    // What the planner writes after a session: position and settings.
    const std::string own =
        "[Observing]\nFrequencyMHz=10368\n\n[Position]\nHeight=900\nLeft=300\nTop=40\n"
        "Width=1400\n";
    std::ofstream(folder / "Vanset.ini", std::ios::binary) << own;
    const DataHomeSetup setup = PrepareDataHome(folder.string());
    EXPECT_TRUE(setup.Problem.empty()) << setup.Problem;
    EXPECT_FALSE(setup.FolderCreated);
    EXPECT_FALSE(setup.SettingsWritten);
    EXPECT_EQ(Contents(folder / "Vanset.ini"), own);
}

TEST(PrepareDataHome, LeavesAnEmptyVansetAndADanglingLinkAlone) {
    ScratchFolder scratch;
    const fs::path empty = scratch.Path() / "empty";
    fs::create_directory(empty);
    std::ofstream(empty / "Vanset.ini").close();
    EXPECT_FALSE(PrepareDataHome(empty.string()).SettingsWritten);
    EXPECT_EQ(fs::file_size(empty / "Vanset.ini"), 0u);

    // The link points where the user keeps the file; it is not created there.
    const fs::path linked = scratch.Path() / "linked";
    fs::create_directory(linked);
    fs::create_symlink(scratch.Path() / "elsewhere.ini", linked / "Vanset.ini");
    const DataHomeSetup setup = PrepareDataHome(linked.string());
    EXPECT_TRUE(setup.Problem.empty()) << setup.Problem;
    EXPECT_FALSE(setup.SettingsWritten);
    EXPECT_TRUE(fs::is_symlink(linked / "Vanset.ini"));
    EXPECT_FALSE(fs::exists(scratch.Path() / "elsewhere.ini"));
}

TEST(PrepareDataHome, UnwritableHomeIsReportedWithThePath) {
    ScratchFolder scratch;
    const fs::path home = ReadOnlyFolder(scratch);
    if (home.empty()) {
        GTEST_SKIP() << "no folder this process cannot write to";
    }
    const fs::path folder = home / ".local" / "share" / "vantrel";
    const DataHomeSetup setup = PrepareDataHome(folder.string());
    EXPECT_FALSE(setup.FolderCreated);
    EXPECT_FALSE(setup.SettingsWritten);
    EXPECT_NE(setup.Problem.find("The folder " + folder.string() + " could not be created ("),
              std::string::npos)
        << setup.Problem;
    EXPECT_FALSE(fs::exists(home / ".local"));
}

TEST(PrepareDataHome, ReadOnlyDataFolderIsReportedAndLeftEmpty) {
    ScratchFolder scratch;
    const fs::path folder = ReadOnlyFolder(scratch);
    if (folder.empty()) {
        GTEST_SKIP() << "no folder this process cannot write to";
    }
    const DataHomeSetup setup = PrepareDataHome(folder.string());
    EXPECT_FALSE(setup.FolderCreated);
    EXPECT_FALSE(setup.SettingsWritten);
    EXPECT_NE(setup.Problem.find((folder / "Vanset.ini").string() + " could not be written ("),
              std::string::npos)
        << setup.Problem;
    EXPECT_FALSE(fs::exists(folder / "Vanset.ini"));
}

TEST(PrepareDataHome, AFileInTheWayIsNamed) {
    ScratchFolder scratch;
    const fs::path blocker = scratch.Path() / "share";
    std::ofstream(blocker) << "not a folder";
    const DataHomeSetup setup = PrepareDataHome((blocker / "vantrel").string());
    EXPECT_FALSE(setup.SettingsWritten);
    EXPECT_NE(setup.Problem.find(blocker.string() + " is not a folder"), std::string::npos)
        << setup.Problem;
    EXPECT_EQ(Contents(blocker), "not a folder");
}

TEST(PrepareDataHome, RefusesARelativeFolder) {
    const DataHomeSetup setup = PrepareDataHome("vantrel");
    EXPECT_FALSE(setup.Problem.empty());
    EXPECT_FALSE(setup.FolderCreated);
}

/// Restores the working folder a test changes.
class KeepsWorkingFolder : public ::testing::Test {
protected:
    void TearDown() override { fs::current_path(start_); }

private:
    fs::path start_ = fs::current_path();
};

using EnterDataHomeTest = KeepsWorkingFolder;

TEST_F(EnterDataHomeTest, WorksInTheNewFolder) {
    ScratchFolder scratch;
    const fs::path folder = scratch.Path() / "share" / "vantrel";
    const DataHomeEntry entry = EnterDataHome({folder.string(), {}});
    EXPECT_TRUE(entry.Entered);
    EXPECT_TRUE(entry.Problem.empty()) << entry.Problem;
    EXPECT_EQ(fs::current_path(), folder);
    EXPECT_TRUE(fs::exists("Vanset.ini"));
}

TEST_F(EnterDataHomeTest, StaysHereAndSaysWhereWhenTheFolderCannotBeMade) {
    ScratchFolder scratch;
    std::ofstream(scratch.Path() / "share") << "in the way";
    fs::current_path(scratch.Path());
    const DataHomeEntry entry = EnterDataHome({(scratch.Path() / "share/vantrel").string(), {}});
    EXPECT_FALSE(entry.Entered);
    EXPECT_EQ(fs::current_path(), scratch.Path());
    EXPECT_NE(entry.Problem.find("could not be created"), std::string::npos) << entry.Problem;
    EXPECT_NE(entry.Problem.find("keeps its files in " + scratch.Path().string()),
              std::string::npos)
        << entry.Problem;
}

TEST_F(EnterDataHomeTest, NoLocationIsSaidAsWell) {
    const DataHomeEntry entry = EnterDataHome(DataHomeFolder(std::nullopt, std::nullopt));
    EXPECT_FALSE(entry.Entered);
    EXPECT_NE(entry.Problem.find("XDG_DATA_HOME"), std::string::npos) << entry.Problem;
}

TEST_F(EnterDataHomeTest, ReadOnlyFolderIsStillEntered) {
    ScratchFolder scratch;
    const fs::path folder = ReadOnlyFolder(scratch);
    if (folder.empty()) {
        GTEST_SKIP() << "no folder this process cannot write to";
    }
    const DataHomeEntry entry = EnterDataHome({folder.string(), {}});
    // Its station file can still be read; the window opens at its default size.
    EXPECT_TRUE(entry.Entered);
    EXPECT_EQ(fs::current_path(), folder);
    EXPECT_NE(entry.Problem.find("could not be written"), std::string::npos) << entry.Problem;
}

} // namespace

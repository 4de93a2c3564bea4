// A new user's first "Vanset.ini", as the main window reads it back: the
// window opens at its design size, on a small screen and a large one alike;
// and the position kept at exit in a folder the user may not write in.

#include "app/DataHome.h"
#include "mainwin/DesignSize.h"
#include "mainwin/PositionStore.h"

#include "tests/WithoutRootPowers.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <string>

#include <sys/stat.h>

using namespace vantrel;

TEST(DataHomePosition, FirstStartOpensAtTheDesignSize) {
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QString folder = scratch.filePath(QStringLiteral("vantrel"));
    ASSERT_TRUE(PrepareDataHome(folder.toStdString()).SettingsWritten);

    const StoredPosition stored = ReadStoredPosition(folder);
    EXPECT_EQ(stored, (StoredPosition{kDesignOuterLeft, kDesignOuterTop, kDesignOuterWidth,
                                      kDesignOuterHeight}));
    const QRect design(10, 10, 1048, 700);
    EXPECT_EQ(LoadWindowPosition(folder, {QRect(0, 0, 1280, 1024)}), design);
    EXPECT_EQ(LoadWindowPosition(folder, {QRect(0, 0, 1920, 1080), QRect(1920, 0, 2560, 1440)}),
              design);
}

namespace {

struct ReadOnlyFolderCase {
    const char* Name;
    mode_t FileMode;      // of a "Vanset.ini" there; 0: none there
    const char* Expected; // the file's text afterwards; null: as before
};

class ReadOnlyFolderTest : public ::testing::TestWithParam<ReadOnlyFolderCase> {};

constexpr const char* kBefore = "[Position]\nLeft=10\nTop=10\nWidth=1048\nHeight=700\n\n"
                                "[Track]\nDevice=/dev/ttyUSB0\n";

// At exit, in a folder the user may not write in (a shared or protected
// folder): a writable "Vanset.ini" there keeps the window's place and every
// other window's section; a write-protected one, or none, is left alone.
TEST_P(ReadOnlyFolderTest, KeepsThePositionInAWritableFile) {
    const ReadOnlyFolderCase& c = GetParam();
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QString ini = VansetPath(scratch.path());
    if (c.FileMode != 0) {
        QFile file(ini);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kBefore);
        file.close();
        ASSERT_EQ(::chmod(QFile::encodeName(ini).constData(), c.FileMode), 0);
    }
    const QByteArray folder = QFile::encodeName(scratch.path());
    ASSERT_EQ(::chmod(folder.constData(), 0555), 0); // no new file can be made here
    const int status = test::RunWithoutRootPowers([&] {
        const bool saved = SaveWindowPosition(scratch.path(), QRect(100, -20, 800, 600));
        return saved == (c.Expected != nullptr) ? 0 : 1;
    });
    ::chmod(folder.constData(), 0700);
    if (status == test::kStillRoot) {
        GTEST_SKIP() << "root's powers cannot be given up here";
    }
    EXPECT_EQ(status, 0) << "the save said the opposite of what it did";
    QFile file(ini);
    const QByteArray after = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    EXPECT_EQ(after.toStdString(),
              c.Expected != nullptr ? c.Expected : (c.FileMode != 0 ? kBefore : ""));
    EXPECT_EQ(QDir(scratch.path())
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                  .size(),
              c.FileMode != 0 ? 1 : 0)
        << "something was left beside the file";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadOnlyFolderTest,
    ::testing::Values(ReadOnlyFolderCase{"WritableFile", 0666,
                                         "[Position]\nHeight=600\nLeft=100\nTop=-20\nWidth=800\n\n"
                                         "[Track]\nDevice=/dev/ttyUSB0\n"},
                      ReadOnlyFolderCase{"WriteProtectedFile", 0444, nullptr},
                      ReadOnlyFolderCase{"NoFile", 0, nullptr}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace

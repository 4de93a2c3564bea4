// A new user's first "Vanset.ini", as the main window reads it back: the
// window opens at its design size, on a small screen and a large one alike.

#include "app/DataHome.h"
#include "mainwin/DesignSize.h"
#include "mainwin/PositionStore.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

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

// Fuzz target: the main window's position and size in Vanset.ini (section
// "Position", keys "Left", "Top", "Width", "Height"), as the window reads
// them at start-up.
//
// Input: the whole Vanset.ini. It is written to a folder of this process
// and read with LoadWindowPosition for two screens side by side, and again
// for no screen known. Properties, whatever the file holds:
//  - a key that is not a whole number in the 32-bit range takes its default
//    (10, 10, 500, 500);
//  - the window's size is at least 1 and at most the largest screen's, its
//    edges fit a 32-bit integer, and it lies at least partly on a screen.

#include "fuzz/FuzzCheck.h"
#include "fuzz/ScratchFolder.h"
#include "mainwin/PositionStore.h"

#include <unistd.h>

#include <QString>

#include <filesystem>
#include <fstream>
#include <limits>

namespace {

using namespace vantrel;

bool Fits(long long v) {
    return v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max();
}

void CheckRect(const QRect& r, const QList<QRect>& screens) {
    FUZZ_CHECK(r.width() >= 1 && r.height() >= 1);
    FUZZ_CHECK(Fits(static_cast<long long>(r.left()) + r.width() - 1));
    FUZZ_CHECK(Fits(static_cast<long long>(r.top()) + r.height() - 1));
    if (screens.isEmpty()) {
        FUZZ_CHECK(r.width() <= kPositionLimit && r.height() <= kPositionLimit);
        return;
    }
    bool onScreen = false;
    int widest = 0;
    int tallest = 0;
    for (const QRect& s : screens) {
        onScreen = onScreen || s.intersects(r);
        widest = std::max(widest, s.width());
        tallest = std::max(tallest, s.height());
    }
    FUZZ_CHECK(onScreen);
    FUZZ_CHECK(r.width() <= widest && r.height() <= tallest);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::ScratchFolder folder("position");
    {
        std::ofstream out(folder.path / kPositionFileName, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const QString dir = QString::fromStdString(folder.path.string());
    const StoredPosition stored = ReadStoredPosition(dir);
    const QList<QRect> screens = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    CheckRect(UsableWindowPosition(stored, screens), screens);
    CheckRect(UsableWindowPosition(stored, {}), {});
    return 0;
}

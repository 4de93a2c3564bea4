#include "mainwin/PositionStore.h"

#include "mainwin/VansetWrite.h"

#include <QDir>
#include <QSettings>

#include <algorithm>
#include <cstdlib>

namespace vantrel {

namespace {

constexpr StoredPosition kDefaults;

int Whole(const QSettings& ini, const char* key, int fallback) {
    bool ok = false;
    const int v = ini.value(QLatin1String(key)).toString().trimmed().toInt(&ok, 10);
    return ok ? v : fallback;
}

} // namespace

QString VansetPath(const QString& directory) {
    const QString dir = directory.isEmpty() ? QDir::currentPath() : directory;
    return dir + QLatin1Char('/') + QLatin1String(kPositionFileName);
}

QString VansetKey(const char* section, const char* name) {
    return QLatin1String(section) + QLatin1Char('/') + QLatin1String(name);
}

StoredPosition ReadStoredPosition(const QString& directory) {
    const QSettings ini(VansetPath(directory), QSettings::IniFormat);
    return {Whole(ini, "Position/Left", kDefaults.Left), Whole(ini, "Position/Top", kDefaults.Top),
            Whole(ini, "Position/Width", kDefaults.Width),
            Whole(ini, "Position/Height", kDefaults.Height)};
}

QRect UsableWindowPosition(const StoredPosition& stored, const QList<QRect>& screens) {
    int widest = 0;
    int tallest = 0;
    for (const QRect& s : screens) {
        widest = std::max(widest, s.width());
        tallest = std::max(tallest, s.height());
    }
    if (screens.isEmpty()) {
        widest = tallest = kPositionLimit;
    }
    const auto size = [](int v, int largest, int fallback) {
        return v >= 1 && v <= largest ? v : fallback;
    };
    const int width = size(stored.Width, widest, kDefaults.Width);
    const int height = size(stored.Height, tallest, kDefaults.Height);
    // Compared as 64-bit values: INT_MIN has no 32-bit absolute value.
    const auto inReach = [](int v) { return std::llabs(v) <= kPositionLimit; };
    int left = stored.Left;
    int top = stored.Top;
    if (!inReach(left) || !inReach(top)) {
        left = kDefaults.Left;
        top = kDefaults.Top;
    }
    return OnSomeScreen(QRect(left, top, width, height), screens);
}

QRect LoadWindowPosition(const QString& directory, const QList<QRect>& screens) {
    return UsableWindowPosition(ReadStoredPosition(directory), screens);
}

bool SaveWindowPosition(const QString& directory, const QRect& outer) {
    return WriteVanset(directory, [&outer](QSettings& ini) {
        ini.setValue(QStringLiteral("Position/Left"), outer.left());
        ini.setValue(QStringLiteral("Position/Top"), outer.top());
        ini.setValue(QStringLiteral("Position/Width"), outer.width());
        ini.setValue(QStringLiteral("Position/Height"), outer.height());
    });
}

QRect OnSomeScreen(const QRect& outer, const QList<QRect>& screens) {
    for (const QRect& s : screens) {
        if (s.intersects(outer)) {
            return outer;
        }
    }
    if (screens.isEmpty()) {
        return outer; // nothing to measure against
    }
    return QRect(kDefaults.Left, kDefaults.Top, outer.width(), outer.height());
}

} // namespace vantrel

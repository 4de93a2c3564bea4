#include "mainwin/PositionStore.h"

#include <QDir>
#include <QSettings>

namespace vantrel {

namespace {

constexpr int kDefaultLeft = 10;
constexpr int kDefaultTop = 10;
constexpr int kDefaultSize = 500;

QString PathIn(const QString& directory) {
    const QString dir = directory.isEmpty() ? QDir::currentPath() : directory;
    return dir + QLatin1Char('/') + QLatin1String(kPositionFileName);
}

int Whole(const QSettings& ini, const char* key, int fallback) {
    bool ok = false;
    const int v = ini.value(QLatin1String(key)).toString().trimmed().toInt(&ok, 10);
    return ok ? v : fallback;
}

} // namespace

QRect LoadWindowPosition(const QString& directory) {
    const QSettings ini(PathIn(directory), QSettings::IniFormat);
    return QRect(Whole(ini, "Position/Left", kDefaultLeft), Whole(ini, "Position/Top", kDefaultTop),
                 Whole(ini, "Position/Width", kDefaultSize),
                 Whole(ini, "Position/Height", kDefaultSize));
}

void SaveWindowPosition(const QString& directory, const QRect& outer) {
    QSettings ini(PathIn(directory), QSettings::IniFormat);
    ini.setValue(QStringLiteral("Position/Left"), outer.left());
    ini.setValue(QStringLiteral("Position/Top"), outer.top());
    ini.setValue(QStringLiteral("Position/Width"), outer.width());
    ini.setValue(QStringLiteral("Position/Height"), outer.height());
    ini.sync();
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
    return QRect(kDefaultLeft, kDefaultTop, outer.width(), outer.height());
}

} // namespace vantrel

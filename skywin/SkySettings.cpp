#include "skywin/SkySettings.h"

#include "mainwin/PositionStore.h"
#include "mainwin/VansetWrite.h"

#include <QDir>
#include <QSettings>

namespace vantrel {

namespace {

QString Key(const char* name) {
    return VansetKey(kSkySection, name);
}

std::optional<int> Whole(const QSettings& ini, const char* name) {
    bool ok = false;
    const int v = ini.value(Key(name)).toString().trimmed().toInt(&ok, 10);
    return ok ? std::optional<int>(v) : std::nullopt;
}

} // namespace

SkySettings LoadSkySettings(const QString& directory, const QList<QRect>& screens) {
    const QSettings ini(VansetPath(directory), QSettings::IniFormat);
    SkySettings s;
    const auto left = Whole(ini, "Left");
    const auto top = Whole(ini, "Top");
    const auto width = Whole(ini, "Width");
    const auto height = Whole(ini, "Height");
    if (left && top && width && height) {
        s.Geometry = UsableWindowPosition({*left, *top, *width, *height}, screens);
    }
    if (ini.value(Key("Orientation")).toString().trimmed() == QLatin1String("1")) {
        s.Orientation = ChartOrientation::EastRight;
    }
    s.HorizonFile = ini.value(Key("HorizonFile")).toString();
    return s;
}

bool SaveSkySettings(const QString& directory, const SkySettings& s) {
    return WriteVanset(directory, [&](QSettings& ini) {
        if (s.Geometry) {
            ini.setValue(Key("Left"), s.Geometry->left());
            ini.setValue(Key("Top"), s.Geometry->top());
            ini.setValue(Key("Width"), s.Geometry->width());
            ini.setValue(Key("Height"), s.Geometry->height());
        }
        ini.setValue(Key("Orientation"), static_cast<int>(s.Orientation));
        ini.setValue(Key("HorizonFile"), s.HorizonFile);
    });
}

} // namespace vantrel

#include "skywin/SkySettings.h"

#include "mainwin/PositionStore.h"
#include "mainwin/VansetValues.h"
#include "mainwin/VansetWrite.h"

#include <QSettings>

namespace vantrel {

namespace {

QString Key(const char* name) {
    return VansetKey(kSkySection, name);
}

} // namespace

SkySettings LoadSkySettings(const QString& directory, const QList<QRect>& screens) {
    const QSettings ini(VansetPath(directory), QSettings::IniFormat);
    SkySettings s;
    if (const auto stored = ReadSectionPosition(ini, kSkySection)) {
        s.Geometry = UsableWindowPosition(*stored, screens);
    }
    if (ini.value(Key("Orientation")).toString().trimmed() == QLatin1String("1")) {
        s.Orientation = ChartOrientation::EastRight;
    }
    s.HorizonFile = ini.value(Key("HorizonFile")).toString();
    s.SkyLayer = ini.value(Key("SkyLayer")).toString().trimmed() == QLatin1String("1");
    return s;
}

bool SaveSkySettings(const QString& directory, const SkySettings& s) {
    return WriteVanset(directory, [&](QSettings& ini) {
        if (s.Geometry) {
            WriteSectionPosition(ini, kSkySection, *s.Geometry);
        }
        ini.setValue(Key("Orientation"), static_cast<int>(s.Orientation));
        ini.setValue(Key("HorizonFile"), s.HorizonFile);
        ini.setValue(Key("SkyLayer"), s.SkyLayer ? 1 : 0);
    });
}

} // namespace vantrel

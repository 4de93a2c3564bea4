#include "emewin/EmeSettings.h"

#include "eme/DxStation.h"
#include "eme/MoonWindows.h"
#include "emewin/EmeSkedSetup.h"
#include "mainwin/PositionStore.h"
#include "mainwin/VansetValues.h"
#include "mainwin/VansetWrite.h"

#include <QSettings>

namespace vantrel {

namespace {

QString Key(const char* name) {
    return VansetKey(kEmeSection, name);
}

QString RecentKey(std::size_t i) {
    return Key(QStringLiteral("Recent%1").arg(i + 1).toLatin1().constData());
}

/// A stored DX station that reads as one, in its normal form; empty else.
std::string Station(const QSettings& ini, const QString& key) {
    const eme::DxParse p = eme::ParseDxStation(ini.value(key).toString().toStdString());
    return p.Station ? p.Station->Text() : std::string();
}

double MinElevation(const QSettings& ini, const char* name) {
    bool ok = false;
    const double v = ini.value(Key(name)).toString().trimmed().toDouble(&ok);
    return ok && v >= eme::kLowestMinElevationDeg && v <= eme::kHighestMinElevationDeg
               ? v
               : kEmeDefaultMinElevationDeg;
}

} // namespace

EmeSettings LoadEmeSettings(const QString& directory, const QList<QRect>& screens) {
    const QSettings ini(VansetPath(directory), QSettings::IniFormat);
    EmeSettings s;
    if (const auto stored = ReadSectionPosition(ini, kEmeSection)) {
        s.Geometry = UsableWindowPosition(*stored, screens);
    }
    s.Dx = Station(ini, Key("Dx"));
    std::vector<std::string> recent;
    for (std::size_t i = 0; i < eme::kRecentDxCount; ++i) {
        if (std::string r = Station(ini, RecentKey(i)); !r.empty()) {
            recent.push_back(std::move(r));
        }
    }
    // Duplicates and the order made sound as the window makes them.
    for (auto it = recent.rbegin(); it != recent.rend(); ++it) {
        s.Recent = eme::RememberDx(s.Recent, *it);
    }
    s.HomeMinElevationDeg = MinElevation(ini, "HomeMinElevationDeg");
    s.DxMinElevationDeg = MinElevation(ini, "DxMinElevationDeg");
    const auto text = [&](const char* name) {
        return ini.value(Key(name)).toString().toStdString();
    };
    s.ReceiverK = ReceiverKOf(text("ReceiverK")).value_or(kEmeDefaultReceiverK);
    s.HomeHpbwDeg = HpbwOf(text("HomeHpbwDeg")).Value;
    s.DxHpbwDeg = HpbwOf(text("DxHpbwDeg")).Value;
    s.MoonTemperatureK = MoonTemperatureOf(text("MoonTemperatureK")).Value;
    s.FrequencyMHz = BandOf(text("FrequencyMHz")).Value;
    return s;
}

bool SaveEmeSettings(const QString& directory, const EmeSettings& s) {
    return WriteVanset(directory, [&](QSettings& ini) {
        if (s.Geometry) {
            WriteSectionPosition(ini, kEmeSection, *s.Geometry);
        }
        ini.setValue(Key("Dx"), QString::fromStdString(s.Dx));
        for (std::size_t i = 0; i < eme::kRecentDxCount; ++i) {
            if (i < s.Recent.size()) {
                ini.setValue(RecentKey(i), QString::fromStdString(s.Recent[i]));
            } else {
                ini.remove(RecentKey(i));
            }
        }
        ini.setValue(Key("HomeMinElevationDeg"), VansetNumberText(s.HomeMinElevationDeg));
        ini.setValue(Key("DxMinElevationDeg"), VansetNumberText(s.DxMinElevationDeg));
        ini.setValue(Key("ReceiverK"), VansetNumberText(s.ReceiverK));
        ini.setValue(Key("HomeHpbwDeg"),
                     s.HomeHpbwDeg ? VansetNumberText(*s.HomeHpbwDeg) : QString());
        ini.setValue(Key("DxHpbwDeg"), s.DxHpbwDeg ? VansetNumberText(*s.DxHpbwDeg) : QString());
        ini.setValue(Key("FrequencyMHz"),
                     s.FrequencyMHz ? VansetNumberText(*s.FrequencyMHz) : QString());
        ini.setValue(Key("MoonTemperatureK"),
                     s.MoonTemperatureK ? VansetNumberText(*s.MoonTemperatureK) : QString());
    });
}

} // namespace vantrel

#include "measurewin/MeasureSettings.h"

#include "mainwin/PositionStore.h"
#include "mainwin/VansetValues.h"
#include "mainwin/VansetWrite.h"

#include <QSettings>

#include <cmath>

namespace vantrel {

namespace {

QString Key(const char* name) {
    return VansetKey(kMeasureSection, name);
}

double Number(const QSettings& ini, const char* name, SetupField field, double fallback) {
    return VansetNumber(ini, Key(name), ParseSetupNumber, field).value_or(fallback);
}

} // namespace

MeasureSetup LoadMeasureSetup(const QString& directory) {
    const QSettings ini(VansetPath(directory), QSettings::IniFormat);
    const MeasureSetup defaults;
    MeasureSetup s;
    const QString kind = ini.value(Key("AntennaKind")).toString().trimmed();
    s.Antenna = kind == QLatin1String("1") ? AntennaKind::Gain : AntennaKind::Dish;
    s.DishDiameterM = Number(ini, "DishDiameterM", SetupField::Diameter, defaults.DishDiameterM);
    s.Efficiency = Number(ini, "Efficiency", SetupField::Efficiency, defaults.Efficiency);
    s.GainDbi = Number(ini, "GainDbi", SetupField::Gain, defaults.GainDbi);
    s.TsysK = Number(ini, "TsysK", SetupField::Tsys, defaults.TsysK);
    s.MoonTemperatureK =
        Number(ini, "MoonTemperatureK", SetupField::MoonTemperature, defaults.MoonTemperatureK);
    s.MoonTemperatureTyped =
        ini.value(Key("MoonTemperatureTyped")).toString().trimmed() == QLatin1String("true");
    s.HpbwDeg = Number(ini, "HpbwDeg", SetupField::Hpbw, defaults.HpbwDeg);
    s.Source = ini.value(Key("Source")).toString().trimmed().toStdString();
    s.SolarFluxFile = ini.value(Key("SolarFluxFile")).toString().toStdString();
    if (ini.contains(Key("SolarFlux"))) {
        const std::string solar = ini.value(Key("SolarFlux")).toString().toStdString();
        if (ParseSolarEntry(solar).Problem.empty()) {
            s.SolarFlux = solar;
        }
    }
    return s;
}

bool SaveMeasureSetup(const QString& directory, const MeasureSetup& s) {
    return WriteVanset(directory, [&](QSettings& ini) {
        ini.setValue(Key("AntennaKind"), static_cast<int>(s.Antenna));
        // A value that is not a number (a field of the antenna kind not in
        // use, refused) leaves the stored one as it was.
        const auto number = [&ini](const char* name, double value) {
            if (std::isfinite(value)) {
                ini.setValue(Key(name), VansetNumberText(value));
            }
        };
        number("DishDiameterM", s.DishDiameterM);
        number("Efficiency", s.Efficiency);
        number("GainDbi", s.GainDbi);
        number("TsysK", s.TsysK);
        if (ParseSolarEntry(s.SolarFlux).Problem.empty()) {
            ini.setValue(Key("SolarFlux"), QString::fromStdString(s.SolarFlux));
        }
        number("MoonTemperatureK", s.MoonTemperatureK);
        // The Moon by its phase and the antenna's own beam are no keys: a file that never had a
        // typed beamwidth stays as it was.
        if (s.MoonTemperatureTyped) {
            ini.setValue(Key("MoonTemperatureTyped"), QStringLiteral("true"));
        } else {
            ini.remove(Key("MoonTemperatureTyped"));
        }
        if (std::isfinite(s.HpbwDeg) && s.HpbwDeg > 0) {
            ini.setValue(Key("HpbwDeg"), VansetNumberText(s.HpbwDeg));
        } else if (std::isfinite(s.HpbwDeg)) {
            ini.remove(Key("HpbwDeg"));
        }
        if (!s.Source.empty()) {
            ini.setValue(Key("Source"), QString::fromStdString(s.Source));
        }
        // No file: no key, so a file that never had one stays as it was.
        if (s.SolarFluxFile.empty()) {
            ini.remove(Key("SolarFluxFile"));
        } else {
            ini.setValue(Key("SolarFluxFile"), QString::fromStdString(s.SolarFluxFile));
        }
    });
}

} // namespace vantrel

#include "settings/ObservingSettings.h"

#include "mainwin/PositionStore.h"
#include "mainwin/VansetValues.h"
#include "mainwin/VansetWrite.h"

#include <QDir>
#include <QSettings>

namespace vantrel {

namespace {

QString Key(const char* name) {
    return VansetKey(kObservingSection, name);
}

/// Off unless stored as "1": damaged text included.
bool Switch(const QSettings& ini, const char* name) {
    return VansetFlag(ini, Key(name), false);
}

double Number(const QSettings& ini, const char* name, ConditionField field, double fallback) {
    const QByteArray text = ini.value(Key(name)).toString().toLatin1();
    const ParsedCondition parsed = ParseCondition(
        field, std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    return parsed.Problem.empty() ? parsed.Value : fallback;
}

} // namespace

ObservingConditions LoadObservingConditions(const QString& directory) {
    const QSettings ini(VansetPath(directory), QSettings::IniFormat);
    const ObservingConditions defaults;
    ObservingConditions c;
    c.Apparent = Switch(ini, "ApparentPlaces");
    c.Refraction = Switch(ini, "RadioRefraction");
    c.PressureHpa = Number(ini, "PressureHpa", ConditionField::Pressure, defaults.PressureHpa);
    c.TemperatureC =
        Number(ini, "TemperatureC", ConditionField::Temperature, defaults.TemperatureC);
    c.RelativeHumidityPercent =
        Number(ini, "RelativeHumidityPercent", ConditionField::RelativeHumidity,
               defaults.RelativeHumidityPercent);
    c.FrequencyMHz = Number(ini, "FrequencyMHz", ConditionField::Frequency, defaults.FrequencyMHz);
    return c;
}

bool SaveObservingConditions(const QString& directory, const ObservingConditions& c) {
    return WriteVanset(directory, [&](QSettings& ini) {
        ini.setValue(Key("ApparentPlaces"), c.Apparent ? 1 : 0);
        ini.setValue(Key("RadioRefraction"), c.Refraction ? 1 : 0);
        ini.setValue(Key("PressureHpa"), VansetNumberText(c.PressureHpa));
        ini.setValue(Key("TemperatureC"), VansetNumberText(c.TemperatureC));
        ini.setValue(Key("RelativeHumidityPercent"), VansetNumberText(c.RelativeHumidityPercent));
        ini.setValue(Key("FrequencyMHz"), VansetNumberText(c.FrequencyMHz));
    });
}

} // namespace vantrel

#include "emewin/DopplerPanelSettings.h"

#include "emewin/EmeSettings.h"
#include "mainwin/PositionStore.h"
#include "mainwin/VansetValues.h"
#include "mainwin/VansetWrite.h"

#include <QSettings>

namespace vantrel {

namespace {

QString Key(const char* name) {
    return VansetKey(kEmeSection, name);
}

std::optional<double> Number(const QSettings& ini, const char* name, double lo, double hi) {
    bool ok = false;
    const QString text = ini.value(Key(name)).toString().trimmed();
    const double v = text.toDouble(&ok);
    if (!ok || !(v >= lo && v <= hi)) {
        return std::nullopt;
    }
    return v;
}

constexpr double kHighestModel = 1000000;
constexpr double kLowestSkedMHz = 1;
constexpr double kHighestSkedMHz = 300000;
constexpr double kWidestDeadBandHz = 1000;

} // namespace

EmeDopplerSettings LoadEmeDopplerSettings(const QString& directory) {
    const QSettings ini(VansetPath(directory), QSettings::IniFormat);
    EmeDopplerSettings s;
    if (const auto model = Number(ini, "DopplerRigModel", 1, kHighestModel);
        model && *model == static_cast<int>(*model)) {
        s.Rig.Model = static_cast<int>(*model);
    }
    if (ini.contains(Key("DopplerRigDevice"))) {
        s.Rig.Device = ini.value(Key("DopplerRigDevice")).toString().toStdString();
    }
    s.Follow = ini.value(Key("DopplerFollow")).toString() == QLatin1String("dx")
                   ? eme::DopplerToFollow::Dx
                   : eme::DopplerToFollow::OwnEcho;
    s.SkedMHz = Number(ini, "DopplerSkedMHz", kLowestSkedMHz, kHighestSkedMHz);
    s.UpdateS =
        Number(ini, "DopplerUpdateS", eme::kShortestDopplerUpdateS, eme::kLongestDopplerUpdateS)
            .value_or(eme::kDefaultDopplerUpdateS);
    if (const auto period = Number(ini, "DopplerPeriodS", eme::kShortestDopplerPeriodS,
                                   eme::kLongestDopplerPeriodS);
        period && *period == static_cast<int>(*period)) {
        s.Period.LengthS = static_cast<int>(*period);
    }
    s.Period.TransmitFirst = ini.value(Key("DopplerTxFirst")).toString() == QLatin1String("1");
    s.DeadBandHz = Number(ini, "DopplerDeadBandHz", 0, kWidestDeadBandHz);
    return s;
}

bool SaveEmeDopplerSettings(const QString& directory, const EmeDopplerSettings& s) {
    return WriteVanset(directory, [&](QSettings& ini) {
        ini.setValue(Key("DopplerRigModel"), QString::number(s.Rig.Model));
        ini.setValue(Key("DopplerRigDevice"), QString::fromStdString(s.Rig.Device));
        ini.setValue(Key("DopplerFollow"), s.Follow == eme::DopplerToFollow::Dx
                                               ? QStringLiteral("dx")
                                               : QStringLiteral("own"));
        ini.setValue(Key("DopplerSkedMHz"),
                     s.SkedMHz ? QString::number(*s.SkedMHz, 'f', 6) : QString());
        ini.setValue(Key("DopplerUpdateS"), VansetNumberText(s.UpdateS));
        ini.setValue(Key("DopplerPeriodS"), QString::number(s.Period.LengthS));
        ini.setValue(Key("DopplerTxFirst"),
                     s.Period.TransmitFirst ? QStringLiteral("1") : QStringLiteral("0"));
        ini.setValue(Key("DopplerDeadBandHz"),
                     s.DeadBandHz ? VansetNumberText(*s.DeadBandHz) : QString());
    });
}

} // namespace vantrel

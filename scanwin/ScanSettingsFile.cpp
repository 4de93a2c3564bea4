#include "scanwin/ScanSettingsFile.h"

#include "mainwin/PositionStore.h"
#include "mainwin/VansetValues.h"
#include "mainwin/VansetWrite.h"

#include <QSettings>

namespace vantrel {

namespace {

QString Key(const char* name) {
    return VansetKey(kScanSection, name);
}

std::string Stored(const QSettings& ini, const char* name) {
    return VansetText(ini, Key(name));
}

double Number(const QSettings& ini, const char* name, ScanField field, double fallback) {
    return VansetNumber(ini, Key(name), ParseScanField, field).value_or(fallback);
}

bool Flag(const QSettings& ini, const char* name, bool fallback) {
    return VansetFlag(ini, Key(name), fallback);
}

} // namespace

ScanSetup LoadScanSetup(const QString& directory) {
    const QSettings ini(VansetPath(directory), QSettings::IniFormat);
    const ScanSetup d;
    ScanSetup s;
    scan::ScanSettings& o = s.Settings;
    o.Procedure = scan::ProcedureFromKey(Stored(ini, "Procedure")).value_or(d.Settings.Procedure);
    o.Source = SkySourceFromKey(Stored(ini, "Source")).value_or(d.Settings.Source);
    s.BeamFromAntenna = Flag(ini, "BeamFromAntenna", d.BeamFromAntenna);
    o.BeamwidthDeg = Number(ini, "BeamwidthDeg", ScanField::BeamwidthDeg, d.Settings.BeamwidthDeg);
    o.TauS = Number(ini, "TauS", ScanField::TauS, d.Settings.TauS);
    o.SettleS = Number(ini, "SettleS", ScanField::SettleS, d.Settings.SettleS);
    o.Pairs = static_cast<int>(Number(ini, "Pairs", ScanField::Pairs, d.Settings.Pairs));
    o.OffBeams = Number(ini, "OffBeams", ScanField::OffBeams, d.Settings.OffBeams);
    if (Flag(ini, "ColdSky", false)) {
        o.ColdSky = scan::SkyPoint{Number(ini, "ColdAzimuthDeg", ScanField::ColdAzimuth, 180),
                                   Number(ini, "ColdElevationDeg", ScanField::ColdElevation, 45)};
    }
    if (!o.ColdSky) {
        o.OffBy = scan::OffChoiceFromKey(Stored(ini, "OffPoint")).value_or(d.Settings.OffBy);
    }
    o.SpanBeams = Number(ini, "SpanBeams", ScanField::SpanBeams, d.Settings.SpanBeams);
    o.Points = static_cast<int>(Number(ini, "Points", ScanField::Points, d.Settings.Points));
    o.Continuous = Flag(ini, "Continuous", d.Settings.Continuous);
    const std::string after = Stored(ini, "AfterEnd");
    o.After = after == "stop"    ? scan::AfterEnd::Stop
              : after == "track" ? scan::AfterEnd::Track
                                 : d.Settings.After;
    return s;
}

bool SaveScanSetup(const QString& directory, const ScanSetup& s) {
    if (!scan::ScanSettingsProblem(s.Settings).empty()) {
        return false;
    }
    return WriteVanset(directory, [&](QSettings& ini) {
        const scan::ScanSettings& o = s.Settings;
        ini.setValue(Key("Procedure"), VansetKeyText(scan::ProcedureKey(o.Procedure)));
        ini.setValue(Key("Source"), VansetKeyText(SkySourceKey(o.Source)));
        ini.setValue(Key("BeamFromAntenna"), s.BeamFromAntenna ? 1 : 0);
        ini.setValue(Key("BeamwidthDeg"), VansetNumberText(o.BeamwidthDeg));
        ini.setValue(Key("TauS"), VansetNumberText(o.TauS));
        ini.setValue(Key("SettleS"), VansetNumberText(o.SettleS));
        ini.setValue(Key("Pairs"), o.Pairs);
        ini.setValue(Key("OffBeams"), VansetNumberText(o.OffBeams));
        ini.setValue(Key("ColdSky"), o.ColdSky ? 1 : 0);
        if (o.ColdSky) {
            ini.setValue(Key("ColdAzimuthDeg"), VansetNumberText(o.ColdSky->AzimuthDeg));
            ini.setValue(Key("ColdElevationDeg"), VansetNumberText(o.ColdSky->ElevationDeg));
        }
        ini.setValue(Key("OffPoint"), VansetKeyText(scan::OffChoiceKey(o.OffBy)));
        ini.setValue(Key("SpanBeams"), VansetNumberText(o.SpanBeams));
        ini.setValue(Key("Points"), o.Points);
        ini.setValue(Key("Continuous"), o.Continuous ? 1 : 0);
        ini.setValue(Key("AfterEnd"), o.After == scan::AfterEnd::Stop ? QStringLiteral("stop")
                                                                      : QStringLiteral("track"));
    });
}

std::optional<QRect> LoadScanWindowRect(const QString& directory) {
    return LoadSectionRect(directory, kScanSection);
}

bool SaveScanWindowRect(const QString& directory, const QRect& rect) {
    return SaveSectionRect(directory, kScanSection, rect);
}

} // namespace vantrel

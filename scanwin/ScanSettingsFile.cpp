#include "scanwin/ScanSettingsFile.h"

#include "mainwin/PositionStore.h"
#include "mainwin/VansetWrite.h"

#include <QSettings>

#include <cmath>
#include <cstdlib>

namespace vantrel {

namespace {

QString Key(const char* name) {
    return VansetKey(kScanSection, name);
}

std::string Stored(const QSettings& ini, const char* name) {
    return ini.value(Key(name)).toString().toStdString();
}

double Number(const QSettings& ini, const char* name, ScanField field, double fallback) {
    if (!ini.contains(Key(name))) {
        return fallback;
    }
    const ParsedScanNumber p = ParseScanField(field, Stored(ini, name));
    return p.Problem.empty() ? p.Value : fallback;
}

bool Flag(const QSettings& ini, const char* name, bool fallback) {
    const QString v = ini.value(Key(name)).toString().trimmed();
    if (v == QLatin1String("1")) {
        return true;
    }
    if (v == QLatin1String("0")) {
        return false;
    }
    return fallback;
}

QString Text(double value) {
    return QString::number(value, 'g', 17);
}

QString Latin(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::optional<int> Whole(const QSettings& ini, const char* name) {
    bool ok = false;
    const int v = ini.value(Key(name)).toString().trimmed().toInt(&ok);
    return ok ? std::optional<int>(v) : std::nullopt;
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
        ini.setValue(Key("Procedure"), Latin(scan::ProcedureKey(o.Procedure)));
        ini.setValue(Key("Source"), Latin(SkySourceKey(o.Source)));
        ini.setValue(Key("BeamFromAntenna"), s.BeamFromAntenna ? 1 : 0);
        ini.setValue(Key("BeamwidthDeg"), Text(o.BeamwidthDeg));
        ini.setValue(Key("TauS"), Text(o.TauS));
        ini.setValue(Key("SettleS"), Text(o.SettleS));
        ini.setValue(Key("Pairs"), o.Pairs);
        ini.setValue(Key("OffBeams"), Text(o.OffBeams));
        ini.setValue(Key("ColdSky"), o.ColdSky ? 1 : 0);
        if (o.ColdSky) {
            ini.setValue(Key("ColdAzimuthDeg"), Text(o.ColdSky->AzimuthDeg));
            ini.setValue(Key("ColdElevationDeg"), Text(o.ColdSky->ElevationDeg));
        }
        ini.setValue(Key("SpanBeams"), Text(o.SpanBeams));
        ini.setValue(Key("Points"), o.Points);
        ini.setValue(Key("Continuous"), o.Continuous ? 1 : 0);
        ini.setValue(Key("AfterEnd"), o.After == scan::AfterEnd::Stop ? QStringLiteral("stop")
                                                                      : QStringLiteral("track"));
    });
}

std::optional<QRect> LoadScanWindowRect(const QString& directory) {
    const QSettings ini(VansetPath(directory), QSettings::IniFormat);
    const auto left = Whole(ini, "Left");
    const auto top = Whole(ini, "Top");
    const auto width = Whole(ini, "Width");
    const auto height = Whole(ini, "Height");
    if (!left || !top || !width || !height || *width < 1 || *height < 1 ||
        std::abs(*left) > kPositionLimit || std::abs(*top) > kPositionLimit ||
        *width > kPositionLimit || *height > kPositionLimit) {
        return std::nullopt;
    }
    return QRect(*left, *top, *width, *height);
}

bool SaveScanWindowRect(const QString& directory, const QRect& rect) {
    return WriteVanset(directory, [&](QSettings& ini) {
        ini.setValue(Key("Left"), rect.left());
        ini.setValue(Key("Top"), rect.top());
        ini.setValue(Key("Width"), rect.width());
        ini.setValue(Key("Height"), rect.height());
    });
}

} // namespace vantrel

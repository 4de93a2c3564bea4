#include "trackwin/TrackSettings.h"

#include "mainwin/PositionStore.h"
#include "mainwin/VansetWrite.h"

#include <QDir>
#include <QSettings>

#include <cmath>

namespace vantrel {

namespace {

QString Key(const char* name) {
    return VansetKey(kTrackSection, name);
}

std::string Stored(const QSettings& ini, const char* name) {
    return ini.value(Key(name)).toString().toStdString();
}

double Number(const QSettings& ini, const char* name, TrackField field, double fallback) {
    if (!ini.contains(Key(name))) {
        return fallback;
    }
    const ParsedTrackNumber p = ParseTrackField(field, Stored(ini, name));
    return p.Problem.empty() ? p.Value : fallback;
}

QString Text(double value) {
    return QString::number(value, 'g', 17); // reads back to the same double
}

/// A flag stored as "0" or "1"; anything else is the default.
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

std::optional<int> Whole(const QSettings& ini, const char* name) {
    bool ok = false;
    const int v = ini.value(Key(name)).toString().trimmed().toInt(&ok);
    return ok ? std::optional<int>(v) : std::nullopt;
}

} // namespace

TrackSetup LoadTrackSetup(const QString& directory) {
    const QSettings ini(VansetPath(directory), QSettings::IniFormat);
    const TrackSetup d;
    TrackSetup s;
    TrackingOptions& o = s.Options;
    o.Source = SkySourceFromKey(Stored(ini, "Source")).value_or(d.Options.Source);
    o.PeriodS = Number(ini, "PeriodS", TrackField::PeriodS, d.Options.PeriodS);
    o.ThresholdDeg = Number(ini, "ThresholdDeg", TrackField::ThresholdDeg, d.Options.ThresholdDeg);
    o.Range = AzimuthRangeFromKey(Stored(ini, "AzimuthRange")).value_or(d.Options.Range);
    o.MinElevationDeg =
        Number(ini, "MinElevationDeg", TrackField::MinElevationDeg, d.Options.MinElevationDeg);
    o.MaxElevationDeg =
        Number(ini, "MaxElevationDeg", TrackField::MaxElevationDeg, d.Options.MaxElevationDeg);
    if (o.MinElevationDeg > o.MaxElevationDeg) {
        o.MinElevationDeg = d.Options.MinElevationDeg;
        o.MaxElevationDeg = d.Options.MaxElevationDeg;
    }
    o.AzimuthOffsetDeg =
        Number(ini, "AzimuthOffsetDeg", TrackField::AzimuthOffsetDeg, d.Options.AzimuthOffsetDeg);
    o.ElevationOffsetDeg = Number(ini, "ElevationOffsetDeg", TrackField::ElevationOffsetDeg,
                                  d.Options.ElevationOffsetDeg);
    o.OffSourceAzimuthDeg =
        Number(ini, "OffSourceDeg", TrackField::OffSourceDeg, d.Options.OffSourceAzimuthDeg);
    o.Below = Flag(ini, "ParkWhenSet", d.Options.Below == WhenBelow::Park) ? WhenBelow::Park
                                                                           : WhenBelow::Hold;
    s.ParkAt.AzimuthDeg =
        Number(ini, "ParkAzimuthDeg", TrackField::ParkAzimuthDeg, d.ParkAt.AzimuthDeg);
    s.ParkAt.ElevationDeg =
        Number(ini, "ParkElevationDeg", TrackField::ParkElevationDeg, d.ParkAt.ElevationDeg);
    const bool own = Flag(ini, "OwnPark", !d.Options.ParkPosition.has_value());
    o.ParkPosition = own ? std::nullopt : std::optional<RotatorPosition>(s.ParkAt);

    s.Rotator.Model = static_cast<int>(
        Number(ini, "Model", TrackField::Model, static_cast<double>(d.Rotator.Model)));
    s.Rotator.SerialSpeed = static_cast<int>(Number(ini, "SerialSpeed", TrackField::SerialSpeed,
                                                    static_cast<double>(d.Rotator.SerialSpeed)));
    if (ini.contains(Key("Device"))) {
        const std::string device = Stored(ini, "Device");
        if (DeviceProblem(device).empty()) {
            s.Rotator.Device = device;
        }
    }
    // What the fields accept one by one, the options may still refuse
    // together; the defaults are what the program always accepts.
    if (!TrackSetupProblem(s).empty()) {
        s.Options = d.Options;
        s.ParkAt = d.ParkAt;
    }
    return s;
}

bool SaveTrackSetup(const QString& directory, const TrackSetup& s) {
    if (!TrackSetupProblem(s).empty()) {
        return false; // a refused value never reaches Vanset.ini
    }
    return WriteVanset(directory, [&](QSettings& ini) {
        const TrackingOptions& o = s.Options;
        const auto key = [](std::string_view k) {
            return QString::fromLatin1(k.data(), static_cast<qsizetype>(k.size()));
        };
        ini.setValue(Key("Source"), key(SkySourceKey(o.Source)));
        ini.setValue(Key("Model"), s.Rotator.Model);
        ini.setValue(Key("Device"), QString::fromStdString(s.Rotator.Device));
        ini.setValue(Key("SerialSpeed"), s.Rotator.SerialSpeed);
        ini.setValue(Key("PeriodS"), Text(o.PeriodS));
        ini.setValue(Key("ThresholdDeg"), Text(o.ThresholdDeg));
        ini.setValue(Key("AzimuthRange"), key(AzimuthRangeKey(o.Range)));
        ini.setValue(Key("MinElevationDeg"), Text(o.MinElevationDeg));
        ini.setValue(Key("MaxElevationDeg"), Text(o.MaxElevationDeg));
        ini.setValue(Key("AzimuthOffsetDeg"), Text(o.AzimuthOffsetDeg));
        ini.setValue(Key("ElevationOffsetDeg"), Text(o.ElevationOffsetDeg));
        ini.setValue(Key("OffSourceDeg"), Text(o.OffSourceAzimuthDeg));
        ini.setValue(Key("ParkWhenSet"), o.Below == WhenBelow::Park ? 1 : 0);
        ini.setValue(Key("OwnPark"), o.ParkPosition ? 0 : 1);
        ini.setValue(Key("ParkAzimuthDeg"), Text(s.ParkAt.AzimuthDeg));
        ini.setValue(Key("ParkElevationDeg"), Text(s.ParkAt.ElevationDeg));
    });
}

std::optional<QRect> LoadTrackWindowRect(const QString& directory) {
    const QSettings ini(VansetPath(directory), QSettings::IniFormat);
    const auto left = Whole(ini, "Left");
    const auto top = Whole(ini, "Top");
    const auto width = Whole(ini, "Width");
    const auto height = Whole(ini, "Height");
    if (!left || !top || !width || !height || *width < 1 || *height < 1 ||
        std::abs(static_cast<long long>(*left)) > kPositionLimit ||
        std::abs(static_cast<long long>(*top)) > kPositionLimit || *width > kPositionLimit ||
        *height > kPositionLimit) {
        return std::nullopt;
    }
    return QRect(*left, *top, *width, *height);
}

bool SaveTrackWindowRect(const QString& directory, const QRect& rect) {
    return WriteVanset(directory, [&](QSettings& ini) {
        ini.setValue(Key("Left"), rect.left());
        ini.setValue(Key("Top"), rect.top());
        ini.setValue(Key("Width"), rect.width());
        ini.setValue(Key("Height"), rect.height());
    });
}

} // namespace vantrel

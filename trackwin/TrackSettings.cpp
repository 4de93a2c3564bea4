#include "trackwin/TrackSettings.h"

#include "mainwin/PositionStore.h"
#include "mainwin/VansetValues.h"
#include "mainwin/VansetWrite.h"

#include <QSettings>

namespace vantrel {

namespace {

QString Key(const char* name) {
    return VansetKey(kTrackSection, name);
}

std::string Stored(const QSettings& ini, const char* name) {
    return VansetText(ini, Key(name));
}

double Number(const QSettings& ini, const char* name, TrackField field, double fallback) {
    return VansetNumber(ini, Key(name), ParseTrackField, field).value_or(fallback);
}

bool Flag(const QSettings& ini, const char* name, bool fallback) {
    return VansetFlag(ini, Key(name), fallback);
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
    // A file from before the beam's threshold has only ThresholdDeg: one
    // other than the old default was typed, and stays in force.
    const bool typedBefore = o.ThresholdDeg != d.Options.ThresholdDeg;
    o.ThresholdFromBeam = Flag(ini, "ThresholdFromBeam", !typedBefore);
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
        ini.setValue(Key("Source"), VansetKeyText(SkySourceKey(o.Source)));
        ini.setValue(Key("Model"), s.Rotator.Model);
        ini.setValue(Key("Device"), QString::fromStdString(s.Rotator.Device));
        ini.setValue(Key("SerialSpeed"), s.Rotator.SerialSpeed);
        ini.setValue(Key("PeriodS"), VansetNumberText(o.PeriodS));
        ini.setValue(Key("ThresholdDeg"), VansetNumberText(o.ThresholdDeg));
        ini.setValue(Key("ThresholdFromBeam"), o.ThresholdFromBeam ? 1 : 0);
        ini.setValue(Key("AzimuthRange"), VansetKeyText(AzimuthRangeKey(o.Range)));
        ini.setValue(Key("MinElevationDeg"), VansetNumberText(o.MinElevationDeg));
        ini.setValue(Key("MaxElevationDeg"), VansetNumberText(o.MaxElevationDeg));
        ini.setValue(Key("AzimuthOffsetDeg"), VansetNumberText(o.AzimuthOffsetDeg));
        ini.setValue(Key("ElevationOffsetDeg"), VansetNumberText(o.ElevationOffsetDeg));
        ini.setValue(Key("OffSourceDeg"), VansetNumberText(o.OffSourceAzimuthDeg));
        ini.setValue(Key("ParkWhenSet"), o.Below == WhenBelow::Park ? 1 : 0);
        ini.setValue(Key("OwnPark"), o.ParkPosition ? 0 : 1);
        ini.setValue(Key("ParkAzimuthDeg"), VansetNumberText(s.ParkAt.AzimuthDeg));
        ini.setValue(Key("ParkElevationDeg"), VansetNumberText(s.ParkAt.ElevationDeg));
    });
}

std::optional<QRect> LoadTrackWindowRect(const QString& directory) {
    return LoadSectionRect(directory, kTrackSection);
}

bool SaveTrackWindowRect(const QString& directory, const QRect& rect) {
    return SaveSectionRect(directory, kTrackSection, rect);
}

} // namespace vantrel

#include "receiverwin/ReceiverSettings.h"

#include "mainwin/PositionStore.h"
#include "mainwin/VansetValues.h"
#include "mainwin/VansetWrite.h"

#include <QSettings>

namespace vantrel {

namespace {

QString Key(const char* name) {
    return VansetKey(kReceiverSection, name);
}

std::string Stored(const QSettings& ini, const char* name) {
    return VansetText(ini, Key(name));
}

/// The stored number of `field`; none when it is missing, empty or refused.
std::optional<double> Number(const QSettings& ini, const char* name, ReceiverField field) {
    return VansetNumber(ini, Key(name), ParseReceiverNumber, field);
}

/// A stored text without a line break; `fallback` otherwise.
std::string Text(const QSettings& ini, const char* name, const std::string& fallback) {
    if (!ini.contains(Key(name))) {
        return fallback;
    }
    const std::string text = Stored(ini, name);
    return text.find_first_of("\r\n") == std::string::npos ? text : fallback;
}

/// A band: missing or refused gives `fallback`, empty the whole band.
std::optional<BandHz> Band(const QSettings& ini, const char* name,
                           const std::optional<BandHz>& fallback) {
    if (!ini.contains(Key(name))) {
        return fallback;
    }
    const ParsedBand p = ParseBandText(Stored(ini, name));
    return p.Problem.empty() ? p.Band : fallback;
}

} // namespace

ReceiverSetup LoadReceiverSetup(const QString& directory) {
    const QSettings ini(VansetPath(directory), QSettings::IniFormat);
    const ReceiverSetup d;
    ReceiverSetup s;
    s.Input = ReceiverInputFromKey(Stored(ini, "Input")).value_or(d.Input);

    s.Sdr.DeviceArgs = Text(ini, "SdrDevice", d.Sdr.DeviceArgs);
    // An empty frequency or gain is a choice (the observing frequency, the
    // device's gain), kept as such.
    if (const std::string f = Stored(ini, "SdrFrequencyMHz"); !f.empty()) {
        const ParsedReceiverNumber p = ParseReceiverNumber(ReceiverField::SdrFrequencyMHz, f);
        s.Sdr.FrequencyMHz = p.Problem.empty() ? p.Value : d.Sdr.FrequencyMHz;
    }
    s.Sdr.RateHz = Number(ini, "SdrRateHz", ReceiverField::SdrRateHz).value_or(d.Sdr.RateHz);
    if (const std::string g = Stored(ini, "SdrGainDb"); !g.empty()) {
        const ParsedReceiverNumber p = ParseReceiverNumber(ReceiverField::SdrGainDb, g);
        s.Sdr.GainDb = p.Problem.empty() ? p.Value : d.Sdr.GainDb;
    }
    s.Sdr.Antenna = Text(ini, "SdrAntenna", d.Sdr.Antenna);
    if (const std::string ppm = Stored(ini, "SdrPpm"); !ppm.empty()) {
        const ParsedReceiverNumber p = ParseReceiverNumber(ReceiverField::SdrPpm, ppm);
        s.Sdr.PpmCorrection = p.Problem.empty() ? p.Value : d.Sdr.PpmCorrection;
    }
    if (const ParsedSdrSettings p = ParseSdrSettingsText(Text(ini, "SdrSettings", ""));
        p.Problem.empty()) {
        s.Sdr.Settings = p.Settings;
    }
    if (const ParsedGainElements p = ParseGainElementsText(Text(ini, "SdrGainElements", ""));
        p.Problem.empty()) {
        s.Sdr.GainElements = p.Elements;
    }
    s.SdrBand = Band(ini, "SdrBand", d.SdrBand);

    s.Audio.Device = Text(ini, "AudioDevice", d.Audio.Device);
    if (s.Audio.Device.empty()) {
        s.Audio.Device = d.Audio.Device;
    }
    s.Audio.RateHz = static_cast<unsigned>(
        Number(ini, "AudioRateHz", ReceiverField::AudioRateHz).value_or(d.Audio.RateHz));
    s.Audio.Channel = static_cast<unsigned>(
        Number(ini, "AudioChannel", ReceiverField::AudioChannel).value_or(d.Audio.Channel));
    s.AudioBand = Band(ini, "AudioBand", d.AudioBand);

    s.Command.Command = Text(ini, "Command", d.Command.Command);
    s.Command.Unit = ParseReadingUnit(Stored(ini, "CommandUnit")).value_or(d.Command.Unit);
    s.Command.Column = static_cast<int>(
        Number(ini, "CommandColumn", ReceiverField::Column).value_or(d.Command.Column));
    s.Command.PollS = Number(ini, "CommandPollS", ReceiverField::PollS).value_or(d.Command.PollS);

    s.Rig.Model =
        static_cast<int>(Number(ini, "RigModel", ReceiverField::RigModel).value_or(d.Rig.Model));
    s.Rig.Device = Text(ini, "RigDevice", d.Rig.Device);
    if (s.Rig.Device.empty()) {
        s.Rig.Device = d.Rig.Device;
    }

    s.TauS = Number(ini, "TauS", ReceiverField::TauS).value_or(d.TauS);
    s.Bins = static_cast<int>(Number(ini, "Bins", ReceiverField::Bins).value_or(d.Bins));
    s.RfiFilter = VansetFlag(ini, Key("RfiFilter"), d.RfiFilter);
    return s;
}

bool SaveReceiverSetup(const QString& directory, const ReceiverSetup& s) {
    return WriteVanset(directory, [&](QSettings& ini) {
        const auto optional = [](const std::optional<double>& v) {
            return v ? VansetNumberText(*v) : QString();
        };
        ini.setValue(Key("Input"), VansetKeyText(ReceiverInputKey(s.Input)));
        ini.setValue(Key("SdrDevice"), QString::fromStdString(s.Sdr.DeviceArgs));
        ini.setValue(Key("SdrFrequencyMHz"), optional(s.Sdr.FrequencyMHz));
        ini.setValue(Key("SdrRateHz"), VansetNumberText(s.Sdr.RateHz));
        ini.setValue(Key("SdrGainDb"), optional(s.Sdr.GainDb));
        ini.setValue(Key("SdrAntenna"), QString::fromStdString(s.Sdr.Antenna));
        // Only when set: a Vanset.ini without them stays as it was.
        const auto optionalKey = [&ini](const char* name, const QString& value) {
            if (value.isEmpty()) {
                ini.remove(Key(name));
            } else {
                ini.setValue(Key(name), value);
            }
        };
        optionalKey("SdrPpm", optional(s.Sdr.PpmCorrection));
        optionalKey("SdrSettings", QString::fromStdString(SdrSettingsText(s.Sdr.Settings)));
        optionalKey("SdrGainElements",
                    QString::fromStdString(GainElementsText(s.Sdr.GainElements)));
        ini.setValue(Key("SdrBand"), QString::fromStdString(BandText(s.SdrBand)));
        ini.setValue(Key("AudioDevice"), QString::fromStdString(s.Audio.Device));
        ini.setValue(Key("AudioRateHz"), s.Audio.RateHz);
        ini.setValue(Key("AudioChannel"), s.Audio.Channel);
        ini.setValue(Key("AudioBand"), QString::fromStdString(BandText(s.AudioBand)));
        ini.setValue(Key("Command"), QString::fromStdString(s.Command.Command));
        ini.setValue(Key("CommandUnit"), VansetKeyText(ReadingUnitKey(s.Command.Unit)));
        ini.setValue(Key("CommandColumn"), s.Command.Column);
        optionalKey("CommandPollS",
                    s.Command.PollS > 0 ? VansetNumberText(s.Command.PollS) : QString());
        ini.setValue(Key("RigModel"), s.Rig.Model);
        ini.setValue(Key("RigDevice"), QString::fromStdString(s.Rig.Device));
        ini.setValue(Key("TauS"), VansetNumberText(s.TauS));
        ini.setValue(Key("Bins"), s.Bins);
        ini.setValue(Key("RfiFilter"), s.RfiFilter ? 1 : 0);
    });
}

} // namespace vantrel

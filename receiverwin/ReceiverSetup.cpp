#include "receiverwin/ReceiverSetup.h"

#include "measure/NumberText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace vantrel {

namespace {

struct FieldRule {
    const char* What; ///< the field in a sentence
    double Least;
    double Most;
    bool Whole;
    const char* Empty; ///< what an empty field means; null: it must hold a number
};

/// In the order of ReceiverField. The SDR's and the tool's ranges: a
/// frequency above 0 up to 1000 GHz, a rate up to 1 GS/s, a gain of ±200 dB
/// (the device refuses what it cannot do, and says so).
constexpr std::array<FieldRule, 11> kRules{{
    {"The SDR's centre frequency must be a number of MHz", 1e-6, 1e6, false,
     "the observing frequency"},
    {"The sample rate must be a number of samples a second", 1e3, 1e9, false, nullptr},
    {"The gain must be a number of dB", -200.0, 200.0, false, "the device's own"},
    {"The sound card's rate must be a whole number of samples a second", 1e3, 768000.0, true,
     nullptr},
    {"The channel must be a whole number", 1.0, 64.0, true, nullptr},
    {"The column must be a whole number", 1.0, 1000.0, true, nullptr},
    {"The rig model must be a Hamlib model number", 1.0, 99999.0, true, nullptr},
    {"The integration time must be a number of seconds", kShortestTauS, kLongestTauS, false,
     nullptr},
    {"The number of bins must be a whole number", 16.0, 1048576.0, true, nullptr},
    {"The poll interval must be a number of seconds", 0.0, 3600.0, false,
     "running the command again at once"},
    {"The frequency correction must be a number of ppm", -1000.0, 1000.0, false,
     "the device's own"},
}};

/// The "KEY=VALUE" pairs of a text, separated by commas or blanks; none
/// and a problem when a pair has no "=" or an empty side.
std::optional<std::vector<std::pair<std::string, std::string>>> Pairs(std::string_view text) {
    std::vector<std::pair<std::string, std::string>> pairs;
    std::size_t i = 0;
    const auto separator = [](char c) { return c == ',' || c == ' ' || c == '\t'; };
    while (i < text.size()) {
        while (i < text.size() && separator(text[i])) {
            ++i;
        }
        const std::size_t start = i;
        while (i < text.size() && !separator(text[i])) {
            ++i;
        }
        if (i == start) {
            break;
        }
        const std::string_view pair = text.substr(start, i - start);
        const auto eq = pair.find('=');
        if (eq == std::string_view::npos || eq == 0 || eq + 1 == pair.size()) {
            return std::nullopt;
        }
        pairs.emplace_back(std::string(pair.substr(0, eq)), std::string(pair.substr(eq + 1)));
    }
    return pairs;
}

/// A band's edges reach at most this far from 0 Hz: an SDR's widest band.
constexpr double kWidestBandHz = 1e9;

std::string NumberText(double v) {
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, v);
    return ec == std::errc() ? std::string(text, end) : std::string();
}

/// A finite number of the C locale filling `s` (blanks at its ends
/// allowed), never a negative zero.
std::optional<double> Number(std::string_view s) {
    const std::optional<double> v = measure::FiniteNumber(measure::TrimBlanks(s));
    if (!v) {
        return std::nullopt;
    }
    return *v == 0.0 ? 0.0 : *v;
}

/// Why a text an input needs cannot be used; empty when it can.
std::string TextProblem(const char* what, const std::string& text, bool mayBeEmpty) {
    if (!mayBeEmpty && measure::TrimBlanks(text).empty()) {
        return std::string("Give ") + what + ".";
    }
    if (text.find_first_of("\r\n") != std::string::npos) {
        return std::string("The ") + (what + 2) + " may not hold a line break.";
    }
    return {};
}

} // namespace

std::string_view ReceiverInputKey(ReceiverInput input) {
    switch (input) {
    case ReceiverInput::Sdr:
        return "sdr";
    case ReceiverInput::Audio:
        return "audio";
    case ReceiverInput::Command:
        return "command";
    case ReceiverInput::Rig:
        return "rig";
    }
    return "";
}

std::optional<ReceiverInput> ReceiverInputFromKey(std::string_view key) {
    for (ReceiverInput i :
         {ReceiverInput::Sdr, ReceiverInput::Audio, ReceiverInput::Command, ReceiverInput::Rig}) {
        if (key == ReceiverInputKey(i)) {
            return i;
        }
    }
    return std::nullopt;
}

std::string_view ReadingUnitKey(ReadingUnit unit) {
    switch (unit) {
    case ReadingUnit::Dbm:
        return "dbm";
    case ReadingUnit::Db:
        return "db";
    case ReadingUnit::Watt:
        return "w";
    case ReadingUnit::Milliwatt:
        return "mw";
    }
    return "";
}

ParsedReceiverNumber ParseReceiverNumber(ReceiverField field, std::string_view text) {
    const FieldRule& rule = kRules[static_cast<std::size_t>(field)];
    if (rule.Empty != nullptr && measure::TrimBlanks(text).empty()) {
        return {};
    }
    std::string problem =
        std::string(rule.What) + " from " + NumberText(rule.Least) + " to " + NumberText(rule.Most);
    if (rule.Empty != nullptr) {
        problem += std::string(", or empty for ") + rule.Empty;
    }
    problem += ".";
    const std::optional<double> v = Number(text);
    if (!v || *v < rule.Least || *v > rule.Most || (rule.Whole && *v != std::floor(*v))) {
        return {std::nullopt, problem};
    }
    return {v, {}};
}

ParsedBand ParseBandText(std::string_view text) {
    text = measure::TrimBlanks(text);
    if (text.empty()) {
        return {};
    }
    const std::string problem = "A band is LO:HI in Hz, LO below HI (\"300:2700\" for audio, "
                                "\"-900000:900000\" from an SDR's centre), or empty for the "
                                "whole band.";
    const auto colon = text.find(':');
    if (colon == std::string_view::npos) {
        return {std::nullopt, problem};
    }
    const auto lo = Number(text.substr(0, colon));
    const auto hi = Number(text.substr(colon + 1));
    if (!lo || !hi || !(*lo < *hi) || std::abs(*lo) > kWidestBandHz ||
        std::abs(*hi) > kWidestBandHz) {
        return {std::nullopt, problem};
    }
    return {BandHz{*lo, *hi}, {}};
}

std::string BandText(const std::optional<BandHz>& band) {
    return band ? NumberText(band->Lo) + ":" + NumberText(band->Hi) : std::string();
}

ParsedSdrSettings ParseSdrSettingsText(std::string_view text) {
    const auto pairs = Pairs(text);
    if (!pairs) {
        return {{},
                "Settings are KEY=VALUE pairs by the device's own names, separated by commas "
                "(biastee=true, direct_samp=2); the messages list what the SDR offers once it "
                "is open."};
    }
    return {*pairs, {}};
}

std::string SdrSettingsText(const std::vector<std::pair<std::string, std::string>>& settings) {
    std::string text;
    for (const auto& [key, value] : settings) {
        text += (text.empty() ? "" : ", ") + key + "=" + value;
    }
    return text;
}

ParsedGainElements ParseGainElementsText(std::string_view text) {
    const std::string problem = "Gain elements are NAME=DB pairs by the device's own names, "
                                "separated by commas (LNA=20, MIX=5), dB from -200 to 200.";
    const auto pairs = Pairs(text);
    if (!pairs) {
        return {{}, problem};
    }
    ParsedGainElements result;
    for (const auto& [name, value] : *pairs) {
        const auto db = Number(value);
        if (!db || std::abs(*db) > 200.0) {
            return {{}, problem};
        }
        result.Elements.emplace_back(name, *db);
    }
    return result;
}

std::string GainElementsText(const std::vector<std::pair<std::string, double>>& elements) {
    std::string text;
    for (const auto& [name, db] : elements) {
        text += (text.empty() ? "" : ", ") + name + "=" + NumberText(db);
    }
    return text;
}

IntegrationSettings IntegrationOf(const ReceiverSetup& setup) {
    IntegrationSettings s;
    s.TauS = setup.TauS;
    s.Rfi.Enabled = setup.RfiFilter;
    if (setup.Input == ReceiverInput::Sdr || setup.Input == ReceiverInput::Audio) {
        SpectrumSettings spectrum;
        spectrum.Bins = setup.Bins;
        spectrum.Window = WindowFunction::Hann;
        spectrum.Band = setup.Input == ReceiverInput::Sdr ? setup.SdrBand : setup.AudioBand;
        s.Spectrum = spectrum;
    }
    return s;
}

double SdrCentreMHz(const ReceiverSetup& setup, double observingMHz) {
    return setup.Sdr.FrequencyMHz.value_or(observingMHz);
}

std::string ReceiverSetupProblem(const ReceiverSetup& setup) {
    std::string why;
    switch (setup.Input) {
    case ReceiverInput::Sdr:
        why = TextProblem("a device", setup.Sdr.DeviceArgs, true);
        if (why.empty()) {
            why = TextProblem("an antenna", setup.Sdr.Antenna, true);
        }
        for (const auto& [key, value] : setup.Sdr.Settings) {
            if (why.empty()) {
                why = TextProblem("a setting", key + value, true);
            }
        }
        break;
    case ReceiverInput::Audio:
        why = TextProblem("a device", setup.Audio.Device, false);
        break;
    case ReceiverInput::Command:
        why = TextProblem("a command", setup.Command.Command, false);
        break;
    case ReceiverInput::Rig:
        why = TextProblem("a device", setup.Rig.Device, false);
        break;
    }
    if (!why.empty()) {
        return why;
    }
    return IntegrationSettingsProblem(IntegrationOf(setup));
}

PowerRunner::Factory InputFactoryOf(const ReceiverSetup& setup, double observingMHz) {
    switch (setup.Input) {
    case ReceiverInput::Sdr: {
        SdrSettings sdr = setup.Sdr;
        sdr.FrequencyMHz = SdrCentreMHz(setup, observingMHz);
        return [sdr] { return MakeSdrInput(sdr); };
    }
    case ReceiverInput::Audio:
        return [audio = setup.Audio] { return MakeAudioInput(audio); };
    case ReceiverInput::Command:
        return [command = setup.Command] { return MakeCommandInput(command); };
    case ReceiverInput::Rig:
        return [rig = setup.Rig] { return MakeRigInput(rig); };
    }
    return {};
}

double LoggedFrequencyMHz(const ReceiverSetup& setup, double observingMHz,
                          std::optional<double> tunedMHz) {
    if (setup.Input == ReceiverInput::Sdr && !setup.Sdr.FrequencyMHz && tunedMHz && *tunedMHz > 0) {
        return *tunedMHz;
    }
    return observingMHz;
}

std::string FrequencyNote(const ReceiverSetup& setup, double observingMHz,
                          std::optional<double> tunedMHz) {
    if (setup.Input != ReceiverInput::Sdr) {
        return {};
    }
    // An SDR tunes in steps of its synthesiser: what it reports may be off
    // by some hertz; a kilohertz is a difference of setting.
    constexpr double kSameMHz = 1e-3;
    const auto mhz = [](double f) {
        char text[48];
        std::snprintf(text, sizeof text, "%.9g MHz", f);
        return std::string(text);
    };
    const double wanted = SdrCentreMHz(setup, observingMHz);
    if (tunedMHz && std::abs(*tunedMHz - wanted) > kSameMHz) {
        return "The SDR is tuned to " + mhz(*tunedMHz) + "; Stop and Start to tune it to " +
               mhz(wanted) + (setup.Sdr.FrequencyMHz ? "." : ", the observing frequency.");
    }
    if (setup.Sdr.FrequencyMHz && std::abs(*setup.Sdr.FrequencyMHz - observingMHz) > kSameMHz) {
        return "The SDR " + std::string(tunedMHz ? "is tuned" : "tunes") + " to " +
               mhz(*setup.Sdr.FrequencyMHz) + ", the observing frequency is " + mhz(observingMHz) +
               " (a converter's IF?). Empty the centre frequency to follow the observing "
               "frequency.";
    }
    return {};
}

} // namespace vantrel

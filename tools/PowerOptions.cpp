#include "tools/PowerOptions.h"

#include "tools/ArgumentNumbers.h"
#include "tools/CommandLineFlag.h"
#include "tools/TerminalText.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <vector>

namespace vantrel {

namespace {

constexpr std::string_view kUsage =
    "usage: vantrel-power --input sdr|audio|command|rig [--device ARGS_OR_NAME]\n"
    "                     [--frequency MHZ] [--rate SPS] [--gain DB] [--channel N]\n"
    "                     [--gain-element NAME=DB]... [--setting KEY=VALUE]...\n"
    "                     [--ppm PPM]\n"
    "                     [--bins N] [--band LO:HI] [--command CMD]\n"
    "                     [--unit dbm|db|w|mw] [--column N] [--poll S]\n"
    "                     [--rig-model N] [--tau S] [--rfi] [--spectrum FILE]\n"
    "                     [--duration S]\n"
    "                     [--data FILE | --data-home[=FOLDER]]\n"
    "\n"
    "Measures the receiver's noise power: linear power averaged over blocks of\n"
    "TAU seconds of samples, one CSV line per block on standard output, until\n"
    "--duration has passed or it is interrupted (Ctrl-C or SIGTERM). Each block\n"
    "is also appended to Vantrel-power.csv: in the working folder when it is\n"
    "there, else in the planner's data folder ($XDG_DATA_HOME/vantrel, by\n"
    "default ~/.local/share/vantrel) when the log or the station is there, else\n"
    "in the working folder; beside FILE with --data FILE, in the data folder (or\n"
    "DIR) with --data-home.\n"
    "\n"
    "  utc_start,utc_end,power_db,sigma_db,samples,clipped,scatter_db,rfi_dropped,\n"
    "  overload,whole_db\n"
    "\n"
    "power_db: for sdr and audio 10*log10 of the mean of |x|^2 with the samples\n"
    "scaled to full scale 1 (a 16-bit sample s is s/32768; a real full-scale sine\n"
    "is -3.01 dB); for command and rig the readings' own unit (dBm, or dB)\n"
    "averaged in linear power. sigma_db: the radiometer equation's 1-sigma for\n"
    "the block's noise bandwidth B and TAU, 10*log10(1 + 1/sqrt(B*TAU)) (for\n"
    "command and rig the standard error of the readings' mean); scatter_db: the\n"
    "standard deviation of the last 10 blocks; clipped: samples at or near full\n"
    "scale (overload 1: do not trust the block); whole_db 1: an S-meter's whole-dB\n"
    "readings, fit for peaking, not for G/T.\n"
    "\n"
    "  --input KIND       sdr (SoapySDR), audio (ALSA), command (a program printing\n"
    "                     one reading a line), rig (Hamlib S-meter)\n"
    "  --device D         sdr: SoapySDR device arguments, e.g. driver=rtlsdr\n"
    "                     (default: the first SDR found); audio: ALSA device\n"
    "                     (default 'default'; 'arecord -L' lists them); rig: serial\n"
    "                     port or host:port (default localhost:4532, a rigctld)\n"
    "  --frequency MHZ    sdr: the centre frequency to tune to (default: the\n"
    "                     device's); other inputs: the frequency logged\n"
    "  --rate SPS         samples a second: sdr (default 2400000), audio (48000)\n"
    "  --gain DB          sdr: manual gain (default: the device's); AGC is off\n"
    "  --gain-element NAME=DB  sdr: the gain of one element as the device names\n"
    "                     it (LNA, MIX, VGA, TUNER ...), after --gain; repeatable\n"
    "  --setting KEY=VALUE  sdr: a device setting by its module's name\n"
    "                     (biastee=true, direct_samp=2 ...); repeatable. A key\n"
    "                     the device does not have is refused with those it has\n"
    "  --ppm PPM          sdr: frequency correction of its reference, ppm\n"
    "  --channel N        audio: channel from 1 (left) (default 1)\n"
    "  --bins N           sdr, audio: measure through an averaged power spectrum of\n"
    "                     N bins (Hann window; band edges and 0 Hz left out)\n"
    "  --band LO:HI       sdr, audio: measure only this band, Hz (sdr: offset from\n"
    "                     the centre, e.g. -500000:500000; audio: 300:2700); uses\n"
    "                     the spectrum, 4096 bins unless --bins says otherwise.\n"
    "                     audio without --band: 300:2700, an SSB receiver's audio\n"
    "                     (a note on standard error says so)\n"
    "  --command CMD      command: the program, run by /bin/sh -c\n"
    "  --unit U           command: dbm (default), db, w or mw\n"
    "  --column N         command: the field holding the reading, from 1 (default 1)\n"
    "  --poll S           command: a command that prints its readings and exits is\n"
    "                     a polled meter, run again S seconds after it ends (default\n"
    "                     0: at once); its readings are averaged over the blocks\n"
    "  --rig-model N      rig: Hamlib rig model (default 2, a rigctld; 'rigctl -l'\n"
    "                     lists them)\n"
    "  --tau S            integration time, 0.1 to 600 s (default 1)\n"
    "  --rfi              leave out bins, sub-blocks or readings far above the\n"
    "                     median (the Receiver window's RFI filter)\n"
    "  --record BASE      sdr: also record the raw samples as the SigMF recording\n"
    "                     BASE.sigmf-data (cf32_le) and BASE.sigmf-meta (the rate,\n"
    "                     the frequency, an annotation a second), up to\n"
    "  --record-limit MB  (default 1000); the disk's free space is checked first\n"
    "  --spectrum FILE    sdr, audio: append each block's averaged spectrum to FILE,\n"
    "                     a header of bin frequencies in Hz (utc_start,utc_end,F1,\n"
    "                     F2,...) at the start of every run, then one row of dB per\n"
    "                     block; measures through the spectrum (4096 bins)\n"
    "  --duration S       stop after S seconds (default: until interrupted)\n"
    "\n"
    "At the end (--duration, Ctrl-C or SIGTERM) the block in progress is printed\n"
    "and logged as it is: flagged partial in the log, its sigma_db from the\n"
    "samples it holds, and said on standard error.\n"
    "\n"
    "Exit status: 0 at the end, 2 for bad arguments or an input that cannot be\n"
    "opened, 1 when standard output cannot be written. An input lost while\n"
    "running is reported on standard error and opened again.\n";

/// Hamlib's model numbers are below 100 per backend times 1000 backends.
constexpr long long kHighestModel = 100000;
constexpr long long kMostChannels = 64;
constexpr long long kMostColumns = 1000;
constexpr long double kLowestFrequencyMHz = 1e-6L;
constexpr long double kHighestFrequencyMHz = 1e6L;
constexpr long double kHighestRate = 1e9L;
constexpr long double kHighestGainDb = 200;
constexpr long double kHighestBandHz = 1e9L;
constexpr long double kLongestDurationS = 1e9L;
constexpr long double kLongestPollS = 3600;
/// A reference crystal a thousand ppm off is no SDR's.
constexpr long double kLargestPpm = 1000;
/// The band of an SSB receiver's audio, Hz: what audio is measured over
/// when no --band is given.
constexpr double kSsbAudioLoHz = 300;
constexpr double kSsbAudioHiHz = 2700;
constexpr int kDefaultBins = 4096;
constexpr double kDefaultSdrRate = 2.4e6;
constexpr unsigned kDefaultAudioRate = 48000;

std::optional<double> Real(std::string_view text, long double lo, long double hi) {
    const auto v = ParseRealArgument(text, std::numeric_limits<long double>::lowest(),
                                     std::numeric_limits<long double>::max());
    if (!v) {
        return std::nullopt;
    }
    // The range is checked again as the double kept: 0.1 read in extended
    // precision lies below the double 0.1.
    const double d = static_cast<double>(*v);
    if (!(d >= static_cast<double>(lo) && d <= static_cast<double>(hi))) {
        return std::nullopt;
    }
    return d;
}

std::optional<long long> Whole(std::string_view text, long long lo, long long hi) {
    const auto v = ParseWholeArgument(text);
    if (!v || *v < lo || *v > hi) {
        return std::nullopt;
    }
    return v;
}

/// Which inputs each option applies to.
struct OptionUse {
    std::string_view Flag;
    std::set<PowerInputKind> Inputs;
};

const std::vector<OptionUse>& Options() {
    using K = PowerInputKind;
    static const std::vector<OptionUse> options = {
        {"--input", {K::Sdr, K::Audio, K::Command, K::Rig}},
        {"--device", {K::Sdr, K::Audio, K::Rig}},
        {"--frequency", {K::Sdr, K::Audio, K::Command, K::Rig}},
        {"--rate", {K::Sdr, K::Audio}},
        {"--gain", {K::Sdr}},
        {"--gain-element", {K::Sdr}},
        {"--setting", {K::Sdr}},
        {"--ppm", {K::Sdr}},
        {"--channel", {K::Audio}},
        {"--bins", {K::Sdr, K::Audio}},
        {"--band", {K::Sdr, K::Audio}},
        {"--command", {K::Command}},
        {"--unit", {K::Command}},
        {"--column", {K::Command}},
        {"--poll", {K::Command}},
        {"--rfi", {K::Sdr, K::Audio, K::Command, K::Rig}},
        {"--spectrum", {K::Sdr, K::Audio}},
        {"--record", {K::Sdr}},
        {"--record-limit", {K::Sdr}},
        {"--rig-model", {K::Rig}},
        {"--tau", {K::Sdr, K::Audio, K::Command, K::Rig}},
        {"--duration", {K::Sdr, K::Audio, K::Command, K::Rig}},
    };
    return options;
}

} // namespace

std::string_view PowerInputName(PowerInputKind kind) {
    switch (kind) {
    case PowerInputKind::Sdr:
        return "sdr";
    case PowerInputKind::Audio:
        return "audio";
    case PowerInputKind::Command:
        return "command";
    case PowerInputKind::Rig:
        return "rig";
    }
    return "";
}

std::string_view PowerUsage() {
    return kUsage;
}

ParsedPower ParsePowerArguments(std::span<const std::string_view> args) {
    ParsedPower result;
    PowerCommandLine& o = result.Options;
    const auto fail = [&](const std::string& message) {
        result.Error = "vantrel-power: " + TerminalSafe(message);
        return result;
    };

    // Every flag's last value, checked once the input is known.
    std::vector<std::pair<std::string_view, std::string_view>> given;
    // Not an optional: gcc 12 takes its value for uninitialized further on.
    PowerInputKind kind = PowerInputKind::Sdr;
    bool haveInput = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const CommandLineFlag split = CommandLineFlag::Of(args[i]);
        if (split.Flag == "--help" || split.Flag == "-h") {
            o.Help = true;
            continue;
        }
        if (DataArguments::Owns(split.Flag)) {
            const std::optional<std::string_view> v = DataArguments::TakesNextValue(split.Flag)
                                                          ? split.Value(args, i)
                                                          : split.InlineValue;
            if (auto refused = o.Files.Apply(split.Flag, v)) {
                return fail(*refused);
            }
            continue;
        }
        const auto& options = Options();
        const bool known = std::any_of(options.begin(), options.end(),
                                       [&](const OptionUse& u) { return u.Flag == split.Flag; });
        if (!known) {
            return fail("unknown option '" + std::string(args[i]) + "' (try --help)");
        }
        if (split.Flag == "--rfi") {
            if (split.InlineValue) {
                return fail("--rfi takes no value");
            }
            given.emplace_back(split.Flag, "");
            continue;
        }
        const auto value = split.Value(args, i);
        if (!value) {
            return fail(std::string(split.Flag) + " needs a value (try --help)");
        }
        if (split.Flag == "--input") {
            haveInput = false;
            for (PowerInputKind k : {PowerInputKind::Sdr, PowerInputKind::Audio,
                                     PowerInputKind::Command, PowerInputKind::Rig}) {
                if (*value == PowerInputName(k)) {
                    kind = k;
                    haveInput = true;
                }
            }
            if (!haveInput) {
                return fail("--input: '" + std::string(*value) +
                            "' is none of sdr, audio, command, rig");
            }
            continue;
        }
        // Settings and gain elements add up; of any other flag the last counts.
        if (split.Flag != "--setting" && split.Flag != "--gain-element") {
            given.erase(std::remove_if(given.begin(), given.end(),
                                       [&](const auto& g) { return g.first == split.Flag; }),
                        given.end());
        }
        given.emplace_back(split.Flag, *value);
    }
    if (o.Help) {
        return result;
    }
    if (!haveInput) {
        return fail("--input sdr|audio|command|rig is needed (try --help)");
    }
    o.Input = kind;
    const std::string inputName(PowerInputName(kind));
    o.Sdr.RateHz = kDefaultSdrRate;
    o.Audio.RateHz = kDefaultAudioRate;

    std::optional<int> bins;
    for (const auto& option : given) {
        // Named, not a structured binding: the lambda below could not
        // capture one under every compiler the project uses.
        const std::string_view flag = option.first;
        const std::string v(option.second);
        const auto& options = Options();
        const auto use = std::find_if(options.begin(), options.end(),
                                      [&](const OptionUse& u) { return u.Flag == flag; });
        if (use->Inputs.count(kind) == 0) {
            return fail(std::string(flag) + " does not apply to --input " + inputName);
        }
        if (flag == "--device") {
            if (kind == PowerInputKind::Sdr) {
                o.Sdr.DeviceArgs = v;
            } else if (v.empty()) {
                return fail("--device needs a name");
            } else if (kind == PowerInputKind::Audio) {
                o.Audio.Device = v;
            } else {
                o.Rig.Device = v;
            }
        } else if (flag == "--frequency") {
            const auto f = Real(v, kLowestFrequencyMHz, kHighestFrequencyMHz);
            if (!f) {
                return fail("--frequency: '" + v + "' is not a frequency in MHz above 0");
            }
            o.FrequencyMHz = *f;
            if (kind == PowerInputKind::Sdr) {
                o.Sdr.FrequencyMHz = *f;
            }
        } else if (flag == "--rate") {
            const auto r = Real(v, 1, kHighestRate);
            if (!r || (kind == PowerInputKind::Audio && *r != std::floor(*r))) {
                return fail("--rate: '" + v + "' is not a sample rate in samples a second" +
                            (kind == PowerInputKind::Audio ? " (a whole number)" : ""));
            }
            o.Sdr.RateHz = *r;
            o.Audio.RateHz = static_cast<unsigned>(*r);
        } else if (flag == "--gain") {
            const auto g = Real(v, -kHighestGainDb, kHighestGainDb);
            if (!g) {
                return fail("--gain: '" + v + "' is not a gain in dB");
            }
            o.Sdr.GainDb = *g;
        } else if (flag == "--gain-element" || flag == "--setting") {
            const auto eq = v.find('=');
            const std::string key = eq == std::string::npos ? std::string() : v.substr(0, eq);
            const std::string text = eq == std::string::npos ? std::string() : v.substr(eq + 1);
            if (key.empty() || text.empty()) {
                return fail(std::string(flag) + ": '" + v + "' is not " +
                            (flag == "--setting" ? "KEY=VALUE" : "NAME=DB"));
            }
            if (flag == "--setting") {
                o.Sdr.Settings.emplace_back(key, text);
            } else {
                const auto g = Real(text, -kHighestGainDb, kHighestGainDb);
                if (!g) {
                    return fail("--gain-element: '" + text + "' is not a gain in dB");
                }
                o.Sdr.GainElements.emplace_back(key, *g);
            }
        } else if (flag == "--ppm") {
            const auto ppm = Real(v, -kLargestPpm, kLargestPpm);
            if (!ppm) {
                return fail("--ppm: '" + v + "' is not a correction from -1000 to 1000 ppm");
            }
            o.Sdr.PpmCorrection = *ppm;
        } else if (flag == "--channel") {
            const auto c = Whole(v, 1, kMostChannels);
            if (!c) {
                return fail("--channel: '" + v + "' is not a channel from 1 to 64");
            }
            o.Audio.Channel = static_cast<unsigned>(*c);
        } else if (flag == "--bins") {
            const auto n = Whole(v, 16, 1 << 20);
            if (!n) {
                return fail("--bins: '" + v + "' is not a number of bins from 16 to 1048576");
            }
            bins = static_cast<int>(*n);
        } else if (flag == "--band") {
            const auto colon = v.find(':');
            const auto lo = colon == std::string::npos ? std::nullopt
                                                       : Real(std::string_view(v).substr(0, colon),
                                                              -kHighestBandHz, kHighestBandHz);
            const auto hi = colon == std::string::npos ? std::nullopt
                                                       : Real(std::string_view(v).substr(colon + 1),
                                                              -kHighestBandHz, kHighestBandHz);
            if (!lo || !hi || !(*lo < *hi)) {
                return fail("--band: '" + v + "' is not LO:HI in Hz with LO below HI");
            }
            if (!o.Integration.Spectrum) {
                o.Integration.Spectrum.emplace();
            }
            o.Integration.Spectrum->Band = BandHz{*lo, *hi};
        } else if (flag == "--command") {
            if (v.empty()) {
                return fail("--command needs the program to run");
            }
            o.Command.Command = v;
        } else if (flag == "--unit") {
            const auto unit = ParseReadingUnit(v);
            if (!unit) {
                return fail("--unit: '" + v + "' is none of dbm, db, w, mw");
            }
            o.Command.Unit = *unit;
        } else if (flag == "--column") {
            const auto c = Whole(v, 1, kMostColumns);
            if (!c) {
                return fail("--column: '" + v + "' is not a column from 1 to 1000");
            }
            o.Command.Column = static_cast<int>(*c);
        } else if (flag == "--poll") {
            const auto p = Real(v, 0, kLongestPollS);
            if (!p) {
                return fail("--poll: '" + v + "' is not a time from 0 to 3600 s");
            }
            o.Command.PollS = *p;
        } else if (flag == "--rfi") {
            o.Integration.Rfi.Enabled = true;
        } else if (flag == "--record") {
            if (v.empty()) {
                return fail("--record needs the recording's BASE name");
            }
            o.RecordBase = v;
        } else if (flag == "--record-limit") {
            const auto mb = ParseDoubleArgument(v, 1, 1e7);
            if (!mb) {
                return fail("--record-limit: '" + v + "' is not a size from 1 to 10000000 MB");
            }
            o.RecordLimitMb = *mb;
        } else if (flag == "--spectrum") {
            if (v.empty()) {
                return fail("--spectrum needs a file");
            }
            o.SpectrumPath = v;
            if (!o.Integration.Spectrum) {
                o.Integration.Spectrum.emplace();
            }
        } else if (flag == "--rig-model") {
            const auto m = Whole(v, 1, kHighestModel);
            if (!m) {
                return fail("--rig-model: '" + v + "' is not a Hamlib rig model number");
            }
            o.Rig.Model = static_cast<int>(*m);
        } else if (flag == "--tau") {
            const auto t = Real(v, kShortestTauS, kLongestTauS);
            if (!t) {
                return fail("--tau: '" + v + "' is not an integration time from 0.1 to 600 s");
            }
            o.Integration.TauS = *t;
        } else if (flag == "--duration") {
            const auto d = Real(v, 0, kLongestDurationS);
            if (!d || !(*d > 0)) {
                return fail("--duration: '" + v + "' is not a time in seconds above 0");
            }
            o.DurationS = *d;
        }
    }
    if (kind == PowerInputKind::Audio &&
        (!o.Integration.Spectrum || !o.Integration.Spectrum->Band)) {
        // Half the sample rate would be a B the audio of an SSB receiver
        // does not have: its σ would be several times too small.
        if (!o.Integration.Spectrum) {
            o.Integration.Spectrum.emplace();
        }
        o.Integration.Spectrum->Band = BandHz{kSsbAudioLoHz, kSsbAudioHiHz};
        result.Notes.push_back("no --band given: the audio is measured over 300-2700 Hz, an SSB "
                               "receiver's passband (--band LO:HI for another)");
    }
    if (bins) {
        if (!o.Integration.Spectrum) {
            o.Integration.Spectrum.emplace();
        }
        o.Integration.Spectrum->Bins = *bins;
    } else if (o.Integration.Spectrum) {
        o.Integration.Spectrum->Bins = kDefaultBins;
    }
    if (kind == PowerInputKind::Command && o.Command.Command.empty()) {
        return fail("--input command needs --command CMD");
    }
    if (const std::string problem = IntegrationSettingsProblem(o.Integration); !problem.empty()) {
        return fail(problem);
    }
    return result;
}

} // namespace vantrel

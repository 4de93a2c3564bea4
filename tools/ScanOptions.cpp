#include "tools/ScanOptions.h"

#include "measure/Antenna.h"
#include "station/StationCheck.h"
#include "tools/ArgumentNumbers.h"
#include "tools/CommandLineFlag.h"
#include "tools/CommonFlags.h"
#include "tools/PickArgument.h"
#include "tools/RotatorArguments.h"
#include "tools/SourceArgument.h"
#include "tools/TerminalText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

namespace vantrel {

namespace {

constexpr std::string_view kUsage =
    "usage: vantrel-scan --procedure y|cross|drift --source NAME\n"
    "                    [--data FILE | --data-home[=FOLDER]] [--lat DEG --lon DEG]\n"
    "                    [--height M] [--pick LIST:N] [--apparent]\n"
    "                    [--refraction P,T,RH] [--rotator MODEL --device DEV]\n"
    "                    [--offset AZ,EL] [--az-range 0:360|-180:180|0:450]\n"
    "                    [--min-elevation DEG] --input sdr|audio|command|rig\n"
    "                    [--input-device D] [--rate SPS]\n"
    "                    [--gain DB] [--channel N] [--bins N] [--band LO:HI]\n"
    "                    [--command CMD] [--unit U] [--column N] [--rig-model N]\n"
    "                    [--frequency MHZ] [--hpbw DEG | --dish M --efficiency E]\n"
    "                    [--tau S] [--settle S] [--pairs K] [--off-beams N]\n"
    "                    [--span BEAMS] [--points N] [--flux-sfu SFU]\n"
    "                    [--off-point alternate|colder|coldest] [--tsys K]\n"
    "\n"
    "Measures by itself with the rotator and the radiometer, then prints one CSV\n"
    "header and one result line on standard output (progress on standard error):\n"
    "\n"
    "  y      K pairs of on-source and off-source readings (the off point at the\n"
    "         source's elevation, N beamwidths away on the sky, sides alternating):\n"
    "         source,y_db,y_sigma_db,g_over_t_db_per_k,g_over_t_sigma_db,pairs,\n"
    "         elevation_deg,status\n"
    "  cross  a scan in azimuth and one in elevation through the source, a Gaussian\n"
    "         fitted to each: source,az_offset_deg,az_offset_sigma_deg,el_offset_deg,\n"
    "         el_offset_sigma_deg,hpbw_az_deg,hpbw_el_deg,peak_y_db,status,\n"
    "         width_az_deg,width_el_deg,disk_deg\n"
    "  drift  the antenna held ahead of the source while it drifts through:\n"
    "         source,hpbw_deg,peak_time_utc,az_offset_deg,status,hpbw_sigma_deg,\n"
    "         az_offset_sigma_deg,width_deg,disk_deg\n"
    "\n"
    "On the Sun and the Moon the beamwidths (hpbw) are the antenna's, their disk\n"
    "(disk_deg, its diameter then) taken off the width the scan shows on them\n"
    "(width); for other sources the two are the same.\n"
    "\n"
    "Offsets are where the source was found relative to where tracking points;\n"
    "azimuth offsets are angles on the sky (add offset/cos(elevation) to the\n"
    "rotator's azimuth offset, e.g. --offset of vantrel-track and vantrel-scan).\n"
    "status is 'partial' for a procedure that stopped part-way. Y-factor results\n"
    "with a G/T are appended to Vantrel-measurements.csv, scans to\n"
    "Vantrel-scans.csv, where the station file is (or in the working folder).\n"
    "\n"
    "What the command line leaves out of the frequency, the beam (the Measure\n"
    "window's dish or gain) and the Sun's flux (a number of sfu) is taken from the\n"
    "program's Vanset.ini there, as the Scan window takes it; options given win.\n"
    "\n"
    "The station is read as vantrel-track reads it; without one (or with one at\n"
    "latitude 0, longitude 0) it does not start unless --lat and --lon are given.\n"
    "\n"
    "  --procedure P      y, cross or drift\n"
    "  --source NAME      aquarius, leo, cas, cen, user, cyg, tau, vir, sgr, moon,\n"
    "                     sun, or the title the grids show, in any case\n"
    "  --rotator MODEL    Hamlib rotator model (default 2, a rotctld over TCP)\n"
    "  --device DEV       the rotator's serial port, or host:port for model 2\n"
    "                     (default localhost:4533)\n"
    "  --offset AZ,EL     added to the sky's azimuth and elevation, as tracking does\n"
    "  --az-range R       the rotator's azimuth range: 0:360 (default), -180:180,\n"
    "                     0:450, as vantrel-track takes it\n"
    "  --min-elevation D  no point of the procedure below this elevation, -90 to 90\n"
    "                     (default 0)\n"
    "  --input KIND       the radiometer, as vantrel-power takes it: sdr, audio,\n"
    "                     command, rig; --input-device is vantrel-power's --device,\n"
    "                     the other radiometer options are the same\n"
    "  --frequency MHZ    the observing frequency (the SDR is tuned to it); needed\n"
    "                     for y and for --dish\n"
    "  --hpbw DEG         the half-power beamwidth, 0.01 to 90\n"
    "  --dish M           a dish of M metres: beamwidth 70 lambda/D\n"
    "  --efficiency E     its aperture efficiency, above 0 up to 1 (default 0.55)\n"
    "  --tau S            the radiometer's integration time, one reading (default 1)\n"
    "  --settle S         seconds after arriving before a reading (default 2)\n"
    "  --pairs K          y: on/off pairs, 1 to 100 (default 4)\n"
    "  --off-beams N      y: off source N beamwidths away, 1 to 50 (default 4)\n"
    "  --off-point P      y: alternate (default: east and west in turn), colder (the\n"
    "                     side the sky model, the 408 MHz survey at the frequency\n"
    "                     over the beam, finds colder) or coldest (the coldest sky\n"
    "                     at the source's elevation, at the same azimuth step from\n"
    "                     it); with colder or coldest six columns follow status:\n"
    "                     off_point,sky_source_k,sky_off_k,delta_t_sky_k,\n"
    "                     g_over_t_corrected_db_per_k,g_over_t_corrected_sigma_db\n"
    "  --tsys K           the system temperature the background correction divides\n"
    "                     by (default the Measure window's Tsys in Vanset.ini)\n"
    "  --span BEAMS       cross, drift: +-BEAMS beamwidths, 0.5 to 20 (default 3)\n"
    "  --points N         cross: points per axis, 6 to 201 (default 15)\n"
    "  --flux-sfu SFU     y on the Sun: its flux today at the observing frequency,\n"
    "                     solar flux units (needed: the Sun's flux changes daily)\n"
    "\n"
    "Exit status: 0 with a result, 3 when the procedure stopped part-way (the\n"
    "partial line printed), 2 for bad arguments or a missing station, 1 when\n"
    "standard output cannot be written. SIGINT or SIGTERM stops the rotator and\n"
    "ends with the partial result.\n";

/// The radiometer's options, handed to vantrel-power's parser; the
/// rotator's --device is the radiometer's --input-device here.
constexpr std::array<std::string_view, 12> kRadiometerFlags = {
    "--input",   "--rate", "--gain",   "--channel",   "--bins", "--band",
    "--command", "--unit", "--column", "--rig-model", "--tau",  "--input-device"};

struct Range {
    double Lo;
    double Hi;
};

/// vantrel-power's message as this tool's: its name, and --input-device
/// for the radiometer's device.
std::string AsScanMessage(std::string message) {
    constexpr std::string_view power = "vantrel-power: ";
    if (message.starts_with(power)) {
        message.erase(0, power.size());
    }
    for (std::size_t at = message.find("--device"); at != std::string::npos;
         at = message.find("--device", at + 14)) {
        message.replace(at, 8, "--input-device");
    }
    return message;
}

namespace sr = scan::scan_range;
constexpr double kHighestSfu = 1e6;

} // namespace

std::string_view ScanUsage() {
    return kUsage;
}

VansetScanDefaults VansetScanDefaultsIn(const DataArguments& files) {
    const ToolFiles where = ToolFiles::OfEnvironment(files);
    if (!where.Problem().empty()) {
        return {};
    }
    std::ifstream in(where.PathForNew("Vanset.ini"), std::ios::binary);
    if (!in) {
        return {};
    }
    std::ostringstream text;
    text << in.rdbuf();
    return ReadVansetScanDefaults(text.str());
}

VansetScanDefaults ReadVansetScanDefaults(std::string_view text) {
    VansetScanDefaults d;
    std::string section;
    std::optional<std::string> kind;
    std::optional<double> dish;
    std::optional<double> efficiency;
    std::optional<double> gain;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        std::string line(text.substr(at, end - at));
        at = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) {
            continue;
        }
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        // Numbers only: a value QSettings had to quote is none of these.
        const auto number = [&]() { return ParseDoubleArgument(value, -1e300, 1e300); };
        if (section == "Observing" && key == "FrequencyMHz") {
            if (const auto f = number(); f && *f > 0) {
                d.FrequencyMHz = f;
            }
        } else if (section == "Measure") {
            if (key == "AntennaKind") {
                kind = value;
            } else if (key == "DishDiameterM") {
                dish = number();
            } else if (key == "Efficiency") {
                efficiency = number();
            } else if (key == "GainDbi") {
                gain = number();
            } else if (key == "TsysK") {
                if (const auto k = number(); k && *k > 0) {
                    d.TsysK = k;
                }
            } else if (key == "SolarFlux") {
                if (const auto sfu = number(); sfu && *sfu > 0) {
                    d.SolarFluxSfu = sfu;
                }
            }
        }
    }
    // As the Measure window reads it: a dish unless the kind says gain.
    if (kind == "1") {
        d.GainDbi = gain;
    } else if (dish && *dish > 0) {
        d.DishM = dish;
        if (efficiency && *efficiency > 0 && *efficiency <= 1) {
            d.Efficiency = *efficiency;
        }
    }
    return d;
}

ParsedScan ParseScanArguments(std::span<const std::string_view> args, HomeStation& station) {
    return ParseScanArguments(args, station, VansetScanDefaults{});
}

ParsedScan ParseScanArguments(std::span<const std::string_view> args, HomeStation& station,
                              const VansetScanDefaults& defaults) {
    ParsedScan result;
    ScanCommandLine& o = result.Options;
    o.Scan.After = scan::AfterEnd::Stop;
    const auto fail = [&](const std::string& message) {
        result.Error = "vantrel-scan: " + TerminalSafe(message);
        return result;
    };
    std::optional<SkySource> source;
    std::optional<scan::ProcedureKind> procedure;
    std::optional<double> hpbw;
    bool efficiencyGiven = false;
    bool picked = false;
    std::vector<std::string> radiometer; // for vantrel-power's parser

    for (std::size_t i = 0; i < args.size(); ++i) {
        const CommandLineFlag split = CommandLineFlag::Of(args[i]);
        const std::string_view flag = split.Flag;
        const auto value = [&] { return split.Value(args, i); };

        const CommonFlag common = ApplyCommonFlag(split, args, i, {o.Observing, o.Files, o.Help});
        if (common.Refused) {
            return fail(*common.Refused);
        }
        if (common.Taken) {
            if (flag == "--frequency" && common.Value) {
                radiometer.emplace_back("--frequency");
                radiometer.emplace_back(*common.Value);
            }
            continue;
        }
        if (std::find(kRadiometerFlags.begin(), kRadiometerFlags.end(), flag) !=
            kRadiometerFlags.end()) {
            const auto text = value();
            if (!text) {
                return fail(std::string(flag) + " needs a value (try --help)");
            }
            radiometer.emplace_back(flag == "--input-device" ? "--device" : std::string(flag));
            radiometer.emplace_back(*text);
            continue;
        }

        struct RealField {
            std::string_view Flag;
            double* Field;
            Range Limits;
            std::string_view What;
        };
        double pairs = o.Scan.Pairs;
        double points = o.Scan.Points;
        double hpbwValue = 0;
        double dish = 0;
        double efficiency = o.Efficiency;
        double sfu = 0;
        double tsys = 0;
        const RealField reals[] = {
            {"--tsys", &tsys, {0, 1e6}, "a system temperature in kelvin above 0"},
            {"--settle",
             &o.Scan.SettleS,
             {sr::kMinSettleS, sr::kMaxSettleS},
             "a settle time in seconds, 0 to 600"},
            {"--off-beams",
             &o.Scan.OffBeams,
             {sr::kMinOffBeams, sr::kMaxOffBeams},
             "a number of beamwidths, 1 to 50"},
            {"--span",
             &o.Scan.SpanBeams,
             {sr::kMinSpanBeams, sr::kMaxSpanBeams},
             "a number of beamwidths, 0.5 to 20"},
            {"--pairs", &pairs, {sr::kMinPairs, sr::kMaxPairs}, "a number of pairs, 1 to 100"},
            {"--points", &points, {sr::kMinPoints, sr::kMaxPoints}, "a number of points, 6 to 201"},
            {"--hpbw",
             &hpbwValue,
             {sr::kMinBeamwidthDeg, sr::kMaxBeamwidthDeg},
             "a beamwidth in degrees, 0.01 to 90"},
            {"--dish", &dish, {0, std::numeric_limits<double>::max()}, "a diameter in metres"},
            {"--efficiency", &efficiency, {0, 1}, "an efficiency above 0 up to 1"},
            {"--flux-sfu", &sfu, {0, kHighestSfu}, "a flux in solar flux units above 0"},
            {"--min-elevation",
             &o.Pointing.MinElevationDeg,
             {tracking_range::kMinElevationDeg, tracking_range::kMaxElevationDeg},
             "an elevation in degrees, -90 to 90"},
        };
        const RealField* real = nullptr;
        for (const RealField& f : reals) {
            if (flag == f.Flag) {
                real = &f;
            }
        }
        const bool known = real || IsStationFlag(flag) || flag == "--procedure" ||
                           flag == "--source" || flag == "--rotator" || flag == "--device" ||
                           flag == "--offset" || flag == "--az-range" || flag == "--pick" ||
                           flag == "--off-point";
        if (!known) {
            return fail("unknown option '" + std::string(args[i]) + "' (try --help)");
        }
        const auto text = value();
        if (!text) {
            return fail(std::string(flag) + " needs a value (try --help)");
        }
        const std::string v(*text);

        if (IsStationFlag(flag)) {
            if (auto refused = ApplyStationFlag(flag, v, station, o.Position)) {
                return fail(*refused);
            }
        } else if (real) {
            const auto number = ParseDoubleArgument(v, real->Limits.Lo, real->Limits.Hi);
            const bool counted = flag == "--pairs" || flag == "--points";
            const bool whole = !counted || (number && *number == std::floor(*number));
            const bool positive = !(flag == "--dish" || flag == "--efficiency" ||
                                    flag == "--flux-sfu" || flag == "--tsys") ||
                                  (number && *number > 0);
            if (!number || !whole || !positive) {
                return fail(std::string(flag) + ": '" + v + "' is not " + std::string(real->What));
            }
            *real->Field = *number;
            o.Scan.Pairs = static_cast<int>(pairs);
            o.Scan.Points = static_cast<int>(points);
            if (flag == "--hpbw") {
                hpbw = hpbwValue;
            } else if (flag == "--dish") {
                o.DishM = dish;
            } else if (flag == "--efficiency") {
                o.Efficiency = efficiency;
                efficiencyGiven = true;
            } else if (flag == "--flux-sfu") {
                o.SolarFluxSfu = sfu;
            } else if (flag == "--tsys") {
                o.TsysK = tsys;
            }
        } else if (flag == "--procedure") {
            procedure = scan::ProcedureFromKey(v);
            if (!procedure) {
                return fail("--procedure: '" + v + "' is none of y, cross, drift");
            }
        } else if (flag == "--source") {
            const SourceArgument read = ReadSourceArgument(v);
            if (!read.Source) {
                return fail(read.Error);
            }
            source = read.Source;
        } else if (flag == "--rotator") {
            if (auto refused = ApplyRotatorModel(v, o.Rotator)) {
                return fail(*refused);
            }
        } else if (flag == "--device") {
            if (v.empty()) {
                return fail("--device needs the rotator's serial port or host:port");
            }
            o.Rotator.Device = v;
        } else if (flag == "--offset") {
            if (auto refused = ApplyPointingOffset(v, o.Pointing)) {
                return fail(*refused);
            }
        } else if (flag == "--off-point") {
            const auto choice = scan::OffChoiceFromKey(v);
            if (!choice) {
                return fail("--off-point: '" + v + "' is none of alternate, colder, coldest");
            }
            o.Scan.OffBy = *choice;
        } else if (flag == "--az-range") {
            if (auto refused = ApplyAzimuthRange(v, o.Pointing)) {
                return fail(*refused);
            }
        } else { // --pick
            if (auto refused = ApplyPickArgument(v, station)) {
                return fail(*refused);
            }
            picked = true;
        }
    }
    if (o.Help) {
        return result;
    }
    if (!procedure) {
        return fail("--procedure y|cross|drift is needed (try --help)");
    }
    const FollowedSource followed = FollowedSourceOf(source, picked);
    if (!followed.Error.empty()) {
        return fail(followed.Error);
    }
    if (auto missing = o.Observing.Missing()) {
        return fail(*missing);
    }
    o.Scan.Procedure = *procedure;
    o.Scan.Source = followed.Source;
    o.Pointing.Source = o.Scan.Source;

    // The radiometer, as vantrel-power reads it.
    std::vector<std::string_view> power(radiometer.begin(), radiometer.end());
    const ParsedPower parsedPower = ParsePowerArguments(power);
    if (!parsedPower.Error.empty()) {
        return fail(AsScanMessage(parsedPower.Error));
    }
    o.Radiometer = parsedPower.Options;
    o.Scan.TauS = o.Radiometer.Integration.TauS;

    // What the command line leaves out, as the Scan window has it from
    // Vanset.ini; the command line wins.
    if (!o.Observing.FrequencyGiven && defaults.FrequencyMHz) {
        o.Observing.Conditions.FrequencyMHz = *defaults.FrequencyMHz;
        o.Observing.FrequencyGiven = true;
    }
    if (!hpbw && !o.DishM && o.Observing.FrequencyGiven) {
        if (defaults.DishM) {
            o.DishM = defaults.DishM;
            o.Efficiency = efficiencyGiven ? o.Efficiency : defaults.Efficiency;
        } else if (defaults.GainDbi) {
            const auto beam =
                measure::GainBeam(*defaults.GainDbi, o.Observing.Conditions.FrequencyMHz);
            if (beam) {
                hpbw = beam->BeamwidthDeg;
                o.GainDbi = defaults.GainDbi;
            }
        }
    }
    if (!o.TsysK) {
        o.TsysK = defaults.TsysK;
    }
    if (!o.SolarFluxSfu && defaults.SolarFluxSfu && o.Scan.Source == SkySource::Sun) {
        o.SolarFluxSfu = defaults.SolarFluxSfu;
    }

    // The beam: given, or the dish's at the frequency.
    const bool haveFrequency = o.Observing.FrequencyGiven;
    const double frequency = o.Observing.Conditions.FrequencyMHz;
    if (hpbw && o.DishM) {
        return fail("give the beam as --hpbw or as --dish, not both");
    }
    if (efficiencyGiven && !o.DishM) {
        return fail("--efficiency goes with --dish");
    }
    if (o.DishM) {
        if (auto why = measure::CheckDish(*o.DishM, o.Efficiency)) {
            return fail("--dish: " + *why);
        }
        if (!haveFrequency) {
            return fail("--dish needs --frequency MHZ for the beamwidth 70 lambda/D");
        }
        const auto beam = measure::DishBeam(*o.DishM, o.Efficiency, frequency);
        if (!beam || !(beam->BeamwidthDeg >= sr::kMinBeamwidthDeg &&
                       beam->BeamwidthDeg <= sr::kMaxBeamwidthDeg)) {
            return fail("--dish: the beamwidth 70 lambda/D is outside 0.01 to 90 degrees");
        }
        o.Scan.BeamwidthDeg = beam->BeamwidthDeg;
    } else if (hpbw) {
        o.Scan.BeamwidthDeg = *hpbw;
    } else {
        return fail("the beam is needed: --hpbw DEG, or --dish M (with --frequency)");
    }
    if (*procedure == scan::ProcedureKind::YFactor) {
        if (!haveFrequency) {
            return fail("--procedure y needs --frequency MHZ for G/T");
        }
        if (o.Scan.Source == SkySource::Sun && !o.SolarFluxSfu) {
            return fail("--procedure y on the Sun needs --flux-sfu SFU: its flux today at the "
                        "observing frequency");
        }
    }
    if (o.Scan.OffBy != scan::OffChoice::Alternate && *procedure != scan::ProcedureKind::YFactor) {
        return fail("--off-point goes with --procedure y");
    }
    if (o.SolarFluxSfu && o.Scan.Source != SkySource::Sun) {
        return fail("--flux-sfu is the Sun's flux: it goes with --source sun");
    }
    if (const std::string problem = scan::ScanSettingsProblem(o.Scan); !problem.empty()) {
        return fail(problem);
    }
    return result;
}

} // namespace vantrel

#include "tools/TrackOptions.h"

#include "station/StationCheck.h"
#include "tools/ArgumentNumbers.h"
#include "tools/CommandLineFlag.h"
#include "tools/CommonFlags.h"
#include "tools/PickArgument.h"
#include "tools/RotatorArguments.h"
#include "tools/SourceArgument.h"
#include "tools/TerminalText.h"

#include <optional>

namespace vantrel {

namespace {

constexpr std::string_view kUsage =
    "usage: vantrel-track --source NAME [--data FILE | --data-home[=FOLDER]]\n"
    "                     [--lat DEG --lon DEG] [--height M]\n"
    "                     [--rotator MODEL] [--device DEV] [--speed BAUD]\n"
    "                     [--period S] [--threshold DEG]\n"
    "                     [--az-range 0:360|-180:180|0:450] [--min-elevation DEG]\n"
    "                     [--max-elevation DEG] [--offset AZ,EL] [--park-when-set]\n"
    "                     [--apparent [--iers FILE]]\n"
    "                     [--refraction P,T,RH [--frequency MHZ]]\n"
    "                     [--pick snr:N|galaxy:N|nebula:N]\n"
    "\n"
    "Points a rotator at NAME (aquarius, leo, cas, cen, user, cyg, tau, vir, sgr,\n"
    "moon, sun, or the title the grids show, in any case) as seen from the\n"
    "station, until interrupted (Ctrl-C or SIGTERM), then stops the rotator.\n"
    "Prints one line per period: UTC, source, target and reported\n"
    "azimuth/elevation, state.\n"
    "\n"
    "The station is read from ./Vantrel.dat, else from the planner's data folder\n"
    "($XDG_DATA_HOME/vantrel, by default ~/.local/share/vantrel), where the\n"
    "planner started from the desktop menu keeps it. Without a station file (or\n"
    "with one at latitude 0, longitude 0) it does not start unless --lat and\n"
    "--lon are given: a rotator is never sent where a source stands from 0 N 0 E.\n"
    "\n"
    "  --data FILE        read the station from FILE\n"
    "  --data-home[=DIR]  read it from the planner's data folder (or DIR) only\n"
    "  --lat, --lon DEG   the station's latitude and longitude (north and east\n"
    "                     positive), instead of the file's\n"
    "  --height M         the station's height above sea level\n"
    "  --rotator MODEL    Hamlib rotator model (default 2, a rotctld over TCP;\n"
    "                     'rotctl -l' lists them)\n"
    "  --device DEV       serial port, or host:port for model 2 (default\n"
    "                     localhost:4533)\n"
    "  --speed BAUD       serial speed (default: the model's)\n"
    "  --period S         seconds between commands, 0.2 to 60 (default 1)\n"
    "  --threshold DEG    a new command only when the source moved this far on the\n"
    "                     sky, 0 to 10 (default 0.5)\n"
    "  --az-range R       how the rotator counts azimuth (default 0:360); with\n"
    "                     0:450 it takes the way without the stop\n"
    "  --min-elevation    the source is not followed below this (default 0)\n"
    "  --max-elevation    the rotator is not sent above this (default 90)\n"
    "  --offset AZ,EL     added to the sky's azimuth and elevation (a rotator not\n"
    "                     aligned to north or level)\n"
    "  --park-when-set    park the rotator while the source is below the minimum\n"
    "                     (otherwise it stays where it was)\n"
    "  --pick LIST:N      track entry N of a catalogue list as the user source\n"
    "  --apparent, --iers, --refraction, --frequency  as for vantrel-table\n";

struct Range {
    double Lo;
    double Hi;
};

namespace tr = tracking_range;
constexpr Range kPeriod{tr::kMinPeriodS, tr::kMaxPeriodS};
constexpr Range kThreshold{tr::kMinThresholdDeg, tr::kMaxThresholdDeg};
constexpr Range kElevation{tr::kMinElevationDeg, tr::kMaxElevationDeg};

} // namespace

std::string_view TrackUsage() {
    return kUsage;
}

ParsedTrack ParseTrackArguments(std::span<const std::string_view> args, HomeStation& station) {
    ParsedTrack result;
    TrackCommandLine& o = result.Options;
    // Messages quote what was typed: escaped, so that a line break or a
    // terminal control in an argument cannot split or hijack the line.
    const auto fail = [&](const std::string& message) {
        result.Error = "vantrel-track: " + TerminalSafe(message);
        return result;
    };
    std::optional<SkySource> source;
    bool picked = false;

    for (std::size_t i = 0; i < args.size(); ++i) {
        // Named members rather than a structured binding, which the lambda
        // below could not capture under every compiler the project uses.
        const CommandLineFlag split = CommandLineFlag::Of(args[i]);
        const std::string_view flag = split.Flag;
        const std::optional<std::string_view>& inlineValue = split.InlineValue;
        const auto value = [&] { return split.Value(args, i); };

        const CommonFlag common = ApplyCommonFlag(split, args, i, {o.Observing, o.Files, o.Help});
        if (common.Refused) {
            return fail(*common.Refused);
        }
        if (common.Taken) {
            continue;
        }
        if (flag == "--park-when-set") {
            if (inlineValue) {
                return fail("--park-when-set takes no value");
            }
            o.Tracking.Below = WhenBelow::Park;
            continue;
        }

        struct RealField {
            std::string_view Flag;
            double* Field;
            Range Limits;
            std::string_view What;
        };
        const RealField reals[] = {
            {"--period", &o.Tracking.PeriodS, kPeriod, "a period in seconds, 0.2 to 60"},
            {"--threshold", &o.Tracking.ThresholdDeg, kThreshold, "an angle in degrees, 0 to 10"},
            {"--min-elevation", &o.Tracking.MinElevationDeg, kElevation,
             "an elevation in degrees, -90 to 90"},
            {"--max-elevation", &o.Tracking.MaxElevationDeg, kElevation,
             "an elevation in degrees, -90 to 90"},
        };
        const RealField* real = nullptr;
        for (const RealField& f : reals) {
            if (flag == f.Flag) {
                real = &f;
            }
        }
        const bool known = real || IsStationFlag(flag) || flag == "--source" ||
                           flag == "--rotator" || flag == "--device" || flag == "--speed" ||
                           flag == "--az-range" || flag == "--offset" || flag == "--pick";
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
            if (!number) {
                return fail(std::string(flag) + ": '" + v + "' is not " + std::string(real->What));
            }
            *real->Field = *number;
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
                return fail("--device needs a serial port or host:port");
            }
            o.Rotator.Device = v;
        } else if (flag == "--speed") {
            if (auto refused = ApplySerialSpeed(v, o.Rotator)) {
                return fail(*refused);
            }
        } else if (flag == "--az-range") {
            if (auto refused = ApplyAzimuthRange(v, o.Tracking)) {
                return fail(*refused);
            }
        } else if (flag == "--offset") {
            if (auto refused = ApplyPointingOffset(v, o.Tracking)) {
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
    if (auto missing = o.Observing.Missing()) {
        return fail(*missing);
    }
    if (auto unused = o.Observing.Unused()) {
        return fail(*unused);
    }
    if (auto iers = o.Observing.IersUnused()) {
        return fail(*iers);
    }
    const FollowedSource followed = FollowedSourceOf(source, picked);
    if (!followed.Error.empty()) {
        return fail(followed.Error);
    }
    o.Tracking.Source = followed.Source;
    if (const std::string_view problem = TrackingOptionsProblem(o.Tracking); !problem.empty()) {
        return fail(std::string(problem));
    }
    return result;
}

} // namespace vantrel

#include "tools/ObserveOptions.h"

#include "tools/ArgumentNumbers.h"
#include "tools/TerminalText.h"

#include <filesystem>
#include <vector>

namespace vantrel {

namespace {

constexpr std::string_view kUsage =
    "Usage: vantrel-observe SCHEDULE [options]\n"
    "Runs a night's schedule on the telescope: one step a line of SCHEDULE\n"
    "(# starts a comment), each to its end, one flushed CSV line per step on\n"
    "standard output under the header\n"
    "  step,line,utc_start,utc_end,command,status,summary\n"
    "with status ok, partial, skipped (the reason in the summary), failed or\n"
    "done-before, and the step's results as name=value pairs separated by ';'\n"
    "in the column names of vantrel-scan. Progress goes to standard error.\n"
    "\n"
    "Steps:\n"
    "  at YYYY-MM-DDTHH:MM[:SS]       wait until that UTC\n"
    "  lst HH:MM[:SS]                 wait until that local sidereal time\n"
    "  wait SECONDS\n"
    "  track SOURCE SECONDS           follow the source\n"
    "  park                           until the rotator reports its park position\n"
    "  apply                          the last scan's offsets, or the pointing\n"
    "                                 model, into the pointing of the steps after\n"
    "  cal on|off                     the calibrator (--cal-on, --cal-off)\n"
    "  y SOURCE [pairs=K] [off-beams=N]\n"
    "  cross SOURCE [span=B] [points=N]\n"
    "  drift SOURCE [span=B]\n"
    "  record SECONDS                 power blocks at the present pointing\n"
    "  grid SOURCE [size=N] [spacing=B]  an N x N grid (default 5, 0.5 beams): a\n"
    "                                 2-D Gaussian on a plane baseline fitted\n"
    "  beamswitch SOURCE SECONDS [throw=B]  on and off B beams in azimuth, the\n"
    "                                 running Y with its sigma\n"
    "  pointing SOURCE [SOURCE...]    a cross-scan of each, then a pointing model\n"
    "                                 fitted to them (zero points, collimation,\n"
    "                                 the azimuth axis' tilt, sag) for an apply\n"
    "A line that cannot be read is refused, with its number and the reason,\n"
    "before anything moves.\n"
    "\n"
    "Beside SCHEDULE the state SCHEDULE.state keeps the steps that ended\n"
    "(written atomically after each): run again after a crash, a power cut or\n"
    "kill -9, the ended steps are reported as done-before and not repeated, and\n"
    "the step that was running runs again from its start. SIGINT or SIGTERM\n"
    "stops the rotator, ends the step as partial and exits (that step runs\n"
    "again next time).\n"
    "\n"
    "Options (and every option of vantrel-scan except --procedure and --source,\n"
    "which each step gives; --pairs, --off-beams, --span and --points are the\n"
    "defaults of the steps that leave them out):\n"
    "  --restart          run every step again, the state forgotten\n"
    "  --fits DIR         each scan (cross, grid, drift, beamswitch, record) as FITS\n"
    "                     file in DIR: the station, frequency, beam and tau and\n"
    "                     the fit's results in the header, a table SCAN of the\n"
    "                     readings (TIME MJD, AZ, EL, DAZ, DEL, POWER, POWER_DB,\n"
    "                     SIGMA_DB)\n"
    "  --cal-on CMD       a command that switches the calibrator on (run by\n"
    "                     /bin/sh; exit status 0 is success), --cal-off CMD\n"
    "                     the one that switches it off\n"
    "  --cal-k K          the calibrator's excess temperature, kelvin\n"
    "  --cal-every MIN    calibrate again every MIN minutes during a record step\n"
    "                     (with --cal-on, --cal-off and --cal-k), so that the\n"
    "                     gain's drift comes out of its kelvin\n"
    "  --park-timeout S   a park not reported within S seconds ends partial\n"
    "                     (default 180)\n"
    "  --simulated        the simulated telescope instead of the rotator and the\n"
    "                     receiver: a mount moving 5 degrees a second and a\n"
    "                     receiver that sees the Sun, the Moon and the radio stars\n"
    "                     through the antenna's beam (no --input needed)\n"
    "  --sim-error AZ,EL  its hidden pointing error on the sky (default 0.3,-0.2)\n"
    "  --sim-tsys K       its system temperature (default 120)\n"
    "  --sim-drift DB     its gain's random walk, dB per root second (default 0)\n"
    "  --help             this text\n"
    "\n"
    "Exit status: 0 when every step ended ok, skipped or done-before (a step\n"
    "done before counts as it ended then); 3 when one was partial or failed\n"
    "(or the run was interrupted); 2 for a schedule or an argument that cannot\n"
    "be used; 1 when the output cannot be written.\n";

} // namespace

std::string_view ObserveUsage() {
    return kUsage;
}

ParsedObserve ParseObserveArguments(std::span<const std::string_view> args, HomeStation& station,
                                    const VansetScanDefaults& defaults) {
    ParsedObserve result;
    ObserveCommandLine& o = result.Options;
    const auto fail = [&](const std::string& message) {
        result.Error = "vantrel-observe: " + TerminalSafe(message);
        return result;
    };
    std::vector<std::string_view> scan;
    bool fluxGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        std::string_view flag = arg;
        std::optional<std::string_view> inlineValue;
        if (const std::size_t eq = arg.find('='); arg.starts_with("--") && eq != arg.npos) {
            flag = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
        }
        const auto value = [&]() -> std::optional<std::string_view> {
            if (inlineValue) {
                return inlineValue;
            }
            if (i + 1 < args.size()) {
                return args[++i];
            }
            return std::nullopt;
        };
        if (flag == "--help" || flag == "-h") {
            o.Help = true;
            return result;
        }
        if (i == 0 && !arg.starts_with("-")) {
            o.SchedulePath = std::string(arg);
            continue;
        }
        if (flag == "--restart") {
            o.Restart = true;
        } else if (flag == "--simulated") {
            o.Simulated = true;
        } else if (flag == "--sim-error" || flag == "--sim-tsys" || flag == "--sim-drift") {
            const auto v = value();
            if (!v || v->empty()) {
                return fail(std::string(flag) + " needs a value (try --help)");
            }
            const std::string text(*v);
            if (flag == "--sim-error") {
                const std::size_t comma = text.find(',');
                const auto az = comma == std::string::npos
                                    ? std::nullopt
                                    : ParseDoubleArgument(text.substr(0, comma), -10, 10);
                const auto el = comma == std::string::npos
                                    ? std::nullopt
                                    : ParseDoubleArgument(text.substr(comma + 1), -10, 10);
                if (!az || !el) {
                    return fail("--sim-error: '" + text +
                                "' is not AZ,EL in degrees on the sky, each within 10");
                }
                o.SimErrorAzDeg = *az;
                o.SimErrorElDeg = *el;
            } else if (flag == "--sim-tsys") {
                const auto k = ParseDoubleArgument(text, 1, 100000);
                if (!k) {
                    return fail("--sim-tsys: '" + text +
                                "' is not a temperature from 1 to 100000 K");
                }
                o.SimTsysK = *k;
            } else {
                const auto d = ParseDoubleArgument(text, 0, 1);
                if (!d) {
                    return fail("--sim-drift: '" + text + "' is not 0 to 1 dB per root second");
                }
                o.SimDriftDbPerSqrtS = *d;
            }
        } else if (flag == "--procedure" || flag == "--source") {
            return fail(std::string(flag) + " is given by each step of the schedule");
        } else if (flag == "--fits" || flag == "--cal-on" || flag == "--cal-off" ||
                   flag == "--cal-k" || flag == "--park-timeout" || flag == "--cal-every") {
            const auto v = value();
            if (!v || v->empty()) {
                return fail(std::string(flag) + " needs a value (try --help)");
            }
            if (flag == "--fits") {
                o.FitsFolder = std::string(*v);
            } else if (flag == "--cal-on") {
                o.CalOnCommand = std::string(*v);
            } else if (flag == "--cal-off") {
                o.CalOffCommand = std::string(*v);
            } else if (flag == "--cal-every") {
                const auto m = ParseDoubleArgument(std::string(*v), 0.01, 1440);
                if (!m) {
                    return fail("--cal-every: '" + std::string(*v) +
                                "' is not a number of minutes from 0.01 to 1440");
                }
                o.CalEveryMin = *m;
            } else if (flag == "--cal-k") {
                const auto k = ParseDoubleArgument(std::string(*v), 0.001, 1e6);
                if (!k) {
                    return fail("--cal-k: '" + std::string(*v) +
                                "' is not a temperature in kelvin above 0");
                }
                o.CalK = *k;
            } else {
                const auto s = ParseDoubleArgument(std::string(*v), 1, 3600);
                if (!s) {
                    return fail("--park-timeout: '" + std::string(*v) +
                                "' is not a number of seconds from 1 to 3600");
                }
                o.ParkTimeoutS = *s;
            }
        } else {
            fluxGiven = fluxGiven || flag == "--flux-sfu";
            scan.push_back(arg);
        }
    }
    // The simulated telescope is the receiver: the radiometer needs no input.
    bool inputGiven = false;
    for (const std::string_view a : scan) {
        inputGiven = inputGiven || a == "--input" || a.starts_with("--input=");
    }
    if (o.Simulated && !inputGiven) {
        scan.push_back("--input");
        scan.push_back("command");
        scan.push_back("--command");
        scan.push_back("true");
    }
    // The scan options are read as vantrel-scan reads them, for a cross-scan
    // (which needs no more than the beam); the Sun when its flux is given.
    scan.push_back("--procedure");
    scan.push_back("cross");
    scan.push_back("--source");
    scan.push_back(fluxGiven ? "sun" : "cas");
    ParsedScan parsed = ParseScanArguments(scan, station, defaults);
    o.Files = parsed.Options.Files; // where Vanset.ini is looked for, whatever else is refused
    if (o.SchedulePath.empty()) {
        return fail("the schedule is needed: vantrel-observe SCHEDULE [options] (try --help)");
    }
    if (!parsed.Error.empty()) {
        std::string message = parsed.Error;
        if (message.starts_with("vantrel-scan: ")) {
            message.erase(0, 14);
        }
        result.Error = "vantrel-observe: " + message;
        return result;
    }
    o.Scan = std::move(parsed.Options);
    if (!o.FitsFolder.empty()) {
        std::error_code ec;
        if (!std::filesystem::is_directory(o.FitsFolder, ec)) {
            return fail("--fits: '" + o.FitsFolder + "' is not a folder");
        }
    }
    return result;
}

} // namespace vantrel

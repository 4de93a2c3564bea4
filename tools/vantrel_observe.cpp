// vantrel-observe: a night's schedule run step after step on the telescope.
// Each step is stepped from the main thread every 50 ms as vantrel-scan
// steps its procedure; a RotatorLink and a PowerRunner talk to the rotator
// and the radiometer on threads of their own and are shared by the steps.
//
// Signals: SIGINT and SIGTERM are blocked in every thread and taken with
// sigtimedwait between steps, so the ending (the step aborted, the rotator
// stopped, its partial line printed, exit 3) runs as ordinary code.
//
// The state beside the schedule is written after every step that ended, so
// a run after a crash reports those steps as done-before and runs the one
// that was cut off from its start.

#include "measure/MeasurementLog.h"
#include "radiometer/PowerLog.h"
#include "scan/ScanLog.h"
#include "scanwin/ScanSetup.h"
#include "schedule/NightRun.h"
#include "simulator/SimulatedTelescope.h"
#include "tools/EndingSignals.h"
#include "tools/ObserveOptions.h"
#include "tools/PowerInputFactory.h"
#include "tools/RotatorModelCheck.h"
#include "tools/StationToolStart.h"
#include "tools/TerminalText.h"
#include "tools/ToolStation.h"
#include "tracking/HamlibRotator.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace vantrel;
using namespace vantrel::schedule;

constexpr int kBadArguments = 2;
constexpr int kOutputFailed = 1;
constexpr int kPartial = 3;

void Say(const std::string& text) {
    std::fprintf(stderr, "vantrel-observe: %s\n", TerminalSafe(text).c_str());
    std::fflush(stderr);
}

VansetScanDefaults gVanset;

ParsedObserve ParseWithVanset(std::span<const std::string_view> args, HomeStation& station) {
    return ParseObserveArguments(args, station, gVanset);
}

VansetScanDefaults VansetOf(std::span<const std::string_view> args) {
    HomeStation scratch;
    const ParsedObserve first = ParseObserveArguments(args, scratch, {});
    return VansetScanDefaultsIn(first.Options.Files);
}

/// The night's settings from the command line: the antenna as the logs keep
/// it, the logs where the tool keeps its files.
NightSettings SettingsOf(const ObserveCommandLine& o, const HomeStation& station,
                         const ToolFiles& where) {
    const ScanCommandLine& scan = o.Scan;
    NightSettings n;
    n.Station = station;
    n.Scan = scan.Scan;
    n.Pointing = scan.Pointing;
    n.Conditions = scan.Observing.Conditions;
    n.Antenna = scan.DishM ? MeasureSetup{} : AntennaOfBeamwidth(scan.Scan.BeamwidthDeg);
    if (scan.GainDbi) {
        n.Antenna.GainDbi = *scan.GainDbi;
    }
    if (scan.DishM) {
        n.Antenna.Antenna = AntennaKind::Dish;
        n.Antenna.DishDiameterM = *scan.DishM;
        n.Antenna.Efficiency = scan.Efficiency;
    }
    if (scan.SolarFluxSfu) {
        char sfu[32];
        std::snprintf(sfu, sizeof sfu, "%.17g", *scan.SolarFluxSfu);
        n.Antenna.SolarFlux = sfu;
    }
    n.SolarFluxSfu = scan.SolarFluxSfu;
    n.InputName = std::string(PowerInputName(scan.Radiometer.Input));
    n.Integration = scan.Radiometer.Integration;
    n.CalOnCommand = o.CalOnCommand;
    n.CalOffCommand = o.CalOffCommand;
    n.CalK = o.CalK;
    n.CalEveryS = o.CalEveryMin * 60.0;
    n.ParkTimeoutS = o.ParkTimeoutS;
    n.FitsFolder = o.FitsFolder;
    n.PowerLogPath = where.PathForNew(kPowerLogName);
    n.MeasurementLogPath = where.PathForNew(measure::kMeasurementLogName);
    n.ScanLogPath = where.PathForNew(scan::kScanLogName);
    return n;
}

bool PrintLine(const std::string& line) {
    return std::printf("%s\n", line.c_str()) >= 0 && std::fflush(stdout) == 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    gVanset = VansetOf(args);
    StationToolStart<ParsedObserve> started =
        StartStationTool<ParsedObserve>(args, "vantrel-observe", ObserveUsage(), ParseWithVanset);
    if (started.Exit) {
        return *started.Exit;
    }
    const ToolFiles& where = *started.Where;
    const HomeStation& station = started.Station;
    const ObserveCommandLine& o = started.Arguments.Options;
    const auto refuse = [](const std::string& line) {
        std::fprintf(stderr, "vantrel-observe: %s\n", TerminalSafe(line).c_str());
        return kBadArguments;
    };
    if (const auto problem = HardwareStationProblem(started.Read, o.Scan.Position, station)) {
        return refuse(*problem);
    }
    if (const auto unknown = UnknownRotatorModel(o.Scan.Rotator.Model)) {
        return refuse(*unknown);
    }

    // The whole schedule is read, and every line checked, before anything moves.
    std::ifstream file(o.SchedulePath, std::ios::binary);
    if (!file) {
        return refuse("cannot read the schedule " + o.SchedulePath);
    }
    std::ostringstream text;
    text << file.rdbuf();
    const ScheduleParse parse = ParseSchedule(text.str());
    NightSettings settings = SettingsOf(o, station, where);
    std::vector<ScheduleError> errors = parse.Errors;
    for (ScheduleError& e : CheckNight(parse, settings, o.Scan.Observing.FrequencyGiven)) {
        errors.push_back(std::move(e));
    }
    for (const ScheduleError& e : errors) {
        std::fprintf(stderr, "vantrel-observe: %s: %s\n", TerminalSafe(o.SchedulePath).c_str(),
                     TerminalSafe(e.Describe()).c_str());
    }
    if (!errors.empty()) {
        return kBadArguments;
    }
    const std::string statePath = StatePath(o.SchedulePath);
    ScheduleState state;
    if (const auto failed = StartingState(parse, statePath, o.Restart, state)) {
        return refuse(*failed);
    }

    std::signal(SIGPIPE, SIG_IGN);
    const sigset_t ending = BlockEndingSignals(); // before any thread starts
    if (!PrintLine(std::string(kOutcomeHeader))) {
        std::perror("vantrel-observe: writing the results");
        return kOutputFailed;
    }
    NightParts parts;
    std::unique_ptr<SimulatedTelescope> simulated;
    if (o.Simulated) {
        SimulatedTruth truth;
        truth.PointingErrorAzDeg = o.SimErrorAzDeg;
        truth.PointingErrorElDeg = o.SimErrorElDeg;
        truth.TsysK = o.SimTsysK;
        truth.GainDriftDbPerSqrtS = o.SimDriftDbPerSqrtS;
        simulated = std::make_unique<SimulatedTelescope>(station, settings.Conditions,
                                                         settings.Antenna, truth);
        parts.Rotator = [&simulated] { return simulated->MakeRotator(); };
        parts.Receiver = [&simulated] { return simulated->MakeReceiver(); };
        settings.InputName = "simulated";
        Say("the simulated telescope: no rotator or receiver is used");
    } else {
        parts.Rotator = [rotator = o.Scan.Rotator] { return MakeHamlibRotator(rotator); };
        parts.Receiver = PowerInputFactory(o.Scan.Radiometer);
    }
    NightHooks hooks;
    hooks.StopWithin = [&ending](std::chrono::milliseconds wait) {
        return EndingSignalWithin(ending, wait);
    };
    hooks.Say = Say;
    NightRunner night(settings, std::move(parts), std::move(hooks));
    const NightEnd end = RunNight(
        parse, state, statePath, night,
        [](const StepOutcome& outcome) { return PrintLine(OutcomeLine(outcome)); }, Say);
    night.End();
    if (end.OutputFailed) {
        std::perror("vantrel-observe: writing the results");
        return kOutputFailed;
    }
    return end.AllWell && !end.Interrupted ? 0 : kPartial;
}

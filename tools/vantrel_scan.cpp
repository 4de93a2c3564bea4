// vantrel-scan: a Y-factor sequence, a cross-scan or a drift scan on the
// command line. The procedure's state machine is stepped from the main
// thread every 50 ms; a RotatorLink and a PowerRunner talk to the rotator
// and the radiometer on threads of their own.
//
// Signals: SIGINT and SIGTERM are blocked in every thread and taken with
// sigtimedwait between steps, so the ending (the procedure aborted, the
// rotator stopped, the partial line printed, exit 3) runs as ordinary code
// on the main thread.

#include "apparent/SkyPlaces.h"
#include "astro/Clock.h"
#include "astro/OrbexSunMoon.h"
#include "help/ProcessPaths.h"
#include "measure/MeasurementLog.h"
#include "radiometer/PowerLogWriter.h"
#include "radiometer/PowerRunner.h"
#include "scan/ColdSkyReference.h"
#include "scan/CrossScan.h"
#include "scan/DriftScan.h"
#include "scan/ProcedurePowerLog.h"
#include "scan/ScanLog.h"
#include "scan/YFactorSequence.h"
#include "scanwin/ScanSetup.h"
#include "tools/ConsoleMessages.h"
#include "tools/EndingSignals.h"
#include "tools/PowerInputFactory.h"
#include "tools/RotatorModelCheck.h"
#include "tools/ScanOptions.h"
#include "tools/StationToolStart.h"
#include "tools/TerminalText.h"
#include "tools/ToolStation.h"
#include "tracking/HamlibRotator.h"
#include "tracking/RotatorLink.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace vantrel;
using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

constexpr int kBadArguments = 2;
constexpr int kOutputFailed = 1;
constexpr int kPartial = 3;
constexpr auto kStep = 50ms;
/// The rotator's position is read this often while a procedure runs.
constexpr auto kPoll = 200ms;
/// Progress is said at least this often while a procedure runs.
constexpr auto kProgressEvery = 10s;
constexpr InputRetry kRadiometerRetry{500ms, 5000ms, 2.0};

void Say(const std::string& text) {
    std::fprintf(stderr, "vantrel-scan: %s\n", TerminalSafe(text).c_str());
    std::fflush(stderr);
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return kBadArguments;
}

/// A number with `decimals`, or an empty field.
std::string Field(const std::optional<double>& value, int decimals) {
    if (!value || !std::isfinite(*value)) {
        return {};
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, *value);
    return text;
}

/// A text field of the CSV line: quoted when it holds a comma or a quote.
std::string Text(std::string_view text) {
    std::string safe = TerminalSafe(text);
    if (safe.find_first_of(",\"") == std::string::npos) {
        return safe;
    }
    std::string quoted = "\"";
    for (const char c : safe) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + '"';
}

/// "about 1 min 20 s left".
std::string TimeLeft(double seconds) {
    const long s = std::lround(std::max(0.0, seconds));
    char text[48];
    if (s >= 60) {
        std::snprintf(text, sizeof text, "about %ld min %ld s left", s / 60, s % 60);
    } else {
        std::snprintf(text, sizeof text, "about %ld s left", s);
    }
    return text;
}

/// Says on standard error what changed in the rotator's connection.
class RotatorReport {
public:
    void Update(const RotatorStatus& status) {
        if (status.Connected && !connected_) {
            Say("rotator connected");
        } else if (!status.Connected && !status.LastError.empty() &&
                   status.LastError != lastError_) {
            Say("rotator: " + status.LastError);
        }
        connected_ = status.Connected;
        lastError_ = status.LastError;
    }

private:
    bool connected_ = false;
    std::string lastError_;
};

/// What Vanset.ini gives for what the command line leaves out; read once
/// before the arguments are (StartStationTool takes a plain function).
VansetScanDefaults gVanset;

ParsedScan ParseWithVanset(std::span<const std::string_view> args, HomeStation& station) {
    return ParseScanArguments(args, station, gVanset);
}

/// The program's Vanset.ini where the tool keeps its files (beside the
/// station file, else in the working folder): its frequency, antenna and
/// the Sun's flux, as the Scan window takes them. Nothing when there is
/// none or the arguments name no readable folder.
VansetScanDefaults VansetOf(std::span<const std::string_view> args) {
    HomeStation scratch;
    const ParsedScan first = ParseScanArguments(args, scratch);
    return VansetScanDefaultsIn(first.Options.Files);
}

/// The off point the sky model chooses for the sequence (the 408 MHz
/// survey beside the program); none with `why` set.
std::optional<scan::OffPointPlan> SkyOffPoint(const ScanCommandLine& o, const HomeStation& station,
                                              const ObservingConditions& conditions,
                                              SunMoonLibrary& library, DateTime utc,
                                              std::string& why) {
    auto request = scan::ColdSkyRequestOf(o.Scan.Source, station, conditions, library, utc,
                                          o.Scan.BeamwidthDeg, why);
    if (!request) {
        return std::nullopt;
    }
    request->OffBeams = o.Scan.OffBeams;
    const std::string folder = sky::FindSkySurveyFolder(ExecutableDirectory());
    if (folder.empty()) {
        why = "the 408 MHz survey (data/sky408) was not found";
        return std::nullopt;
    }
    const sky::SharedSkySurvey shared = sky::SkySurveyOf(folder);
    if (!shared.Survey) {
        why = shared.Problem;
        return std::nullopt;
    }
    const sky::SkyBrightness brightness(*shared.Survey, conditions.FrequencyMHz);
    const scan::ColdSkyReference found = scan::FindColdSkyReference(brightness, *request);
    return scan::ChooseOffPoint(o.Scan.OffBy, found, o.Scan.OffBeams, o.Scan.BeamwidthDeg,
                                request->Source.Airless.ElevationDeg, why);
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    gVanset = VansetOf(args);
    StationToolStart<ParsedScan> started =
        StartStationTool<ParsedScan>(args, "vantrel-scan", ScanUsage(), ParseWithVanset);
    if (started.Exit) {
        return *started.Exit;
    }
    const ToolFiles& where = *started.Where;
    HomeStation& station = started.Station;
    const ToolStation& read = started.Read;
    const ParsedScan& parsed = started.Arguments;
    const ScanCommandLine& o = parsed.Options;
    // Never a rotator moved for a station nobody gave.
    if (const auto problem = HardwareStationProblem(read, o.Position, station)) {
        return Fail("vantrel-scan: " + TerminalSafe(*problem));
    }
    if (const auto unknown = UnknownRotatorModel(o.Rotator.Model)) {
        return Fail("vantrel-scan: " + *unknown);
    }
    if (const std::string notice = read.Notice("vantrel-scan"); !notice.empty()) {
        std::fprintf(stderr, "%s\n", notice.c_str());
    }

    std::signal(SIGPIPE, SIG_IGN);
    const sigset_t ending = BlockEndingSignals(); // before any thread starts

    OrbexSunMoon library;
    SkyPlaces places(library);
    const ObservingConditions conditions = o.Observing.Conditions;
    const std::string title(SkyPlaces::Title(o.Scan.Source, station));
    SystemLocalClock systemClock;
    UtcClock clock(systemClock);
    scan::ProcedureContext context;
    context.Pointing = o.Pointing;
    context.Place = [&](DateTime utc) {
        return places.At(o.Scan.Source, station, conditions, DecodeInstant(utc));
    };
    context.SourceTitle = title;

    // The antenna as the measurement log keeps it, and what G/T needs.
    const MeasureSetup antenna = [&] {
        MeasureSetup a = o.DishM ? MeasureSetup{} : AntennaOfBeamwidth(o.Scan.BeamwidthDeg);
        if (o.GainDbi) {
            a.GainDbi = *o.GainDbi; // the Measure window's, as Vanset.ini has it
        }
        if (o.DishM) {
            a.Antenna = AntennaKind::Dish;
            a.DishDiameterM = *o.DishM;
            a.Efficiency = o.Efficiency;
        }
        if (o.SolarFluxSfu) {
            char sfu[32];
            std::snprintf(sfu, sizeof sfu, "%.17g", *o.SolarFluxSfu);
            a.SolarFlux = sfu;
        }
        return a;
    }();
    const double frequency = conditions.FrequencyMHz;
    // The Sun's and the Moon's disk is taken off the beamwidths fitted.
    context.SourceDiskDeg =
        SourceDiskOf(o.Scan.Source, clock.UtcNow(), station, conditions, library, antenna);
    const std::string stationText = StationText(station);

    std::unique_ptr<scan::Procedure> procedure;
    scan::YFactorSequence* sequence = nullptr;
    scan::CrossScan* cross = nullptr;
    scan::DriftScan* drift = nullptr;
    switch (o.Scan.Procedure) {
    case scan::ProcedureKind::YFactor: {
        scan::GOverTBasis basis =
            GOverTBasisOf(o.Scan.Source, clock.UtcNow(), station, conditions, library, antenna);
        basis.TsysK = o.TsysK.value_or(std::nan(""));
        std::optional<scan::OffPointPlan> off;
        if (o.Scan.OffBy != scan::OffChoice::Alternate) {
            std::string why;
            off = SkyOffPoint(o, station, conditions, library, clock.UtcNow(), why);
            if (!off) {
                return Fail("vantrel-scan: no off point from the sky model: " + why);
            }
            char said[160];
            std::snprintf(said, sizeof said,
                          "off point: %+.2f deg on the sky in azimuth, sky %.0f K there, %.0f K "
                          "behind the source",
                          off->AzimuthOffsetDeg, off->OffTskyK, off->SourceTskyK);
            Say(said);
        }
        auto p = std::make_unique<scan::YFactorSequence>(o.Scan, context, basis, off);
        sequence = p.get();
        procedure = std::move(p);
        break;
    }
    case scan::ProcedureKind::Cross: {
        auto p = std::make_unique<scan::CrossScan>(o.Scan, context);
        cross = p.get();
        procedure = std::move(p);
        break;
    }
    case scan::ProcedureKind::Drift: {
        auto p = std::make_unique<scan::DriftScan>(o.Scan, context);
        drift = p.get();
        procedure = std::move(p);
        break;
    }
    }

    const RotatorSettings rotatorSettings = o.Rotator;
    RotatorLink link([rotatorSettings] { return MakeHamlibRotator(rotatorSettings); }, kPoll,
                     kAttendedRetry);
    PowerRunner runner(PowerInputFactory(o.Radiometer), o.Radiometer.Integration, kRadiometerRetry);
    // Every block the procedure takes goes to the power log, with its role
    // and offset, as the Scan window logs it: the log has no gap and a scan
    // can be fitted again from it.
    PowerLogWriter powerLog(where.PathForNew(kPowerLogName));
    scan::ProcedurePowerLog procedureLog(std::string(PowerInputName(o.Radiometer.Input)), frequency,
                                         std::string(SkySourceKey(o.Scan.Source)));
    const auto logBlocks = [&](bool ended) {
        for (PowerRecord& r : procedureLog.Take(procedure->Readings(), clock.UtcNow(), ended)) {
            powerLog.Append(std::move(r));
        }
        for (const std::string& why : powerLog.TakeProblems()) {
            Say(why);
        }
    };
    RotatorReport rotatorReport;
    std::string lastProgress;
    SteadyClock::time_point lastProgressAt{};
    bool interrupted = false;
    while (!procedure->Finished()) {
        if (!interrupted && EndingSignalWithin(ending, kStep)) {
            interrupted = true;
            procedure->Abort("Interrupted.");
        }
        const RotatorStatus rotator = link.Status();
        rotatorReport.Update(rotator);
        const RunnerStatus radiometer = runner.Status();
        for (const RunnerEvent& e : runner.TakeEvents()) {
            if (e.What != RunnerEvent::Kind::Opened) {
                Say("radiometer: " + e.Text);
            }
        }
        const std::vector<PowerBlock> blocks = runner.TakeBlocks();
        scan::StepInput in;
        in.Utc = clock.UtcNow();
        in.Now = SteadyClock::now();
        in.Rotator = rotator;
        in.Blocks = blocks;
        const std::string stopped =
            radiometer.What == RunnerStatus::State::Stopped ? radiometer.LastError : std::string();
        in.RadiometerStopped = stopped;
        const scan::StepAction action = procedure->Step(in);
        if (action.Point) {
            link.Point(*action.Point);
        }
        if (action.StopRotator) {
            link.Stop();
        }
        procedureLog.Add(blocks, rotator.Reported);
        logBlocks(false);
        // Said when it changes, and every kProgressEvery while it does not
        // (a drift records for minutes under one text).
        const scan::ProgressReport progress = procedure->Progress();
        const auto now = SteadyClock::now();
        if (!procedure->Finished() &&
            (progress.Text != lastProgress || now - lastProgressAt >= kProgressEvery)) {
            lastProgress = progress.Text;
            lastProgressAt = now;
            char percent[16];
            std::snprintf(percent, sizeof percent, "%.0f %%", 100.0 * progress.Fraction);
            Say(progress.Text + " (" + percent + ", " + TimeLeft(progress.SecondsLeft) + ")");
        }
    }
    // The Stop asked for at the end goes out before the link ends.
    link.Shutdown(true);
    runner.Stop();
    logBlocks(true);
    if (!powerLog.Flush(std::chrono::seconds(10))) {
        Say("the power log " + powerLog.Path() + " could not take " +
            std::to_string(powerLog.Waiting()) + " block(s)");
    }
    const bool partial = procedure->Ended() == scan::Ending::Stopped;
    if (partial) {
        Say("stopped: " + procedure->StopReason());
    }

    const DateTime endedUtc = clock.UtcNow();
    const std::string status = partial ? "partial" : "";
    std::string header;
    std::string line;
    if (sequence) {
        const scan::YFactorResult& r = sequence->Result();
        header = "source,y_db,y_sigma_db,g_over_t_db_per_k,g_over_t_sigma_db,pairs,elevation_deg,"
                 "status";
        line = Text(title) + "," + Field(r.Y ? std::optional(r.Y->YDb) : std::nullopt, 3) + "," +
               Field(r.Y ? std::optional(r.Y->SigmaDb) : std::nullopt, 4) + "," +
               Field(r.GOverTDbPerK, 2) + "," + Field(r.GOverTSigmaDb, 3) + "," +
               std::to_string(r.Pairs.size()) + "," +
               Field(r.Pairs.empty() ? std::nullopt : std::optional(r.ElevationDeg), 2) + "," +
               status;
        if (r.Off) {
            // The sky model's off point: its columns after the others.
            header += ",off_point,sky_source_k,sky_off_k,delta_t_sky_k,"
                      "g_over_t_corrected_db_per_k,g_over_t_corrected_sigma_db";
            line += "," + std::string(scan::OffChoiceKey(o.Scan.OffBy)) + "," +
                    Field(r.Off->SourceTskyK, 1) + "," + Field(r.Off->OffTskyK, 1) + "," +
                    Field(r.Off->BackgroundDifferenceK, 1) + "," +
                    Field(r.CorrectedGOverTDbPerK, 2) + "," + Field(r.CorrectedSigmaDb, 3);
        }
        if (!r.Note.empty() && !r.Pairs.empty()) {
            Say(r.Note);
        }
        const auto beam = BeamOf(antenna, frequency);
        if (const auto record = scan::YSequenceRecord(
                r, endedUtc, title, frequency, AntennaText(antenna), beam ? beam->GainDbi : 0.0,
                o.Scan.Source == SkySource::Sun ? o.SolarFluxSfu : std::nullopt)) {
            const std::string path = where.PathForNew(measure::kMeasurementLogName);
            if (const auto failed = measure::AppendMeasurement(path, *record)) {
                Say(*failed);
            }
        }
    } else if (cross) {
        const scan::CrossScanResult& r = cross->Result();
        header = "source,az_offset_deg,az_offset_sigma_deg,el_offset_deg,el_offset_sigma_deg,"
                 "hpbw_az_deg,hpbw_el_deg,peak_y_db,status,width_az_deg,width_el_deg,disk_deg";
        const auto hpbw = [&](int axis) {
            const auto& a = r.Axes[static_cast<std::size_t>(axis)];
            return a.Fit ? std::optional(a.BeamwidthDeg) : std::nullopt;
        };
        const auto width = [&](int axis) {
            const auto& a = r.Axes[static_cast<std::size_t>(axis)];
            return a.Fit ? std::optional(a.WidthOnSourceDeg) : std::nullopt;
        };
        line = Text(title) + "," + Field(r.OffsetDeg(0), 3) + "," + Field(r.OffsetSigmaDeg(0), 3) +
               "," + Field(r.OffsetDeg(1), 3) + "," + Field(r.OffsetSigmaDeg(1), 3) + "," +
               Field(hpbw(0), 3) + "," + Field(hpbw(1), 3) + "," + Field(r.PeakYDb(), 2) + "," +
               status + "," + Field(width(0), 3) + "," + Field(width(1), 3) + "," +
               Field(r.SourceDiskDeg > 0 ? std::optional(r.SourceDiskDeg) : std::nullopt, 4);
        for (const int axis : {0, 1}) {
            const auto& a = r.Axes[static_cast<std::size_t>(axis)];
            if (!a.Fit && !a.Points.empty()) {
                Say(std::string(axis == 0 ? "azimuth" : "elevation") + ": " + a.Problem);
            }
            if (!a.DiskProblem.empty()) {
                Say(std::string(axis == 0 ? "azimuth" : "elevation") + ": " + a.DiskProblem);
            }
        }
        if (!r.Axes[0].Points.empty()) {
            const std::string path = where.PathForNew(scan::kScanLogName);
            scan::ScanRecord record = scan::RecordOf(r, endedUtc, title, frequency);
            scan::NoteAssumptions(record, o.Scan, AntennaText(antenna), stationText);
            if (const auto failed = scan::AppendScanRecord(path, record)) {
                Say(*failed);
            }
        }
    } else if (drift) {
        const scan::DriftScanResult& r = drift->Result();
        header = "source,hpbw_deg,peak_time_utc,az_offset_deg,status,hpbw_sigma_deg,"
                 "az_offset_sigma_deg,width_deg,disk_deg";
        scan::ScanRecord record = scan::RecordOf(r, endedUtc, title, frequency);
        scan::NoteAssumptions(record, o.Scan, AntennaText(antenna), stationText);
        line = Text(title) + "," + Field(r.BeamwidthDeg, 3) + "," + record.PeakTimeUtc + "," +
               Field(r.AzimuthOffsetDeg, 3) + "," + status + "," + Field(r.BeamwidthSigmaDeg, 4) +
               "," + Field(r.AzimuthOffsetSigmaDeg, 4) + "," + Field(r.WidthOnSourceDeg, 3) + "," +
               Field(r.SourceDiskDeg > 0 ? std::optional(r.SourceDiskDeg) : std::nullopt, 4);
        if (!r.Fit && !r.Points.empty()) {
            Say(r.Problem);
        }
        if (!r.DiskProblem.empty()) {
            Say(r.DiskProblem);
        }
        if (!r.Points.empty()) {
            const std::string path = where.PathForNew(scan::kScanLogName);
            if (const auto failed = scan::AppendScanRecord(path, record)) {
                Say(*failed);
            }
        }
    }
    if (std::printf("%s\n%s\n", header.c_str(), line.c_str()) < 0 || std::fflush(stdout) != 0) {
        std::perror("vantrel-scan: writing the result");
        return kOutputFailed;
    }
    return partial ? kPartial : 0;
}

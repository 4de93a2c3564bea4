#include "schedule/NightRunner.h"

#include "astro/SiderealTime.h"
#include "measure/MeasurementLog.h"
#include "scan/BeamSwitch.h"
#include "scan/CrossScan.h"
#include "scan/DriftScan.h"
#include "scan/GridScan.h"
#include "scan/PointingModelFit.h"
#include "scan/ProcedurePowerLog.h"
#include "scan/ScanFits.h"
#include "scan/ScanLog.h"
#include "scan/YFactorSequence.h"
#include "scanwin/ScanSetup.h"
#include "tracking/SkyAngles.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <spawn.h>
#include <sys/wait.h>
#include <utility>

extern char** environ;

namespace vantrel::schedule {

namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

constexpr auto kStep = 50ms;
constexpr auto kPoll = 200ms;
constexpr auto kProgressEvery = 10s;
constexpr InputRetry kRadiometerRetry{500ms, 5000ms, 2.0};
/// A calibrator's command that has not ended by then has failed.
constexpr double kCalCommandS = 30.0;
/// Sidereal seconds in a solar (UT1) second.
constexpr double kSiderealRate = 1.00273790935;

std::string Fixed(double v, int decimals) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

void Put(Values& values, std::string name, const std::optional<double>& v, int decimals) {
    if (v && std::isfinite(*v)) {
        values.emplace_back(std::move(name), Fixed(*v, decimals));
    }
}

} // namespace

StepResult StepResult::With(StepStatus status, std::string reason) {
    StepResult r;
    r.Status = status;
    r.Summary.emplace_back("reason", std::move(reason));
    return r;
}

NightRunner::NightRunner(NightSettings settings, NightParts parts, NightHooks hooks)
    : settings_(std::move(settings)), hooks_(std::move(hooks)), places_(library_),
      clock_(systemClock_), pointing_(settings_.Pointing),
      link_(std::move(parts.Rotator), kPoll, kAttendedRetry),
      runner_(std::move(parts.Receiver), settings_.Integration, kRadiometerRetry),
      powerLog_(settings_.PowerLogPath) {
    pointing_.BeamwidthDeg = settings_.Scan.BeamwidthDeg;
}

NightRunner::~NightRunner() = default;

/// A step done in an earlier run leaves what it left then: a scan its
/// offsets for a later apply, an apply the offsets in force (its summary
/// has them), so the steps after it point as they would have.
void NightRunner::Remember(const ScheduleStep& step, const StepOutcome& before) {
    if (before.Status != StepStatus::Ok) {
        return;
    }
    std::map<std::string, double> values;
    std::string_view rest = before.Summary;
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find(';'), rest.size());
        const std::string_view pair = rest.substr(0, end);
        rest = end < rest.size() ? rest.substr(end + 1) : std::string_view{};
        if (const std::size_t eq = pair.find('='); eq != std::string_view::npos) {
            values[std::string(pair.substr(0, eq))] =
                std::atof(std::string(pair.substr(eq + 1)).c_str());
        }
    }
    const auto has = [&](const char* name) { return values.count(name) > 0; };
    const auto modelOf = [&] {
        PointingModel m;
        m.IaDeg = values["ia_deg"];
        m.CaDeg = values["ca_deg"];
        m.AnDeg = values["an_deg"];
        m.AwDeg = values["aw_deg"];
        m.IeDeg = values["ie_deg"];
        m.TfDeg = values["tf_deg"];
        m.Name = "fitted in an earlier run";
        return m;
    };
    if (step.Kind == StepKind::Pointing && has("ia_deg")) {
        pendingModel_ = modelOf();
        toApply_.reset();
    } else if (step.Kind == StepKind::Apply && has("ia_deg")) {
        pointing_.Model = modelOf();
        pointing_.AzimuthOffsetDeg = 0;
        pointing_.ElevationOffsetDeg = 0;
        pendingModel_.reset();
    } else if (step.Kind == StepKind::Apply && has("az_offset_deg") && has("el_offset_deg")) {
        pointing_.AzimuthOffsetDeg = values["az_offset_deg"];
        pointing_.ElevationOffsetDeg = values["el_offset_deg"];
        toApply_.reset();
    } else if ((step.Kind == StepKind::Cross || step.Kind == StepKind::Grid ||
                step.Kind == StepKind::Drift) &&
               has("az_offset_deg") && has("elevation_deg")) {
        const double cosEl = std::cos(values["elevation_deg"] * 3.14159265358979323846 / 180.0);
        toApply_ = std::pair{values["az_offset_deg"] / cosEl,
                             has("el_offset_deg") ? values["el_offset_deg"] : 0.0};
    }
}

StepResult NightRunner::Run(const ScheduleStep& step) {
    switch (step.Kind) {
    case StepKind::At:
        return WaitUntil(step.Utc);
    case StepKind::Lst:
        return WaitUntil(NextSiderealTime(step.LstHours));
    case StepKind::Wait:
        return WaitUntil(Now() + step.Seconds / 86400.0);
    case StepKind::Track:
        return Track(step);
    case StepKind::Park:
        return Park();
    case StepKind::Apply:
        return Apply();
    case StepKind::Cal:
        return Calibrator(step.CalOn);
    case StepKind::Record:
        return Record(step.Seconds);
    case StepKind::Y:
    case StepKind::Cross:
    case StepKind::Drift:
    case StepKind::Grid:
    case StepKind::BeamSwitch:
        return Procedure(step);
    case StepKind::Pointing:
        return PointingRun(step);
    }
    return StepResult::With(StepStatus::Failed, "unknown step");
}

void NightRunner::End() {
    link_.Shutdown(true);
    runner_.Stop();
    if (!powerLog_.Flush(std::chrono::seconds(10))) {
        hooks_.Say("the power log " + powerLog_.Path() + " could not take " +
                   std::to_string(powerLog_.Waiting()) + " block(s)");
    }
}

/// Waits one period for a signal; false (and interrupted) when one came.
bool NightRunner::Tick() {
    if (!interrupted_ && hooks_.StopWithin(kStep)) {
        interrupted_ = true;
    }
    for (const RunnerEvent& e : runner_.TakeEvents()) {
        if (e.What != RunnerEvent::Kind::Opened) {
            hooks_.Say("radiometer: " + e.Text);
        }
    }
    const RotatorStatus rotator = link_.Status();
    if (rotator.Connected != connected_) {
        hooks_.Say(rotator.Connected
                       ? "rotator connected"
                       : "rotator: " +
                             (rotator.LastError.empty() ? std::string("lost") : rotator.LastError));
        connected_ = rotator.Connected;
    }
    return !interrupted_;
}

StepResult NightRunner::InterruptedResult() {
    link_.Stop();
    StepResult r = StepResult::With(StepStatus::Partial, "interrupted");
    r.Interrupted = true;
    return r;
}

/// Blocks that came while no procedure runs go to the power log as they are.
void NightRunner::LogFreeBlocks(std::string_view role) {
    for (const PowerBlock& b : runner_.TakeBlocks()) {
        PowerRecord r =
            PowerRecordOf(b, settings_.InputName, settings_.Conditions.FrequencyMHz, PowerMark{});
        r.Role = std::string(role);
        if (const auto p = link_.Status().Reported) {
            r.AzimuthDeg = p->AzimuthDeg;
            r.ElevationDeg = p->ElevationDeg;
        }
        powerLog_.Append(std::move(r));
        if (recording_) {
            recorded_.push_back({b, link_.Status().Reported});
        }
    }
    for (const std::string& why : powerLog_.TakeProblems()) {
        hooks_.Say(why);
    }
}

DateTime NightRunner::NextSiderealTime(double lstHours) const {
    const DateTime now = Now();
    const double gst = static_cast<double>(GreenwichSiderealTimeAt(DecodeInstant(now)));
    const double lst =
        std::fmod(gst + static_cast<double>(settings_.Station.Longitude) / 15.0 + 48.0, 24.0);
    const double aheadH = std::fmod(lstHours - lst + 24.0, 24.0);
    return now + aheadH / kSiderealRate / 24.0;
}

StepResult NightRunner::WaitUntil(DateTime until) {
    const DateTime start = Now();
    DateTime lastSaid = start;
    while (Now() < until) {
        if (!Tick()) {
            return InterruptedResult();
        }
        LogFreeBlocks("");
        if ((Now() - lastSaid) * 86400.0 >= 600) {
            lastSaid = Now();
            hooks_.Say("waiting, " + Fixed((until - Now()) * 1440.0, 0) + " min left");
        }
    }
    StepResult r;
    Put(r.Summary, "waited_s", std::max(0.0, (Now() - start) * 86400.0), 0);
    return r;
}

/// Why the source cannot be used now (below the minimum elevation), or nothing.
std::optional<std::string> NightRunner::BelowLimits(SkySource source) const {
    const SkyPlaceDeg place =
        places_.At(source, settings_.Station, settings_.Conditions, DecodeInstant(Now()));
    if (place.ElevationDeg < pointing_.MinElevationDeg) {
        return std::string(SkyPlaces::Title(source, settings_.Station)) + " is at " +
               Fixed(place.ElevationDeg, 1) + " deg elevation, below the minimum " +
               Fixed(pointing_.MinElevationDeg, 1) + " deg";
    }
    return std::nullopt;
}

StepResult NightRunner::Track(const ScheduleStep& step) {
    if (const auto below = BelowLimits(step.Source())) {
        return StepResult::With(StepStatus::Skipped, *below);
    }
    Tracker tracker(library_);
    TrackingOptions options = pointing_;
    options.Source = step.Source();
    const DateTime until = Now() + step.Seconds / 86400.0;
    double onTargetS = 0;
    DateTime last = Now();
    SteadyClock::time_point nextCommand{};
    std::optional<double> elevation;
    while (Now() < until) {
        if (!Tick()) {
            return InterruptedResult();
        }
        LogFreeBlocks("track");
        const RotatorStatus status = link_.Status();
        const DateTime now = Now();
        if (SteadyClock::now() >= nextCommand) {
            nextCommand = SteadyClock::now() +
                          std::chrono::milliseconds(static_cast<int>(options.PeriodS * 1000));
            const TrackDecision d = tracker.Step(DecodeInstant(now), settings_.Station,
                                                 settings_.Conditions, options, status.Reported);
            elevation = d.Sky.ElevationDeg;
            if (d.What == TrackDecision::Action::Point) {
                link_.Point(d.Command);
            }
            if (d.State == tracking_state::kOnTarget) {
                onTargetS += (now - last) * 86400.0;
            }
        }
        last = now;
    }
    StepResult r;
    Put(r.Summary, "on_target_s", onTargetS, 0);
    Put(r.Summary, "elevation_deg", elevation, 2);
    return r;
}

StepResult NightRunner::Park() {
    link_.Park(pointing_.ParkPosition);
    const auto started = SteadyClock::now();
    std::optional<RotatorPosition> still;
    SteadyClock::time_point stillSince{};
    while (SteadyClock::now() - started < std::chrono::duration<double>(settings_.ParkTimeoutS)) {
        if (!Tick()) {
            return InterruptedResult();
        }
        LogFreeBlocks("");
        const auto reported = link_.Status().Reported;
        if (!reported) {
            continue;
        }
        if (pointing_.ParkPosition) {
            if (AngleBetweenDeg(reported->AzimuthDeg, reported->ElevationDeg,
                                pointing_.ParkPosition->AzimuthDeg,
                                pointing_.ParkPosition->ElevationDeg) <= kOnTargetToleranceDeg) {
                StepResult r;
                Put(r.Summary, "az_deg", reported->AzimuthDeg, 1);
                Put(r.Summary, "el_deg", reported->ElevationDeg, 1);
                return r;
            }
            continue;
        }
        // The controller's own park position is not known: parked when
        // the rotator has stood still for a while after the command.
        if (!still || AngleBetweenDeg(reported->AzimuthDeg, reported->ElevationDeg,
                                      still->AzimuthDeg, still->ElevationDeg) > 0.05) {
            still = reported;
            stillSince = SteadyClock::now();
        } else if (SteadyClock::now() - stillSince >= std::chrono::duration<double>(kStandStillS) &&
                   SteadyClock::now() - started >=
                       2 * std::chrono::duration<double>(kStandStillS)) {
            StepResult r;
            Put(r.Summary, "az_deg", reported->AzimuthDeg, 1);
            Put(r.Summary, "el_deg", reported->ElevationDeg, 1);
            return r;
        }
    }
    return StepResult::With(StepStatus::Partial,
                            "the rotator did not report its park position within " +
                                Fixed(settings_.ParkTimeoutS, 0) + " s");
}

namespace {

/// The model's terms into a summary ("ia_deg=0.2012"), with their errors
/// when given.
void PutModel(Values& v, const PointingModel& m, const std::array<double, 6>* sigma) {
    const std::pair<const char*, double> terms[] = {{"ia", m.IaDeg}, {"ca", m.CaDeg},
                                                    {"an", m.AnDeg}, {"aw", m.AwDeg},
                                                    {"ie", m.IeDeg}, {"tf", m.TfDeg}};
    for (std::size_t k = 0; k < 6; ++k) {
        Put(v, std::string(terms[k].first) + "_deg", terms[k].second, 4);
        if (sigma != nullptr) {
            Put(v, std::string(terms[k].first) + "_sigma_deg", (*sigma)[k], 4);
        }
    }
}

} // namespace

StepResult NightRunner::PointingRun(const ScheduleStep& step) {
    std::vector<scan::PointingMeasurement> measurements;
    std::string missed;
    for (const SkySource source : step.Sources) {
        ScheduleStep cross = step;
        cross.Kind = StepKind::Cross;
        cross.Sources = {source};
        cross.Text = "cross " + std::string(SkySourceKey(source));
        lastCross_.reset();
        StepResult r = Procedure(cross);
        if (r.Interrupted) {
            return r;
        }
        if (lastCross_) {
            measurements.push_back(*lastCross_);
        } else {
            missed += (missed.empty() ? "" : ", ") + std::string(SkySourceKey(source));
        }
    }
    const scan::PointingModelFitResult fit = scan::FitPointingModel(measurements);
    StepResult r;
    r.Summary.emplace_back("scans", std::to_string(measurements.size()));
    if (!missed.empty()) {
        r.Summary.emplace_back("missed", missed);
    }
    if (!fit.Model) {
        r.Status = StepStatus::Partial;
        r.Summary.emplace_back("reason", fit.Problem);
        return r;
    }
    PointingModel model = *fit.Model;
    model.Name = "fitted " + OutcomeTime(Now()) + " to " + std::to_string(measurements.size()) +
                 " scans, rms " + Fixed(fit.RmsDeg, 4) + " deg";
    PutModel(r.Summary, model, &fit.SigmaDeg);
    Put(r.Summary, "rms_deg", fit.RmsDeg, 4);
    std::string residuals;
    for (std::size_t i = 0; i < measurements.size(); ++i) {
        residuals += (residuals.empty() ? "" : " ") + measurements[i].Source + ":" +
                     Fixed(fit.Residuals[i].DxDeg, 4) + "/" + Fixed(fit.Residuals[i].DyDeg, 4);
    }
    r.Summary.emplace_back("residuals", residuals);
    pendingModel_ = model;
    toApply_.reset();
    return r;
}

StepResult NightRunner::Apply() {
    if (pendingModel_) {
        pointing_.Model = *pendingModel_;
        // The model's zero points hold the constant offsets now.
        pointing_.AzimuthOffsetDeg = 0;
        pointing_.ElevationOffsetDeg = 0;
        StepResult r;
        r.Summary.emplace_back("model", pointing_.Model.Name);
        PutModel(r.Summary, pointing_.Model, nullptr);
        pendingModel_.reset();
        return r;
    }
    if (!toApply_) {
        return StepResult::With(StepStatus::Skipped,
                                "no cross-scan or drift scan has found offsets yet");
    }
    pointing_.AzimuthOffsetDeg += toApply_->first;
    pointing_.ElevationOffsetDeg += toApply_->second;
    StepResult r;
    Put(r.Summary, "az_offset_deg", pointing_.AzimuthOffsetDeg, 3);
    Put(r.Summary, "el_offset_deg", pointing_.ElevationOffsetDeg, 3);
    toApply_.reset();
    return r;
}

/// The next `n` blocks of the radiometer (logged as they come), after
/// the settle time when `settle`; none when it gives none in time or a
/// signal comes.
std::optional<std::vector<PowerBlock>> NightRunner::Collect(int n, bool settle) {
    runner_.TakeBlocks();
    if (settle) {
        const auto until =
            SteadyClock::now() + std::chrono::duration<double>(settings_.Scan.SettleS);
        while (SteadyClock::now() < until) {
            if (!Tick()) {
                return std::nullopt;
            }
            LogFreeBlocks("cal");
        }
    }
    recorded_.clear();
    recording_ = true;
    const auto limit =
        SteadyClock::now() + std::chrono::duration<double>(n * settings_.Scan.TauS * 3 + 10.0);
    while (static_cast<int>(recorded_.size()) < n && SteadyClock::now() < limit) {
        if (!Tick()) {
            break;
        }
        LogFreeBlocks("cal");
    }
    recording_ = false;
    if (static_cast<int>(recorded_.size()) < n) {
        recorded_.clear();
        return std::nullopt;
    }
    std::vector<PowerBlock> blocks;
    for (const auto& [b, at] : recorded_) {
        blocks.push_back(b);
    }
    recorded_.clear();
    return blocks;
}

/// Switches the calibrator; with --cal-k, measures the gain: the off
/// level before switching on, the on level, and the off level again
/// after switching off, so that the gain in force is from the last
/// complete calibration (CalibratorGainOf).
StepResult NightRunner::Calibrator(bool on) {
    constexpr int kCalBlocks = 3;
    std::optional<std::vector<PowerBlock>> offBefore;
    if (on && settings_.CalK) {
        offBefore = Collect(kCalBlocks, false);
        if (!offBefore) {
            return interrupted_ ? InterruptedResult()
                                : StepResult::With(StepStatus::Failed,
                                                   "no power came before the calibrator was on");
        }
    }
    StepResult r = RunCalCommand(on);
    if (r.Status != StepStatus::Ok || !settings_.CalK) {
        return r;
    }
    const std::optional<std::vector<PowerBlock>> after = Collect(kCalBlocks, true);
    if (!after) {
        if (interrupted_) {
            return InterruptedResult();
        }
        r.Status = StepStatus::Partial;
        r.Summary.emplace_back("reason", "no power came after the calibrator was switched");
        return r;
    }
    if (on) {
        calOffBefore_ = *offBefore;
        calOn_ = *after;
    }
    if (calOn_.empty()) {
        return r; // off without an on before it: nothing to measure
    }
    const CalibratorGainResult gain = CalibratorGainOf(
        calOffBefore_, calOn_, on ? std::vector<PowerBlock>{} : *after, *settings_.CalK);
    if (!gain.Gain) {
        r.Status = StepStatus::Partial;
        r.Summary.emplace_back("reason", gain.Problem);
        return r;
    }
    calGain_ = gain.Gain;
    lastCalibrationUtc_ = Now();
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", gain.Gain->KPerUnit);
    r.Summary.emplace_back("gain_k_per_unit", text);
    Put(r.Summary, "gain_sigma_percent", 100 * gain.Gain->SigmaRelative, 2);
    Put(r.Summary, "tsys_k", gain.Gain->SystemK, 1);
    if (!on) {
        calOn_.clear();
    }
    return r;
}

StepResult NightRunner::RunCalCommand(bool on) {
    const std::string& command = on ? settings_.CalOnCommand : settings_.CalOffCommand;
    if (command.empty()) {
        return StepResult::With(StepStatus::Failed, std::string("no ") +
                                                        (on ? "--cal-on" : "--cal-off") +
                                                        " command was given");
    }
    pid_t pid = 0;
    const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
    if (::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
        return StepResult::With(StepStatus::Failed, "the calibrator's command cannot be started");
    }
    const auto started = SteadyClock::now();
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (!Tick() || SteadyClock::now() - started > std::chrono::duration<double>(kCalCommandS)) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, &status, 0);
            return interrupted_
                       ? InterruptedResult()
                       : StepResult::With(StepStatus::Failed,
                                          "the calibrator's command did not end within 30 s");
        }
        LogFreeBlocks("");
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return StepResult::With(StepStatus::Failed,
                                "the calibrator's command failed (exit status " +
                                    std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) +
                                    ")");
    }
    StepResult r;
    r.Summary.emplace_back("cal", on ? "on" : "off");
    Put(r.Summary, "cal_k", settings_.CalK, 2);
    return r;
}

StepResult NightRunner::Record(double seconds) {
    runner_.TakeBlocks(); // what came before the step is not its own
    recorded_.clear();
    recording_ = true;
    const DateTime startUtc = Now();
    const DateTime until = startUtc + seconds / 86400.0;
    std::vector<scan::ScanFitsRow> rows;
    int calibrations = 0;
    // Each block as it comes, in kelvin by the gain in force then.
    const auto takeRows = [&] {
        for (const auto& [b, at] : recorded_) {
            scan::ScanFitsRow row;
            row.TimeMjd = scan::MjdOf(0.5 * (b.UtcStart + b.UtcEnd));
            if (at) {
                const SkyDirection sky = SkyOfRotator(*at, pointing_);
                row.AzDeg = sky.AzimuthDeg;
                row.ElDeg = sky.ElevationDeg;
            }
            row.PowerDb = b.PowerDb;
            row.Power = std::pow(10.0, b.PowerDb / 10.0);
            row.SigmaDb = b.SigmaDb;
            if (calGain_) {
                row.TantK = row.Power * calGain_->KPerUnit;
            }
            rows.push_back(row);
        }
        recorded_.clear();
    };
    const bool periodic = settings_.CalEveryS > 0 && settings_.CalK &&
                          !settings_.CalOnCommand.empty() && !settings_.CalOffCommand.empty();
    while (Now() < until) {
        if (!Tick()) {
            recording_ = false;
            return InterruptedResult();
        }
        LogFreeBlocks("record");
        takeRows();
        if (periodic && (Now() - lastCalibrationUtc_) * 86400.0 >= settings_.CalEveryS) {
            // The gain again, so that its drift comes out of the kelvin; the
            // calibration's blocks are not the recording's.
            recording_ = false;
            const StepResult on = Calibrator(true);
            const StepResult off =
                on.Interrupted || on.Status != StepStatus::Ok ? on : Calibrator(false);
            if (on.Interrupted || off.Interrupted) {
                return InterruptedResult();
            }
            if (off.Status != StepStatus::Ok) {
                hooks_.Say("the periodic calibration failed: " + SummaryText(off.Summary));
                lastCalibrationUtc_ = Now(); // not again at once
            }
            ++calibrations;
            runner_.TakeBlocks();
            recorded_.clear();
            recording_ = true;
        }
    }
    recording_ = false;
    takeRows();
    StepResult r;
    const std::size_t n = rows.size();
    r.Summary.emplace_back("blocks", std::to_string(n));
    if (n > 0) {
        double sumDb = 0;
        for (const auto& row : rows) {
            sumDb += row.PowerDb;
        }
        const double mean = sumDb / static_cast<double>(n);
        double var = 0;
        for (const auto& row : rows) {
            var += (row.PowerDb - mean) * (row.PowerDb - mean);
        }
        Put(r.Summary, "power_db", mean, 3);
        if (calGain_) {
            double sumK = 0;
            for (const auto& row : rows) {
                sumK += row.TantK;
            }
            Put(r.Summary, "tant_k", sumK / static_cast<double>(n), 2);
        }
        if (n > 1) {
            Put(r.Summary, "scatter_db", std::sqrt(var / static_cast<double>(n - 1)), 4);
        }
    } else {
        r.Status = StepStatus::Partial;
        r.Summary.emplace_back("reason", "no power block came from the radiometer");
    }
    if (calibrations > 0) {
        r.Summary.emplace_back("calibrations", std::to_string(calibrations));
    }
    if (n > 0) {
        WriteFits("record", "sky", "present pointing", startUtc, rows, {}, r.Summary);
    }
    return r;
}

/// With --fits, the scan's FITS file; its name (or why it could not be
/// written) goes into the summary.
void NightRunner::WriteFits(const std::string& procedure, const std::string& sourceKey,
                            const std::string& object, DateTime startUtc,
                            std::span<const scan::ScanFitsRow> rows,
                            std::vector<scan::FitsResultKey> results, Values& summary) const {
    if (settings_.FitsFolder.empty()) {
        return;
    }
    scan::ScanFitsHeader h;
    h.Object = object;
    h.DateObsUtc = startUtc;
    h.Telescope = settings_.Station.CallSign;
    h.Procedure = procedure;
    h.SiteLatDeg = static_cast<double>(settings_.Station.Latitude);
    h.SiteLongDeg = static_cast<double>(settings_.Station.Longitude);
    h.SiteElevM = static_cast<double>(settings_.Station.HeightAsl);
    h.FrequencyHz = settings_.Conditions.FrequencyMHz * 1e6;
    h.BandwidthHz = noiseBandwidthHz_;
    h.HpbwDeg = settings_.Scan.BeamwidthDeg;
    h.TauS = settings_.Scan.TauS;
    h.Results = std::move(results);
    const std::string path =
        scan::ScanFitsName(settings_.FitsFolder, startUtc, procedure, sourceKey);
    if (const auto failed = scan::WriteScanFits(path, h, rows, calGain_.has_value())) {
        hooks_.Say(*failed);
        summary.emplace_back("fits_problem", *failed);
    } else {
        summary.emplace_back("fits", path);
    }
}

StepResult NightRunner::Procedure(const ScheduleStep& step) {
    const SkySource source = step.Source();
    if (const auto below = BelowLimits(source)) {
        return StepResult::With(StepStatus::Skipped, *below);
    }
    scan::ScanSettings settings = settings_.Scan;
    settings.Source = source;
    settings.Pairs = step.Pairs.value_or(settings.Pairs);
    settings.OffBeams = step.OffBeams.value_or(settings.OffBeams);
    settings.SpanBeams = step.SpanBeams.value_or(settings.SpanBeams);
    settings.Points = step.Points.value_or(settings.Points);
    settings.After = scan::AfterEnd::Stop;
    const ObservingConditions& conditions = settings_.Conditions;
    const std::string title(SkyPlaces::Title(source, settings_.Station));
    scan::ProcedureContext context;
    context.Pointing = pointing_;
    context.Pointing.Source = source;
    context.Place = [this, source, conditions](DateTime utc) {
        return places_.At(source, settings_.Station, conditions, DecodeInstant(utc));
    };
    context.SourceTitle = title;
    context.SourceDiskDeg =
        SourceDiskOf(source, Now(), settings_.Station, conditions, library_, settings_.Antenna);
    std::unique_ptr<scan::Procedure> procedure;
    scan::YFactorSequence* sequence = nullptr;
    scan::CrossScan* cross = nullptr;
    scan::DriftScan* drift = nullptr;
    scan::GridScan* grid = nullptr;
    scan::BeamSwitch* switching = nullptr;
    if (step.Kind == StepKind::Y) {
        settings.Procedure = scan::ProcedureKind::YFactor;
        const scan::GOverTBasis basis = GOverTBasisOf(source, Now(), settings_.Station, conditions,
                                                      library_, settings_.Antenna);
        auto p = std::make_unique<scan::YFactorSequence>(settings, context, basis);
        sequence = p.get();
        procedure = std::move(p);
    } else if (step.Kind == StepKind::Cross) {
        settings.Procedure = scan::ProcedureKind::Cross;
        auto p = std::make_unique<scan::CrossScan>(settings, context);
        cross = p.get();
        procedure = std::move(p);
    } else if (step.Kind == StepKind::BeamSwitch) {
        settings.Procedure = scan::ProcedureKind::YFactor; // its settings' checks
        auto p = std::make_unique<scan::BeamSwitch>(
            settings, step.Seconds, step.ThrowBeams.value_or(settings.OffBeams), context);
        switching = p.get();
        procedure = std::move(p);
    } else if (step.Kind == StepKind::Grid) {
        settings.Procedure = scan::ProcedureKind::Cross; // its settings' checks
        scan::GridLayout layout;
        layout.Size = step.Size.value_or(layout.Size);
        layout.SpacingBeams = step.SpacingBeams.value_or(layout.SpacingBeams);
        auto p = std::make_unique<scan::GridScan>(settings, layout, context);
        grid = p.get();
        procedure = std::move(p);
    } else {
        settings.Procedure = scan::ProcedureKind::Drift;
        auto p = std::make_unique<scan::DriftScan>(settings, context);
        drift = p.get();
        procedure = std::move(p);
    }
    if (const std::string problem = scan::ScanSettingsProblem(settings); !problem.empty()) {
        return StepResult::With(StepStatus::Failed, problem);
    }
    const double frequency = conditions.FrequencyMHz;
    scan::ProcedurePowerLog procedureLog(std::string(settings_.InputName), frequency,
                                         std::string(SkySourceKey(source)));
    const auto logBlocks = [&](bool ended) {
        for (PowerRecord& r : procedureLog.Take(procedure->Readings(), Now(), ended)) {
            powerLog_.Append(std::move(r));
        }
        for (const std::string& why : powerLog_.TakeProblems()) {
            hooks_.Say(why);
        }
    };
    runner_.TakeBlocks(); // blocks from before the step are not its readings
    std::string lastProgress;
    SteadyClock::time_point lastProgressAt{};
    bool aborted = false;
    while (!procedure->Finished()) {
        if (!Tick() && !aborted) {
            aborted = true;
            procedure->Abort("Interrupted.", true);
        }
        const RotatorStatus rotator = link_.Status();
        const RunnerStatus radiometer = runner_.Status();
        const std::vector<PowerBlock> blocks = runner_.TakeBlocks();
        scan::StepInput in;
        in.Utc = Now();
        in.Now = SteadyClock::now();
        in.Rotator = rotator;
        in.Blocks = blocks;
        const std::string stopped =
            radiometer.What == RunnerStatus::State::Stopped ? radiometer.LastError : std::string();
        in.RadiometerStopped = stopped;
        const scan::StepAction action = procedure->Step(in);
        if (action.Point) {
            link_.Point(*action.Point);
        }
        if (action.StopRotator) {
            link_.Stop();
        }
        procedureLog.Add(blocks, rotator.Reported);
        for (const PowerBlock& b : blocks) {
            noiseBandwidthHz_ = b.NoiseBandwidthHz > 0 ? b.NoiseBandwidthHz : noiseBandwidthHz_;
        }
        logBlocks(false);
        const scan::ProgressReport progress = procedure->Progress();
        const auto now = SteadyClock::now();
        if (!procedure->Finished() &&
            (progress.Text != lastProgress || now - lastProgressAt >= kProgressEvery)) {
            lastProgress = progress.Text;
            lastProgressAt = now;
            std::string running;
            if (switching && switching->Result().Y) {
                const scan::YStatistics& y = *switching->Result().Y;
                running = ", Y " + Fixed(y.YDb, 3) + " +- " + Fixed(y.SigmaDb, 3) + " dB";
            }
            std::string line = title;
            line += ": " + progress.Text + " (" + Fixed(100.0 * progress.Fraction, 0) + " %";
            line += running + ")";
            hooks_.Say(line);
        }
    }
    logBlocks(true);
    if (aborted) {
        return InterruptedResult();
    }
    StepResult result;
    const bool partial = procedure->Ended() == scan::Ending::Stopped;
    if (partial) {
        result.Status = StepStatus::Partial;
    }
    Values& v = result.Summary;
    std::vector<scan::FitsResultKey> fitsKeys;
    const DateTime endedUtc = Now();
    const std::string stationText = StationText(settings_.Station);
    if (sequence) {
        const scan::YFactorResult& r = sequence->Result();
        Put(v, "y_db", r.Y ? std::optional(r.Y->YDb) : std::nullopt, 3);
        Put(v, "y_sigma_db", r.Y ? std::optional(r.Y->SigmaDb) : std::nullopt, 4);
        Put(v, "g_over_t_db_per_k", r.GOverTDbPerK, 2);
        Put(v, "g_over_t_sigma_db", r.GOverTSigmaDb, 3);
        v.emplace_back("pairs", std::to_string(r.Pairs.size()));
        if (!r.Pairs.empty()) {
            Put(v, "elevation_deg", r.ElevationDeg, 2);
        }
        const auto beam = BeamOf(settings_.Antenna, frequency);
        if (const auto record = scan::YSequenceRecord(
                r, endedUtc, title, frequency, AntennaText(settings_.Antenna),
                beam ? beam->GainDbi : 0.0,
                source == SkySource::Sun ? settings_.SolarFluxSfu : std::nullopt)) {
            if (const auto failed =
                    measure::AppendMeasurement(settings_.MeasurementLogPath, *record)) {
                hooks_.Say(*failed);
            }
        }
    } else if (cross) {
        const scan::CrossScanResult& r = cross->Result();
        Put(v, "az_offset_deg", r.OffsetDeg(0), 3);
        Put(v, "az_offset_sigma_deg", r.OffsetSigmaDeg(0), 3);
        Put(v, "el_offset_deg", r.OffsetDeg(1), 3);
        Put(v, "el_offset_sigma_deg", r.OffsetSigmaDeg(1), 3);
        for (const int axis : {0, 1}) {
            const auto& a = r.Axes[static_cast<std::size_t>(axis)];
            if (a.Fit) {
                Put(v, axis == 0 ? "hpbw_az_deg" : "hpbw_el_deg", a.BeamwidthDeg, 3);
            } else if (!a.Points.empty()) {
                hooks_.Say(std::string(axis == 0 ? "azimuth" : "elevation") + ": " + a.Problem);
            }
        }
        Put(v, "peak_y_db", r.PeakYDb(), 2);
        Put(v, "elevation_deg", r.ElevationDeg, 2);
        if (r.OffsetDeg(0) || r.OffsetDeg(1)) {
            const double cosEl = std::cos(r.ElevationDeg * 3.14159265358979323846 / 180.0);
            toApply_ = std::pair{r.OffsetDeg(0).value_or(0) / cosEl, r.OffsetDeg(1).value_or(0)};
            pendingModel_.reset();
        }
        if (r.OffsetDeg(0) && r.OffsetDeg(1) && !partial) {
            // The whole correction there, on the sky: what was in force and
            // what the scan found, for a pointing model.
            const std::vector<scan::Reading>& readings = procedure->Readings();
            const scan::Reading& middle = readings[readings.size() / 4];
            const double az = middle.SourceAzDeg;
            const double el = r.ElevationDeg;
            const double cosEl = std::cos(el * 3.14159265358979323846 / 180.0);
            lastCross_ = scan::PointingMeasurement{
                az,
                el,
                AzimuthOffsetAt(pointing_, az, el) * cosEl + *r.OffsetDeg(0),
                ElevationOffsetAt(pointing_, az, el) + *r.OffsetDeg(1),
                std::max(*r.OffsetSigmaDeg(0), 1e-4),
                std::max(*r.OffsetSigmaDeg(1), 1e-4),
                std::string(SkySourceKey(source))};
        }
        if (!r.Axes[0].Points.empty()) {
            scan::ScanRecord record = scan::RecordOf(r, endedUtc, title, frequency);
            scan::NoteAssumptions(record, settings, AntennaText(settings_.Antenna), stationText);
            if (const auto failed = scan::AppendScanRecord(settings_.ScanLogPath, record)) {
                hooks_.Say(*failed);
            }
        }
    } else if (switching) {
        const scan::BeamSwitchResult& r = switching->Result();
        Put(v, "y_db", r.Y ? std::optional(r.Y->YDb) : std::nullopt, 3);
        Put(v, "y_sigma_db", r.Y ? std::optional(r.Y->SigmaDb) : std::nullopt, 4);
        v.emplace_back("pairs", std::to_string(r.Pairs.size()));
        Put(v, "throw_deg", switching->ThrowDeg(), 3);
        if (calGain_ && !r.Pairs.empty()) {
            // The source's antenna temperature: the pairs' mean power
            // difference in kelvin.
            double sum = 0;
            for (const scan::YPair& p : r.Pairs) {
                sum += std::pow(10.0, p.OnDb / 10.0) - std::pow(10.0, p.OffDb / 10.0);
            }
            Put(v, "delta_t_k", sum / static_cast<double>(r.Pairs.size()) * calGain_->KPerUnit, 2);
        }
        Put(v, "elevation_deg", r.ElevationDeg, 2);
    } else if (grid) {
        const scan::GridScanResult& r = grid->Result();
        if (const auto& f = r.Fit) {
            Put(v, "az_offset_deg", f->CentreX, 3);
            Put(v, "az_offset_sigma_deg", f->CentreXSigma, 3);
            Put(v, "el_offset_deg", f->CentreY, 3);
            Put(v, "el_offset_sigma_deg", f->CentreYSigma, 3);
            Put(v, "hpbw_az_deg", f->WidthX, 3);
            Put(v, "hpbw_az_sigma_deg", f->WidthXSigma, 3);
            Put(v, "hpbw_el_deg", f->WidthY, 3);
            Put(v, "hpbw_el_sigma_deg", f->WidthYSigma, 3);
            Put(v, "peak_y_db", f->PeakYDb(), 2);
            Put(v, "elevation_deg", r.ElevationDeg, 2);
            const double cosEl = std::cos(r.ElevationDeg * 3.14159265358979323846 / 180.0);
            toApply_ = std::pair{f->CentreX / cosEl, f->CentreY};
            pendingModel_.reset();
        } else if (!r.Points.empty()) {
            hooks_.Say("grid: " + r.Problem);
            v.emplace_back("problem", r.Problem);
        }
        v.emplace_back("points", std::to_string(r.Points.size()));
        if (!r.Points.empty()) {
            scan::ScanRecord record = scan::RecordOf(r, endedUtc, title, frequency);
            scan::NoteAssumptions(record, settings, AntennaText(settings_.Antenna), stationText);
            if (const auto failed = scan::AppendScanRecord(settings_.ScanLogPath, record)) {
                hooks_.Say(*failed);
            }
        }
    } else if (drift) {
        const scan::DriftScanResult& r = drift->Result();
        scan::ScanRecord record = scan::RecordOf(r, endedUtc, title, frequency);
        scan::NoteAssumptions(record, settings, AntennaText(settings_.Antenna), stationText);
        Put(v, "hpbw_deg", r.BeamwidthDeg, 3);
        if (!record.PeakTimeUtc.empty()) {
            v.emplace_back("peak_time_utc", record.PeakTimeUtc);
        }
        Put(v, "az_offset_deg", r.AzimuthOffsetDeg, 3);
        Put(v, "hpbw_sigma_deg", r.BeamwidthSigmaDeg, 4);
        Put(v, "az_offset_sigma_deg", r.AzimuthOffsetSigmaDeg, 4);
        Put(v, "elevation_deg", r.ElevationDeg, 2);
        if (r.AzimuthOffsetDeg) {
            const double cosEl = std::cos(r.ElevationDeg * 3.14159265358979323846 / 180.0);
            toApply_ = std::pair{*r.AzimuthOffsetDeg / cosEl, 0.0};
            pendingModel_.reset();
        }
        if (!r.Fit && !r.Points.empty()) {
            hooks_.Say(r.Problem);
        }
        if (!r.Points.empty()) {
            if (const auto failed = scan::AppendScanRecord(settings_.ScanLogPath, record)) {
                hooks_.Say(*failed);
            }
        }
    }
    if (partial) {
        v.emplace_back("reason", procedure->StopReason());
    }
    if (!sequence && !procedure->Readings().empty()) {
        const auto key = [&](const char* name, std::optional<double> value, const char* comment) {
            if (value && std::isfinite(*value)) {
                fitsKeys.push_back({name, *value, comment});
            }
        };
        if (cross) {
            const scan::CrossScanResult& r = cross->Result();
            key("AZOFF", r.OffsetDeg(0), "[deg] azimuth offset on the sky");
            key("AZOFFERR", r.OffsetSigmaDeg(0), "[deg] its one-sigma error");
            key("ELOFF", r.OffsetDeg(1), "[deg] elevation offset");
            key("ELOFFERR", r.OffsetSigmaDeg(1), "[deg] its one-sigma error");
            for (const int axis : {0, 1}) {
                const auto& a = r.Axes[static_cast<std::size_t>(axis)];
                if (a.Fit) {
                    key(axis == 0 ? "HPBWAZ" : "HPBWEL", a.BeamwidthDeg,
                        "[deg] half-power beamwidth found");
                    key(axis == 0 ? "HPBWAZER" : "HPBWELER", a.BeamwidthSigmaDeg,
                        "[deg] its one-sigma error");
                }
            }
            key("PEAKYDB", r.PeakYDb(), "[dB] peak over the baseline");
        } else if (grid) {
            if (const auto& f = grid->Result().Fit) {
                key("AZOFF", f->CentreX, "[deg] azimuth offset on the sky");
                key("AZOFFERR", f->CentreXSigma, "[deg] its one-sigma error");
                key("ELOFF", f->CentreY, "[deg] elevation offset");
                key("ELOFFERR", f->CentreYSigma, "[deg] its one-sigma error");
                key("HPBWAZ", f->WidthX, "[deg] half-power beamwidth in azimuth");
                key("HPBWAZER", f->WidthXSigma, "[deg] its one-sigma error");
                key("HPBWEL", f->WidthY, "[deg] half-power beamwidth in elevation");
                key("HPBWELER", f->WidthYSigma, "[deg] its one-sigma error");
                key("PEAKYDB", f->PeakYDb(), "[dB] peak over the baseline");
            }
        } else if (switching) {
            const auto& y = switching->Result().Y;
            key("YDB", y ? std::optional(y->YDb) : std::nullopt, "[dB] mean Y of the pairs");
            key("YDBERR", y ? std::optional(y->SigmaDb) : std::nullopt, "[dB] its one-sigma error");
            key("THROW", switching->ThrowDeg(), "[deg] off-source throw in azimuth on the sky");
        } else if (drift) {
            const scan::DriftScanResult& r = drift->Result();
            key("AZOFF", r.AzimuthOffsetDeg, "[deg] azimuth offset on the sky");
            key("AZOFFERR", r.AzimuthOffsetSigmaDeg, "[deg] its one-sigma error");
            key("HPBWAZ", r.BeamwidthDeg, "[deg] half-power beamwidth along the track");
            key("HPBWAZER", r.BeamwidthSigmaDeg, "[deg] its one-sigma error");
        }
        std::vector<scan::ScanFitsRow> rows = scan::FitsRowsOf(procedure->Readings());
        for (scan::ScanFitsRow& row : rows) {
            if (calGain_) {
                row.TantK = row.Power * calGain_->KPerUnit;
            }
        }
        WriteFits(std::string(StepWord(step.Kind)), std::string(SkySourceKey(source)), title,
                  procedure->Readings().front().UtcStart, rows, std::move(fitsKeys), v);
    }
    return result;
}

} // namespace vantrel::schedule

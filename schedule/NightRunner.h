#pragma once

#include "apparent/ObservingConditions.h"
#include "apparent/SkyPlaces.h"
#include "astro/Clock.h"
#include "astro/OrbexSunMoon.h"
#include "measurewin/MeasureSetup.h"
#include "radiometer/CalibratorGain.h"
#include "radiometer/PowerLogWriter.h"
#include "radiometer/PowerRunner.h"
#include "scan/PointingModelFit.h"
#include "scan/ScanFits.h"
#include "scan/ScanSettings.h"
#include "schedule/ScheduleStep.h"
#include "schedule/StepOutcome.h"
#include "station/HomeStation.h"
#include "tracking/Rotator.h"
#include "tracking/RotatorLink.h"
#include "tracking/Tracking.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantrel::schedule {

/// A step's results as name=value pairs, in order (SummaryText joins them).
using Values = std::vector<std::pair<std::string, std::string>>;

/// What a step gave.
struct StepResult {
    StepStatus Status = StepStatus::Ok;
    Values Summary;
    bool Interrupted = false; ///< cut off by a stop request: not recorded, runs again

    static StepResult With(StepStatus status, std::string reason);
};

/// Everything a night runs with besides its schedule: the station, the
/// antenna, the procedures' settings and defaults, the calibrator and
/// where the logs and files go. Angles in degrees, times in seconds.
struct NightSettings {
    HomeStation Station;
    /// The beam (BeamwidthDeg), τ, the settle time and the procedures'
    /// defaults (Pairs, OffBeams, SpanBeams, Points) for steps that leave
    /// them out.
    scan::ScanSettings Scan;
    TrackingOptions Pointing;           ///< offsets, azimuth range, elevation limits
    ObservingConditions Conditions;     ///< the observing frequency, refraction
    MeasureSetup Antenna;               ///< as the measurement log keeps it
    std::optional<double> SolarFluxSfu; ///< the Sun's flux today at the frequency, sfu
    std::string InputName;              ///< the radiometer's input key for the power log
    IntegrationSettings Integration;    ///< the radiometer's τ and its options
    std::string CalOnCommand;           ///< run by /bin/sh to switch the calibrator on
    std::string CalOffCommand;
    std::optional<double> CalK; ///< the calibrator's excess temperature, K
    /// During a record step, the calibration again this often, s (0: never),
    /// so that the gain's drift comes out of the kelvin.
    double CalEveryS = 0;
    double ParkTimeoutS = 180; ///< a park not reported by then is partial
    std::string FitsFolder;    ///< one FITS file a scan there; empty: none
    std::string PowerLogPath;
    std::string MeasurementLogPath;
    std::string ScanLogPath;
};

/// The telescope: how to open the rotator and the receiver.
struct NightParts {
    RotatorLink::Factory Rotator;
    PowerRunner::Factory Receiver;
};

/// How the runner waits and speaks: `StopWithin` waits up to the time
/// given and says whether the user (a signal, the window's Abort) asked
/// for the night to stop; `Say` takes a progress or problem sentence.
struct NightHooks {
    std::function<bool(std::chrono::milliseconds)> StopWithin;
    std::function<void(const std::string&)> Say;
};

/// Runs the steps of a schedule one at a time on one telescope: each Run
/// blocks until its step has ended (a thread of its own in a window; the
/// main thread in vantrel-observe), stepping the procedures every 50 ms as
/// vantrel-scan does, while a RotatorLink and a PowerRunner talk to the
/// rotator and the receiver on threads of their own. Every power block
/// goes to the power log; Y-factors to the measurement log, scans to the
/// scans log and, with a FITS folder, to a FITS file each. The offsets an
/// apply puts in force and the calibrator's gain carry over to the steps
/// after them.
class NightRunner {
public:
    NightRunner(NightSettings settings, NightParts parts, NightHooks hooks);
    ~NightRunner();
    NightRunner(const NightRunner&) = delete;
    NightRunner& operator=(const NightRunner&) = delete;

    DateTime Now() const { return clock_.UtcNow(); }
    /// A stop was asked for: the step that ran ended partial, and no
    /// further step should start.
    bool Interrupted() const { return interrupted_; }

    /// Runs one step to its end.
    StepResult Run(const ScheduleStep& step);
    /// A step done in an earlier run leaves what it left then: a scan its
    /// offsets for a later apply, an apply the offsets in force (its summary
    /// has them), so the steps after it point as they would have.
    void Remember(const ScheduleStep& step, const StepOutcome& before);
    /// Stops the rotator, ends the parts and writes what the power log
    /// still holds (10 s at most).
    void End();

private:
    bool Tick();
    StepResult InterruptedResult();
    void LogFreeBlocks(std::string_view role);
    DateTime NextSiderealTime(double lstHours) const;
    StepResult WaitUntil(DateTime until);
    std::optional<std::string> BelowLimits(SkySource source) const;
    StepResult Track(const ScheduleStep& step);
    StepResult Park();
    StepResult Apply();
    std::optional<std::vector<PowerBlock>> Collect(int n, bool settle);
    StepResult Calibrator(bool on);
    StepResult RunCalCommand(bool on);
    StepResult Record(double seconds);
    void WriteFits(const std::string& procedure, const std::string& sourceKey,
                   const std::string& object, DateTime startUtc,
                   std::span<const scan::ScanFitsRow> rows,
                   std::vector<scan::FitsResultKey> results, Values& summary) const;
    StepResult Procedure(const ScheduleStep& step);
    /// Cross-scans of the step's sources one after the other, then the
    /// pointing model fitted to them (FitPointingModel), for an apply.
    StepResult PointingRun(const ScheduleStep& step);

    NightSettings settings_;
    NightHooks hooks_;
    OrbexSunMoon library_;
    mutable SkyPlaces places_;
    SystemLocalClock systemClock_;
    mutable UtcClock clock_;
    TrackingOptions pointing_;
    RotatorLink link_;
    PowerRunner runner_;
    PowerLogWriter powerLog_;
    /// The blocks of a record step and where the rotator reported to be.
    std::vector<std::pair<PowerBlock, std::optional<RotatorPosition>>> recorded_;
    bool recording_ = false;
    /// The calibrator's readings of the calibration under way, and the
    /// gain of the last one (none before the first, or without --cal-k).
    std::vector<PowerBlock> calOffBefore_;
    std::vector<PowerBlock> calOn_;
    std::optional<CalibratorGain> calGain_;
    DateTime lastCalibrationUtc_ = 0; ///< when calGain_ was measured
    double noiseBandwidthHz_ = 0;     ///< the radiometer's B, as its blocks say
    std::optional<std::pair<double, double>> toApply_;
    /// The whole correction the last cross-scan found, for a pointing model.
    std::optional<scan::PointingMeasurement> lastCross_;
    /// A model fitted by a pointing step, waiting for an apply.
    std::optional<PointingModel> pendingModel_;
    bool interrupted_ = false;
    bool connected_ = false;
};

} // namespace vantrel::schedule

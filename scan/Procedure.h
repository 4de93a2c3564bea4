#pragma once

#include "apparent/SkyPlaces.h"
#include "astro/DateTime.h"
#include "radiometer/PowerBlock.h"
#include "scan/ScanSettings.h"
#include "tracking/RotatorLink.h"
#include "tracking/Tracking.h"

#include <chrono>
#include <deque>
#include <functional>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::scan {

/// The source's place at a UTC instant, degrees, as the program computes
/// it for the station and conditions in force (SkyPlaces::At): the scans
/// are made relative to it.
using SourcePlace = std::function<SkyPlaceDeg(DateTime utc)>;

/// What a procedure works with besides its settings.
struct ProcedureContext {
    /// Offsets, azimuth range, elevation limits and period: the tracking's.
    TrackingOptions Pointing;
    SourcePlace Place;
    /// The source as sentences name it ("the Sun", "Cassiopeia-A").
    std::string SourceTitle = "the source";
    /// The source's diameter when it is a uniform disk (the Sun, the Moon),
    /// degrees; 0 for a source small against the beam. The beamwidths the
    /// scans fit are taken off it (BeamOfDiskScan).
    double SourceDiskDeg = 0;
};

/// What a procedure is told at each step.
struct StepInput {
    DateTime Utc = 0; ///< now, UTC (the clock of the source's place and of the blocks)
    std::chrono::steady_clock::time_point Now{}; ///< now, the clock of the rotator's status
    RotatorStatus Rotator;                       ///< the link's status
    std::span<const PowerBlock> Blocks;          ///< finished since the last step, oldest first
    /// The radiometer has stopped for good (a setting refused, a program
    /// that cannot run): why, as a sentence; empty while it runs or retries.
    std::string_view RadiometerStopped;
};

/// What the caller does for the procedure after a step.
struct StepAction {
    std::optional<RotatorPosition> Point; ///< send the rotator here (its own coordinates)
    bool StopRotator = false;             ///< send Stop
};

/// What a reading was taken as.
enum class ReadingKind {
    On,    ///< on the source (Y-factor)
    Off,   ///< on cold sky (Y-factor)
    Scan,  ///< a point of a cross-scan
    Drift, ///< a block of a drift scan
};

/// One reading: one radiometer block taken at a point.
struct Reading {
    ReadingKind Kind = ReadingKind::On;
    int Index = 0; ///< pair, point or block number, from 0
    int Axis = 0;  ///< cross-scan: 0 azimuth, 1 elevation; otherwise 0
    /// Cross-scan: the offset from the source on the sky along the axis,
    /// degrees (azimuth as a true angle): where the rotator reported to
    /// point at the block's middle against the source's place then, or the
    /// offset asked for when the report lies farther from it than the
    /// arrival tolerance (a controller reporting in whole degrees); drift
    /// scan: seconds from the moment the source should pass the beam's
    /// centre; otherwise 0.
    double X = 0;
    /// Cross-scan moving through: the stretch of the axis the block
    /// covered, degrees; 0 at a point.
    double XSpan = 0;
    DateTime UtcStart = 0;
    DateTime UtcEnd = 0;
    double PowerDb = 0;            ///< the block's power, dB of the radiometer's unit
    double SigmaDb = 0;            ///< its one-sigma uncertainty, dB; NaN when unknown
    bool WholeDbSteps = false;     ///< an S-meter's reading: for peaking, not for G/T
    double SourceElevationDeg = 0; ///< where the source stood at the block's middle, degrees
    /// Where the rotator reported to point at the block's middle, on the
    /// sky (offsets taken off), degrees, interpolated between its reports;
    /// NaN when it had reported nothing.
    double PointedAzDeg = std::numeric_limits<double>::quiet_NaN();
    double PointedElDeg = std::numeric_limits<double>::quiet_NaN();
    double SourceAzDeg = 0; ///< and its azimuth then, degrees
};

/// How far a procedure has come, for a progress line.
struct ProgressReport {
    std::string Text;       ///< "pair 2 of 4, off source west, settling"
    double Fraction = 0;    ///< 0..1
    double SecondsLeft = 0; ///< an estimate, seconds
};

/// How a procedure ended.
enum class Ending {
    Running,   ///< not ended
    Completed, ///< every reading taken
    Stopped,   ///< stopped part-way: StopReason says why; the results are partial
};

/// A procedure: a state machine driven by Step from the caller's thread,
/// never blocking. At each step it may ask for the rotator to be pointed
/// (the latest request wins, as RotatorLink takes it) or stopped.
///
/// It visits points one after the other: it asks for a point (relative to
/// the source, which it follows as it moves, or fixed on the sky), waits
/// until the rotator reports itself within the arrival tolerance
/// (ArrivalToleranceDeg) of it, or standing still within 1° (a controller
/// that reports in whole degrees), then the settle time, then takes the
/// first radiometer block that starts after that.
///
/// A continuous axis is one sweep: the rotator, settled at the start, is
/// sent to the end once and moves at its own pace; every block until it
/// reports itself there is a reading, at the offset it reported at the
/// block's middle (interpolated between its reports).
///
/// It stops part-way, keeping what it has taken and saying why in a
/// sentence, on Abort, when the rotator stops answering (no position for
/// 5 s; 15 s for its first), refuses a position or does not reach it in time, when the
/// radiometer is overloaded, stops or falls silent (nothing for 3 τ +
/// 10 s), and when the source sinks below the minimum elevation or a point
/// would lie below it or above the maximum. Ended either way, it asks once
/// for what the settings' AfterEnd says: the rotator stopped, or pointed at
/// the source again for tracking to take over.
///
/// The pointing options (offsets, azimuth range, elevation limits, period)
/// are the tracking's: a point on the sky goes to the rotator as tracking
/// would send it, so offsets found apply to tracking unchanged.
class Procedure {
public:
    Procedure(const ScanSettings& settings, ProcedureContext context);
    virtual ~Procedure();
    Procedure(const Procedure&) = delete;
    Procedure& operator=(const Procedure&) = delete;

    /// One step: see the class comment. After the end it returns nothing.
    StepAction Step(const StepInput& in);

    /// Stops at the next step with `why` as the reason; with `stopRotator`
    /// the rotator is stopped whatever the settings' AfterEnd says (the
    /// user stopped it elsewhere, the program ends).
    void Abort(std::string_view why = "Aborted by the user.", bool stopRotator = false);

    Ending Ended() const { return ending_; }
    bool Finished() const { return ending_ != Ending::Running; }
    /// Why it stopped part-way; empty otherwise.
    const std::string& StopReason() const { return stopReason_; }

    ProgressReport Progress() const;
    /// Where on the sky the rotator was last sent, degrees; none before
    /// the first command or after the end.
    std::optional<SkyDirection> TargetSky() const {
        return commanded_ && !Finished() ? std::optional<SkyDirection>(commandedSky_)
                                         : std::nullopt;
    }
    /// Every reading taken, in order.
    const std::vector<Reading>& Readings() const { return readings_; }
    const ScanSettings& Settings() const { return settings_; }

    /// Time a procedure allows the rotator to go without a position, s;
    /// and for its first position.
    static constexpr double kRotatorSilenceS = 5.0;
    static constexpr double kFirstAnswerS = 15.0;

protected:
    /// One point to visit.
    struct Visit {
        enum class Target {
            Offset, ///< (AzDeg, ElDeg) from the source, azimuth as a true angle on the sky
            Fixed,  ///< (AzDeg, ElDeg) on the sky, held
            /// from (AzDeg, ElDeg), where the visit before left the rotator,
            /// to (ToAzDeg, ToElDeg) from the source at the rotator's own pace
            Sweep,
        };
        Target What = Target::Offset;
        double AzDeg = 0;
        double ElDeg = 0;
        double ToAzDeg = 0;
        double ToElDeg = 0;
        /// Blocks taken once settled (Offset and Fixed); 0: the visit ends
        /// when the rotator has arrived and settled.
        int Blocks = 1;
        /// Fixed: every block up to this UTC is a reading (a drift scan),
        /// its X the seconds of its middle from TimeZero.
        std::optional<DateTime> ReadUntil;
        DateTime TimeZero = 0;
        ReadingKind Kind = ReadingKind::On;
        int Index = 0;
        int Axis = 0;
        std::string Label; ///< "pair 2 of 4, on source"
    };

    /// The next point, or none when every reading is taken. `utc`: now.
    virtual std::optional<Visit> Next(DateTime utc) = 0;
    /// A reading of the visit `visit` has been taken.
    virtual void Took(const Visit& visit, const Reading& reading) = 0;
    /// The procedure ended (`partial` when it stopped part-way): the
    /// results are worked out from the readings taken.
    virtual void Conclude(bool partial) = 0;
    /// Visits planned in all, and done so far: for the progress line.
    virtual int PlannedVisits() const = 0;
    /// The lowest elevation offset the procedure will ask for, degrees
    /// (negative below the source): checked against the minimum elevation
    /// before the first move.
    virtual double LowestElevationOffsetDeg() const { return 0; }

    /// The source's place now, as last computed.
    const SkyPlaceDeg& SourceNow() const { return place_; }
    /// The source's place at `utc`.
    SkyPlaceDeg SourceAt(DateTime utc) const { return context_.Place(utc); }
    const TrackingOptions& Pointing() const { return context_.Pointing; }
    const std::string& Title() const { return context_.SourceTitle; }
    /// The beamwidth, degrees.
    double Beam() const { return settings_.BeamwidthDeg; }
    /// The source's disk diameter, degrees; 0 for a point.
    double SourceDisk() const { return context_.SourceDiskDeg; }

private:
    enum class Phase { Idle, Moving, Settling, Reading };
    struct Report {
        DateTime Utc = 0;
        SkyDirection Sky; ///< where the rotator reported to point, on the sky
    };

    void Stop(std::string why, StepAction& action);
    void Finish(bool partial, StepAction& action);
    /// Where the visit's target stands on the sky at `utc`.
    SkyDirection TargetAt(const Visit& visit, DateTime utc) const;
    /// The rotator's position for a direction on the sky; empty with
    /// `why` set when it lies outside the limits.
    std::optional<RotatorPosition> RotatorFor(const SkyDirection& sky, std::string& why) const;
    /// Commands the target when it moved since the last command (at most
    /// once a tracking period) or `force`.
    bool Command(const StepInput& in, StepAction& action, bool force);
    void StartVisit(const StepInput& in, StepAction& action);
    void TakeBlocks(const StepInput& in);
    /// The sky offset along the visit's axis at `utc` from the rotator's
    /// reports, degrees; NaN when there are none.
    double ReportedOffsetAt(DateTime utc) const;
    /// Where the rotator's reports put it at `utc`, on the sky; none
    /// without reports.
    std::optional<SkyDirection> ReportedSkyAt(DateTime utc) const;
    /// The sweep's blocks that the rotator's reports now cover (`all`:
    /// every one) become readings.
    void PlaceSweepBlocks(bool all);
    Reading ReadingOf(const PowerBlock& block, double x) const;

    ScanSettings settings_;
    ProcedureContext context_;
    SkyPlaceDeg place_;

    Ending ending_ = Ending::Running;
    std::string stopReason_;
    std::optional<std::string> abortRequest_;
    bool abortStops_ = false; ///< the abort asked for the rotator to be stopped
    bool started_ = false;
    std::chrono::steady_clock::time_point startedAt_{};
    std::chrono::steady_clock::time_point lastBlockAt_{};

    Phase phase_ = Phase::Idle;
    std::optional<Visit> visit_;
    int visitsDone_ = 0;
    double visitSecondsDone_ = 0; ///< duration of the visits done, for the estimate
    std::chrono::steady_clock::time_point visitStartedAt_{};
    std::chrono::steady_clock::time_point moveStartedAt_{};
    DateTime lastUtcOfPlace_ = -1; ///< the instant place_ is for
    std::optional<RotatorPosition> commanded_;
    std::optional<RotatorPosition> lastReported_;
    SkyDirection commandedSky_;
    std::chrono::steady_clock::time_point commandedAt_{};
    double moveTimeoutS_ = 0;
    std::optional<RotatorPosition> stillAt_;
    std::chrono::steady_clock::time_point stillSince_{};
    std::chrono::steady_clock::time_point settleEnd_{};
    DateTime readFromUtc_ = 0;
    DateTime sweepStartUtc_ = 0;
    std::optional<DateTime> sweepEndUtc_; ///< when the rotator reported the sweep's end
    std::vector<PowerBlock> pending_;     ///< a sweep's blocks not yet placed
    int blocksTaken_ = 0;
    std::deque<Report> reports_;
    std::chrono::steady_clock::time_point lastReportAt_{};
    std::chrono::steady_clock::time_point lastNow_{};
    bool endSeen_ = false; ///< a block reaching past the end of a drift or sweep came

    std::vector<Reading> readings_;
};

} // namespace vantrel::scan

#include "scan/Procedure.h"

#include "tracking/AzimuthRange.h"
#include "tracking/SkyAngles.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace vantrel::scan {

namespace {

using Seconds = std::chrono::duration<double>;

constexpr double kSecondsPerDay = 86400.0;
constexpr double kRadPerDeg = std::numbers::pi / 180.0;
/// cos(elevation) is not taken below this when an azimuth step is made
/// from an angle on the sky: 89.4° elevation (near the zenith an azimuth
/// step no longer moves the beam much).
constexpr double kLeastCosElevation = 0.01;
/// A reported position this close to the last one counts as unchanged, deg.
constexpr double kStillDeg = 0.001;
/// Time allowed for a move: this, plus the angle at kSlowestRotatorDegPerS.
constexpr double kMoveAllowanceS = 30.0;
constexpr double kSlowestRotatorDegPerS = 0.5;
/// A radiometer silent for this many τ plus kSilenceMarginS has stopped.
constexpr double kSilentBlocks = 3.0;
constexpr double kSilenceMarginS = 10.0;
/// Blocks are taken when they start this long before the moment reading
/// began or later: the runner's clock and ours differ by rounding.
constexpr double kBlockStartSlackS = 0.02;
/// Reports of the rotator kept for the positions of a sweep's blocks.
constexpr std::size_t kMostReports = 4096;
/// A drift or sweep ends at the latest this long after its end, even when
/// the block reaching past it does not come.
constexpr double kEndWaitMarginS = 5.0;

/// The target is sent again once it has moved this share of the beam
/// (at most once a tracking period): a source followed to 2 % of the beam
/// loses less than 0.1 % of its power on the beam's axis.
constexpr double kFollowShareOfBeam = 0.02;
constexpr double kFinestFollowDeg = 0.005;

double FollowStepDeg(double beamDeg) {
    return std::max(kFollowShareOfBeam * beamDeg, kFinestFollowDeg);
}

double DaysToSeconds(double days) {
    return days * kSecondsPerDay;
}

/// Hamlib's codes for a request the controller understood and refused:
/// invalid argument, not implemented, rejected, not available, out of
/// domain.
bool IsRefusal(int code) {
    return code == -1 || code == -4 || code == -9 || code == -11 || code == -17;
}

/// Azimuth difference a − b brought into −180..180, degrees.
double AzimuthDifference(double a, double b) {
    return std::remainder(a - b, 360.0);
}

std::string Degrees(double value, int decimals = 2) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Where(const SkyDirection& sky) {
    return "az " + Degrees(sky.AzimuthDeg) + "°, el " + Degrees(sky.ElevationDeg) + "°";
}

} // namespace

Procedure::Procedure(const ScanSettings& settings, ProcedureContext context)
    : settings_(settings), context_(std::move(context)) {}

Procedure::~Procedure() = default;

void Procedure::Abort(std::string_view why, bool stopRotator) {
    if (!Finished() && !abortRequest_) {
        abortRequest_ = std::string(why);
    }
    abortStops_ = abortStops_ || stopRotator;
}

void Procedure::Finish(bool partial, StepAction& action) {
    ending_ = partial ? Ending::Stopped : Ending::Completed;
    phase_ = Phase::Idle;
    Conclude(partial);
    action.Point.reset();
    action.StopRotator = true;
    if (settings_.After == AfterEnd::Track && !abortStops_ && place_.Valid &&
        place_.ElevationDeg >= Pointing().MinElevationDeg) {
        std::string why;
        if (auto back = RotatorFor({place_.AzimuthDeg, place_.ElevationDeg}, why)) {
            action.Point = back;
            action.StopRotator = false;
        }
    }
}

void Procedure::Stop(std::string why, StepAction& action) {
    stopReason_ = std::move(why);
    Finish(true, action);
}

SkyDirection Procedure::TargetAt(const Visit& visit, DateTime utc) const {
    if (visit.What == Visit::Target::Fixed) {
        return {Azimuth0To360(visit.AzDeg), visit.ElDeg};
    }
    double az = visit.AzDeg;
    double el = visit.ElDeg;
    if (visit.What == Visit::Target::Sweep) {
        az = visit.ToAzDeg;
        el = visit.ToElDeg;
    }
    const SkyPlaceDeg& at = utc == lastUtcOfPlace_ ? place_ : SourceAt(utc);
    const double c = std::max(std::cos(at.ElevationDeg * kRadPerDeg), kLeastCosElevation);
    return {Azimuth0To360(at.AzimuthDeg + az / c), at.ElevationDeg + el};
}

std::optional<RotatorPosition> Procedure::RotatorFor(const SkyDirection& sky,
                                                     std::string& why) const {
    const TrackingOptions& o = Pointing();
    if (!(sky.ElevationDeg >= o.MinElevationDeg)) {
        why = "A point of the procedure (" + Where(sky) + ") lies below the minimum elevation of " +
              Degrees(o.MinElevationDeg, 1) + "°: wait until " + Title() +
              " stands higher, or scan a smaller span.";
        return std::nullopt;
    }
    const double el = sky.ElevationDeg + ElevationOffsetAt(o, sky.AzimuthDeg, sky.ElevationDeg);
    if (el > o.MaxElevationDeg) {
        why = "A point of the procedure (" + Where(sky) + ") lies above the rotator's maximum " +
              "elevation of " + Degrees(o.MaxElevationDeg, 1) + "°.";
        return std::nullopt;
    }
    std::optional<double> reference;
    if (commanded_) {
        reference = commanded_->AzimuthDeg;
    } else if (lastReported_) {
        reference = lastReported_->AzimuthDeg;
    }
    const double az = RotatorAzimuthDeg(
        sky.AzimuthDeg + AzimuthOffsetAt(o, sky.AzimuthDeg, sky.ElevationDeg), o.Range, reference);
    return RotatorPosition{az, el};
}

bool Procedure::Command(const StepInput& in, StepAction& action, bool force) {
    const SkyDirection target = TargetAt(*visit_, in.Utc);
    if (!force) {
        if (visit_->What == Visit::Target::Sweep) {
            return true; // sent once: the rotator moves through at its pace
        }
        const double gap = Pointing().PeriodS;
        const double moved = AngleBetweenDeg(target.AzimuthDeg, target.ElevationDeg,
                                             commandedSky_.AzimuthDeg, commandedSky_.ElevationDeg);
        if (moved < FollowStepDeg(Beam()) || Seconds(in.Now - commandedAt_).count() < gap) {
            return true;
        }
    }
    std::string why;
    const std::optional<RotatorPosition> position = RotatorFor(target, why);
    if (!position) {
        Stop(why, action);
        return false;
    }
    action.Point = position;
    commanded_ = position;
    commandedSky_ = target;
    commandedAt_ = in.Now;
    return true;
}

void Procedure::StartVisit(const StepInput& in, StepAction& action) {
    visit_ = Next(in.Utc);
    if (!visit_) {
        if (abortRequest_) { // the procedure found it cannot go on
            Stop(*abortRequest_, action);
        } else {
            Finish(false, action);
        }
        return;
    }
    visitStartedAt_ = in.Now;
    blocksTaken_ = 0;
    endSeen_ = false;
    stillAt_.reset();
    if (visit_->What == Visit::Target::Sweep) {
        // It starts where the visit before it left the rotator, settled.
        phase_ = Phase::Reading;
        readFromUtc_ = in.Utc;
        sweepStartUtc_ = in.Utc;
        sweepEndUtc_.reset();
        pending_.clear();
        moveStartedAt_ = in.Now;
        moveTimeoutS_ = kMoveAllowanceS + AngleBetweenDeg(visit_->AzDeg, visit_->ElDeg,
                                                          visit_->ToAzDeg, visit_->ToElDeg) /
                                              kSlowestRotatorDegPerS;
        Command(in, action, true);
        return;
    }
    phase_ = Phase::Moving;
    const SkyDirection target = TargetAt(*visit_, in.Utc);
    double distance = 180.0;
    if (lastReported_) {
        const SkyDirection from = SkyOfRotator(*lastReported_, Pointing());
        distance = AngleBetweenDeg(from.AzimuthDeg, from.ElevationDeg, target.AzimuthDeg,
                                   target.ElevationDeg);
    }
    moveTimeoutS_ = kMoveAllowanceS + distance / kSlowestRotatorDegPerS;
    if (!Command(in, action, true)) {
        return;
    }
    moveStartedAt_ = in.Now;
}

Reading Procedure::ReadingOf(const PowerBlock& block, double x) const {
    Reading r;
    r.Kind = visit_->Kind;
    r.Index = visit_->Index;
    r.Axis = visit_->Axis;
    r.X = x;
    r.UtcStart = block.UtcStart;
    r.UtcEnd = block.UtcEnd;
    r.PowerDb = block.PowerDb;
    r.SigmaDb = block.SigmaDb;
    r.WholeDbSteps = block.WholeDbSteps;
    const DateTime middle = 0.5 * (block.UtcStart + block.UtcEnd);
    const SkyPlaceDeg source = SourceAt(middle);
    r.SourceAzDeg = source.AzimuthDeg;
    r.SourceElevationDeg = source.ElevationDeg;
    if (const auto pointed = ReportedSkyAt(middle)) {
        r.PointedAzDeg = pointed->AzimuthDeg;
        r.PointedElDeg = pointed->ElevationDeg;
    }
    return r;
}

void Procedure::PlaceSweepBlocks(bool all) {
    const Visit& v = *visit_;
    const DateTime reported = reports_.empty() ? 0 : reports_.back().Utc;
    std::size_t placed = 0;
    for (const PowerBlock& block : pending_) {
        if (!all && block.UtcEnd > reported) {
            break;
        }
        ++placed;
        if (sweepEndUtc_ && block.UtcEnd > *sweepEndUtc_) {
            endSeen_ = true;
            continue;
        }
        const double x = ReportedOffsetAt(0.5 * (block.UtcStart + block.UtcEnd));
        if (std::isfinite(x)) {
            readings_.push_back(ReadingOf(block, x));
            readings_.back().XSpan =
                std::fabs(ReportedOffsetAt(block.UtcEnd) - ReportedOffsetAt(block.UtcStart));
            Took(v, readings_.back());
        }
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(placed));
}

std::optional<SkyDirection> Procedure::ReportedSkyAt(DateTime utc) const {
    if (reports_.empty()) {
        return std::nullopt;
    }
    // The report at or after `utc`, and the one before it.
    const auto after = std::lower_bound(reports_.begin(), reports_.end(), utc,
                                        [](const Report& r, DateTime t) { return r.Utc < t; });
    SkyDirection sky;
    if (after == reports_.begin()) {
        sky = after->Sky;
    } else if (after == reports_.end()) {
        sky = reports_.back().Sky;
    } else {
        const Report& a = *(after - 1);
        const Report& b = *after;
        const double f = b.Utc > a.Utc ? (utc - a.Utc) / (b.Utc - a.Utc) : 1.0;
        sky.AzimuthDeg =
            a.Sky.AzimuthDeg + AzimuthDifference(b.Sky.AzimuthDeg, a.Sky.AzimuthDeg) * f;
        sky.ElevationDeg = a.Sky.ElevationDeg + (b.Sky.ElevationDeg - a.Sky.ElevationDeg) * f;
    }
    return sky;
}

double Procedure::ReportedOffsetAt(DateTime utc) const {
    const std::optional<SkyDirection> pointed = ReportedSkyAt(utc);
    if (!pointed) {
        return std::nan("");
    }
    const SkyDirection& sky = *pointed;
    const SkyPlaceDeg source = SourceAt(utc);
    if (visit_->Axis == 0) {
        return AzimuthDifference(sky.AzimuthDeg, source.AzimuthDeg) *
               std::cos(source.ElevationDeg * kRadPerDeg);
    }
    return sky.ElevationDeg - source.ElevationDeg;
}

void Procedure::TakeBlocks(const StepInput& in) {
    const Visit& v = *visit_;
    const DateTime from = readFromUtc_ - kBlockStartSlackS / kSecondsPerDay;
    for (const PowerBlock& block : in.Blocks) {
        if (block.UtcStart < from) {
            continue;
        }
        if (v.What == Visit::Target::Sweep) {
            // Placed once the rotator has reported where it was after the
            // block's end.
            pending_.push_back(block);
            continue;
        }
        if (v.ReadUntil) {
            if (block.UtcEnd > *v.ReadUntil) {
                endSeen_ = true;
                continue;
            }
            const double mid = 0.5 * (block.UtcStart + block.UtcEnd);
            readings_.push_back(ReadingOf(block, 0.0));
            readings_.back().X = DaysToSeconds(mid - v.TimeZero);
            Took(v, readings_.back());
            continue;
        }
        if (blocksTaken_ < v.Blocks) {
            double x = 0;
            if (v.What == Visit::Target::Offset) {
                // Where the rotator was, against where the source was then:
                // a rotator following a moving source lags behind the
                // offset asked for.
                x = v.Axis == 0 ? v.AzDeg : v.ElDeg;
                const double reported = ReportedOffsetAt(0.5 * (block.UtcStart + block.UtcEnd));
                if (std::isfinite(reported) &&
                    std::fabs(reported - x) <= ArrivalToleranceDeg(Beam())) {
                    x = reported;
                }
            }
            readings_.push_back(ReadingOf(block, x));
            ++blocksTaken_;
            Took(v, readings_.back());
        }
    }
}

StepAction Procedure::Step(const StepInput& in) {
    StepAction action;
    if (Finished()) {
        return action;
    }
    lastNow_ = in.Now;
    if (!started_) {
        started_ = true;
        startedAt_ = in.Now;
        lastBlockAt_ = in.Now;
    }
    if (!in.Blocks.empty()) {
        lastBlockAt_ = in.Now;
    }
    place_ = SourceAt(in.Utc);
    lastUtcOfPlace_ = in.Utc;

    // What the rotator reports, on the sky, for the positions of a sweep.
    const RotatorStatus& rotator = in.Rotator;
    if (rotator.Reported) {
        if (!lastReported_ || !(*lastReported_ == *rotator.Reported)) {
            const double apart =
                lastReported_
                    ? std::max(
                          std::fabs(lastReported_->AzimuthDeg - rotator.Reported->AzimuthDeg),
                          std::fabs(lastReported_->ElevationDeg - rotator.Reported->ElevationDeg))
                    : 1.0;
            if (apart > kStillDeg) {
                stillSince_ = in.Now;
            }
        }
        lastReported_ = rotator.Reported;
        if (rotator.ReportedAt != lastReportAt_) {
            lastReportAt_ = rotator.ReportedAt;
            const double age = Seconds(in.Now - rotator.ReportedAt).count();
            reports_.push_back(
                {in.Utc - age / kSecondsPerDay, SkyOfRotator(*rotator.Reported, Pointing())});
            if (reports_.size() > kMostReports) {
                reports_.pop_front();
            }
        }
    }

    // The reasons to stop, the user's first.
    if (abortRequest_) {
        Stop(*abortRequest_, action);
        return action;
    }
    if (!in.RadiometerStopped.empty()) {
        Stop("The radiometer stopped: " + std::string(in.RadiometerStopped), action);
        return action;
    }
    for (const PowerBlock& block : in.Blocks) {
        if (block.Overload) {
            Stop("The radiometer is overloaded: its samples reach full scale (clipping). Lower "
                 "the receiver's gain, then start again.",
                 action);
            return action;
        }
    }
    // A controller is given longer for its first answer: opening a serial
    // port or a connection can take seconds.
    const auto heardAt = rotator.Reported ? std::max(rotator.ReportedAt, startedAt_) : startedAt_;
    const double silenceS = rotator.Reported ? kRotatorSilenceS : kFirstAnswerS;
    if (Seconds(in.Now - heardAt).count() > silenceS) {
        std::string why = "The rotator stopped answering";
        if (!rotator.LastError.empty()) {
            why += ": " + rotator.LastError;
        }
        if (why.back() != '.') {
            why += '.';
        }
        Stop(why, action);
        return action;
    }
    if (commanded_ && !rotator.LastError.empty() && IsRefusal(rotator.LastErrorCode)) {
        Stop("The rotator refused the position az " + Degrees(commanded_->AzimuthDeg) + "°, el " +
                 Degrees(commanded_->ElevationDeg) + "°: " + rotator.LastError,
             action);
        return action;
    }
    const double silentS = Seconds(in.Now - lastBlockAt_).count();
    if (silentS > kSilentBlocks * settings_.TauS + kSilenceMarginS) {
        Stop("The radiometer has delivered no reading for " + Degrees(silentS, 0) + " seconds.",
             action);
        return action;
    }
    if (!place_.Valid) {
        Stop("There is no position for " + Title() + ".", action);
        return action;
    }
    if (place_.ElevationDeg < Pointing().MinElevationDeg) {
        Stop(Title() + " sank below the minimum elevation of " +
                 Degrees(Pointing().MinElevationDeg, 1) + "°.",
             action);
        return action;
    }
    if (!visit_ && visitsDone_ == 0 && readings_.empty()) {
        const double lowest = place_.ElevationDeg + LowestElevationOffsetDeg();
        if (lowest < Pointing().MinElevationDeg) {
            Stop("The procedure would point down to " + Degrees(lowest, 1) +
                     "° elevation, below the minimum of " + Degrees(Pointing().MinElevationDeg, 1) +
                     "°: wait until " + Title() + " stands higher, or scan a smaller span.",
                 action);
            return action;
        }
    }

    if (phase_ == Phase::Idle) {
        StartVisit(in, action);
        if (Finished()) {
            return action;
        }
    }
    if (phase_ == Phase::Moving) {
        if (!Command(in, action, false)) {
            return action;
        }
        // Only a position read after the first command of this visit says
        // where the rotator went.
        if (rotator.Reported && rotator.ReportedAt > moveStartedAt_) {
            const SkyDirection at = SkyOfRotator(*rotator.Reported, Pointing());
            const SkyDirection target = TargetAt(*visit_, in.Utc);
            const double off = AngleBetweenDeg(at.AzimuthDeg, at.ElevationDeg, target.AzimuthDeg,
                                               target.ElevationDeg);
            const bool still =
                Seconds(in.Now - std::max(stillSince_, moveStartedAt_)).count() >= kStandStillS;
            if (off <= ArrivalToleranceDeg(Beam()) || (still && off <= kOnTargetToleranceDeg)) {
                phase_ = Phase::Settling;
                settleEnd_ =
                    in.Now + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                 Seconds(settings_.SettleS));
            }
        }
        if (phase_ == Phase::Moving && Seconds(in.Now - visitStartedAt_).count() > moveTimeoutS_) {
            std::string why = "The rotator did not reach " + Where(TargetAt(*visit_, in.Utc)) +
                              " within " + Degrees(moveTimeoutS_, 0) + " seconds";
            if (rotator.Reported) {
                why += "; it reports " + Where(SkyOfRotator(*rotator.Reported, Pointing()));
            }
            Stop(why + ".", action);
            return action;
        }
    }
    if (phase_ == Phase::Settling) {
        if (!Command(in, action, false)) {
            return action;
        }
        if (in.Now >= settleEnd_) {
            phase_ = Phase::Reading;
            readFromUtc_ = in.Utc;
        }
    }
    if (phase_ == Phase::Reading) {
        if (!Command(in, action, false)) {
            return action;
        }
        TakeBlocks(in);
        const Visit& v = *visit_;
        if (v.What == Visit::Target::Sweep) {
            PlaceSweepBlocks(false);
        }
        bool done = false;
        const double marginDays = (settings_.TauS + kEndWaitMarginS) / kSecondsPerDay;
        if (v.What == Visit::Target::Sweep) {
            if (!sweepEndUtc_ && rotator.Reported && rotator.ReportedAt > moveStartedAt_) {
                const SkyDirection at = SkyOfRotator(*rotator.Reported, Pointing());
                const SkyDirection end = TargetAt(v, in.Utc);
                if (AngleBetweenDeg(at.AzimuthDeg, at.ElevationDeg, end.AzimuthDeg,
                                    end.ElevationDeg) <= ArrivalToleranceDeg(Beam())) {
                    sweepEndUtc_ = reports_.empty() ? in.Utc : reports_.back().Utc;
                }
            }
            if (!sweepEndUtc_ && Seconds(in.Now - moveStartedAt_).count() > moveTimeoutS_) {
                Stop("The rotator did not reach the end of the scan within " +
                         Degrees(moveTimeoutS_, 0) + " seconds.",
                     action);
                return action;
            }
            done = sweepEndUtc_ && (endSeen_ || in.Utc >= *sweepEndUtc_ + marginDays);
            if (done) {
                PlaceSweepBlocks(true);
            }
        } else if (v.ReadUntil) {
            done = in.Utc >= *v.ReadUntil && (endSeen_ || in.Utc >= *v.ReadUntil + marginDays);
        } else {
            done = blocksTaken_ >= v.Blocks;
        }
        if (done) {
            ++visitsDone_;
            visitSecondsDone_ += Seconds(in.Now - visitStartedAt_).count();
            visit_.reset();
            phase_ = Phase::Idle;
            StartVisit(in, action);
        }
    }
    return action;
}

ProgressReport Procedure::Progress() const {
    ProgressReport p;
    const int planned = std::max(1, PlannedVisits());
    if (ending_ == Ending::Completed) {
        p.Text = "done";
        p.Fraction = 1;
        return p;
    }
    if (ending_ == Ending::Stopped) {
        p.Text = "stopped: " + stopReason_;
        p.Fraction = std::min(1.0, static_cast<double>(visitsDone_) / planned);
        return p;
    }
    if (!visit_) {
        p.Text = "starting";
        p.SecondsLeft = planned * (settings_.SettleS + 1.5 * settings_.TauS + 3.0);
        return p;
    }
    const char* doing = "";
    switch (phase_) {
    case Phase::Moving:
        doing = "moving";
        break;
    case Phase::Settling:
        doing = "settling";
        break;
    case Phase::Reading:
        doing = visit_->ReadUntil                      ? "recording"
                : visit_->What == Visit::Target::Sweep ? "moving through"
                                                       : "reading";
        break;
    case Phase::Idle:
        doing = "starting";
        break;
    }
    p.Text = visit_->Label + ", " + doing;

    // The visit under way: by the clock for a drift, else half.
    double share = 0.5;
    double currentLeftS = settings_.SettleS + 1.5 * settings_.TauS;
    if (phase_ == Phase::Reading && visit_->ReadUntil) {
        const DateTime end = *visit_->ReadUntil;
        const double total = std::max(1e-9, DaysToSeconds(end - readFromUtc_));
        const double left = std::max(0.0, DaysToSeconds(end - lastUtcOfPlace_));
        share = std::clamp(1.0 - left / total, 0.0, 1.0);
        currentLeftS = left;
    } else if (visit_->ReadUntil) {
        currentLeftS = DaysToSeconds(*visit_->ReadUntil - lastUtcOfPlace_);
    }
    p.Fraction = std::clamp((visitsDone_ + share) / planned, 0.0, 1.0);
    const double perVisit = visitsDone_ > 0 ? visitSecondsDone_ / visitsDone_
                                            : settings_.SettleS + 1.5 * settings_.TauS + 3.0;
    const int after = std::max(0, planned - visitsDone_ - 1);
    p.SecondsLeft = std::max(0.0, currentLeftS) + after * perVisit;
    return p;
}

} // namespace vantrel::scan

#include "tracking/Tracking.h"

#include "tracking/SkyAngles.h"

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

namespace r = tracking_range;

constexpr double kHalfTurnDeg = 180.0;
constexpr double kSecondsPerDay = 86400.0;
/// Reports this close to each other are the same position, degrees.
constexpr double kStillDeg = 0.001;

bool Within(double value, double lo, double hi) {
    return std::isfinite(value) && value >= lo && value <= hi;
}

/// The angle on the sky between two rotator positions of the same frame,
/// degrees.
double AngleBetween(const RotatorPosition& a, const RotatorPosition& b) {
    return AngleBetweenDeg(a.AzimuthDeg, a.ElevationDeg, b.AzimuthDeg, b.ElevationDeg);
}

} // namespace

std::string_view TrackingOptionsProblem(const TrackingOptions& o) {
    if (!Within(o.PeriodS, r::kMinPeriodS, r::kMaxPeriodS)) {
        return "The period must be from 0.2 to 60 seconds.";
    }
    if (!Within(o.ThresholdDeg, r::kMinThresholdDeg, r::kMaxThresholdDeg)) {
        return "The threshold must be from 0 to 10 degrees.";
    }
    if (!Within(o.MinElevationDeg, r::kMinElevationDeg, r::kMaxElevationDeg)) {
        return "The minimum elevation must be from -90 to 90 degrees.";
    }
    if (!Within(o.MaxElevationDeg, r::kMinElevationDeg, r::kMaxElevationDeg)) {
        return "The maximum elevation must be from -90 to 90 degrees.";
    }
    if (o.MinElevationDeg > o.MaxElevationDeg) {
        return "The minimum elevation must not be above the maximum elevation.";
    }
    if (!Within(o.AzimuthOffsetDeg, -r::kMaxAzimuthOffsetDeg, r::kMaxAzimuthOffsetDeg)) {
        return "The azimuth offset must be from -360 to 360 degrees.";
    }
    if (!Within(o.ElevationOffsetDeg, -r::kMaxElevationOffsetDeg, r::kMaxElevationOffsetDeg)) {
        return "The elevation offset must be from -90 to 90 degrees.";
    }
    if (!(o.BeamwidthDeg == 0 ||
          Within(o.BeamwidthDeg, r::kMinBeamwidthDeg, r::kMaxBeamwidthDeg))) {
        return "The beamwidth must be from 0.01 to 90 degrees, or 0 when not known.";
    }
    if (!Within(o.OffSourceAzimuthDeg, -r::kMaxOffSourceAzimuthDeg, r::kMaxOffSourceAzimuthDeg)) {
        return "The off-source azimuth must be from -180 to 180 degrees.";
    }
    if (o.ParkPosition &&
        (!Within(o.ParkPosition->AzimuthDeg, r::kMinParkAzimuthDeg, r::kMaxParkAzimuthDeg) ||
         !Within(o.ParkPosition->ElevationDeg, r::kMinElevationDeg, r::kMaxElevationDeg))) {
        return "The park position must be an azimuth from -180 to 450 degrees and an elevation "
               "from -90 to 90 degrees.";
    }
    switch (o.Range) {
    case AzimuthRange::From0To360:
    case AzimuthRange::FromMinus180To180:
    case AzimuthRange::From0To450:
        break;
    default:
        return "The azimuth range must be 0 to 360, -180 to 180 or 0 to 450 degrees.";
    }
    return {};
}

double BeamToleranceDeg(double beamwidthDeg) {
    return std::clamp(kOnTargetShareOfBeam * beamwidthDeg, kFinestOnTargetDeg,
                      kCoarsestOnTargetDeg);
}

double ThresholdInForceDeg(const TrackingOptions& options) {
    return options.ThresholdFromBeam && options.BeamwidthDeg > 0
               ? BeamToleranceDeg(options.BeamwidthDeg)
               : options.ThresholdDeg;
}

double OnTargetToleranceInForceDeg(const TrackingOptions& options) {
    return options.BeamwidthDeg > 0 ? BeamToleranceDeg(options.BeamwidthDeg)
                                    : std::max(options.ThresholdDeg, kFinestOnTargetDeg);
}

double AzimuthOffsetAt(const TrackingOptions& options, double azimuthDeg, double elevationDeg) {
    return options.AzimuthOffsetDeg + ModelAzimuthDeg(options.Model, azimuthDeg, elevationDeg);
}

double ElevationOffsetAt(const TrackingOptions& options, double azimuthDeg, double elevationDeg) {
    return options.ElevationOffsetDeg + ModelElevationDeg(options.Model, azimuthDeg, elevationDeg);
}

SkyDirection SkyOfRotator(const RotatorPosition& position, const TrackingOptions& options) {
    const double az = position.AzimuthDeg - options.AzimuthOffsetDeg;
    const double el = position.ElevationDeg - options.ElevationOffsetDeg;
    return {Azimuth0To360(az - ModelAzimuthDeg(options.Model, az, el)),
            el - ModelElevationDeg(options.Model, az, el)};
}

PointingSnapshot SnapshotOf(const TrackDecision& decision,
                            const std::optional<RotatorPosition>& reported,
                            const TrackingOptions& options) {
    PointingSnapshot snapshot;
    snapshot.Tracking = true;
    snapshot.Source = options.Source;
    if (decision.Target) {
        snapshot.Target = SkyOfRotator(*decision.Target, options);
    }
    if (reported) {
        snapshot.Reported = SkyOfRotator(*reported, options);
    }
    return snapshot;
}

TrackDecision Tracker::Step(const DecodedInstant& utc, const HomeStation& station,
                            const ObservingConditions& conditions, const TrackingOptions& options,
                            std::optional<RotatorPosition> reported) {
    namespace s = tracking_state;
    TrackDecision d;
    if (!TrackingOptionsProblem(options).empty()) {
        d.State = s::kRefused;
        return d;
    }
    d.Sky = places_.At(options.Source, station, conditions, utc);
    if (!d.Sky.Valid) {
        d.State = s::kNoPosition;
        return d;
    }

    if (d.Sky.ElevationDeg < options.MinElevationDeg) {
        d.BelowMinimum = true;
        if (options.Below == WhenBelow::Park) {
            if (!parked_) {
                parked_ = true;
                // Once parked the last command no longer says where the
                // rotator is: the first command after rising goes out.
                lastCommand_.reset();
                d.What = TrackDecision::Action::Park;
            }
            d.State = s::kParked;
        } else {
            d.State = s::kWaiting;
        }
        return d;
    }
    parked_ = false;

    const double skyAzimuthDeg =
        offSource_ ? d.Sky.AzimuthDeg + options.OffSourceAzimuthDeg : d.Sky.AzimuthDeg;
    if (offSource_) {
        d.OffSourceSeparationDeg = AngleBetweenDeg(d.Sky.AzimuthDeg, d.Sky.ElevationDeg,
                                                   skyAzimuthDeg, d.Sky.ElevationDeg);
    }
    const double wantedElevationDeg =
        d.Sky.ElevationDeg + ElevationOffsetAt(options, skyAzimuthDeg, d.Sky.ElevationDeg);
    const bool aboveMaximum = wantedElevationDeg > options.MaxElevationDeg;

    std::optional<double> referenceDeg;
    if (lastCommand_) {
        referenceDeg = lastCommand_->AzimuthDeg;
    } else if (reported) {
        referenceDeg = reported->AzimuthDeg;
    }
    const RotatorPosition target{
        RotatorAzimuthDeg(skyAzimuthDeg +
                              AzimuthOffsetAt(options, skyAzimuthDeg, d.Sky.ElevationDeg),
                          options.Range, referenceDeg),
        std::min(wantedElevationDeg, options.MaxElevationDeg)};
    d.Target = target;

    if (!lastCommand_ || AngleBetween(*lastCommand_, target) > ThresholdInForceDeg(options)) {
        d.What = TrackDecision::Action::Point;
        d.Command = target;
        lastCommand_ = target;
    }

    // Standing still: the same report since when.
    const DateTime now = EncodeDateTime(utc.Year, utc.Month, utc.Day, utc.Hour, utc.Minute,
                                        utc.Second, utc.Millisecond);
    if (!reported) {
        stillAt_.reset();
    } else if (!stillAt_ || AngleBetween(*stillAt_, *reported) > kStillDeg ||
               std::abs(stillAt_->AzimuthDeg - reported->AzimuthDeg) > kHalfTurnDeg) {
        stillAt_ = reported;
        stillSince_ = now;
    }
    const bool still = stillAt_ && (now - stillSince_) * kSecondsPerDay >= kStandStillS;

    // Both in the rotator's frame: a rotator at 10 sent to 370 points the
    // same way but still has a turn to make.
    const bool sameTurn =
        reported && std::abs(reported->AzimuthDeg - lastCommand_->AzimuthDeg) < kHalfTurnDeg;
    const bool arrived =
        sameTurn && (AngleBetween(*reported, target) <= OnTargetToleranceInForceDeg(options) ||
                     (still && AngleBetween(*reported, *lastCommand_) <= kOnTargetToleranceDeg));
    if (aboveMaximum) {
        d.State = s::kAtMaximum;
    } else if (offSource_) {
        d.State = arrived ? s::kOffSource : s::kMovingOffSource;
    } else {
        d.State = arrived ? s::kOnTarget : s::kTracking;
    }
    return d;
}

void Tracker::SetOffSource(bool off) {
    if (off != offSource_) {
        offSource_ = off;
        lastCommand_.reset();
    }
}

void Tracker::Reset() {
    lastCommand_.reset();
    stillAt_.reset();
    parked_ = false;
}

} // namespace vantrel

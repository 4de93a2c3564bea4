#pragma once

#include "apparent/ObservingConditions.h"
#include "apparent/SkyPlaces.h"
#include "apparent/SkySource.h"
#include "astro/DateTime.h"
#include "station/HomeStation.h"
#include "tracking/AzimuthRange.h"
#include "tracking/PointingModel.h"
#include "tracking/PointingSnapshot.h"
#include "tracking/Rotator.h"

#include <optional>
#include <string_view>

namespace vantrel {

/// What to do while the source is below the minimum elevation.
enum class WhenBelow { Hold, Park };

/// Accepted ranges of the options, inclusive; units as in the names.
namespace tracking_range {
inline constexpr double kMinPeriodS = 0.2; ///< Gpredict waits at least 0.7 s; 0.2 s for tests
inline constexpr double kMaxPeriodS = 60.0;
inline constexpr double kMinThresholdDeg = 0.0;
inline constexpr double kMaxThresholdDeg = 10.0;
inline constexpr double kMinBeamwidthDeg = 0.01; ///< as the procedures take it
inline constexpr double kMaxBeamwidthDeg = 90.0;
inline constexpr double kMinElevationDeg = -90.0; ///< either elevation limit
inline constexpr double kMaxElevationDeg = 90.0;
inline constexpr double kMaxAzimuthOffsetDeg = 360.0;    ///< magnitude
inline constexpr double kMaxElevationOffsetDeg = 90.0;   ///< magnitude
inline constexpr double kMaxOffSourceAzimuthDeg = 180.0; ///< magnitude
inline constexpr double kMinParkAzimuthDeg = -180.0;     ///< the widest rotator range, −180..450
inline constexpr double kMaxParkAzimuthDeg = 450.0;
} // namespace tracking_range

/// Everything that decides where the rotator is sent. Angles in degrees,
/// times in seconds.
///
/// The minimum elevation applies to the source on the sky (a horizon or a
/// building the antenna cannot see past); the maximum elevation applies to
/// what the rotator is sent (its mechanical limit, offsets included).
struct TrackingOptions {
    SkySource Source = SkySource::CassiopeiaA;
    double PeriodS = 1.0; ///< seconds between commands, 0.2..60
    /// A new command only when the target moved this far, 0..10; the one in
    /// force unless ThresholdFromBeam and the beamwidth is known.
    double ThresholdDeg = 0.5;
    /// The threshold is a share of the antenna's beam (BeamToleranceDeg of
    /// BeamwidthDeg) while the beamwidth is known; off, ThresholdDeg as set.
    bool ThresholdFromBeam = true;
    /// The antenna's half-power beamwidth at the observing frequency,
    /// degrees, 0.01..90; 0 when not known. Not a setting: the caller fills
    /// it from the antenna in use before every step.
    double BeamwidthDeg = 0;
    AzimuthRange Range = AzimuthRange::From0To360;
    double MinElevationDeg = 0.0;    ///< the source is not followed below this, −90..90
    double MaxElevationDeg = 90.0;   ///< the rotator is not sent above this, −90..90, >= minimum
    double AzimuthOffsetDeg = 0.0;   ///< added to the sky's azimuth (rotator not aligned), ±360
    double ElevationOffsetDeg = 0.0; ///< added to the sky's elevation, ±90
    /// "Off source": this many degrees of azimuth beside the source, at its
    /// elevation, for the cold-sky half of a Y-factor measurement; ±180,
    /// positive clockwise (increasing azimuth).
    ///
    /// Degrees of azimuth, not of arc: at elevation e an azimuth step ΔA is
    /// an angle d on the sky with hav d = cos² e · hav ΔA (about ΔA cos e),
    /// so 10° of azimuth is 5° of sky at 60° elevation and 1.7° at 80°. The
    /// step is applied as given, so the cold-sky point keeps its elevation
    /// (the same air and ground pickup as on source); the decision reports
    /// the angle on the sky (`OffSourceSeparationDeg`) for the user to see
    /// whether it still clears the beam.
    double OffSourceAzimuthDeg = 10.0;
    WhenBelow Below = WhenBelow::Hold;
    /// Park position; empty for the controller's own ("K").
    std::optional<RotatorPosition> ParkPosition;
    /// A fitted pointing model, added to the offsets where it is in force
    /// (AzimuthOffsetAt, ElevationOffsetAt).
    PointingModel Model;

    bool operator==(const TrackingOptions&) const = default;
};

/// Why options are refused, as a sentence ("The period must be from 0.2 to
/// 60 seconds."); empty when accepted. NaN and infinities are refused.
std::string_view TrackingOptionsProblem(const TrackingOptions& options);

/// The azimuth offset in force at a direction on the sky: the constant
/// offset and the pointing model's ΔA there. Degrees of azimuth.
double AzimuthOffsetAt(const TrackingOptions& options, double azimuthDeg, double elevationDeg);
/// The elevation offset in force there, degrees.
double ElevationOffsetAt(const TrackingOptions& options, double azimuthDeg, double elevationDeg);

/// What the tracker decided at one instant.
struct TrackDecision {
    enum class Action {
        None,  ///< keep the last command (the target moved less than the threshold)
        Point, ///< send `Command`
        Park,  ///< send the rotator to its park position (once)
    };
    Action What = Action::None;
    SkyPlaceDeg Sky;                       ///< where the source stands (as the grid shows it)
    bool BelowMinimum = false;             ///< the source is below the minimum elevation
    std::optional<RotatorPosition> Target; ///< where the rotator should point; empty below minimum
    RotatorPosition Command;               ///< with Point
    /// Off source: the angle on the sky between the source and the point
    /// aimed at, degrees; 0 on source.
    double OffSourceSeparationDeg = 0;
    std::string_view State; ///< one of the tracking_state texts
};

/// The states of a decision, for a status line.
namespace tracking_state {
inline constexpr std::string_view kTracking = "tracking";  ///< moving towards the source
inline constexpr std::string_view kOnTarget = "on target"; ///< reported on the source
inline constexpr std::string_view kMovingOffSource = "moving off source";
inline constexpr std::string_view kOffSource = "off source"; ///< reported on the cold-sky point
/// Above the maximum elevation: sent to the maximum, following in azimuth.
inline constexpr std::string_view kAtMaximum = "at the maximum elevation";
inline constexpr std::string_view kWaiting = "waiting for the source to rise";
inline constexpr std::string_view kParked = "parked until the source rises";
inline constexpr std::string_view kNoPosition = "no position for the source";
inline constexpr std::string_view kRefused = "options refused";
} // namespace tracking_state

/// A rotator standing still for kStandStillS within this of where it was
/// sent has arrived as near as it can report (controllers that report in
/// whole degrees). Degrees.
inline constexpr double kOnTargetToleranceDeg = 1.0;
/// How long a rotator must report the same position to count as standing
/// still, seconds.
inline constexpr double kStandStillS = 3.0;
/// The share of the half-power beamwidth a pointing may be off and still
/// count as on target: 0.1 HPBW loses 2.7 % (0.12 dB) of the power on the
/// beam's axis (Gaussian beam, exp(−4 ln 2 · 0.1²)).
inline constexpr double kOnTargetShareOfBeam = 0.1;
/// Bounds of that tolerance, degrees: a controller's resolution, and the
/// whole-degree reports of the coarsest.
inline constexpr double kFinestOnTargetDeg = 0.02;
inline constexpr double kCoarsestOnTargetDeg = 1.0;

/// The angle on the sky within which a rotator counts as on a point for a
/// beam of `beamwidthDeg` (HPBW, degrees): kOnTargetShareOfBeam of it,
/// within kFinestOnTargetDeg..kCoarsestOnTargetDeg. Degrees.
double BeamToleranceDeg(double beamwidthDeg);

/// The threshold in force, degrees: BeamToleranceDeg of the beamwidth with
/// ThresholdFromBeam and a known beamwidth, else ThresholdDeg.
double ThresholdInForceDeg(const TrackingOptions& options);

/// Within this angle on the sky of its target the rotator is on target,
/// degrees: BeamToleranceDeg of a known beamwidth (whatever threshold is
/// set: a threshold typed wider makes the rotator lag, and says so), else
/// the threshold in force, at least kFinestOnTargetDeg.
double OnTargetToleranceInForceDeg(const TrackingOptions& options);

/// Where on the sky the rotator points when it stands at `position` (its
/// own coordinates): the offsets (and a pointing model's terms, evaluated
/// where the constant offsets alone put it) taken off and the azimuth
/// brought into 0..360. Degrees in, degrees out. The off-source step is not taken off:
/// the cold-sky point is a real direction.
SkyDirection SkyOfRotator(const RotatorPosition& position, const TrackingOptions& options);

/// What the sky chart shows of a tracking step: the source, where the
/// rotator is sent (the last decision's target; empty while the source is
/// below the minimum) and where it reports to be (empty when unknown), both
/// back on the sky through SkyOfRotator. Degrees.
PointingSnapshot SnapshotOf(const TrackDecision& decision,
                            const std::optional<RotatorPosition>& reported,
                            const TrackingOptions& options);

/// The tracking core: for one instant, where the source stands, where the
/// rotator should point (offsets, off-source offset, azimuth range with the
/// short way round, elevation limits) and whether to command it. Qt-free, no
/// I/O; the caller hands the decision to a RotatorLink.
class Tracker {
public:
    explicit Tracker(SunMoonLibrary& library) : places_(library) {}

    /// Decides at `utc` for the station and conditions; `reported` is the
    /// rotator's last reported position, if any. Never throws; options the
    /// check refuses give no command and the state "options refused".
    ///
    /// Steps, all in degrees:
    /// 1. The source's place (SkyPlaces::At); off source, the azimuth step
    ///    added at the same elevation.
    /// 2. Below the minimum elevation nothing is commanded: Hold keeps the
    ///    last command; Park parks once, and the next command after the
    ///    source rises is sent at once.
    /// 3. The rotator's coordinates: offsets added, the elevation limited to
    ///    the maximum, the azimuth put into the range (RotatorAzimuthDeg)
    ///    with the last command as reference (where the rotator is going,
    ///    so the choice of way never flips during a long move), else the
    ///    reported azimuth.
    /// 4. Point when there is no last command, or the target is more than
    ///    the threshold in force (ThresholdInForceDeg) from it as an angle
    ///    on the sky (AngleBetweenDeg): near the zenith a large azimuth
    ///    change is a small angle and is not worth a command.
    /// 5. On target (or off source, arrived) when the reported position is
    ///    within OnTargetToleranceInForceDeg of the target on the sky, or
    ///    has stood still for kStandStillS (by `utc`) within
    ///    kOnTargetToleranceDeg of the last command (a controller reporting
    ///    in whole degrees); both in the rotator's own turn.
    TrackDecision Step(const DecodedInstant& utc, const HomeStation& station,
                       const ObservingConditions& conditions, const TrackingOptions& options,
                       std::optional<RotatorPosition> reported);

    /// Off source on or off: the next Step commands at once.
    void SetOffSource(bool off);
    bool OffSource() const { return offSource_; }

    /// Forgets the last command, so the next Step commands at once (after
    /// Stop, a reconnection, or changed options).
    void Reset();

private:
    SkyPlaces places_;
    std::optional<RotatorPosition> lastCommand_;
    bool parked_ = false;
    bool offSource_ = false;
    /// The last reported position and since when (UTC, days) it stands.
    std::optional<RotatorPosition> stillAt_;
    DateTime stillSince_ = 0;
};

} // namespace vantrel

#pragma once

#include "apparent/ObservingConditions.h"
#include "apparent/SkyPlaces.h"
#include "apparent/SkySource.h"
#include "astro/DateTime.h"
#include "station/HomeStation.h"
#include "tracking/Rotator.h"

#include <optional>
#include <string_view>

namespace vantrel {

/// How the rotator counts azimuth, degrees.
enum class AzimuthRange {
    From0To360,        ///< 0..360, north at both ends
    FromMinus180To180, ///< −180..180, south at both ends
    From0To450,        ///< 0..450: 0..90 reachable two ways, the nearer one is taken
};

/// What to do while the source is below the minimum elevation.
enum class WhenBelow { Hold, Park };

/// Everything that decides where the rotator is sent. Angles in degrees,
/// times in seconds.
struct TrackingOptions {
    SkySource Source = SkySource::CassiopeiaA;
    double PeriodS = 1.0;      ///< seconds between commands, 0.2..60
    double ThresholdDeg = 0.5; ///< a new command only when the target moved this far
    AzimuthRange Range = AzimuthRange::From0To360;
    double MinElevationDeg = 0.0;    ///< the source is not followed below this
    double MaxElevationDeg = 90.0;   ///< the rotator is not sent above this
    double AzimuthOffsetDeg = 0.0;   ///< added to the sky's azimuth (rotator not aligned)
    double ElevationOffsetDeg = 0.0; ///< added to the sky's elevation
    /// "Off source": this many degrees of azimuth beside the source, at its
    /// elevation, for the cold-sky half of a Y-factor measurement.
    double OffSourceAzimuthDeg = 10.0;
    WhenBelow Below = WhenBelow::Hold;
    /// Park position; empty for the controller's own ("K").
    std::optional<RotatorPosition> ParkPosition;

    bool operator==(const TrackingOptions&) const = default;
};

/// Why options are refused, as a sentence; empty when accepted.
std::string_view TrackingOptionsProblem(const TrackingOptions& options);

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
    std::string_view
        State; ///< "tracking", "on target", "waiting for the source to rise", "parked", ...
};

/// The tracking core: for one instant, where the source stands, where the
/// rotator should point (offsets, off-source offset, azimuth range with the
/// short way round, elevation limits) and whether to command it. Qt-free, no
/// I/O; the caller hands the decision to a RotatorLink.
class Tracker {
public:
    explicit Tracker(SunMoonLibrary& library) : places_(library) {}

    /// Decides at `utc` for the station and conditions; `reported` is the
    /// rotator's last reported position, if any (it picks the nearer way in
    /// the 0..450 range).
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
};

} // namespace vantrel

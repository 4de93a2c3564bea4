#pragma once

#include "apparent/SkySource.h"

#include <optional>
#include <string>
#include <string_view>

namespace vantrel::scan {

/// The procedures.
enum class ProcedureKind {
    YFactor, ///< K pairs of on-source and off-source readings: Y and G/T
    Cross,   ///< a scan in azimuth and one in elevation: pointing offsets, beamwidths
    Drift,   ///< the antenna held ahead of the source: beamwidth, azimuth error
};

/// "y", "cross", "drift": the names on the command line and in Vanset.ini.
std::string_view ProcedureKey(ProcedureKind kind);
/// The procedure of a key; empty for any other text.
std::optional<ProcedureKind> ProcedureFromKey(std::string_view key);

/// A direction on the sky the user names, degrees: azimuth from north
/// through east, elevation above the horizon.
struct SkyPoint {
    double AzimuthDeg = 0;
    double ElevationDeg = 0;
    bool operator==(const SkyPoint&) const = default;
};

/// How a Y-factor sequence takes its off-source readings.
enum class OffChoice {
    /// East and west of the source in turn, OffBeams beamwidths away on the
    /// sky: a sky gradient cancels; the sky model is not asked.
    Alternate,
    /// Every off reading on the side the sky model finds colder (the
    /// source's azimuth ± OffBeams beamwidths on the sky).
    ColderSide,
    /// "Off source: coldest sky": the coldest sky on the source's elevation
    /// circle (ColdSkyReference), at the same azimuth step from the source
    /// throughout, so at the source's elevation as it moves: the same air
    /// and ground spill-over as on source.
    ColdestSky,
};

/// "alternate", "colder", "coldest": the names in Vanset.ini and on the
/// command line.
std::string_view OffChoiceKey(OffChoice choice);
/// The choice of a key; empty for any other text.
std::optional<OffChoice> OffChoiceFromKey(std::string_view key);

/// Where the rotator is left when a procedure ends, however it ends.
enum class AfterEnd {
    Track, ///< pointed at the source again (the window hands it back to tracking)
    Stop,  ///< stopped where it stands
};

/// Accepted ranges, inclusive; units as in the names.
namespace scan_range {
inline constexpr double kMinBeamwidthDeg = 0.01;
inline constexpr double kMaxBeamwidthDeg = 90.0;
inline constexpr double kMinSettleS = 0.0;
inline constexpr double kMaxSettleS = 600.0;
inline constexpr int kMinPairs = 1;
inline constexpr int kMaxPairs = 100;
inline constexpr double kMinOffBeams = 1.0; ///< nearer, the beam still sees the source
inline constexpr double kMaxOffBeams = 50.0;
inline constexpr double kMinSpanBeams = 0.5;
inline constexpr double kMaxSpanBeams = 20.0;
inline constexpr int kMinPoints = 6; ///< the five values of the fit and one more
inline constexpr int kMaxPoints = 201;
inline constexpr double kMinTauS = 0.1; ///< the radiometer's own limits
inline constexpr double kMaxTauS = 600.0;
} // namespace scan_range

/// Defaults the issue of the procedures names.
inline constexpr int kDefaultPairs = 4;
inline constexpr double kDefaultOffBeams = 4.0;
inline constexpr double kDefaultSpanBeams = 3.0;
inline constexpr int kDefaultPoints = 15;
inline constexpr double kDefaultSettleS = 2.0;

/// How a procedure runs. Angles in degrees, times in seconds.
struct ScanSettings {
    ProcedureKind Procedure = ProcedureKind::YFactor;
    SkySource Source = SkySource::Sun;
    /// The antenna's half-power beamwidth θb, degrees, 0.01..90: the unit of
    /// every offset below, and the start of the beam fit.
    double BeamwidthDeg = 1.0;
    /// The radiometer's integration time τ, seconds (one reading is one
    /// block): for the time estimates and to notice a silent radiometer.
    double TauS = 1.0;
    /// After the rotator has reported itself at a point, seconds, 0..600:
    /// a dish swings on after a move, and the block under way is not taken.
    double SettleS = kDefaultSettleS;

    /// Y-factor: pairs of on and off readings, 1..100.
    int Pairs = kDefaultPairs;
    /// Y-factor: off source at the same elevation, this many beamwidths
    /// away on the sky (the azimuth step is divided by cos(elevation)),
    /// 1..50; pairs alternate east and west of the source.
    double OffBeams = kDefaultOffBeams;
    /// Y-factor: a cold-sky point the user names instead (azimuth and
    /// elevation on the sky, held, not following the source).
    std::optional<SkyPoint> ColdSky;
    /// Y-factor: how the off points are chosen when no cold-sky point is
    /// named (ColdSky and a choice of the sky model together are refused).
    OffChoice OffBy = OffChoice::Alternate;

    /// Cross and drift scans: ± this many beamwidths, 0.5..20.
    double SpanBeams = kDefaultSpanBeams;
    /// Cross-scan: points per axis, 6..201.
    int Points = kDefaultPoints;
    /// Cross-scan: the rotator moves through each axis at its own pace
    /// instead of stopping at each point; every block is a point (so the
    /// integration time sets how close they lie).
    bool Continuous = false;

    AfterEnd After = AfterEnd::Track;

    bool operator==(const ScanSettings&) const = default;
};

/// Why settings are refused, one sentence naming the field and its range;
/// empty when accepted. NaN and infinities are refused.
std::string ScanSettingsProblem(const ScanSettings& settings);

/// The angle on the sky within which the rotator counts as arrived at a
/// point: a tenth of the beamwidth, at least 0.02° (a controller's
/// resolution) and at most 1°, as tracking's "on target" (BeamToleranceDeg).
/// Degrees.
double ArrivalToleranceDeg(double beamwidthDeg);

} // namespace vantrel::scan

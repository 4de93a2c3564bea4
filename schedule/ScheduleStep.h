#pragma once

#include "apparent/SkySource.h"
#include "astro/DateTime.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::schedule {

/// What one line of a schedule asks for.
enum class StepKind {
    At,         ///< wait until a UTC instant
    Lst,        ///< wait until a local sidereal time at the station
    Wait,       ///< wait a number of seconds
    Track,      ///< follow a source for a number of seconds
    Park,       ///< send the rotator to its park position
    Apply,      ///< the last cross or grid offsets into tracking
    Cal,        ///< the calibrator on or off
    Y,          ///< a Y-factor sequence on a source
    Cross,      ///< a cross-scan through a source
    Grid,       ///< an N x N grid around a source
    Drift,      ///< a drift scan of a source
    BeamSwitch, ///< on and off the source alternating each tau
    Record,     ///< power blocks at the present pointing
    Pointing,   ///< cross-scans of several sources for a pointing model
};

/// The word that starts a line of `kind` ("beamswitch").
std::string_view StepWord(StepKind kind);

/// One step of a schedule as read from its line. The options a line leaves
/// out are left empty: the defaults are the settings' (the command line's or
/// the windows'), not the schedule's.
struct ScheduleStep {
    int Line = 0; ///< line number in the file, from 1
    StepKind Kind = StepKind::Wait;
    /// The step as written: the line without its comment, blanks between
    /// words made single ("cross cas span=6").
    std::string Text;
    /// The source (Track, Y, Cross, Grid, Drift, BeamSwitch) or the sources
    /// (Pointing), in the order written.
    std::vector<SkySource> Sources;
    DateTime Utc = 0;                ///< At: the instant, UTC
    double LstHours = 0;             ///< Lst: local sidereal time, hours [0, 24)
    double Seconds = 0;              ///< Wait, Track, BeamSwitch, Record: duration, s
    bool CalOn = false;              ///< Cal: on (true) or off
    std::optional<int> Pairs;        ///< Y: on/off pairs, 1..100
    std::optional<double> OffBeams;  ///< Y: off points, beamwidths from the source, 1..50
    std::optional<double> SpanBeams; ///< Cross, Drift: half the scan's span, beamwidths, 0.5..20
    std::optional<int> Points;       ///< Cross: points per axis, 6..201 (the fit has five values)
    std::optional<int> Size;         ///< Grid: points per side, 3..15
    std::optional<double> SpacingBeams; ///< Grid: spacing, beamwidths, 0.1..2
    std::optional<double>
        ThrowBeams; ///< BeamSwitch: throw in azimuth on the sky, beamwidths, 0.5..20

    /// The one source of a step that has one.
    SkySource Source() const { return Sources.empty() ? SkySource::Sun : Sources.front(); }
    /// Whether the step moves the rotator or reads the receiver (a source
    /// step, park, record) rather than only waiting or switching.
    bool UsesTelescope() const;
};

} // namespace vantrel::schedule

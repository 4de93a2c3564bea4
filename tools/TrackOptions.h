#pragma once

#include "station/HomeStation.h"
#include "tools/ObservingArguments.h"
#include "tools/ToolFiles.h"
#include "tools/ToolStation.h"
#include "tracking/Rotator.h"
#include "tracking/Tracking.h"

#include <span>
#include <string>
#include <string_view>

namespace vantrel {

/// What the command line of `vantrel-track` asks for.
struct TrackCommandLine {
    /// --data FILE, --data-home[=FOLDER]: where the station is read.
    DataArguments Files;
    /// Which of --lat and --lon were given: without a station file both are
    /// needed before a rotator is moved.
    PositionGiven Position;
    /// Source, period (s), threshold (degrees), azimuth range, elevation
    /// limits (degrees), offsets (degrees), what to do below the minimum.
    TrackingOptions Tracking;
    /// Hamlib model (2, a rotctld, by default), device or host:port, baud.
    RotatorSettings Rotator;
    /// --apparent, --refraction P,T,RH, --frequency MHZ.
    ObservingArguments Observing;
    bool Help = false;
};

/// Outcome of reading the command line: empty `Error` means success.
struct ParsedTrack {
    TrackCommandLine Options;
    std::string Error; ///< one line for standard error, "vantrel-track: ..."
};

/// The usage text of `vantrel-track`.
std::string_view TrackUsage();

/// Reads the arguments (without the program name); `--flag value` and
/// `--flag=value` alike (`--data-home=FOLDER` only with "="), the last of a
/// repeated flag counts. `--lat`, `--lon` and `--height` and `--pick` change
/// `station` (which holds what the data file gave); `--pick` without
/// `--source` tracks the picked source. `--source` takes the names every
/// tool takes (tools/SourceArgument.h). `--source` is required
/// unless `--help` is given. Text quoted from the arguments is made safe for
/// a terminal. On error `station` may be partly changed; the caller
/// discards it.
ParsedTrack ParseTrackArguments(std::span<const std::string_view> args, HomeStation& station);

} // namespace vantrel

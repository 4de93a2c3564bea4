#pragma once

#include "station/HomeStation.h"
#include "station/UserMessages.h"
#include "tools/ToolFiles.h"

#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

/// What a tool found of its station.
struct ToolStation {
    ToolFile File;     ///< the station file looked for, and where it was found
    bool Read = false; ///< a record was read from `File.Path`

    /// What the tool says on standard error about the file, one line
    /// starting with `tool` and ": ", or empty:
    /// - found in the data home by the fallback: "vantrel-now: reading
    ///   /home/ann/.local/share/vantrel/Vantrel.dat (no Vantrel.dat here)";
    /// - found nowhere: "vantrel-now: File not found: neither ./Vantrel.dat
    ///   nor /home/ann/.local/share/vantrel/Vantrel.dat exists".
    /// Print it after the checks that may refuse the station, so that a
    /// refusal stays one line.
    std::string Notice(std::string_view tool) const;
};

/// Reads the station of `files` into `station`, as every tool does: nothing
/// when there is no station file (`station` keeps its values); otherwise
/// the last record, a read failure said through `messages` as the planner
/// says it. Its texts (call sign, location, user source name: 8-bit
/// characters in the file) are made UTF-8 with their controls escaped, fit
/// for a terminal and a CSV file; the tools never write the station back.
ToolStation ReadToolStation(const ToolFiles& files, UserMessages& messages, HomeStation& station);

/// Which parts of the position the command line gave (--lat, --lon).
struct PositionGiven {
    bool Latitude = false;
    bool Longitude = false;
};

/// Whether `flag` gives the station on a hardware tool's command line:
/// --lat, --lon (degrees, north and east positive) or --height (metres
/// above sea level).
bool IsStationFlag(std::string_view flag);

/// Puts the value of a station flag (IsStationFlag) into `station` within
/// the station's ranges, noting a latitude or longitude in `given`; the
/// refusal ("--lat: '91' is not a latitude in degrees, -90 to 90") when the
/// value is not taken.
std::optional<std::string> ApplyStationFlag(std::string_view flag, const std::string& value,
                                            HomeStation& station, PositionGiven& given);

/// Why a tool that commands hardware (a rotator, a receiver) must not start
/// with this station, one line without the tool's name naming the files
/// (the caller makes it safe for a terminal), or nothing. It must
/// not when
/// - no station was read and --lat and --lon are not both given;
/// - the station read is at latitude 0, longitude 0 exactly (the empty
///   record a file without a saved station gives) and the command line does
///   not give the position;
/// - a value is out of range (`CheckStation`).
/// A station given on the command line needs no file.
std::optional<std::string> HardwareStationProblem(const ToolStation& read, PositionGiven given,
                                                  const HomeStation& station);

} // namespace vantrel

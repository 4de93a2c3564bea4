#pragma once

#include "astro/DateTime.h"
#include "planner/TableText.h"
#include "station/HomeStation.h"
#include "tools/DateArguments.h"
#include "tools/ObservingArguments.h"
#include "tools/ToolFiles.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vantrel {

/// What the command line of `vantrel-table` asks for.
struct TableOptions {
    /// --data FILE, --data-home[=FOLDER]: where the station is read.
    DataArguments Files;
    std::optional<DateTime> Start; ///< whole UTC day; today when absent
    std::optional<DateTime> End;   ///< whole UTC day; the start date when absent
    std::optional<bool> Daylight;  ///< forced daylight correction; the zone rules when absent
    TableFormat Format = TableFormat::Csv;
    bool Precise = false;
    bool Help = false;
    /// --apparent, --refraction P,T,RH, --frequency MHZ.
    ObservingArguments Observing;
};

/// Outcome of reading the command line: empty `Error` means success.
struct ParsedTable {
    TableOptions Options;
    std::string Error; ///< one line for standard error
};

/// The usage text of `vantrel-table`.
std::string_view TableUsage();

/// Reads the arguments (without the program name). Station overrides are
/// applied to `station`, which holds what the data file gave, in the order
/// they stand on the command line; so `--pick` followed by `--user-name`
/// renames the picked source. Both `--flag value` and `--flag=value` are
/// accepted (`--data-home=FOLDER` only with "="). Dates beyond the Sun and
/// Moon ephemeris, a user source name with control characters or broken
/// UTF-8, and --frequency without --refraction are refused; a longer name
/// is cut to 15 characters, never inside one. On error `station` may be partly changed; the caller
/// discards it and writes nothing anyway.
ParsedTable ParseTableArguments(std::span<const std::string_view> args, HomeStation& station);

} // namespace vantrel

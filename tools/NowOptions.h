#pragma once

#include "tools/ObservingArguments.h"
#include "tools/ToolFiles.h"

#include <span>
#include <string>
#include <string_view>

namespace vantrel {

/// Outcome of reading the command line of `vantrel-now`: empty `Error`
/// means success.
struct ParsedNow {
    /// --apparent, --refraction P,T,RH, --frequency MHZ.
    ObservingArguments Observing;
    /// --data FILE, --data-home[=FOLDER]: where the station is read.
    DataArguments Files;
    bool Help = false; ///< --help or -h: print the usage, read no file
    std::string Error; ///< one line for standard error, without "vantrel-now: "
};

/// The usage text of `vantrel-now`.
std::string_view NowUsage();

/// Reads the arguments (without the program name): the observing options,
/// the options that say where the station is, and --help. Any other
/// argument would suggest a station or an instant other than the ones the
/// positions are computed for, so it is refused rather than ignored; so is
/// --frequency without --refraction, which would change nothing. Arguments
/// quoted in `Error` are escaped with `TerminalSafe`.
ParsedNow ParseNowArguments(std::span<const std::string_view> args);

} // namespace vantrel

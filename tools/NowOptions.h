#pragma once

#include "tools/ObservingArguments.h"

#include <span>
#include <string>
#include <string_view>

namespace vantrel {

/// Outcome of reading the command line of `vantrel-now`: empty `Error`
/// means success.
struct ParsedNow {
    /// --apparent, --refraction P,T,RH, --frequency MHZ.
    ObservingArguments Observing;
    std::string Error; ///< one line for standard error, without "vantrel-now: "
};

/// Reads the arguments (without the program name). Only the observing
/// options are taken: any other argument would suggest a station or an
/// instant other than the ones the positions are computed for, so it is
/// refused rather than ignored. Arguments quoted in `Error` are escaped with
/// `TerminalSafe`.
ParsedNow ParseNowArguments(std::span<const std::string_view> args);

} // namespace vantrel

#pragma once

#include "radiometer/PowerInput.h"
#include "radiometer/ReadingLine.h"

#include <memory>
#include <string>

namespace vantrel {

/// A program of the user's whose output lines carry one power reading each.
struct CommandSettings {
    std::string Command; ///< run by /bin/sh -c
    ReadingUnit Unit = ReadingUnit::Dbm;
    int Column = 1; ///< field of the line holding the reading, from 1

    bool operator==(const CommandSettings&) const = default;
};

/// Runs the command in a process group of its own, standard input from
/// /dev/null, with the default signal handling and mask whatever the caller
/// blocks. Every line of its standard output is a reading (ParseReadingLine),
/// timed when it arrives; a line that is not one is passed on as a note
/// (the first ten of a run), as is every line of its standard error. Close
/// ends the whole group: SIGTERM, then SIGKILL after a second.
///
/// Errors: a command that cannot be started, or that the shell cannot find
/// or run (exit status 127 or 126): Refused. A command that ends otherwise:
/// Retry, with its exit status or signal; the runner starts it again.
std::unique_ptr<PowerInput> MakeCommandInput(const CommandSettings& settings);

} // namespace vantrel

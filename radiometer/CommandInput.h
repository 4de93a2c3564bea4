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
    /// A polled meter: seconds from the command's end to its next run, 0 to
    /// 3600 (0: at once).
    double PollS = 0;

    bool operator==(const CommandSettings&) const = default;
};

/// Runs the command in a process group of its own, standard input from
/// /dev/null, with the default signal handling and mask whatever the caller
/// blocks. Every line of its standard output is a reading (ParseReadingLine),
/// timed when it arrives; a line that is not one is passed on as a note
/// (the first ten of a run), as is every line of its standard error. Close
/// ends the whole group: SIGTERM, then SIGKILL after a second.
///
/// A command that prints readings and exits with status 0 (curl, a meter
/// script that reads once) is a polled meter: Polled, and the runner runs
/// it again after PollS, its readings counting towards the block in
/// progress.
///
/// Errors: a command that cannot be started, or that the shell cannot find
/// or run (exit status 127 or 126): Refused. A command that ends otherwise
/// (another status, a signal, no reading): Retry, with its exit status or
/// signal; the runner starts it again after a pause.
std::unique_ptr<PowerInput> MakeCommandInput(const CommandSettings& settings);

} // namespace vantrel

#pragma once

#include "schedule/ScheduleStep.h"

#include <string>
#include <string_view>
#include <vector>

namespace vantrel::schedule {

/// A line of a schedule that cannot be used.
struct ScheduleError {
    int Line = 0;       ///< from 1
    std::string Reason; ///< a sentence without the line number
    /// "line 4: 'trak' is not a step; ..."
    std::string Describe() const { return "line " + std::to_string(Line) + ": " + Reason; }
};

/// A schedule as read: its steps in order, and every line refused. A
/// schedule with any error is not to be run at all: nothing moves before
/// every line has been read.
struct ScheduleParse {
    std::vector<ScheduleStep> Steps;
    std::vector<ScheduleError> Errors;
    bool Usable() const { return Errors.empty() && !Steps.empty(); }
};

/// Reads a schedule: one step a line, `#` starts a comment, blank lines and
/// comment lines are passed over, words are separated by blanks or tabs, the
/// step word in any case. The language:
///
///     at YYYY-MM-DDTHH:MM[:SS]       wait until that UTC (a trailing Z is taken)
///     lst HH:MM[:SS]                 until that local sidereal time
///     wait SECONDS
///     track SOURCE SECONDS
///     park
///     apply
///     cal on|off
///     y SOURCE [pairs=K] [off-beams=N]
///     cross SOURCE [span=B] [points=N]
///     grid SOURCE [size=N] [spacing=B]
///     drift SOURCE [span=B]
///     beamswitch SOURCE SECONDS [throw=B]
///     record SECONDS
///     pointing SOURCE [SOURCE...]
///
/// SOURCE as every tool takes it (`SkySourceFromName`: "cas", "Cassiopeia-A",
/// "sun"). Numbers take a decimal point (a decimal comma is refused with a
/// hint); durations are seconds, 0 < s <= 172 800 (two days). A schedule
/// with no step at all is refused as one error on line 0.
ScheduleParse ParseSchedule(std::string_view text);

/// How a step of `kind` is written, for refusals and help
/// ("cross SOURCE [span=B] [points=N]").
std::string_view StepUsage(StepKind kind);

} // namespace vantrel::schedule

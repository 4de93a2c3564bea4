#pragma once

#include "astro/DateTime.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantrel::schedule {

/// How a step of a schedule ended.
enum class StepStatus {
    Ok,         ///< done as asked
    Partial,    ///< stopped part-way (a time-out, a signal, the rotator lost): results partial
    Skipped,    ///< not done, for a reason that is no fault (the source below the limits)
    Failed,     ///< not done for a fault (no receiver, a refused command)
    DoneBefore, ///< ended in an earlier run of the same schedule and not repeated
};

/// "ok", "partial", "skipped", "failed", "done-before".
std::string_view StatusWord(StepStatus status);
/// The status of one of those words; none for any other.
std::optional<StepStatus> StatusFromWord(std::string_view word);

/// The header of the lines `OutcomeLine` writes.
inline constexpr std::string_view kOutcomeHeader =
    "step,line,utc_start,utc_end,command,status,summary";

/// What one step gave.
struct StepOutcome {
    int Step = 0; ///< its place in the schedule, from 1
    int Line = 0; ///< its line in the file, from 1
    DateTime UtcStart = 0;
    DateTime UtcEnd = 0;
    std::string Command; ///< the step as written (ScheduleStep::Text)
    StepStatus Status = StepStatus::Ok;
    /// Its results as name=value pairs separated by ";" (`SummaryText`).
    std::string Summary;

    bool operator==(const StepOutcome&) const = default;
};

/// The results `pairs` as "y_db=3.012;y_sigma_db=0.034": a ";" or a line
/// break inside a value becomes ",", a blank, so the summary stays one field
/// that splits back into its pairs.
std::string SummaryText(const std::vector<std::pair<std::string, std::string>>& pairs);

/// "2026-12-10T18:00:05Z": a UTC instant to the second, as the outcome
/// lines write it.
std::string OutcomeTime(DateTime utc);
/// The instant of `OutcomeTime`'s text; none for any other.
std::optional<DateTime> OutcomeTimeFrom(std::string_view text);

/// One CSV line of `outcome` under `kOutcomeHeader` (without a line break).
std::string OutcomeLine(const StepOutcome& outcome);
/// The outcome of such a line; none when it is not one.
std::optional<StepOutcome> OutcomeFromLine(std::string_view line);

} // namespace vantrel::schedule

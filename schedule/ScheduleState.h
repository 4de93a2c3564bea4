#pragma once

#include "schedule/ScheduleParser.h"
#include "schedule/StepOutcome.h"

#include <optional>
#include <string>
#include <vector>

namespace vantrel::schedule {

/// Which steps of a schedule have ended, kept beside the schedule so a run
/// after a crash, a power cut or a kill -9 goes on where the night stopped.
///
/// The file (`StatePath`) holds a first line "# vantrel-observe state",
/// the schedule's fingerprint ("schedule KEY"), the outcome header and one
/// outcome line per ended step. It is written whole after every step: to a
/// new file in the same folder, synced, renamed over the old one and the
/// folder synced, so a reader finds the state before or after the step,
/// never a half of it.
///
/// The fingerprint is taken from the steps as written (not from comments,
/// blank lines or the steps' line numbers): a schedule edited after some of
/// its steps ran is not taken for the one the state belongs to.
struct ScheduleState {
    std::string Fingerprint;
    std::vector<StepOutcome> Ended; ///< in the order the steps ended

    /// The outcome of step `step` (from 1) when it ended; none when it has
    /// not, or was running when the run stopped (a crash leaves no outcome;
    /// the runner records none for a step a signal cut short either), so
    /// that it runs again from its start.
    const StepOutcome* Of(int step) const;
};

/// "night.txt.state" beside "night.txt".
std::string StatePath(const std::string& schedulePath);

/// The fingerprint of `parse`'s steps: 16 hexadecimal digits (FNV-1a, 64 bits)
/// of their texts, one a line.
std::string ScheduleFingerprint(const ScheduleParse& parse);

/// Reads the state at `path` into `state`. No file: an empty state and no
/// failure. Returns a sentence when the file cannot be read or is not a
/// state file; a damaged outcome line (cut by a crash of an older program)
/// is passed over.
std::optional<std::string> ReadScheduleState(const std::string& path, ScheduleState& state);

/// Writes `state` to `path` as described above; a sentence when it fails.
std::optional<std::string> WriteScheduleState(const std::string& path, const ScheduleState& state);

} // namespace vantrel::schedule

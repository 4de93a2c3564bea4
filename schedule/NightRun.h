#pragma once

#include "schedule/NightRunner.h"
#include "schedule/ScheduleParser.h"
#include "schedule/ScheduleState.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::schedule {

/// What a schedule asks of the settings, line by line, before anything
/// moves: a y step needs the observing frequency (for G/T) and on the Sun
/// its flux; a cal step its command.
std::vector<ScheduleError> CheckNight(const ScheduleParse& parse, const NightSettings& settings,
                                      bool frequencyGiven);

/// The state a run starts from: the one at `statePath` when it belongs to
/// this schedule, none with `restart`. A sentence when the file cannot be
/// read or was written for other steps.
std::optional<std::string> StartingState(const ScheduleParse& parse, const std::string& statePath,
                                         bool restart, ScheduleState& state);

/// How a run ended.
struct NightEnd {
    /// Every step ended ok or skipped (a step done before counting as it
    /// ended then).
    bool AllWell = true;
    bool Interrupted = false;  ///< a stop cut a step short
    bool OutputFailed = false; ///< `emit` refused an outcome
};

/// Runs the steps in order: a step `state` has ended is reported
/// done-before (its first run's times and summary) and not run again, but
/// what it left is remembered (NightRunner::Remember); the others run, and
/// each that ends is added to the state, written at `statePath` at once.
/// A step a stop cut short is emitted as partial but not recorded, so it
/// runs again next time; no step starts after it. `emit` gets each outcome
/// as it comes and returns false when it cannot take it (the run then
/// ends); `say` the progress sentences.
NightEnd RunNight(const ScheduleParse& parse, ScheduleState& state, const std::string& statePath,
                  NightRunner& runner, const std::function<bool(const StepOutcome&)>& emit,
                  const std::function<void(const std::string&)>& say);

} // namespace vantrel::schedule

#include "schedule/NightRun.h"

namespace vantrel::schedule {

std::vector<ScheduleError> CheckNight(const ScheduleParse& parse, const NightSettings& settings,
                                      bool frequencyGiven) {
    std::vector<ScheduleError> errors;
    for (const ScheduleStep& step : parse.Steps) {
        if (step.Kind == StepKind::Y && !frequencyGiven) {
            errors.push_back({step.Line, "y needs --frequency MHZ for G/T"});
        }
        if (step.Kind == StepKind::Y && step.Source() == SkySource::Sun && !settings.SolarFluxSfu) {
            errors.push_back({step.Line, "y on the Sun needs --flux-sfu SFU: its flux today at "
                                         "the observing frequency"});
        }
        if (step.Kind == StepKind::Cal &&
            (step.CalOn ? settings.CalOnCommand : settings.CalOffCommand).empty()) {
            errors.push_back({step.Line, step.CalOn ? "cal on needs --cal-on CMD"
                                                    : "cal off needs --cal-off CMD"});
        }
    }
    return errors;
}

std::optional<std::string> StartingState(const ScheduleParse& parse, const std::string& statePath,
                                         bool restart, ScheduleState& state) {
    state = {};
    if (!restart) {
        if (auto failed = ReadScheduleState(statePath, state)) {
            return failed;
        }
    }
    const std::string fingerprint = ScheduleFingerprint(parse);
    if (!state.Ended.empty() && state.Fingerprint != fingerprint) {
        return "the state " + statePath +
               " belongs to another version of the schedule (its steps changed): run with "
               "--restart to run it all again";
    }
    state.Fingerprint = fingerprint;
    if (restart) {
        state.Ended.clear();
    }
    return std::nullopt;
}

NightEnd RunNight(const ScheduleParse& parse, ScheduleState& state, const std::string& statePath,
                  NightRunner& runner, const std::function<bool(const StepOutcome&)>& emit,
                  const std::function<void(const std::string&)>& say) {
    NightEnd end;
    for (std::size_t i = 0; i < parse.Steps.size(); ++i) {
        const ScheduleStep& step = parse.Steps[i];
        const int number = static_cast<int>(i) + 1;
        StepOutcome outcome;
        // A step done before counts as it ended then: a failure of the
        // first run is not made a success by the second.
        StepStatus counted = StepStatus::Ok;
        if (const StepOutcome* before = state.Of(number)) {
            outcome = *before;
            counted = before->Status;
            runner.Remember(step, *before);
            outcome.Line = step.Line;
            outcome.Status = StepStatus::DoneBefore;
        } else {
            say("step " + std::to_string(number) + " of " + std::to_string(parse.Steps.size()) +
                ", line " + std::to_string(step.Line) + ": " + step.Text);
            outcome.Step = number;
            outcome.Line = step.Line;
            outcome.Command = step.Text;
            outcome.UtcStart = runner.Now();
            const StepResult r = runner.Run(step);
            outcome.UtcEnd = runner.Now();
            outcome.Status = r.Status;
            counted = r.Status;
            outcome.Summary = SummaryText(r.Summary);
            if (!r.Interrupted) {
                state.Ended.push_back(outcome);
                if (const auto failed = WriteScheduleState(statePath, state)) {
                    say(*failed);
                }
            }
        }
        end.AllWell = end.AllWell && (counted == StepStatus::Ok || counted == StepStatus::Skipped);
        if (!emit(outcome)) {
            end.OutputFailed = true;
            return end;
        }
        if (runner.Interrupted()) {
            end.Interrupted = true;
            say("interrupted: the rotator stopped; step " + std::to_string(number) +
                " runs again when the schedule is run again");
            return end;
        }
    }
    return end;
}

} // namespace vantrel::schedule

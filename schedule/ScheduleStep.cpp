#include "schedule/ScheduleStep.h"

namespace vantrel::schedule {

std::string_view StepWord(StepKind kind) {
    switch (kind) {
    case StepKind::At:
        return "at";
    case StepKind::Lst:
        return "lst";
    case StepKind::Wait:
        return "wait";
    case StepKind::Track:
        return "track";
    case StepKind::Park:
        return "park";
    case StepKind::Apply:
        return "apply";
    case StepKind::Cal:
        return "cal";
    case StepKind::Y:
        return "y";
    case StepKind::Cross:
        return "cross";
    case StepKind::Grid:
        return "grid";
    case StepKind::Drift:
        return "drift";
    case StepKind::BeamSwitch:
        return "beamswitch";
    case StepKind::Record:
        return "record";
    case StepKind::Pointing:
        return "pointing";
    }
    return "?";
}

bool ScheduleStep::UsesTelescope() const {
    switch (Kind) {
    case StepKind::At:
    case StepKind::Lst:
    case StepKind::Wait:
    case StepKind::Apply:
    case StepKind::Cal:
        return false;
    default:
        return true;
    }
}

} // namespace vantrel::schedule

// Fuzz target: a night's schedule as vantrel-observe and the Schedule window
// read it, and the outcome lines its state file keeps.
//
// Input: the first byte chooses between a schedule and an outcome line; the
// rest is the text. Properties:
//  - any bytes read without failing; every step has a line number, later
//    than the step before, and a text without blanks at its ends; every
//    refusal names a line of the text (0 only for a schedule without steps);
//  - the steps written again, one a line, read back as the same steps with
//    no refusal, and give the same fingerprint;
//  - an outcome line read from any text, written again, reads back the same.

#include "fuzz/FuzzCheck.h"
#include "schedule/ScheduleParser.h"
#include "schedule/ScheduleState.h"
#include "schedule/StepOutcome.h"

#include <algorithm>
#include <string>

using namespace vantrel;
using namespace vantrel::schedule;

namespace {

bool SameStep(const ScheduleStep& a, const ScheduleStep& b) {
    return a.Kind == b.Kind && a.Text == b.Text && a.Sources == b.Sources && a.Utc == b.Utc &&
           a.LstHours == b.LstHours && a.Seconds == b.Seconds && a.CalOn == b.CalOn &&
           a.Pairs == b.Pairs && a.OffBeams == b.OffBeams && a.SpanBeams == b.SpanBeams &&
           a.Points == b.Points && a.Size == b.Size && a.SpacingBeams == b.SpacingBeams &&
           a.ThrowBeams == b.ThrowBeams;
}

void Schedule(std::string_view text) {
    const ScheduleParse parse = ParseSchedule(text);
    const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
    int last = 0;
    for (const ScheduleStep& s : parse.Steps) {
        FUZZ_CHECK(s.Line > last && s.Line <= lines);
        last = s.Line;
        FUZZ_CHECK(!s.Text.empty() && s.Text.front() != ' ' && s.Text.back() != ' ');
        FUZZ_CHECK(s.Text.find('\n') == std::string::npos);
    }
    for (const ScheduleError& e : parse.Errors) {
        FUZZ_CHECK(e.Line >= 0 && e.Line <= lines && !e.Reason.empty());
        FUZZ_CHECK(e.Line > 0 || (parse.Steps.empty() && parse.Errors.size() == 1));
    }
    std::string again;
    for (const ScheduleStep& s : parse.Steps) {
        again += s.Text + "\n";
    }
    const ScheduleParse reread = ParseSchedule(again);
    if (parse.Steps.empty()) {
        return;
    }
    FUZZ_CHECK(reread.Errors.empty());
    FUZZ_CHECK(reread.Steps.size() == parse.Steps.size());
    for (std::size_t i = 0; i < parse.Steps.size(); ++i) {
        FUZZ_CHECK(SameStep(parse.Steps[i], reread.Steps[i]));
    }
    FUZZ_CHECK(ScheduleFingerprint(parse) == ScheduleFingerprint(reread));
}

void Outcome(std::string_view text) {
    const std::optional<StepOutcome> o = OutcomeFromLine(text);
    if (!o) {
        return;
    }
    const std::optional<StepOutcome> back = OutcomeFromLine(OutcomeLine(*o));
    FUZZ_CHECK(back.has_value());
    // The times are read to the second, so they write back as they were.
    FUZZ_CHECK(back->Step == o->Step && back->Line == o->Line && back->Status == o->Status);
    FUZZ_CHECK(OutcomeTime(back->UtcStart) == OutcomeTime(o->UtcStart));
    FUZZ_CHECK(OutcomeTime(back->UtcEnd) == OutcomeTime(o->UtcEnd));
    // A line break is written as a blank (the state is read line by line).
    std::string command = o->Command;
    std::replace(command.begin(), command.end(), '\n', ' ');
    std::replace(command.begin(), command.end(), '\r', ' ');
    std::string summary = o->Summary;
    std::replace(summary.begin(), summary.end(), '\n', ' ');
    std::replace(summary.begin(), summary.end(), '\r', ' ');
    FUZZ_CHECK(back->Command == command && back->Summary == summary);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    if ((data[0] & 1U) == 0) {
        Schedule(text);
    } else {
        Outcome(text);
    }
    return 0;
}

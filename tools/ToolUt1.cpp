#include "tools/ToolUt1.h"

#include "apparent/EarthOrientation.h"
#include "tools/TerminalText.h"

namespace vantrel {

ToolUt1Outcome AttachToolUt1(ObservingArguments& observing, const ToolFiles& files,
                             std::string_view tool, bool withoutApparent) {
    ToolUt1Outcome outcome;
    observing.Conditions.Ut1 = nullptr;
    if (!observing.Conditions.Apparent && !withoutApparent) {
        return outcome;
    }
    const std::string prefix = std::string(tool) + ": ";
    std::string path = observing.IersFile;
    if (path.empty()) {
        for (const std::string_view name : kIersFileNames) {
            if (const ToolFile found = files.Find(name); !found.Path.empty()) {
                path = found.Path;
                break;
            }
        }
        if (path.empty()) {
            return outcome; // no file: UT1 = UTC, as always without one
        }
    }
    const EarthOrientationReading reading = LoadEarthOrientation(path);
    if (!reading.Table) {
        if (!observing.IersFile.empty()) {
            outcome.Refusal = prefix + "--iers: " + TerminalSafe(reading.Problem);
        } else {
            outcome.Notice = prefix + TerminalSafe(reading.Problem) + " UT1 = UTC is used.";
        }
        return outcome;
    }
    if (!reading.Notice.empty()) {
        outcome.Notice = prefix + TerminalSafe(reading.Notice);
    }
    observing.Conditions.Ut1 = reading.Table;
    return outcome;
}

} // namespace vantrel

#include "app/PlannerArguments.h"

#include "tools/CommandLineFlag.h"
#include "tools/TerminalText.h"

namespace vantrel {

namespace {

constexpr std::string_view kUsage =
    "usage: vantrel [--data-home[=FOLDER]]\n"
    "\n"
    "Starts the planner in the current folder, where Vantrel.dat (the station),\n"
    "Vanset.ini (the window and the observing settings) and Vantrel.chm (the help)\n"
    "are kept. --data-home works in $XDG_DATA_HOME/vantrel instead (by default\n"
    "~/.local/share/vantrel), or in FOLDER; the folder is created when missing,\n"
    "and a new Vanset.ini opens the window at its design size. The desktop\n"
    "menu starts the planner this way.\n";

} // namespace

PlannerArguments ParsePlannerArguments(const std::vector<std::string>& args) {
    PlannerArguments parsed;
    for (const std::string& arg : args) {
        const auto [flag, value] = CommandLineFlag::Of(arg);
        if ((flag == "--help" || flag == "-h") && !value) {
            parsed.Help = true;
        } else if (flag == "--data-home") {
            if (value && value->empty()) {
                parsed.Problem = "--data-home= needs a folder (try --help)";
                return parsed;
            }
            parsed.DataHome = true;
            parsed.DataFolder = value ? std::string(*value) : std::string();
        } else {
            parsed.Problem = "unknown option '" + TerminalSafe(arg) + "' (try --help)";
            return parsed;
        }
    }
    return parsed;
}

std::string_view PlannerUsage() {
    return kUsage;
}

} // namespace vantrel

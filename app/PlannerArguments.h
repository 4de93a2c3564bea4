#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

/// The planner's command line, once Qt has taken its own options (-platform,
/// -style, ...) out of it.
struct PlannerArguments {
    bool Help = false;     ///< --help or -h: print the usage and exit 0
    bool Version = false;  ///< --version: print the version line and exit 0
    bool DataHome = false; ///< --data-home: work in a folder of the user's own
    /// The folder of --data-home=FOLDER as given; empty for --data-home alone,
    /// which means the XDG data folder (see app/DataHome.h).
    std::string DataFolder;
    /// Why the command line was refused, a sentence safe to print on a
    /// terminal; empty when it was accepted.
    std::string Problem;
};

/// Reads `args` (the arguments after the program's name). Without arguments
/// the planner works in the current folder, as it always has. An argument
/// that is not one of the above, or --data-home= with no folder, is refused
/// (the first such argument is named); --help and --version are still seen
/// on a line that is refused, so the caller answers them first.
PlannerArguments ParsePlannerArguments(const std::vector<std::string>& args);

/// `args` without the options the application object takes for itself
/// (-platform NAME, -style=NAME, -reverse, -display NAME, ...; each also
/// with two dashes, as Qt takes them), so that the command line can be
/// judged before any window system is reached: without a display, Qt ends
/// the program as soon as the application object is made.
std::vector<std::string> WithoutQtOptions(const std::vector<std::string>& args);

/// The usage text of `vantrel`, ending in a newline.
std::string_view PlannerUsage();

/// The answer to --version: "vantrel " and `version`, ending in a newline.
std::string PlannerVersionLine(std::string_view version);

} // namespace vantrel

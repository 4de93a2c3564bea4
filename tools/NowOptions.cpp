#include "tools/NowOptions.h"

#include "tools/CommandLineFlag.h"
#include "tools/TerminalText.h"

namespace vantrel {

namespace {

constexpr std::string_view kUsage =
    "usage: vantrel-now [--data FILE | --data-home[=FOLDER]]\n"
    "                   [--apparent [--iers FILE]]\n"
    "                   [--refraction P,T,RH [--frequency MHZ]]\n"
    "\n"
    "Prints the positions of the nine sources of the real-time display at this\n"
    "moment, for the station in ./Vantrel.dat, else in the planner's data folder\n"
    "($XDG_DATA_HOME/vantrel, by default ~/.local/share/vantrel), where the\n"
    "planner started from the desktop menu keeps it. --data FILE reads FILE,\n"
    "--data-home[=FOLDER] that folder only. --apparent shows the fixed sources\n"
    "at their apparent places of date, with UT1 - UTC from the IERS file of\n"
    "--iers FILE, else from the first finals2000A.all, .daily or .data found as\n"
    "the station file is (UT1 = UTC without one); --refraction refracts every\n"
    "elevation for the pressure (hPa), temperature (degrees C) and relative\n"
    "humidity (%) given, at the observing frequency, which matters for nothing\n"
    "else here.\n";

} // namespace

std::string_view NowUsage() {
    return kUsage;
}

ParsedNow ParseNowArguments(std::span<const std::string_view> args) {
    ParsedNow parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        auto [flag, value] = CommandLineFlag::Of(args[i]);
        if ((flag == "--help" || flag == "-h") && !value) {
            parsed.Help = true;
            continue;
        }
        const bool observing = ObservingArguments::Owns(flag);
        if (!observing && !DataArguments::Owns(flag)) {
            parsed.Error = "unexpected argument '" + TerminalSafe(args[i]) +
                           "' (it takes --data FILE, --data-home[=FOLDER], --apparent, "
                           "--iers FILE, --refraction P,T,RH, --frequency MHZ; try --help)";
            return parsed;
        }
        const bool takesNext =
            observing ? ObservingArguments::TakesValue(flag) : DataArguments::TakesNextValue(flag);
        if (!value && takesNext && i + 1 < args.size()) {
            value = args[++i];
        }
        auto refused =
            observing ? parsed.Observing.Apply(flag, value) : parsed.Files.Apply(flag, value);
        if (refused) {
            parsed.Error = TerminalSafe(*refused);
            return parsed;
        }
    }
    if (auto missing = parsed.Observing.Missing()) {
        parsed.Error = *missing;
    } else if (auto unused = parsed.Observing.Unused()) {
        parsed.Error = *unused;
    } else if (auto iers = parsed.Observing.IersUnused()) {
        parsed.Error = *iers;
    }
    return parsed;
}

} // namespace vantrel

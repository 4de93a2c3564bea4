// Fuzz target: the command line of vantrel-power.
//
// Input: the arguments, separated by zero bytes. Properties:
//  - a refused command line gives one terminal-safe line "vantrel-power: ...";
//  - an accepted one has integration settings the radiometer accepts and a
//    duration, when given, that is a positive number of seconds.

#include "fuzz/ArgumentChecks.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/TextChecks.h"
#include "tools/PowerOptions.h"

#include <cmath>

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string_view> args = fuzz::SplitArguments(data, size);
    const ParsedPower parsed = ParsePowerArguments(args);
    if (!fuzz::AcceptedOptions(parsed, "vantrel-power: ")) {
        return 0;
    }
    FUZZ_CHECK(IntegrationSettingsProblem(parsed.Options.Integration).empty());
    if (parsed.Options.DurationS) {
        FUZZ_CHECK(std::isfinite(*parsed.Options.DurationS) && *parsed.Options.DurationS > 0);
    }
    return 0;
}

// Fuzz target: the command line of vantrel-now.
//
// Input: the arguments, separated by zero bytes. Properties:
//  - a refused command line gives one message line a terminal shows as it
//    is, whatever the arguments hold;
//  - an accepted one gives observing conditions in their ranges (refraction
//    needs no frequency);
//  - any argument other than the observing options, the data options and
//    --help is refused.

#include "fuzz/FuzzCheck.h"
#include "fuzz/TextChecks.h"
#include "tools/CommandLineFlag.h"
#include "tools/NowOptions.h"
#include "tools/ToolFiles.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string_view> args = fuzz::SplitArguments(data, size);
    const ParsedNow parsed = ParseNowArguments(args);
    if (!parsed.Error.empty()) {
        FUZZ_CHECK(fuzz::SafeLine(parsed.Error));
        return 0;
    }
    if (parsed.Help) {
        return 0; // the usage, whatever else was given
    }
    FUZZ_CHECK(ValidateConditions(parsed.Observing.Conditions).empty());
    FUZZ_CHECK(!parsed.Observing.Missing());
    // Every argument was an observing option or the value of the one before.
    bool valueNext = false;
    for (const std::string_view a : args) {
        if (valueNext) {
            valueNext = false;
            continue;
        }
        const CommandLineFlag f = CommandLineFlag::Of(a);
        const bool observing = ObservingArguments::Owns(f.Flag);
        FUZZ_CHECK(observing || DataArguments::Owns(f.Flag));
        valueNext = !f.InlineValue && (observing ? ObservingArguments::TakesValue(f.Flag)
                                                 : DataArguments::TakesNextValue(f.Flag));
    }
    return 0;
}

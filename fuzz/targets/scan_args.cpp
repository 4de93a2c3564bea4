// Fuzz target: the command line of vantrel-scan.
//
// Input: the arguments, separated by zero bytes. Properties:
//  - a refused command line gives one terminal-safe line "vantrel-scan: ...";
//  - an accepted one has procedure settings the procedures accept, tracking
//    options the tracking core accepts, integration settings the radiometer
//    accepts and observing conditions in their ranges.

#include "apparent/ObservingConditions.h"
#include "fuzz/ArgumentChecks.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/TextChecks.h"
#include "tools/ScanOptions.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string_view> args = fuzz::SplitArguments(data, size);
    HomeStation station;
    station.Latitude = 52.5L;
    station.Longitude = 13.4L;
    const ParsedScan parsed = ParseScanArguments(args, station);
    if (!fuzz::AcceptedOptions(parsed, "vantrel-scan: ")) {
        return 0;
    }
    FUZZ_CHECK(scan::ScanSettingsProblem(parsed.Options.Scan).empty());
    FUZZ_CHECK(TrackingOptionsProblem(parsed.Options.Pointing).empty());
    FUZZ_CHECK(IntegrationSettingsProblem(parsed.Options.Radiometer.Integration).empty());
    FUZZ_CHECK(ValidateConditions(parsed.Options.Observing.Conditions).empty());
    return 0;
}

// Fuzz target: the command line of vantrel-track.
//
// Input: the arguments, separated by zero bytes. Properties:
//  - a refused command line gives one terminal-safe line "vantrel-track: ...";
//  - an accepted one has tracking options the tracking core accepts, a
//    rotator model number that is positive, and observing conditions in
//    their ranges.

#include "apparent/ObservingConditions.h"
#include "fuzz/ArgumentChecks.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/TextChecks.h"
#include "tools/TrackOptions.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string_view> args = fuzz::SplitArguments(data, size);
    HomeStation station;
    station.Latitude = 52.5L;
    station.Longitude = 13.4L;
    const ParsedTrack parsed = ParseTrackArguments(args, station);
    if (!fuzz::AcceptedOptions(parsed, "vantrel-track: ")) {
        return 0;
    }
    FUZZ_CHECK(TrackingOptionsProblem(parsed.Options.Tracking).empty());
    FUZZ_CHECK(parsed.Options.Rotator.Model > 0);
    FUZZ_CHECK(parsed.Options.Rotator.SerialSpeed >= 0);
    FUZZ_CHECK(ValidateConditions(parsed.Options.Observing.Conditions).empty());
    return 0;
}

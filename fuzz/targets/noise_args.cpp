// Fuzz target: the command line of vantrel-noise.
//
// Input: the arguments, separated by zero bytes. Properties:
//  - a refused command line gives one message line a terminal shows as it
//    is, prefixed "vantrel-noise: ";
//  - an accepted one holds only checked numbers: every number positive and
//    finite, the efficiency in (0, 1], the Y-factor above 0 dB, the solar
//    flux table's frequencies and fluxes positive; a frequency in range;
//    the station's position in range; an instant that is a real one.

#include "fuzz/ArgumentChecks.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/TextChecks.h"
#include "station/StationCheck.h"
#include "tools/NoiseOptions.h"

#include <cmath>

using namespace vantrel;

namespace {

void Positive(const std::optional<double>& v) {
    if (v) {
        FUZZ_CHECK(std::isfinite(*v) && *v > 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string_view> args = fuzz::SplitArguments(data, size);
    HomeStation station;
    const ParsedNoise parsed = ParseNoiseArguments(args, station);
    if (!fuzz::AcceptedOptions(parsed, "vantrel-noise: ")) {
        return 0;
    }
    const NoiseOptions& o = parsed.Options;
    Positive(o.DishM);
    Positive(o.Efficiency);
    Positive(o.GainDbi);
    Positive(o.TsysK);
    Positive(o.SolarSfu);
    Positive(o.MeasuredYDb);
    if (o.Efficiency) {
        FUZZ_CHECK(*o.Efficiency <= 1);
    }
    FUZZ_CHECK(std::isfinite(o.MoonBrightnessK) && o.MoonBrightnessK > 0);
    for (const auto& point : o.SolarTable) {
        FUZZ_CHECK(std::isfinite(point.FrequencyMHz) && point.FrequencyMHz > 0);
        FUZZ_CHECK(std::isfinite(point.Sfu) && point.Sfu > 0);
    }
    FUZZ_CHECK(ValidateConditions(o.Observing.Conditions).empty());
    FUZZ_CHECK(CheckStation(station).empty());
    if (o.Utc) {
        FUZZ_CHECK(std::isfinite(*o.Utc));
        const double year = DecimalYear(*o.Utc);
        FUZZ_CHECK(std::isfinite(year));
    }
    return 0;
}

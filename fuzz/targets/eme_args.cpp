// Fuzz target: the command line of vantrel-eme.
//
// Input: the arguments, separated by zero bytes. Properties:
//  - a refused command line gives one message line that a terminal shows
//    as it is, prefixed "vantrel-eme: ";
//  - an accepted one leaves a station the program can use, a DX station in
//    range, observing conditions in their ranges (a frequency with
//    refraction), minimum elevations of -5..90 and dates within the Sun and
//    Moon positions in order, never --time with a range; and at an accepted
//    instant the EME values of both stations can be computed.

#include "astro/EphemerisSpan.h"
#include "eme/EmeCalculator.h"
#include "fuzz/ArgumentChecks.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/TextChecks.h"
#include "station/StationCheck.h"
#include "tools/EmeOptions.h"

#include <cmath>

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string_view> args = fuzz::SplitArguments(data, size);
    HomeStation station;
    station.Latitude = 52.5L;
    station.Longitude = 13.4L;
    station.HeightAsl = 40;
    station.CalcInterval = 30;
    const ParsedEme parsed = ParseEmeArguments(args, station);
    if (!fuzz::AcceptedOptions(parsed, "vantrel-eme: ")) {
        return 0;
    }
    const EmeCommandLine& o = parsed.Options;
    FUZZ_CHECK(CheckStation(station).empty());
    FUZZ_CHECK(station.CalcInterval >= 1);
    FUZZ_CHECK(ValidateConditions(o.Observing.Conditions).empty());
    FUZZ_CHECK(!o.Observing.Missing());
    FUZZ_CHECK(!(o.Time && o.HasRange()));
    for (const double e : {o.HomeMinElevationDeg, o.DxMinElevationDeg}) {
        FUZZ_CHECK(e >= eme::kLowestMinElevationDeg && e <= eme::kHighestMinElevationDeg);
    }
    for (const auto& day : {o.Start, o.End}) {
        if (day) {
            FUZZ_CHECK(*day == std::floor(*day) && WithinEphemerisSpan(*day));
        }
    }
    if (o.Start && o.End) {
        FUZZ_CHECK(*o.Start <= *o.End);
    }
    std::optional<eme::EmeSite> dx;
    if (o.Dx) {
        dx = o.Dx->Site;
        FUZZ_CHECK(std::fabs(dx->LatitudeDeg) <= 90 && std::fabs(dx->LongitudeDeg) <= 180);
        FUZZ_CHECK(dx->HeightM >= -11000 && dx->HeightM <= 100000);
    }
    if (o.Time) {
        FUZZ_CHECK(WithinEphemerisSpan(*o.Time));
        eme::EmeCalculator calc({static_cast<double>(station.Latitude),
                                 static_cast<double>(station.Longitude),
                                 static_cast<double>(station.HeightAsl)},
                                dx, o.Observing.Conditions);
        const eme::EmeMoment m = calc.At(eme::UtcSecondsOf(*o.Time));
        FUZZ_CHECK(m.Valid && std::isfinite(m.PathLossDb) && std::isfinite(m.EchoDopplerHz));
        FUZZ_CHECK(!dx || std::isfinite(m.PolarisationOffsetDeg));
    }
    return 0;
}

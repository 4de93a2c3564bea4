// Fuzz target: a file of Earth orientation in the IERS finals2000A format,
// as the programs read it from the data folder or --iers FILE.
//
// Input: the file's bytes. Properties:
//  - nothing usable gives one problem sentence, no table;
//  - a table has its days in strictly increasing MJD of 1900..2100 with
//    |UT1 − UTC| <= 1 s, and the skipped count its notice gives;
//  - UT1 − UTC anywhere (inside, at and beyond both ends, NaN) is finite
//    and within 2 s (a leap second between two days of ±1 s), 0 outside the
//    span and in long gaps.

#include "apparent/EarthOrientation.h"
#include "fuzz/FuzzCheck.h"

#include <cmath>
#include <limits>

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const EarthOrientationReading r = ReadEarthOrientation(text, "finals2000A.all");
    if (!r.Table) {
        FUZZ_CHECK(!r.Problem.empty());
        FUZZ_CHECK(r.Notice.empty());
        return 0;
    }
    FUZZ_CHECK(r.Problem.empty());
    const EarthOrientation& t = *r.Table;
    FUZZ_CHECK(!t.Days().empty());
    FUZZ_CHECK(r.Notice.empty() == (t.SkippedLines() == 0));
    double previous = -std::numeric_limits<double>::infinity();
    for (const EarthOrientation::Day& d : t.Days()) {
        FUZZ_CHECK(d.Mjd > previous && d.Mjd >= 15020.0 && d.Mjd < 88434.0);
        FUZZ_CHECK(std::fabs(d.Ut1MinusUtcSeconds) <= 1.0);
        previous = d.Mjd;
    }
    const double first = t.FirstMjd();
    const double last = t.LastMjd();
    for (const double mjd :
         {first, last, first - 1e-6, last + 1e-6, 0.5 * (first + last), first + 0.37, last - 0.37,
          -1e300, 1e300, std::numeric_limits<double>::quiet_NaN()}) {
        const Ut1Offset o = t.At(mjd);
        FUZZ_CHECK(std::isfinite(o.Ut1MinusUtcSeconds));
        FUZZ_CHECK(std::fabs(o.Ut1MinusUtcSeconds) <= 2.0 + 1e-9);
        const bool inside = mjd >= first && mjd <= last;
        const bool held = mjd > last && mjd <= last + kUt1HoldDays;
        FUZZ_CHECK(inside || held || o.Source == Ut1Source::None);
        FUZZ_CHECK(!held || o.Source == Ut1Source::Held);
        FUZZ_CHECK(o.Source != Ut1Source::None || o.Ut1MinusUtcSeconds == 0.0);
    }
    FUZZ_CHECK(!t.Description(first - 10, last + 10).empty());
    return 0;
}

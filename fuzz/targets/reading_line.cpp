// Fuzz target: a line of a power meter's output, as the command input reads
// it (vantrel-power --input command, the Receiver window's command input).
//
// Input: the first byte chooses the unit (dBm, dB, W, mW) and the second the
// column (1 to 8); the rest is the line. Properties:
//  - a line gives a reading or a problem or neither (a blank line, a
//    comment), never both;
//  - a reading is finite; in dBm or dB it is positive and the power it
//    gives is within ±1000 dB; in W or mW it may be 0 or below (a meter at
//    its zero, averaged as it is);
//  - a problem is one line;
//  - the same line read again gives the same.

#include "fuzz/FuzzCheck.h"
#include "radiometer/ReadingLine.h"

#include <cmath>
#include <string>

using namespace vantrel;
using vantrel::fuzz::ByteReader;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteReader in(data, size);
    constexpr ReadingUnit kUnits[] = {ReadingUnit::Dbm, ReadingUnit::Db, ReadingUnit::Watt,
                                      ReadingUnit::Milliwatt};
    const ReadingUnit unit = kUnits[in.Take<std::uint8_t>() % 4U];
    const int column = 1 + in.Take<std::uint8_t>() % 8;
    const std::string_view line = in.Rest();

    const LineReading r = ParseReadingLine(line, unit, column);
    FUZZ_CHECK(!(r.Linear && !r.Problem.empty()));
    if (r.Linear) {
        FUZZ_CHECK(std::isfinite(*r.Linear));
        if (unit == ReadingUnit::Dbm || unit == ReadingUnit::Db) {
            FUZZ_CHECK(*r.Linear > 0);
            const double db = 10 * std::log10(*r.Linear);
            FUZZ_CHECK(std::isfinite(db) && std::fabs(db) <= 1000.0 + 1e-9);
        }
    }
    FUZZ_CHECK(r.Problem.find('\n') == std::string::npos);
    const LineReading again = ParseReadingLine(line, unit, column);
    FUZZ_CHECK(again.Linear == r.Linear && again.Problem == r.Problem);
    return 0;
}

// Fuzz target: the power log Vantrel-power.csv as the program reads it.
//
// Input: the first byte chooses between reading the input as a log and
// writing a record made from it; the rest is the log, or the record's texts
// and numbers. Properties:
//  - a log of any bytes reads without failing: every record has its times
//    and its input, finite numbers, a share from 0 to 1; every line passed
//    over has its note; no more records and notes than lines;
//  - a record read from a log, written as a line again and read back, is
//    the same record (the log's rounding is already in it);
//  - any record the program writes reads back, rounded as the log rounds.

#include "fuzz/FuzzCheck.h"
#include "fuzz/LogChecks.h"
#include "radiometer/PowerLog.h"

#include <algorithm>
#include <cmath>
#include <string>

using namespace vantrel;
using vantrel::fuzz::ByteReader;

namespace {

std::string Text(ByteReader& in) {
    const std::size_t n = in.Take<std::uint8_t>() % 16U;
    std::string s;
    for (std::size_t i = 0; i < n && in.Remaining() > 0; ++i) {
        s += static_cast<char>(in.Take<std::uint8_t>());
    }
    return s;
}

double Finite(ByteReader& in, double most) {
    const auto v = in.Take<double>();
    return std::isfinite(v) && std::fabs(v) <= most ? v : 1.0;
}

/// The record as it reads back from its own line.
PowerRecord Again(const PowerRecord& r) {
    return fuzz::ReadBackAlone(kPowerLogHeader, PowerLogLine(r), ParsePowerLog);
}

void Read(std::string_view text) {
    fuzz::CheckLogText(text, ParsePowerLog, [](const PowerRecord& r) {
        FUZZ_CHECK(!r.UtcStart.empty() && !r.UtcEnd.empty() && !r.Input.empty());
        FUZZ_CHECK(std::isfinite(r.PowerDb) && r.RfiDropped >= 0 && r.RfiDropped <= 1);
        for (const auto& v : {r.FrequencyMHz, r.SigmaDb, r.AzimuthDeg, r.ElevationDeg}) {
            FUZZ_CHECK(!v || std::isfinite(*v));
        }
        const PowerRecord once = Again(r);
        FUZZ_CHECK(Again(once) == once);
    });
}

void Write(ByteReader& in) {
    PowerBlock block;
    block.UtcStart = Finite(in, 2e6);
    block.UtcEnd = Finite(in, 2e6);
    block.PowerDb = Finite(in, 1e300);
    block.SigmaDb = in.Take<double>();
    block.Samples = in.Take<std::uint64_t>();
    block.Clipped = in.Take<std::uint64_t>();
    block.RfiDroppedShare = std::fabs(Finite(in, 1.0));
    if ((in.Take<std::uint8_t>() & 1U) != 0) {
        block.Pointing = BlockPointing{Text(in), Finite(in, 1e300), Finite(in, 1e300)};
    }
    const std::string input = Text(in);
    const double frequency = Finite(in, 1e300);
    const auto mark = static_cast<PowerMark>(in.Take<std::uint8_t>() % 4U);
    if (input.empty()) {
        return; // not a record the program writes
    }
    const PowerRecord r = PowerRecordOf(block, input, frequency, mark);
    const PowerRecord back = Again(r);
    FUZZ_CHECK(back.Samples == r.Samples && back.Clipped == r.Clipped && back.Mark == r.Mark);
    FUZZ_CHECK(std::fabs(back.PowerDb - r.PowerDb) <=
               0.0005 * (1 + 1e-12) + std::fabs(r.PowerDb) * 1e-15);
    FUZZ_CHECK(Again(back) == back);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzz::ReadOrWriteLog(data, size, Read, Write);
}

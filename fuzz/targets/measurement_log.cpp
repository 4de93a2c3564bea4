// Fuzz target: the measurement log Vantrel-measurements.csv as the Measure
// window reads it.
//
// Input: the first byte chooses between reading the input as a log and
// writing a record made from it; the rest is the log, or the record's texts
// and numbers. Properties:
//  - a log of any bytes reads without failing: every record has a time and
//    a source and finite numbers, every line passed over has its note, and
//    no more records and notes come out than the text has lines;
//  - a record read from a log, written as a line again and read back, is
//    the same record;
//  - any record the program can write, withdrawn or not, reads back as the
//    same record (a line break in one of its texts as a blank): no record
//    is lost.

#include "fuzz/FuzzCheck.h"
#include "fuzz/LogChecks.h"
#include "measure/MeasurementLog.h"

#include <algorithm>
#include <cmath>
#include <string>

using namespace vantrel;
using namespace vantrel::measure;
using vantrel::fuzz::ByteReader;

namespace {

/// `text` as the log keeps it: one line, its line breaks as blanks.
std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

void CheckRoundTrip(const MeasurementRecord& r) {
    const MeasurementRecord back =
        fuzz::ReadBackAlone(kMeasurementLogHeader, MeasurementLine(r), ParseMeasurementLog);
    MeasurementRecord expected = r;
    expected.Utc = OneLine(r.Utc);
    expected.Source = OneLine(r.Source);
    expected.Antenna = OneLine(r.Antenna);
    expected.Method = OneLine(r.Method);
    expected.BlocksUtcStart = OneLine(r.BlocksUtcStart);
    expected.BlocksUtcEnd = OneLine(r.BlocksUtcEnd);
    expected.FluxSource = OneLine(r.FluxSource);
    FUZZ_CHECK(back == expected);
}

void Read(std::string_view text) {
    fuzz::CheckLogText(text, ParseMeasurementLog, [](const MeasurementRecord& r) {
        FUZZ_CHECK(!r.Utc.empty() && !r.Source.empty());
        FUZZ_CHECK(std::isfinite(r.ElevationDeg) && std::isfinite(r.FrequencyMHz) &&
                   std::isfinite(r.TsysK) && std::isfinite(r.MeasuredYDb) &&
                   std::isfinite(r.GOverTDbPerK));
        if (r.SolarFluxSfu) {
            FUZZ_CHECK(std::isfinite(*r.SolarFluxSfu));
        }
        CheckRoundTrip(r);
    });
}

/// A text of up to 15 bytes from the input.
std::string Text(ByteReader& in) {
    const std::size_t n = in.Take<std::uint8_t>() % 16U;
    std::string s;
    for (std::size_t i = 0; i < n && in.Remaining() > 0; ++i) {
        s += static_cast<char>(in.Take<std::uint8_t>());
    }
    return s;
}

double Finite(ByteReader& in) {
    const auto v = in.Take<double>();
    return std::isfinite(v) ? v : 1.0;
}

void Write(ByteReader& in) {
    MeasurementRecord r;
    r.Utc = Text(in);
    r.Source = Text(in);
    r.Antenna = Text(in);
    r.ElevationDeg = Finite(in);
    r.FrequencyMHz = Finite(in);
    r.TsysK = Finite(in);
    const auto flags = in.Take<std::uint8_t>();
    if ((flags & 1U) != 0) {
        r.SolarFluxSfu = Finite(in);
    }
    r.Withdrawn = (flags & 2U) != 0;
    r.MeasuredYDb = Finite(in);
    r.GOverTDbPerK = Finite(in);
    if (r.Utc.empty() || r.Source.empty()) {
        return; // not a record the program writes
    }
    CheckRoundTrip(r);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzz::ReadOrWriteLog(data, size, Read, Write);
}

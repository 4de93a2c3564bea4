// Fuzz target: the scans log Vantrel-scans.csv as the program reads it.
//
// Input: the first byte chooses between reading the input as a log and
// writing a record made from it; the rest is the log, or the record's texts
// and numbers. Properties:
//  - a log of any bytes reads without failing: every record has its time,
//    procedure and source and finite numbers; every line passed over has
//    its note; no more records and notes than lines;
//  - a record read from a log, written as a line again and read back, is
//    the same record (the log's rounding is already in it);
//  - any record the program writes reads back, rounded as the log rounds.

#include "fuzz/FuzzCheck.h"
#include "fuzz/LogChecks.h"
#include "scan/ScanLog.h"

#include <algorithm>
#include <cmath>
#include <string>

using namespace vantrel;
using namespace vantrel::scan;
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

std::optional<double> Maybe(ByteReader& in) {
    if ((in.Take<std::uint8_t>() & 1U) == 0) {
        return std::nullopt;
    }
    const auto v = in.Take<double>();
    return std::isfinite(v) && std::fabs(v) <= 1e12 ? std::optional(v) : std::nullopt;
}

ScanRecord Again(const ScanRecord& r) {
    return fuzz::ReadBackAlone(kScanLogHeader, ScanLogLine(r), ParseScanLog);
}

void Read(std::string_view text) {
    fuzz::CheckLogText(text, ParseScanLog, [](const ScanRecord& r) {
        FUZZ_CHECK(!r.Utc.empty() && !r.Procedure.empty() && !r.Source.empty());
        for (const auto& v :
             {r.FrequencyMHz, r.ElevationDeg, r.AzOffsetDeg, r.AzOffsetSigmaDeg, r.ElOffsetDeg,
              r.ElOffsetSigmaDeg, r.HpbwAzDeg, r.HpbwElDeg, r.PeakYDb, r.FitChi2Az, r.FitChi2El}) {
            FUZZ_CHECK(!v || std::isfinite(*v));
        }
        const ScanRecord once = Again(r);
        FUZZ_CHECK(Again(once) == once);
    });
}

void Write(ByteReader& in) {
    ScanRecord r;
    r.Utc = Text(in);
    r.Procedure = Text(in);
    r.Source = Text(in);
    std::optional<double>* numbers[] = {&r.FrequencyMHz,     &r.ElevationDeg, &r.AzOffsetDeg,
                                        &r.AzOffsetSigmaDeg, &r.ElOffsetDeg,  &r.ElOffsetSigmaDeg,
                                        &r.HpbwAzDeg,        &r.HpbwElDeg,    &r.PeakYDb,
                                        &r.FitChi2Az,        &r.FitChi2El};
    for (std::optional<double>* n : numbers) {
        *n = Maybe(in);
    }
    r.PeakTimeUtc = Text(in);
    r.Partial = (in.Take<std::uint8_t>() & 1U) != 0;
    // Not a record the program writes: no time, procedure or source, or a
    // text with a line break (the program's are times, keys and titles).
    for (const std::string& t : {r.Utc, r.Procedure, r.Source}) {
        if (t.empty() || t.find_first_of("\r\n") != std::string::npos ||
            t.find_first_not_of(" \t") == std::string::npos) {
            return;
        }
    }
    if (r.PeakTimeUtc.find_first_of("\r\n") != std::string::npos) {
        return;
    }
    const ScanRecord back = Again(r);
    FUZZ_CHECK(back.Utc == r.Utc && back.Procedure == r.Procedure && back.Source == r.Source);
    FUZZ_CHECK(back.Partial == r.Partial);
    // Thousandths, the elevation and the χ² hundredths.
    const double steps[] = {1000, 100, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 100, 100};
    const std::optional<double>* read[] = {
        &back.FrequencyMHz, &back.ElevationDeg,     &back.AzOffsetDeg, &back.AzOffsetSigmaDeg,
        &back.ElOffsetDeg,  &back.ElOffsetSigmaDeg, &back.HpbwAzDeg,   &back.HpbwElDeg,
        &back.PeakYDb,      &back.FitChi2Az,        &back.FitChi2El};
    for (std::size_t i = 0; i < std::size(numbers); ++i) {
        FUZZ_CHECK(numbers[i]->has_value() == read[i]->has_value());
        if (numbers[i]->has_value()) {
            const double a = **numbers[i];
            FUZZ_CHECK(std::fabs(**read[i] - a) <=
                       0.5 / steps[i] * (1 + 1e-9) + std::fabs(a) * 1e-15);
        }
    }
    FUZZ_CHECK(Again(back) == back);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzz::ReadOrWriteLog(data, size, Read, Write);
}

#include "scan/ScanLog.h"

#include "csvlog/CsvText.h"
#include "csvlog/LogFile.h"
#include "measure/NumberText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <utility>

namespace vantrel::scan {

namespace {

constexpr std::size_t kFieldCount = 16; ///< the first version's; later lines have more
constexpr std::size_t kStatusField = 15;
constexpr double kTenThousandths = 10000.0;
constexpr double kThousandths = 1000.0;
constexpr double kHundredths = 100.0;
/// How the log names itself in its messages.
constexpr std::string_view kLogName = "scans log";

std::string Number(const std::optional<double>& value, double steps) {
    if (!value || !std::isfinite(*value)) {
        return {};
    }
    // Beyond 1e305 or so the scaled value overflows; such a number has no
    // digits below the point to round away anyway.
    const double scaled = *value * steps;
    const double rounded = std::isfinite(scaled) ? std::round(scaled) / steps : *value;
    std::array<char, 32> digits{};
    const auto [end, ec] =
        std::to_chars(digits.data(), digits.data() + digits.size(), rounded == 0 ? 0.0 : rounded);
    return ec == std::errc{} ? std::string(digits.data(), end) : std::string();
}

} // namespace

std::string ScanLogTime(DateTime utc) {
    const DecodedInstant d = DecodeInstant(utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", d.Year, d.Month, d.Day,
                  d.Hour, d.Minute, d.Second);
    return text;
}

namespace {

/// The fields every scan's record begins with; a frequency of 0 or less is
/// not known and stays empty.
ScanRecord Started(const char* procedure, DateTime utc, const std::string& title,
                   double frequencyMHz) {
    ScanRecord r;
    r.Utc = ScanLogTime(utc);
    r.Procedure = procedure;
    r.Source = title;
    if (frequencyMHz > 0) {
        r.FrequencyMHz = frequencyMHz;
    }
    return r;
}

} // namespace

ScanRecord RecordOf(const CrossScanResult& result, DateTime utc, const std::string& title,
                    double frequencyMHz) {
    ScanRecord r = Started("cross", utc, title, frequencyMHz);
    r.ElevationDeg = result.ElevationDeg;
    r.AzOffsetDeg = result.OffsetDeg(0);
    r.AzOffsetSigmaDeg = result.OffsetSigmaDeg(0);
    r.ElOffsetDeg = result.OffsetDeg(1);
    r.ElOffsetSigmaDeg = result.OffsetSigmaDeg(1);
    if (result.Axes[0].Fit) {
        r.HpbwAzDeg = result.Axes[0].BeamwidthDeg;
        r.WidthAzDeg = result.Axes[0].WidthOnSourceDeg;
        r.FitChi2Az = result.Axes[0].Fit->ReducedChiSquare;
    }
    if (result.Axes[1].Fit) {
        r.HpbwElDeg = result.Axes[1].BeamwidthDeg;
        r.WidthElDeg = result.Axes[1].WidthOnSourceDeg;
        r.FitChi2El = result.Axes[1].Fit->ReducedChiSquare;
    }
    if (result.SourceDiskDeg > 0) {
        r.DiskDeg = result.SourceDiskDeg;
    }
    r.PeakYDb = result.PeakYDb();
    r.Partial = result.Partial;
    return r;
}

ScanRecord RecordOf(const GridScanResult& result, DateTime utc, const std::string& title,
                    double frequencyMHz) {
    ScanRecord r = Started("grid", utc, title, frequencyMHz);
    r.ElevationDeg = result.ElevationDeg;
    if (const auto& f = result.Fit) {
        r.AzOffsetDeg = f->CentreX;
        r.AzOffsetSigmaDeg = f->CentreXSigma;
        r.ElOffsetDeg = f->CentreY;
        r.ElOffsetSigmaDeg = f->CentreYSigma;
        r.HpbwAzDeg = f->WidthX;
        r.HpbwElDeg = f->WidthY;
        r.WidthAzDeg = f->WidthX;
        r.WidthElDeg = f->WidthY;
        r.PeakYDb = f->PeakYDb();
        r.FitChi2Az = f->ReducedChiSquare;
        r.FitChi2El = f->ReducedChiSquare;
    }
    r.Partial = result.Partial;
    return r;
}

ScanRecord RecordOf(const DriftScanResult& result, DateTime utc, const std::string& title,
                    double frequencyMHz) {
    ScanRecord r = Started("drift", utc, title, frequencyMHz);
    r.ElevationDeg = result.ElevationDeg;
    r.AzOffsetDeg = result.AzimuthOffsetDeg;
    r.AzOffsetSigmaDeg = result.AzimuthOffsetSigmaDeg;
    r.HpbwAzDeg = result.BeamwidthDeg;
    r.WidthAzDeg = result.WidthOnSourceDeg;
    if (result.SourceDiskDeg > 0) {
        r.DiskDeg = result.SourceDiskDeg;
    }
    r.PeakYDb = result.PeakYDb;
    if (result.Fit) {
        r.FitChi2Az = result.Fit->ReducedChiSquare;
    }
    if (result.PeakUtc) {
        const DecodedInstant d = DecodeInstant(*result.PeakUtc);
        char text[64];
        std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u.%01uZ", d.Year, d.Month,
                      d.Day, d.Hour, d.Minute, d.Second, d.Millisecond / 100);
        r.PeakTimeUtc = text;
    }
    r.Partial = result.Partial;
    return r;
}

std::string ScanLogStation(const std::string& callSign, double latitudeDeg, double longitudeDeg) {
    char text[64];
    std::snprintf(text, sizeof text, "%.4f%c %.4f%c", std::fabs(latitudeDeg),
                  latitudeDeg < 0 ? 'S' : 'N', std::fabs(longitudeDeg),
                  longitudeDeg < 0 ? 'W' : 'E');
    const std::string call(measure::TrimBlanks(callSign));
    return call.empty() ? std::string(text) : call + " " + text;
}

void NoteAssumptions(ScanRecord& r, const ScanSettings& s, std::string antenna,
                     std::string station) {
    r.BeamAssumedDeg = s.BeamwidthDeg;
    r.TauS = s.TauS;
    r.SettleS = s.SettleS;
    r.Antenna = std::move(antenna);
    r.Station = std::move(station);
}

std::string ScanLogLine(const ScanRecord& r) {
    std::string line = CsvQuoted(r.Utc);
    for (const std::string& field : {CsvQuoted(r.Procedure),
                                     CsvQuoted(r.Source),
                                     Number(r.FrequencyMHz, kThousandths),
                                     Number(r.ElevationDeg, kHundredths),
                                     Number(r.AzOffsetDeg, kThousandths),
                                     Number(r.AzOffsetSigmaDeg, kThousandths),
                                     Number(r.ElOffsetDeg, kThousandths),
                                     Number(r.ElOffsetSigmaDeg, kThousandths),
                                     Number(r.HpbwAzDeg, kThousandths),
                                     Number(r.HpbwElDeg, kThousandths),
                                     Number(r.PeakYDb, kThousandths),
                                     Number(r.FitChi2Az, kHundredths),
                                     Number(r.FitChi2El, kHundredths),
                                     CsvQuoted(r.PeakTimeUtc),
                                     r.Partial ? std::string(kPartialStatus) : std::string(),
                                     Number(r.WidthAzDeg, kThousandths),
                                     Number(r.WidthElDeg, kThousandths),
                                     Number(r.DiskDeg, kTenThousandths),
                                     CsvQuoted(r.Antenna),
                                     Number(r.BeamAssumedDeg, kTenThousandths),
                                     Number(r.TauS, kThousandths),
                                     Number(r.SettleS, kThousandths),
                                     CsvQuoted(r.Station)}) {
        line += ',';
        line += field;
    }
    return line;
}

std::optional<std::string> AppendScanRecord(const std::string& path, const ScanRecord& record) {
    return AppendLogLine(path, kScanLogHeader, ScanLogLine(record), kLogName);
}

ScanLog ParseScanLog(std::string_view text) {
    ScanLog log;
    // The header, also one with columns added later; never a record,
    // whose frequency is a number or empty (a record timed "utc" of a
    // procedure named "procedure" is still a record).
    ReadCsvRecords(
        text, "utc,procedure,source,frequency_mhz,", kFieldCount, log.Skipped,
        [&](const std::vector<std::string>& f) -> std::optional<std::string> {
            ScanRecord r;
            r.Utc = f[0];
            r.Procedure = f[1];
            r.Source = f[2];
            r.PeakTimeUtc = f[14];
            bool ok = !r.Utc.empty() && !r.Source.empty() && !r.Procedure.empty();
            std::optional<double>* numbers[] = {
                &r.FrequencyMHz, &r.ElevationDeg,     &r.AzOffsetDeg, &r.AzOffsetSigmaDeg,
                &r.ElOffsetDeg,  &r.ElOffsetSigmaDeg, &r.HpbwAzDeg,   &r.HpbwElDeg,
                &r.PeakYDb,      &r.FitChi2Az,        &r.FitChi2El};
            for (std::size_t i = 0; i < std::size(numbers) && ok; ++i) {
                const std::string& field = f[3 + i];
                if (field.empty()) {
                    continue;
                }
                *numbers[i] = measure::FiniteNumber(field);
                ok = numbers[i]->has_value();
            }
            if (!ok) {
                return "a value is missing or not a number";
            }
            r.Partial = measure::TrimBlanks(f[kStatusField]) == kPartialStatus;
            // The later columns, where the line has them.
            const auto later = [&](std::size_t i) { return i < f.size() ? f[i] : std::string(); };
            r.Antenna = later(19);
            r.Station = later(23);
            std::pair<std::size_t, std::optional<double>*> added[] = {
                {16, &r.WidthAzDeg},     {17, &r.WidthElDeg}, {18, &r.DiskDeg},
                {20, &r.BeamAssumedDeg}, {21, &r.TauS},       {22, &r.SettleS}};
            for (const auto& [i, value] : added) {
                const std::string field = later(i);
                if (field.empty()) {
                    continue;
                }
                *value = measure::FiniteNumber(field);
                if (!*value) {
                    return "a value is missing or not a number";
                }
            }
            log.Records.push_back(std::move(r));
            return std::nullopt;
        });
    return log;
}

std::optional<std::string> ReadScanLog(const std::string& path, ScanLog& log) {
    std::string text;
    if (auto failed = ReadLogText(path, text, kLogName)) {
        return failed;
    }
    log = ParseScanLog(text);
    return std::nullopt;
}

} // namespace vantrel::scan

#include "measure/MeasurementLog.h"

#include "csvlog/CsvText.h"
#include "csvlog/LogFile.h"
#include "measure/NumberText.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>

namespace vantrel::measure {

namespace {

/// Columns of a record in the first logs; the status follows them.
constexpr std::size_t kFieldCount = 9;
constexpr std::size_t kStatusField = 9;
constexpr std::size_t kMethodField = 10;
constexpr std::size_t kYSigmaField = 11;
constexpr std::size_t kGOverTSigmaField = 12;
constexpr std::size_t kBlocksStartField = 13;
constexpr std::size_t kBlocksEndField = 14;
constexpr std::size_t kSkyTskyField = 15;
constexpr std::size_t kReferenceTskyField = 16;
constexpr std::size_t kBackgroundCorrectionField = 17;
constexpr std::size_t kFluxSourceField = 18;
/// How the log names itself in its messages.
constexpr std::string_view kLogName = "measurement log";

std::string Number(double value) {
    std::array<char, 32> digits{};
    const auto [end, ec] = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    return ec == std::errc{} ? std::string(digits.data(), end) : std::string();
}

} // namespace

std::string MeasurementLine(const MeasurementRecord& r) {
    std::string line = CsvQuoted(r.Utc);
    for (const std::string& field :
         {CsvQuoted(r.Source), Number(r.ElevationDeg), Number(r.FrequencyMHz), CsvQuoted(r.Antenna),
          Number(r.TsysK), r.SolarFluxSfu ? Number(*r.SolarFluxSfu) : std::string(),
          Number(r.MeasuredYDb), Number(r.GOverTDbPerK),
          r.Withdrawn ? std::string(kWithdrawnStatus) : std::string()}) {
        line += ',';
        line += field;
    }
    const bool flux = !r.FluxSource.empty();
    const bool sky = r.SkyTskyK || r.ReferenceTskyK || r.BackgroundCorrectionDb || flux;
    const bool span = !r.BlocksUtcStart.empty() || !r.BlocksUtcEnd.empty() || sky;
    if (!r.Method.empty() || r.YSigmaDb || r.GOverTSigmaDb || span) {
        for (const std::string& field :
             {CsvQuoted(r.Method), r.YSigmaDb ? Number(*r.YSigmaDb) : std::string(),
              r.GOverTSigmaDb ? Number(*r.GOverTSigmaDb) : std::string()}) {
            line += ',';
            line += field;
        }
    }
    if (span) {
        line += ',' + CsvQuoted(r.BlocksUtcStart) + ',' + CsvQuoted(r.BlocksUtcEnd);
    }
    if (sky) {
        for (const auto& value : {r.SkyTskyK, r.ReferenceTskyK, r.BackgroundCorrectionDb}) {
            line += ',';
            line += value ? Number(*value) : std::string();
        }
    }
    if (flux) {
        line += ',' + CsvQuoted(r.FluxSource);
    }
    return line;
}

MeasurementRecord RoundedForLog(MeasurementRecord r) {
    // Divided by the steps a unit has (100 rather than times 0.01), so
    // the value is the nearest double to the decimal and reads back short.
    const auto to = [](double v, double perUnit) { return std::round(v * perUnit) / perUnit; };
    r.ElevationDeg = to(r.ElevationDeg, 100.0);
    r.TsysK = to(r.TsysK, 10.0);
    r.MeasuredYDb = to(r.MeasuredYDb, 1000.0);
    r.GOverTDbPerK = to(r.GOverTDbPerK, 100.0);
    if (r.SolarFluxSfu) {
        r.SolarFluxSfu = to(*r.SolarFluxSfu, 10.0);
    }
    if (r.YSigmaDb) {
        r.YSigmaDb = to(*r.YSigmaDb, 10000.0);
    }
    if (r.GOverTSigmaDb) {
        r.GOverTSigmaDb = to(*r.GOverTSigmaDb, 1000.0);
    }
    for (std::optional<double>* k : {&r.SkyTskyK, &r.ReferenceTskyK}) {
        if (*k) {
            **k = to(**k, 10.0);
        }
    }
    if (r.BackgroundCorrectionDb) {
        r.BackgroundCorrectionDb = to(*r.BackgroundCorrectionDb, 1000.0);
    }
    return r;
}

namespace {

/// What one line of a log holds.
struct LineReading {
    enum Kind { Blank, Header, Record, Damaged } What = Blank;
    MeasurementRecord Read;
    std::string Problem; ///< for a damaged line
};

LineReading ReadLine(std::string_view line) {
    LineReading out;
    if (line.empty()) {
        return out;
    }
    // Any header, the first logs' and one with more columns than known here;
    // never a record, whose elevation is a number.
    if (line.starts_with("utc,source,elevation_deg,")) {
        out.What = LineReading::Header;
        return out;
    }
    out.What = LineReading::Damaged;
    const auto fields = CsvFields(line);
    if (!fields) {
        out.Problem = "a quote is not closed";
        return out;
    }
    if (fields->size() < kFieldCount) {
        out.Problem = "at least " + std::to_string(kFieldCount) + " fields expected, " +
                      std::to_string(fields->size()) + " found";
        return out;
    }
    const auto& f = *fields;
    MeasurementRecord& r = out.Read;
    r.Utc = f[0];
    r.Source = f[1];
    r.Antenna = f[4];
    const std::optional<double> numbers[] = {FiniteNumber(f[2]), FiniteNumber(f[3]),
                                             FiniteNumber(f[5]), FiniteNumber(f[7]),
                                             FiniteNumber(f[8])};
    bool ok = !r.Utc.empty() && !r.Source.empty();
    for (const auto& n : numbers) {
        ok = ok && n.has_value();
    }
    const std::optional<double> sfu = f[6].empty() ? std::nullopt : FiniteNumber(f[6]);
    if (!ok || (!f[6].empty() && !sfu)) {
        out.Problem = "a value is missing or not a number";
        return out;
    }
    r.ElevationDeg = *numbers[0];
    r.FrequencyMHz = *numbers[1];
    r.TsysK = *numbers[2];
    r.SolarFluxSfu = sfu;
    r.MeasuredYDb = *numbers[3];
    r.GOverTDbPerK = *numbers[4];
    // A status this program does not know keeps the record in use.
    if (f.size() > kStatusField) {
        const std::string_view status = TrimBlanks(f[kStatusField]);
        r.Withdrawn =
            status.size() == kWithdrawnStatus.size() &&
            std::equal(status.begin(), status.end(), kWithdrawnStatus.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == b;
            });
    }
    // The method and the uncertainties; an uncertainty that is not a
    // number is left out, the record kept.
    if (f.size() > kMethodField) {
        r.Method = f[kMethodField];
    }
    if (f.size() > kYSigmaField && !f[kYSigmaField].empty()) {
        r.YSigmaDb = FiniteNumber(f[kYSigmaField]);
    }
    if (f.size() > kGOverTSigmaField && !f[kGOverTSigmaField].empty()) {
        r.GOverTSigmaDb = FiniteNumber(f[kGOverTSigmaField]);
    }
    if (f.size() > kBlocksEndField) {
        r.BlocksUtcStart = f[kBlocksStartField];
        r.BlocksUtcEnd = f[kBlocksEndField];
    }
    // The skies and the correction; one that is not a number is left out.
    const auto optional = [&f](std::size_t field) -> std::optional<double> {
        return f.size() > field && !f[field].empty() ? FiniteNumber(f[field]) : std::nullopt;
    };
    r.SkyTskyK = optional(kSkyTskyField);
    r.ReferenceTskyK = optional(kReferenceTskyField);
    r.BackgroundCorrectionDb = optional(kBackgroundCorrectionField);
    if (f.size() > kFluxSourceField) {
        r.FluxSource = f[kFluxSourceField];
    }
    out.What = LineReading::Record;
    return out;
}

} // namespace

std::optional<std::string> AppendMeasurement(const std::string& path,
                                             const MeasurementRecord& record) {
    return AppendLogLine(path, kMeasurementLogHeader, MeasurementLine(record), kLogName);
}

MeasurementLog ParseMeasurementLog(std::string_view text) {
    MeasurementLog log;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        const std::string_view line = NextCsvLine(text);
        ++lineNumber;
        LineReading reading = ReadLine(line);
        if (reading.What == LineReading::Damaged) {
            log.Skipped.push_back("line " + std::to_string(lineNumber) +
                                  " skipped: " + reading.Problem);
        } else if (reading.What == LineReading::Record) {
            log.Records.push_back(std::move(reading.Read));
            log.Lines.push_back(lineNumber);
        }
    }
    return log;
}

std::optional<std::string> ReadMeasurementLog(const std::string& path, MeasurementLog& log) {
    std::string text;
    if (auto failed = ReadLogText(path, text, kLogName)) {
        return failed;
    }
    log = ParseMeasurementLog(text);
    return std::nullopt;
}

std::optional<std::string> SetWithdrawn(const std::string& path, std::size_t line,
                                        const MeasurementRecord& expected, bool withdrawn) {
    return RewriteLog(
        path, kLogName,
        [&](const std::string& text, std::string& updated) -> std::optional<std::string> {
            // The line asked for, as it lies in the text.
            std::string_view rest = text;
            std::size_t begin = 0;
            std::string_view found;
            std::size_t reached = 0;
            while (reached < line && !rest.empty()) {
                begin = text.size() - rest.size();
                found = NextCsvLine(rest);
                ++reached;
            }
            if (reached != line) {
                found = {};
            }
            MeasurementRecord asRead = expected;
            asRead.Withdrawn = false;
            LineReading reading = ReadLine(found);
            reading.Read.Withdrawn = false;
            if (line == 0 || reading.What != LineReading::Record || !(reading.Read == asRead)) {
                return "The measurement log " + path +
                       " has changed since it was read; nothing was withdrawn. Read it again.";
            }

            // The status field replaced, or added to a record of the first logs.
            std::vector<CsvFieldSpan> spans;
            CsvFields(found, &spans);
            std::string changed(found);
            const std::string status = withdrawn ? std::string(kWithdrawnStatus) : std::string();
            if (spans.size() > kStatusField) {
                changed.replace(spans[kStatusField].Begin,
                                spans[kStatusField].End - spans[kStatusField].Begin, status);
            } else {
                changed += ',' + status;
            }
            updated = text.substr(0, begin) + changed + text.substr(begin + found.size());
            // A header of an earlier kind gets the present one, as the file
            // is written anew anyway.
            for (const std::string_view older :
                 {kMeasurementLogHeaderWithoutStatus, kMeasurementLogHeaderWithoutMethod,
                  kMeasurementLogHeaderWithoutSpan, kMeasurementLogHeaderWithoutSky}) {
                if (updated.starts_with(older) &&
                    (updated.size() == older.size() || updated[older.size()] == '\n' ||
                     updated[older.size()] == '\r')) {
                    updated.replace(0, older.size(), kMeasurementLogHeader);
                    break;
                }
            }
            return std::nullopt;
        });
}

} // namespace vantrel::measure

#include "radiometer/PowerLog.h"

#include "csvlog/CsvText.h"
#include "csvlog/LogFile.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vantrel {

namespace {

/// Fields of a line of the first version.
constexpr std::size_t kFirstFieldCount = 13;
/// How the log names itself in its messages.
constexpr std::string_view kLogName = "power log";

std::string Fixed(std::optional<double> value, int decimals) {
    if (!value || !std::isfinite(*value)) {
        return {};
    }
    // Room for the largest double in fixed notation (309 digits).
    char text[400];
    std::snprintf(text, sizeof text, "%.*f", decimals, *value);
    // "-0.000" reads back as 0 and is written as "0.000" then: the same now.
    if (std::strtod(text, nullptr) == 0) {
        std::snprintf(text, sizeof text, "%.*f", decimals, 0.0);
    }
    return text;
}

std::optional<double> Real(std::string_view text) {
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() ||
        !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

std::optional<std::uint64_t> Whole(std::string_view text) {
    std::uint64_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return v;
}

/// An empty field is "unknown"; anything else must be a number.
bool Optional(std::string_view text, std::optional<double>& into) {
    if (text.empty()) {
        into.reset();
        return true;
    }
    into = Real(text);
    return into.has_value();
}

std::optional<PowerMark> MarkOf(std::string_view text) {
    for (PowerMark m : {PowerMark::None, PowerMark::On, PowerMark::Off, PowerMark::Reference}) {
        if (PowerMarkText(m) == text) {
            return m;
        }
    }
    return std::nullopt;
}

std::string FlagsText(const PowerRecord& r) {
    std::string flags;
    if (r.Used) {
        flags = "used";
    }
    if (r.Partial) {
        flags += flags.empty() ? "partial" : " partial";
    }
    return flags;
}

void ReadFlags(std::string_view text, PowerRecord& r) {
    while (!text.empty()) {
        const std::size_t blank = text.find(' ');
        const std::string_view word = text.substr(0, blank);
        r.Used = r.Used || word == "used";
        r.Partial = r.Partial || word == "partial";
        text = blank == std::string_view::npos ? std::string_view{} : text.substr(blank + 1);
    }
}

} // namespace

std::string_view PowerMarkText(PowerMark mark) {
    switch (mark) {
    case PowerMark::None:
        return "";
    case PowerMark::On:
        return "on";
    case PowerMark::Off:
        return "off";
    case PowerMark::Reference:
        return "reference";
    }
    return "";
}

std::string PowerLogTime(DateTime utc) {
    const DecodedInstant d = DecodeInstant(utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u.%03uZ", d.Year, d.Month, d.Day,
                  d.Hour, d.Minute, d.Second, d.Millisecond);
    return text;
}

PowerRecord PowerRecordOf(const PowerBlock& block, std::string_view input, double frequencyMHz,
                          PowerMark mark) {
    PowerRecord r;
    r.UtcStart = PowerLogTime(block.UtcStart);
    r.UtcEnd = PowerLogTime(block.UtcEnd);
    r.Input = std::string(input);
    if (frequencyMHz > 0) {
        r.FrequencyMHz = frequencyMHz;
    }
    r.PowerDb = block.PowerDb;
    if (std::isfinite(block.SigmaDb)) {
        r.SigmaDb = block.SigmaDb;
    }
    r.Samples = block.Samples;
    r.Clipped = block.Clipped;
    r.RfiDropped = block.RfiDroppedShare;
    if (block.Pointing) {
        r.Source = block.Pointing->Source;
        r.AzimuthDeg = block.Pointing->AzimuthDeg;
        r.ElevationDeg = block.Pointing->ElevationDeg;
    }
    r.Mark = mark;
    if (block.NoiseBandwidthHz > 0) {
        r.NoiseBandwidthHz = block.NoiseBandwidthHz;
    }
    if (block.IntegrationS > 0) {
        r.TauS = block.IntegrationS;
    }
    return r;
}

std::string PowerLogLine(const PowerRecord& r) {
    std::string line = CsvQuoted(r.UtcStart);
    for (const std::string& field : {CsvQuoted(r.UtcEnd),       CsvQuoted(r.Input),
                                     Fixed(r.FrequencyMHz, 6),  Fixed(r.PowerDb, 3),
                                     Fixed(r.SigmaDb, 4),       std::to_string(r.Samples),
                                     std::to_string(r.Clipped), Fixed(r.RfiDropped, 4),
                                     CsvQuoted(r.Source),       Fixed(r.AzimuthDeg, 2),
                                     Fixed(r.ElevationDeg, 2),  std::string(PowerMarkText(r.Mark)),
                                     Fixed(r.GainDb, 1),        Fixed(r.RateSps, 0),
                                     CsvQuoted(r.BandHz),       Fixed(r.NoiseBandwidthHz, 1),
                                     Fixed(r.TauS, 3),          CsvQuoted(r.Device),
                                     CsvQuoted(r.Role),         Fixed(r.AzOffsetDeg, 4),
                                     Fixed(r.ElOffsetDeg, 4),   FlagsText(r)}) {
        line += ',';
        line += field;
    }
    return line;
}

std::optional<std::string> AppendPowerRecord(const std::string& path, const PowerRecord& record) {
    return AppendLogLine(path, kPowerLogHeader, PowerLogLine(record), kLogName);
}

PowerLog ParsePowerLog(std::string_view text) {
    PowerLog log;
    ReadCsvRecords(text, kPowerLogHeaderStart, kFirstFieldCount, log.Skipped,
                   [&](const std::vector<std::string>& f) -> std::optional<std::string> {
                       PowerRecord r;
                       r.UtcStart = f[0];
                       r.UtcEnd = f[1];
                       r.Input = f[2];
                       r.Source = f[9];
                       const auto power = Real(f[4]);
                       const auto samples = Whole(f[6]);
                       const auto clipped = Whole(f[7]);
                       const auto rfi = Real(f[8]);
                       const auto mark = MarkOf(f[12]);
                       const bool ok =
                           !r.UtcStart.empty() && !r.UtcEnd.empty() && !r.Input.empty() && power &&
                           samples && clipped && rfi && *rfi >= 0 && *rfi <= 1 && mark &&
                           Optional(f[3], r.FrequencyMHz) && Optional(f[5], r.SigmaDb) &&
                           Optional(f[10], r.AzimuthDeg) && Optional(f[11], r.ElevationDeg);
                       // The second version's columns, when the line has them.
                       const auto field = [&](std::size_t i) -> std::string_view {
                           return i < f.size() ? std::string_view(f[i]) : std::string_view{};
                       };
                       const bool later =
                           Optional(field(13), r.GainDb) && Optional(field(14), r.RateSps) &&
                           Optional(field(16), r.NoiseBandwidthHz) && Optional(field(17), r.TauS) &&
                           Optional(field(20), r.AzOffsetDeg) && Optional(field(21), r.ElOffsetDeg);
                       if (!ok || !later) {
                           return "a value is missing or not a number";
                       }
                       r.BandHz = std::string(field(15));
                       r.Device = std::string(field(18));
                       r.Role = std::string(field(19));
                       ReadFlags(field(22), r);
                       r.PowerDb = *power;
                       r.Samples = *samples;
                       r.Clipped = *clipped;
                       r.RfiDropped = *rfi;
                       r.Mark = *mark;
                       log.Records.push_back(std::move(r));
                       return std::nullopt;
                   });
    return log;
}

std::optional<std::string> ReadPowerLog(const std::string& path, PowerLog& log) {
    std::string text;
    if (auto failed = ReadLogText(path, text, kLogName)) {
        log = {};
        return failed;
    }
    log = ParsePowerLog(text);
    return std::nullopt;
}

} // namespace vantrel

#include "radiometer/ReadingLine.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <vector>

namespace vantrel {

namespace {

/// Readings in dB beyond this are no power a receiver meets; 10^(x/10)
/// stays finite far beyond.
constexpr double kMostDb = 1000.0;
constexpr double kMilliwattsPerWatt = 1000.0;
constexpr std::size_t kQuotedBytes = 40;

bool Separator(char c) {
    return c == ' ' || c == '\t' || c == ',' || c == ';' || c == '\r' || c == '\n';
}

std::string Quote(std::string_view field) {
    std::string q(field.substr(0, kQuotedBytes));
    if (field.size() > kQuotedBytes) {
        q += "...";
    }
    return "'" + q + "'";
}

} // namespace

std::optional<ReadingUnit> ParseReadingUnit(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "dbm") {
        return ReadingUnit::Dbm;
    }
    if (lower == "db") {
        return ReadingUnit::Db;
    }
    if (lower == "w") {
        return ReadingUnit::Watt;
    }
    if (lower == "mw") {
        return ReadingUnit::Milliwatt;
    }
    return std::nullopt;
}

std::string_view ReadingUnitDb(ReadingUnit unit) {
    return unit == ReadingUnit::Db ? "dB" : "dBm";
}

LineReading ParseReadingLine(std::string_view line, ReadingUnit unit, int column) {
    LineReading result;
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && Separator(line[i])) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && !Separator(line[i])) {
            ++i;
        }
        if (i > start) {
            fields.push_back(line.substr(start, i - start));
        }
    }
    if (fields.empty() || fields.front().starts_with('#')) {
        return result;
    }
    if (column < 1 || static_cast<std::size_t>(column) > fields.size()) {
        result.Problem = "it has " + std::to_string(fields.size()) + " field(s), column " +
                         std::to_string(column) + " was asked for (--column)";
        return result;
    }
    std::string_view field = fields[static_cast<std::size_t>(column) - 1];
    const std::string_view given = field;
    if (field.starts_with('+')) {
        field.remove_prefix(1);
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (field.empty() || ec != std::errc{} || end != field.data() + field.size() ||
        !std::isfinite(value)) {
        result.Problem = Quote(given) + " in column " + std::to_string(column) + " is not a number";
        return result;
    }
    switch (unit) {
    case ReadingUnit::Dbm:
    case ReadingUnit::Db:
        if (std::fabs(value) > kMostDb) {
            result.Problem = Quote(given) + " is beyond +-1000 dB";
            return result;
        }
        result.Linear = std::pow(10.0, value / 10.0);
        return result;
    case ReadingUnit::Watt:
    case ReadingUnit::Milliwatt:
        if (!(value > 0)) {
            result.Problem = Quote(given) + " is no power: a linear reading must be above 0";
            return result;
        }
        result.Linear = unit == ReadingUnit::Watt ? value * kMilliwattsPerWatt : value;
        if (!std::isfinite(*result.Linear) || !(*result.Linear > 0)) {
            result.Linear.reset();
            result.Problem = Quote(given) + " is out of range";
        }
        return result;
    }
    return result;
}

} // namespace vantrel

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

bool Digit(char c) {
    return c >= '0' && c <= '9';
}

/// The token around the field starting at `start`, between blanks, tabs
/// and semicolons, when it is a number with a decimal comma ("-61,5",
/// "+0,25"): an optional sign, digits, one comma, digits. Empty otherwise
/// (a comma-separated line such as "t1,-61.5" or "12,-61" is no such
/// number).
std::string_view DecimalComma(std::string_view line, std::size_t start) {
    const auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == ';' || c == '\r' || c == '\n';
    };
    std::size_t from = start;
    while (from > 0 && !blank(line[from - 1])) {
        --from;
    }
    std::size_t to = start;
    while (to < line.size() && !blank(line[to])) {
        ++to;
    }
    const std::string_view token = line.substr(from, to - from);
    std::size_t j = 0;
    if (j < token.size() && (token[j] == '-' || token[j] == '+')) {
        ++j;
    }
    const std::size_t intStart = j;
    while (j < token.size() && Digit(token[j])) {
        ++j;
    }
    if (j == intStart || j >= token.size() || token[j] != ',') {
        return {};
    }
    ++j;
    const std::size_t fracStart = j;
    while (j < token.size() && Digit(token[j])) {
        ++j;
    }
    return j > fracStart && j == token.size() ? token : std::string_view{};
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
    std::vector<std::size_t> ends; ///< where each field ends in the line
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
            ends.push_back(i);
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
    if (const std::string_view comma =
            DecimalComma(line, ends[static_cast<std::size_t>(column) - 1] - field.size());
        !comma.empty()) {
        result.Problem = Quote(comma) +
                         " looks like a number with a decimal comma: write it with a point "
                         "(-61.5), e.g. by running the command with LC_NUMERIC=C";
        return result;
    }
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
        // A meter near its zero reads 0 or a little below: kept, so that
        // the linear mean stays unbiased.
        result.Linear = unit == ReadingUnit::Watt ? value * kMilliwattsPerWatt : value;
        if (!std::isfinite(*result.Linear)) {
            result.Linear.reset();
            result.Problem = Quote(given) + " is out of range";
        }
        return result;
    }
    return result;
}

} // namespace vantrel

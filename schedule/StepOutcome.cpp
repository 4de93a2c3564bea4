#include "schedule/StepOutcome.h"

#include "csvlog/CsvText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace vantrel::schedule {

namespace {

constexpr std::array<std::pair<StepStatus, std::string_view>, 5> kWords{{
    {StepStatus::Ok, "ok"},
    {StepStatus::Partial, "partial"},
    {StepStatus::Skipped, "skipped"},
    {StepStatus::Failed, "failed"},
    {StepStatus::DoneBefore, "done-before"},
}};

std::optional<int> WholeNumber(std::string_view text) {
    int v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return v;
}

} // namespace

std::string_view StatusWord(StepStatus status) {
    for (const auto& [s, w] : kWords) {
        if (s == status) {
            return w;
        }
    }
    return "failed";
}

std::optional<StepStatus> StatusFromWord(std::string_view word) {
    for (const auto& [s, w] : kWords) {
        if (w == word) {
            return s;
        }
    }
    return std::nullopt;
}

std::string SummaryText(const std::vector<std::pair<std::string, std::string>>& pairs) {
    std::string text;
    for (const auto& [name, value] : pairs) {
        if (!text.empty()) {
            text += ';';
        }
        text += name;
        text += '=';
        for (const char c : value) {
            text += c == ';' ? ',' : (c == '\n' || c == '\r') ? ' ' : c;
        }
    }
    return text;
}

std::string OutcomeTime(DateTime utc) {
    const DecodedInstant d = DecodeInstant(std::round(utc * 86400.0) / 86400.0);
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", d.Year, d.Month, d.Day,
                  d.Hour, d.Minute, d.Second);
    return text;
}

std::optional<DateTime> OutcomeTimeFrom(std::string_view text) {
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':' || text[19] != 'Z') {
        return std::nullopt;
    }
    const auto f = [&](std::size_t at, std::size_t len) {
        return WholeNumber(text.substr(at, len));
    };
    const auto y = f(0, 4), mo = f(5, 2), d = f(8, 2), h = f(11, 2), mi = f(14, 2), s = f(17, 2);
    if (!y || !mo || !d || !h || !mi || !s) {
        return std::nullopt;
    }
    return EncodeDateTime(*y, *mo, *d, *h, *mi, *s);
}

std::string OutcomeLine(const StepOutcome& o) {
    return std::to_string(o.Step) + "," + std::to_string(o.Line) + "," + OutcomeTime(o.UtcStart) +
           "," + OutcomeTime(o.UtcEnd) + "," + CsvQuoted(o.Command) + "," +
           std::string(StatusWord(o.Status)) + "," + CsvQuoted(o.Summary);
}

std::optional<StepOutcome> OutcomeFromLine(std::string_view line) {
    const std::optional<std::vector<std::string>> fields = CsvFields(line);
    if (!fields || fields->size() < 7) {
        return std::nullopt;
    }
    const std::vector<std::string>& f = *fields;
    StepOutcome o;
    const std::optional<int> step = WholeNumber(f[0]);
    const std::optional<int> lineNumber = WholeNumber(f[1]);
    const std::optional<DateTime> start = OutcomeTimeFrom(f[2]);
    const std::optional<DateTime> end = OutcomeTimeFrom(f[3]);
    const std::optional<StepStatus> status = StatusFromWord(f[5]);
    if (!step || !lineNumber || !start || !end || !status) {
        return std::nullopt;
    }
    o.Step = *step;
    o.Line = *lineNumber;
    o.UtcStart = *start;
    o.UtcEnd = *end;
    o.Command = f[4];
    o.Status = *status;
    o.Summary = f[6];
    return o;
}

} // namespace vantrel::schedule

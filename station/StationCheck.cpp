#include "station/StationCheck.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace vantrel {

namespace {

/// Significant digits of a value shown in a problem: enough to recognise
/// the stored number, few enough to read.
constexpr int kShownDigits = 10;

/// The stored value as text, independent of the locale: "1e+30", "-7.5",
/// "NaN", "inf", "-inf".
std::string ValueText(long double value) {
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-inf" : "inf";
    }
    char digits[64];
    const auto r = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general,
                                 kShownDigits);
    return r.ec == std::errc{} ? std::string(digits, r.ptr) : std::string("?");
}

/// The bound as text, as short as it can be: "-90", "23.5", "100000".
std::string BoundText(long double bound) {
    char digits[64];
    const auto r = std::to_chars(digits, digits + sizeof digits, bound, std::chars_format::fixed);
    return std::string(digits, r.ptr);
}

bool Within(long double value, StationRange range) {
    return value >= range.Lo && value <= range.Hi; // false for NaN
}

void CheckReal(std::vector<StationProblem>& problems, const char* field, long double value,
               StationRange range, const char* unit) {
    if (!Within(value, range)) {
        std::string allowed = BoundText(range.Lo) + " to " + BoundText(range.Hi);
        if (*unit != '\0') {
            allowed += ' ';
            allowed += unit;
        }
        problems.push_back({field, ValueText(value), std::move(allowed)});
    }
}

/// One checked field: its name, unit, range and where the record holds it.
struct CheckedField {
    const char* Name;
    const char* Unit;
    StationRange Range;
    long double (*Value)(const HomeStation&);
};

constexpr std::array<CheckedField, 7> kCheckedFields{{
    {"latitude", "degrees", station_range::kLatitudeDeg,
     [](const HomeStation& s) { return s.Latitude; }},
    {"longitude", "degrees", station_range::kLongitudeDeg,
     [](const HomeStation& s) { return s.Longitude; }},
    {"height", "metres", station_range::kHeightM, [](const HomeStation& s) { return s.HeightAsl; }},
    {"UTC offset", "hours", station_range::kUtcOffsetHours,
     [](const HomeStation& s) { return s.UtcOffset; }},
    {"user source right ascension", "hours", station_range::kRightAscensionHours,
     [](const HomeStation& s) { return s.UserSourceRa; }},
    {"user source declination", "degrees", station_range::kDeclinationDeg,
     [](const HomeStation& s) { return s.UserSourceDec; }},
    {"noise source option", "", station_range::kSourceOption,
     [](const HomeStation& s) { return static_cast<long double>(s.SourceOption); }},
}};

constexpr const char* kMessageLead = "The Home Set up Data holds values out of range:";
constexpr const char* kMessageAdvice =
    "Positions computed from them are meaningless. Correct them in Home Data and save.";

} // namespace

std::vector<StationProblem> CheckStation(const HomeStation& station) {
    std::vector<StationProblem> problems;
    for (const CheckedField& f : kCheckedFields) {
        CheckReal(problems, f.Name, f.Value(station), f.Range, f.Unit);
    }
    return problems;
}

bool StationInRange(const HomeStation& station) {
    return std::all_of(kCheckedFields.begin(), kCheckedFields.end(),
                       [&](const CheckedField& f) { return Within(f.Value(station), f.Range); });
}

std::string DescribeProblem(const StationProblem& problem) {
    return problem.Field + " " + problem.Value + " is out of range (" + problem.Range + ")";
}

std::string ProblemsLine(const std::vector<StationProblem>& problems) {
    std::string line;
    for (const StationProblem& p : problems) {
        line += line.empty() ? "the station data is out of range: " : "; ";
        line += DescribeProblem(p);
    }
    return line;
}

std::string ProblemsMessage(const std::vector<StationProblem>& problems) {
    if (problems.empty()) {
        return {};
    }
    std::string text = std::string(kMessageLead) + "\n";
    for (const StationProblem& p : problems) {
        text += "\n" + DescribeProblem(p);
    }
    text += "\n\n";
    text += kMessageAdvice;
    return text;
}

std::string ProblemsParagraph(const std::vector<StationProblem>& problems) {
    if (problems.empty()) {
        return {};
    }
    std::string text = kMessageLead;
    for (const StationProblem& p : problems) {
        text += &p == &problems.front() ? " " : "; ";
        text += DescribeProblem(p);
    }
    text += ". ";
    text += kMessageAdvice;
    return text;
}

} // namespace vantrel

#include "station/StationCheck.h"

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

} // namespace

std::vector<StationProblem> CheckStation(const HomeStation& station) {
    namespace r = station_range;
    std::vector<StationProblem> problems;
    CheckReal(problems, "latitude", station.Latitude, r::kLatitudeDeg, "degrees");
    CheckReal(problems, "longitude", station.Longitude, r::kLongitudeDeg, "degrees");
    CheckReal(problems, "height", station.HeightAsl, r::kHeightM, "metres");
    CheckReal(problems, "UTC offset", station.UtcOffset, r::kUtcOffsetHours, "hours");
    CheckReal(problems, "user source right ascension", station.UserSourceRa,
              r::kRightAscensionHours, "hours");
    CheckReal(problems, "user source declination", station.UserSourceDec, r::kDeclinationDeg,
              "degrees");
    CheckReal(problems, "noise source option", station.SourceOption, r::kSourceOption, "");
    return problems;
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
    std::string text = "The Home Set up Data holds values out of range:\n";
    for (const StationProblem& p : problems) {
        text += "\n" + DescribeProblem(p);
    }
    text += "\n\nPositions computed from them are meaningless. Correct them in Home Data "
            "and save.";
    return text;
}

} // namespace vantrel

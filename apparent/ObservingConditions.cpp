#include "apparent/ObservingConditions.h"

#include <erfa.h>

#include <charconv>
#include <cmath>

namespace vantrel {

namespace {

/// Speed of light, metres per second (SI definition of the metre).
constexpr double kLightMetresPerSecond = 299792458.0;
/// Micrometres per metre, and hertz per megahertz.
constexpr double kMicrometresPerMetre = 1e6;
constexpr double kHertzPerMegahertz = 1e6;
/// eraRefco takes the relative humidity as a fraction 0..1.
constexpr double kPercent = 100.0;

struct FieldRule {
    double Min;
    double Max;
    std::string_view OutOfRange;
    std::string_view NotANumber;
};

const FieldRule& RuleOf(ConditionField field) {
    static const FieldRule kRules[] = {
        {kMinPressureHpa, kMaxPressureHpa, "Pressure must be from 0 to 1200 hPa.",
         "Pressure must be a number."},
        {kMinTemperatureC, kMaxTemperatureC,
         "Temperature must be from -80 to 60 \xC2\xB0"
         "C.",
         "Temperature must be a number."},
        {kMinRelativeHumidityPercent, kMaxRelativeHumidityPercent,
         "Relative humidity must be from 0 to 100 %.", "Relative humidity must be a number."},
        {kMinFrequencyMHz, kMaxFrequencyMHz, "Frequency must be from 1 MHz to 1000 GHz.",
         "Frequency must be a number."},
    };
    return kRules[static_cast<int>(field)];
}

std::string_view Trim(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

} // namespace

std::string_view ConditionProblem(ConditionField field, double value) {
    const FieldRule& rule = RuleOf(field);
    if (!std::isfinite(value)) {
        return rule.NotANumber;
    }
    if (!(value >= rule.Min && value <= rule.Max)) {
        return rule.OutOfRange;
    }
    return {};
}

ParsedCondition ParseCondition(ConditionField field, std::string_view text) {
    const std::string_view t = Trim(text);
    ParsedCondition parsed;
    const char* begin = t.data();
    const char* end = t.data() + t.size();
    if (!t.empty() && *begin == '+') {
        ++begin; // from_chars takes no plus sign; a typed one is harmless
    }
    const auto [ptr, ec] = std::from_chars(begin, end, parsed.Value);
    if (t.empty() || ec != std::errc{} || ptr != end) {
        parsed.Value = 0;
        parsed.Problem = RuleOf(field).NotANumber;
        return parsed;
    }
    parsed.Problem = ConditionProblem(field, parsed.Value);
    return parsed;
}

std::vector<ConditionFieldProblem> ValidateConditions(const ObservingConditions& conditions) {
    std::vector<ConditionFieldProblem> problems;
    const std::pair<ConditionField, double> fields[] = {
        {ConditionField::Pressure, conditions.PressureHpa},
        {ConditionField::Temperature, conditions.TemperatureC},
        {ConditionField::RelativeHumidity, conditions.RelativeHumidityPercent},
        {ConditionField::Frequency, conditions.FrequencyMHz},
    };
    for (const auto& [field, value] : fields) {
        const std::string_view problem = ConditionProblem(field, value);
        if (!problem.empty()) {
            problems.push_back({field, problem});
        }
    }
    return problems;
}

double WavelengthMicrometres(double frequencyMHz) {
    return kLightMetresPerSecond / (frequencyMHz * kHertzPerMegahertz) * kMicrometresPerMetre;
}

RefractionConstants RefractionConstantsFor(const ObservingConditions& conditions) {
    RefractionConstants k;
    if (!conditions.Refraction) {
        return k;
    }
    eraRefco(conditions.PressureHpa, conditions.TemperatureC,
             conditions.RelativeHumidityPercent / kPercent,
             WavelengthMicrometres(conditions.FrequencyMHz), &k.ARad, &k.BRad);
    return k;
}

} // namespace vantrel

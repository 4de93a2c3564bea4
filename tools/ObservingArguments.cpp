#include "tools/ObservingArguments.h"

#include <array>

namespace vantrel {

bool ObservingArguments::Owns(std::string_view flag) {
    return flag == "--apparent" || TakesValue(flag);
}

bool ObservingArguments::TakesValue(std::string_view flag) {
    return flag == "--refraction" || flag == "--frequency" || flag == "--iers";
}

std::optional<std::string> ObservingArguments::Apply(std::string_view flag,
                                                     std::optional<std::string_view> value) {
    if (flag == "--apparent") {
        if (value) {
            return "--apparent takes no value";
        }
        Conditions.Apparent = true;
        return std::nullopt;
    }
    if (flag == "--iers") {
        if (!value || value->empty()) {
            return "--iers needs a file name (an IERS finals2000A.all, .daily or .data file)";
        }
        IersFile = std::string(*value);
        return std::nullopt;
    }
    if (!value) {
        return flag == "--frequency" ? "--frequency needs a frequency in MHz"
                                     : "--refraction needs P,T,RH (hPa, degrees C, percent)";
    }
    if (flag == "--frequency") {
        const ParsedCondition f = ParseCondition(ConditionField::Frequency, *value);
        if (!f.Problem.empty()) {
            return "--frequency: '" + std::string(*value) + "': " + std::string(f.Problem);
        }
        Conditions.FrequencyMHz = f.Value;
        FrequencyGiven = true;
        return std::nullopt;
    }
    // --refraction P,T,RH
    constexpr std::array<ConditionField, 3> kFields{
        ConditionField::Pressure, ConditionField::Temperature, ConditionField::RelativeHumidity};
    std::array<double, 3> numbers{};
    std::string_view rest = *value;
    for (std::size_t k = 0; k < kFields.size(); ++k) {
        const std::size_t comma = rest.find(',');
        const bool last = k + 1 == kFields.size();
        if ((comma == std::string_view::npos) != last) {
            return "--refraction: '" + std::string(*value) +
                   "' is not P,T,RH (pressure hPa, temperature degrees C, humidity percent)";
        }
        const ParsedCondition p = ParseCondition(kFields[k], rest.substr(0, comma));
        if (!p.Problem.empty()) {
            return "--refraction: '" + std::string(*value) + "': " + std::string(p.Problem);
        }
        numbers[k] = p.Value;
        rest = last ? std::string_view() : rest.substr(comma + 1);
    }
    Conditions.Refraction = true;
    Conditions.PressureHpa = numbers[0];
    Conditions.TemperatureC = numbers[1];
    Conditions.RelativeHumidityPercent = numbers[2];
    return std::nullopt;
}

std::optional<std::string> ObservingArguments::Missing() const {
    // Radio refraction in the troposphere does not depend on the frequency
    // (above about 1 GHz, and the model holds no ionosphere): --refraction
    // stands alone.
    return std::nullopt;
}

std::optional<std::string> ObservingArguments::IersUnused() const {
    if (!IersFile.empty() && !Conditions.Apparent) {
        return "--iers only matters with --apparent (UT1 turns the Earth for the apparent places "
               "of date): give both, or leave --iers out";
    }
    return std::nullopt;
}

std::optional<std::string> ObservingArguments::Unused() const {
    if (FrequencyGiven && !Conditions.Refraction) {
        return "--frequency only matters with --refraction P,T,RH here (the positions "
               "depend on the frequency through radio refraction alone): give both, or "
               "leave --frequency out";
    }
    return std::nullopt;
}

} // namespace vantrel

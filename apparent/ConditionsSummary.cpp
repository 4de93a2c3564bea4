#include "apparent/ConditionsSummary.h"

#include <charconv>
#include <cmath>

namespace vantrel {

namespace {

void AppendNumber(std::string& text, double value) {
    char digits[32];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    text.append(digits, ec == std::errc{} ? end : digits);
}

} // namespace

std::string ConditionsSummary(const ObservingConditions& c, double firstUtcMjd, double lastUtcMjd) {
    std::string text;
    if (c.Apparent) {
        text = "apparent places of date";
    }
    if (c.Refraction) {
        if (!text.empty()) {
            text += ", ";
        }
        text += "radio refraction ";
        AppendNumber(text, c.PressureHpa);
        text += " hPa ";
        AppendNumber(text, c.TemperatureC);
        text += " \xC2\xB0"
                "C ";
        AppendNumber(text, c.RelativeHumidityPercent);
        text += " % ";
        AppendNumber(text, c.FrequencyMHz);
        text += " MHz";
    }
    if (c.Apparent) {
        const EarthOrientation* ut1 = c.Ut1.get();
        const bool whole = std::isnan(firstUtcMjd) || std::isnan(lastUtcMjd);
        text += ", ";
        text += ut1 != nullptr && whole ? ut1->Description(ut1->FirstMjd(), ut1->LastMjd())
                                        : Ut1Description(ut1, firstUtcMjd, lastUtcMjd);
    }
    return text;
}

} // namespace vantrel

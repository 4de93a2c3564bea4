#include "emewin/EmeSkedSetup.h"

#include "apparent/ObservingConditions.h"
#include "eme/EmeBeam.h"
#include "eme/SkyDegradation.h"
#include "measure/NumberText.h"

#include <cmath>
#include <cstdio>

namespace vantrel {

namespace {

const std::string kNone = "\u2014";

std::string Number(double v, int decimals, const char* unit) {
    if (!std::isfinite(v)) {
        return kNone;
    }
    if (std::fabs(v) < 0.5 * std::pow(10.0, -decimals)) {
        v = 0;
    }
    char text[48];
    std::snprintf(text, sizeof text, "%.*f%s", decimals, v, unit);
    return text;
}

} // namespace

std::optional<double> ReceiverKOf(std::string_view text) {
    const auto v = measure::FiniteNumber(measure::TrimBlanks(text));
    if (!v || *v < eme::kLowestReceiverK || *v > eme::kHighestReceiverK) {
        return std::nullopt;
    }
    return v;
}

HpbwTyped HpbwOf(std::string_view text) {
    const std::string_view trimmed = measure::TrimBlanks(text);
    if (trimmed.empty()) {
        return {true, std::nullopt};
    }
    const auto v = measure::FiniteNumber(trimmed);
    if (!v || *v < eme::kLowestHpbwDeg || *v > eme::kHighestHpbwDeg) {
        return {};
    }
    return {true, v};
}

HpbwTyped MoonTemperatureOf(std::string_view text) {
    const std::string_view trimmed = measure::TrimBlanks(text);
    if (trimmed.empty()) {
        return {true, std::nullopt};
    }
    const auto v = measure::FiniteNumber(trimmed);
    if (!v || *v < kLowestMoonK || *v > kHighestMoonK) {
        return {};
    }
    return {true, v};
}

double HpbwInUseDeg(const std::optional<double>& typed, double frequencyMHz) {
    return typed ? *typed : eme::DefaultHpbwDeg(frequencyMHz);
}

SkedTexts SkedTextsOf(const eme::EmeMoment& m, double frequencyMHz) {
    SkedTexts t;
    t.SkyHome = Number(m.SkyHomeK, 1, " K");
    t.SkyDx = Number(m.SkyDxK, 1, " K");
    t.DegradationHome = Number(m.DegradationDb, 2, " dB");
    t.DegradationDx = Number(m.DxDegradationDb, 2, " dB");
    t.SunMoon = Number(m.SunMoonDeg, 1, "\u00b0");
    t.SunWarning = std::isfinite(m.SunMoonDeg) && eme::SunNoiseWarning(m.SunMoonDeg, frequencyMHz);
    t.RateHome = Number(m.EchoDopplerRateHzPerMin, 2, " Hz/min");
    t.RateDx = Number(m.DxDopplerRateHzPerMin, 2, " Hz/min");
    t.SpreadHome = Number(m.EchoSpreadHz, 1, " Hz");
    t.SpreadDx = Number(m.DxSpreadHz, 1, " Hz");
    if (std::isfinite(m.MoonBrightnessK)) {
        char text[96];
        std::snprintf(text, sizeof text, "%.0f K (phase %+.0f\u00b0, %s): %+.2f K",
                      m.MoonBrightnessK, m.MoonPhaseDeg, m.MoonBrightnessFixed ? "typed" : "model",
                      m.MoonNoiseHomeK);
        t.MoonHome = std::isfinite(m.MoonNoiseHomeK) ? text : kNone;
    } else {
        t.MoonHome = kNone;
    }
    t.MoonDx = std::isfinite(m.MoonNoiseDxK) ? Number(m.MoonNoiseDxK, 2, " K") : kNone;
    if (std::isfinite(m.MoonNoiseDxK) && m.MoonNoiseDxK >= 0) {
        t.MoonDx = "+" + t.MoonDx;
    }
    return t;
}

HpbwTyped BandOf(std::string_view text) {
    const std::string_view trimmed = measure::TrimBlanks(text);
    if (trimmed.empty()) {
        return {true, std::nullopt};
    }
    const auto v = measure::FiniteNumber(trimmed);
    if (!v || *v < kMinFrequencyMHz || *v > kMaxFrequencyMHz) {
        return {};
    }
    return {true, v};
}

DayTyped DayOf(std::string_view text) {
    const std::string trimmed(measure::TrimBlanks(text));
    if (trimmed.empty()) {
        return {true, std::nullopt};
    }
    unsigned y = 0;
    unsigned m = 0;
    unsigned d = 0;
    char tail = 0;
    if (trimmed.size() != 10 ||
        std::sscanf(trimmed.c_str(), "%4u-%2u-%2u%c", &y, &m, &d, &tail) != 3 || y < 1900 ||
        y > 2100 || m < 1 || m > 12 || d < 1 || d > 31) {
        return {};
    }
    const DateTime at =
        EncodeDateTime(static_cast<int>(y), static_cast<int>(m), static_cast<int>(d), 0, 0, 0);
    const DecodedInstant back = DecodeInstant(at);
    if (back.Month != m || back.Day != d) {
        return {}; // 2026-02-30
    }
    return {true, eme::UtcSecondsOf(at)};
}

SearchSpan SearchSpanOf(std::optional<eme::UtcSeconds> from, std::optional<eme::UtcSeconds> to,
                        eme::UtcSeconds now) {
    SearchSpan s;
    s.Default = !from && !to;
    s.Start = from ? *from : now;
    s.End = to ? *to + eme::kWholeSecondsPerDay
               : s.Start + eme::kWindowDaysAhead * eme::kWholeSecondsPerDay;
    if (s.End <= s.Start) {
        s.Problem = "The last day of the search is before its first.";
    } else if (s.End - s.Start > kEmeMostSearchDays * eme::kWholeSecondsPerDay) {
        s.Problem = "The search covers at most 366 days: choose a shorter span.";
    }
    return s;
}

ShownWindow InwardMinutes(const eme::MoonWindow& w) {
    constexpr eme::UtcSeconds kMinute = 60;
    const auto floorMinute = [](eme::UtcSeconds t) {
        return t - ((t % kMinute) + kMinute) % kMinute;
    };
    ShownWindow s;
    const eme::UtcSeconds start = floorMinute(w.Start);
    s.Start = start == w.Start ? start : start + kMinute;
    s.End = floorMinute(w.End);
    if (s.End <= s.Start) {
        s = {w.Start, w.End, true};
    }
    return s;
}

std::string DegradationTip(double receiverK) {
    char text[400];
    std::snprintf(text, sizeof text,
                  "Degradation against the Moon at 356 500 km on cold sky, more negative is "
                  "worse: DGRD = \u221210\u00b7log10((Tsky + Tr)/(Tsky,min + Tr)) \u2212 "
                  "40\u00b7log10(d / 356 500 km), Tr = %.0f K, Tsky,min = 13 K\u00b7(f / 408 "
                  "MHz)^\u22122.6",
                  receiverK);
    return text;
}

} // namespace vantrel

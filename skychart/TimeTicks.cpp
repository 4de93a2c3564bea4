#include "skychart/TimeTicks.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace vantrel {

namespace {

constexpr double kMinutesPerDay = 1440.0;
constexpr long long kHour = 60;
constexpr long long kDay = 1440;

constexpr long long kFortnight = 14 * kDay;
/// Steps that keep midnight among the marks, shortest first, minutes.
constexpr std::array<long long, 9> kLongerSteps{3 * kHour, 4 * kHour, 6 * kHour, 12 * kHour, kDay,
                                                2 * kDay,  4 * kDay,  7 * kDay,  kFortnight};

long long StepMinutes(double spanDays) {
    if (spanDays <= 1.5) {
        return 2 * kHour;
    }
    if (spanDays <= 3.5) {
        return 6 * kHour;
    }
    if (spanDays <= 10) {
        return kDay;
    }
    if (spanDays <= 20) {
        return 2 * kDay;
    }
    return 4 * kDay;
}

std::string Label(long long shownMinutes) {
    const DecodedInstant d = DecodeInstant(static_cast<double>(shownMinutes) / kMinutesPerDay);
    char text[16];
    if (shownMinutes % kDay == 0) {
        const std::string_view month = MonthName(d.Month).substr(0, 3);
        std::snprintf(text, sizeof text, "%d %.*s", static_cast<int>(d.Day),
                      static_cast<int>(month.size()), month.data());
    } else {
        std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(d.Hour),
                      static_cast<int>(d.Minute));
    }
    return text;
}

} // namespace

std::vector<TimeTick> TimeTicks(DateTime firstUtc, DateTime lastUtc,
                                const std::function<int(DateTime)>& offsetMinutes,
                                std::size_t maxTicks) {
    std::vector<TimeTick> ticks;
    if (!(lastUtc > firstUtc) || maxTicks == 0) {
        return ticks;
    }
    const auto firstMin = static_cast<long long>(std::ceil(firstUtc * kMinutesPerDay - 1e-6));
    const auto lastMin = static_cast<long long>(std::floor(lastUtc * kMinutesPerDay + 1e-6));
    // The marks a step gives are at most span / step + 1.
    const auto spanMin = static_cast<double>(lastMin - firstMin);
    long long step = StepMinutes(lastUtc - firstUtc);
    const auto fits = [&](long long s) {
        return spanMin / static_cast<double>(s) + 1 <= static_cast<double>(maxTicks);
    };
    for (const long long longer : kLongerSteps) {
        if (fits(step)) {
            break;
        }
        step = std::max(step, longer);
    }
    while (!fits(step)) {
        step += kFortnight;
    }
    // Round times of the shown clock; each is placed by the offset in force
    // at it, so a mark after a change to summer time still reads round.
    long long shown = firstMin + offsetMinutes(firstUtc);
    shown = (shown + step - 1) / step * step; // dates after 1899 are positive
    for (;; shown += step) {
        long long utc = shown - offsetMinutes(static_cast<double>(shown) / kMinutesPerDay);
        utc = shown - offsetMinutes(static_cast<double>(utc) / kMinutesPerDay);
        if (utc > lastMin) {
            break;
        }
        if (utc >= firstMin) {
            ticks.push_back({static_cast<double>(utc) / kMinutesPerDay, Label(shown)});
        }
    }
    return ticks;
}

} // namespace vantrel

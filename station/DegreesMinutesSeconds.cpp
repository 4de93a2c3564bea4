#include "station/DegreesMinutesSeconds.h"

#include <cmath>
#include <limits>

namespace vantrel {

namespace {

constexpr long double kMinutesPerUnit = 60.0L;
constexpr long double kSecondsPerUnit = 3600.0L;
constexpr std::int32_t kSexagesimal = 60;

} // namespace

DegreesMinutesSeconds Split(long double value) {
    const long double a = std::fabs(value);
    if (std::isnan(a)) {
        return {};
    }
    constexpr auto kLargest = static_cast<long double>(std::numeric_limits<std::int32_t>::max());
    if (a >= kLargest) {
        return {std::numeric_limits<std::int32_t>::max(), 0, 0};
    }
    const long double whole = std::trunc(a);
    const long double m = (a - whole) * kMinutesPerUnit;
    const long double minutes = std::trunc(m);
    const long double s = std::floor((m - minutes) * kMinutesPerUnit + 0.5L);

    DegreesMinutesSeconds parts{static_cast<std::int32_t>(whole),
                                static_cast<std::int32_t>(minutes), static_cast<std::int32_t>(s)};
    if (parts.Seconds >= kSexagesimal) {
        parts.Seconds -= kSexagesimal;
        ++parts.Minutes;
    }
    if (parts.Minutes >= kSexagesimal) {
        parts.Minutes -= kSexagesimal;
        if (parts.Whole < std::numeric_limits<std::int32_t>::max()) {
            ++parts.Whole;
        }
    }
    return parts;
}

long double Join(const DegreesMinutesSeconds& parts) {
    const auto magnitude = [](std::int32_t part) {
        return std::fabs(static_cast<long double>(part));
    };
    return magnitude(parts.Whole) + magnitude(parts.Minutes) / kMinutesPerUnit +
           magnitude(parts.Seconds) / kSecondsPerUnit;
}

} // namespace vantrel

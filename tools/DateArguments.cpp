#include "tools/DateArguments.h"

#include "astro/EphemerisSpan.h"
#include "planner/PlanningSweep.h"
#include "tools/ArgumentNumbers.h"

#include <limits>

namespace vantrel {

namespace {

/// A leap year of the Gregorian calendar.
bool IsLeap(long long y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

} // namespace

std::optional<std::string> DateBeyondEphemeris(std::string_view flag, std::string_view text,
                                               DateTime utc) {
    if (WithinEphemerisSpan(utc)) {
        return std::nullopt;
    }
    return std::string(flag) + ": '" + std::string(text) +
           "' is beyond the dates with Sun and Moon positions, " + kEphemerisSpanText;
}

std::optional<DateTime> ParseIsoDate(std::string_view text) {
    constexpr std::size_t kLength = 10; // YYYY-MM-DD
    if (text.size() != kLength || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    const auto y = ParseWholeArgument(text.substr(0, 4));
    const auto m = ParseWholeArgument(text.substr(5, 2));
    const auto d = ParseWholeArgument(text.substr(8, 2));
    if (!y || !m || !d || *y < 1 || *m < 1 || *m > 12 || *d < 1) {
        return std::nullopt;
    }
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int length = kDays[*m - 1] + (*m == 2 && IsLeap(*y) ? 1 : 0);
    if (*d > length) {
        return std::nullopt;
    }
    return EncodeDate(static_cast<int>(*y), static_cast<int>(*m), static_cast<int>(*d));
}

std::optional<std::string> ApplyDayArgument(std::string_view flag, std::string_view text,
                                            std::optional<DateTime>& day) {
    const auto date = ParseIsoDate(text);
    if (!date) {
        return std::string(flag) + ": '" + std::string(text) + "' is not a date YYYY-MM-DD";
    }
    if (auto beyond = DateBeyondEphemeris(flag, text, *date)) {
        return beyond;
    }
    day = *date;
    return std::nullopt;
}

std::optional<std::string> ApplyIntervalArgument(std::string_view text, std::int32_t& minutes) {
    const auto n = ParseWholeArgument(text);
    if (!n) {
        return "--interval: '" + std::string(text) + "' is not a whole number of minutes";
    }
    if (*n < 1) {
        return std::string(kIntervalTooSmall);
    }
    if (*n > std::numeric_limits<std::int32_t>::max()) {
        return "--interval: '" + std::string(text) + "' is too large";
    }
    minutes = static_cast<std::int32_t>(*n);
    return std::nullopt;
}

} // namespace vantrel

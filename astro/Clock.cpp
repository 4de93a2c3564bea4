#include "astro/Clock.h"

#include <cmath>
#include <ctime>

namespace vantrel {

LocalClockReading SystemLocalClock::Now() const {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    ::tzset();
    std::tm local{};
    ::localtime_r(&now.tv_sec, &local);

    LocalClockReading reading;
    reading.Local =
        EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                       local.tm_min, local.tm_sec, static_cast<int>(now.tv_nsec / 1'000'000));
    // tm_gmtoff is the whole offset east of UTC now, daylight time included.
    // The split into standard bias and daylight bias uses the zone's standard
    // offset (`timezone`, seconds west); their sum is always -tm_gmtoff, so
    // the UTC instant is right whatever the zone's history.
    const long totalBiasMinutes = -local.tm_gmtoff / 60;
    reading.DaylightInForce = local.tm_isdst > 0;
    if (reading.DaylightInForce) {
        reading.BiasMinutes = static_cast<int>(::timezone / 60);
        reading.DaylightBiasMinutes = static_cast<int>(totalBiasMinutes - reading.BiasMinutes);
    } else {
        reading.BiasMinutes = static_cast<int>(totalBiasMinutes);
        reading.DaylightBiasMinutes = 0;
    }
    return reading;
}

DateTime UtcClock::UtcNow() {
    const LocalClockReading reading = clock_.Now();
    DateTime t = AddMinutes(reading.Local, reading.BiasMinutes);
    daylightInForce_ = reading.DaylightInForce;
    if (reading.DaylightInForce) {
        t = AddMinutes(t, reading.DaylightBiasMinutes);
    }
    return t;
}

SystemDaylightRules::SystemDaylightRules() {
    ::tzset();
}

bool SystemDaylightRules::InForceAt(DateTime utc) const {
    // Days since 1899-12-30 to seconds since 1970-01-01 (25 569 days apart).
    constexpr double kUnixEpochDays = 25569.0;
    constexpr double kSecondsPerDay = 86400.0;
    constexpr double kQuartersPerDay = 96.0;
    constexpr double kLargestDays = 3.0e6; // beyond year 9999 either way
    if (!std::isfinite(utc) || std::fabs(utc) > kLargestDays) {
        return false;
    }
    const auto quarter = static_cast<long long>(std::floor(utc * kQuartersPerDay + 1e-6));
    if (quarter != quarter_) {
        const auto seconds = static_cast<std::time_t>(std::llround(
            (static_cast<double>(quarter) / kQuartersPerDay - kUnixEpochDays) * kSecondsPerDay));
        std::tm local{};
        inForce_ = ::localtime_r(&seconds, &local) != nullptr && local.tm_isdst > 0;
        quarter_ = quarter;
    }
    return inForce_;
}

DateTime StationLocalTime(DateTime utc, long double utcOffsetHours, bool daylightInForce) {
    constexpr long double kMaxOffsetMinutes = 1e6L; // far beyond any real zone
    long double minutes = std::isfinite(utcOffsetHours) ? std::rint(utcOffsetHours * 60) : 0;
    if (std::fabs(minutes) > kMaxOffsetMinutes) {
        minutes = 0;
    }
    auto n = static_cast<std::int64_t>(minutes);
    if (daylightInForce) {
        n += 60;
    }
    return AddMinutes(utc, n);
}

} // namespace vantrel

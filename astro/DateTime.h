#pragma once

#include <cstdint>
#include <string_view>

namespace vantrel {

/// An instant: days since 1899-12-30 00:00, the fraction being the time of
/// day. UTC and station local time are held alike; the name of the variable
/// says which one it is (`utc`, `local`).
using DateTime = double;

/// An instant split into calendar fields (proleptic Gregorian calendar).
struct DecodedInstant {
    std::uint16_t Year = 0;
    std::uint16_t Month = 0;       ///< 1..12
    std::uint16_t Day = 0;         ///< 1..31
    std::uint16_t Hour = 0;        ///< 0..23
    std::uint16_t Minute = 0;      ///< 0..59
    std::uint16_t Second = 0;      ///< 0..59
    std::uint16_t Millisecond = 0; ///< 0..999

    bool operator==(const DecodedInstant&) const = default;
};

/// The instant `minutes` whole minutes after `t`: t + n/1440 days, computed in
/// extended precision and stored back as a double. Callers that step
/// repeatedly add the step to the previous instant.
DateTime AddMinutes(DateTime t, std::int64_t minutes);

/// Splits `t` into its fields. The instant is first rounded to the nearest
/// whole millisecond (t × 86 400 000), then split into date and time of day.
/// Defined for years 1 to 9999; outside that range, or for a non-finite `t`,
/// all fields are 0.
DecodedInstant DecodeInstant(DateTime t);

/// The `DateTime` of 00:00 on the given date of the proleptic Gregorian
/// calendar (months and days outside their range roll over into the next).
DateTime EncodeDate(int year, int month, int day);

/// The `DateTime` of a date and a time of day.
DateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                        int millisecond = 0);

/// English month name, "January" to "December" for 1 to 12; an empty view
/// for any other value (the caller keeps the text it had).
std::string_view MonthName(std::uint16_t month);

/// Weekday of the date of `t` (after the millisecond rounding of decoding),
/// "Sunday" to "Saturday", independent of the user's language settings.
std::string_view WeekdayName(DateTime t);

} // namespace vantrel

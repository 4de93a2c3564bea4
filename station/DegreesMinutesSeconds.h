#pragma once

#include <cstdint>

namespace vantrel {

/// A non-negative angle or time in sexagesimal form: whole degrees (or
/// hours), minutes and seconds. The sign of the value it came from is kept
/// elsewhere (the hemisphere letters, the declination sign).
struct DegreesMinutesSeconds {
    std::int32_t Whole = 0;   ///< degrees, or hours for a right ascension
    std::int32_t Minutes = 0; ///< 0 to 59 after `Split`
    std::int32_t Seconds = 0; ///< 0 to 59 after `Split`

    bool operator==(const DegreesMinutesSeconds&) const = default;
};

/// Splits |value| (degrees or hours, extended precision) into whole units,
/// minutes and seconds, the seconds rounded to the nearest whole second
/// (halves upward). Sixty seconds carry into the minutes and sixty minutes
/// into the whole units, so minutes and seconds are always 0 to 59:
/// 10.99999 gives 11 0 0, 27.0165 gives 27 0 59, 33.5 gives 33 30 0.
///
/// A NaN gives 0 0 0. A magnitude too large for a 32-bit whole part gives
/// the largest 32-bit whole part with 0 minutes and 0 seconds.
DegreesMinutesSeconds Split(long double value);

/// |Whole| + |Minutes|/60 + |Seconds|/3600 in extended precision (degrees
/// or hours). Every part counts by its magnitude, so a minus typed into one
/// of the fields neither flips the result's sign nor shrinks it (-5 degrees
/// with 30 minutes is 5.5); callers put the sign on themselves.
long double Join(const DegreesMinutesSeconds& parts);

} // namespace vantrel

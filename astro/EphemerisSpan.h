#pragma once

#include "astro/DateTime.h"

namespace vantrel {

/// The dates for which the sun/moon library gives places: whole UTC years
/// 1900 to 2100, the span over which ERFA's Earth ephemeris eraEpv00 (the
/// library's source) is valid. Outside it every angle of the Sun and the
/// Moon is NaN, so the planner and the tools keep their dates within it.
inline constexpr int kEphemerisFirstYear = 1900;
inline constexpr int kEphemerisLastYear = 2100;

/// The span as a user reads it: "1900-01-01 to 2100-12-31 (UTC)".
inline constexpr const char* kEphemerisSpanText = "1900-01-01 to 2100-12-31 (UTC)";

/// True when the UTC instant `utc` (days since 1899-12-30) lies within the
/// span: from 1900-01-01 00:00 up to, not including, 2101-01-01 00:00.
/// False for NaN.
inline bool WithinEphemerisSpan(DateTime utc) {
    return utc >= EncodeDate(kEphemerisFirstYear, 1, 1) &&
           utc < EncodeDate(kEphemerisLastYear + 1, 1, 1);
}

} // namespace vantrel

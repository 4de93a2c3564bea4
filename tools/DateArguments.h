#pragma once

#include "astro/DateTime.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

/// Why the UTC instant `utc`, typed as `text` after `flag`, is refused, one
/// line without the tool's name quoting `text` as typed (the caller makes it
/// safe for a terminal); or nothing. Refused:
/// instants beyond the span of the Sun and Moon positions
/// (astro/EphemerisSpan.h), where every angle of the Sun and the Moon would
/// be NaN: "--start: '2101-01-01' is beyond the dates with Sun and Moon
/// positions, 1900-01-01 to 2100-12-31 (UTC)". Every tool that takes a date
/// or an instant checks it here, so they all name the same span.
std::optional<std::string> DateBeyondEphemeris(std::string_view flag, std::string_view text,
                                               DateTime utc);

/// A date "YYYY-MM-DD" of the Gregorian calendar, years 1 to 9999, that
/// exists (no 31 April, 29 February only in leap years).
std::optional<DateTime> ParseIsoDate(std::string_view text);

/// --start DATE or --end DATE (`flag`) of the tools that take whole UTC
/// days: a date (ParseIsoDate) within the Sun and Moon positions, put into
/// `day`; else the refusal, one line without the tool's name quoting `text`.
std::optional<std::string> ApplyDayArgument(std::string_view flag, std::string_view text,
                                            std::optional<DateTime>& day);

/// --interval MIN: whole minutes from 1 up to the largest 32-bit number,
/// put into `minutes`; else the refusal, as ApplyDayArgument's.
std::optional<std::string> ApplyIntervalArgument(std::string_view text, std::int32_t& minutes);

} // namespace vantrel

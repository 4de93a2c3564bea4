#pragma once

#include "astro/DateTime.h"

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

} // namespace vantrel

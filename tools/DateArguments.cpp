#include "tools/DateArguments.h"

#include "astro/EphemerisSpan.h"

namespace vantrel {

std::optional<std::string> DateBeyondEphemeris(std::string_view flag, std::string_view text,
                                               DateTime utc) {
    if (WithinEphemerisSpan(utc)) {
        return std::nullopt;
    }
    return std::string(flag) + ": '" + std::string(text) +
           "' is beyond the dates with Sun and Moon positions, " + kEphemerisSpanText;
}

} // namespace vantrel

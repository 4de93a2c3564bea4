#pragma once

#include "astro/DateTime.h"

#include <string>

namespace vantrel {

/// Appends the hour and the minute of `t` as four digits, HHMM (00:05 is
/// "0005"), as the grids' time cells show them.
void AppendHourMinute(std::string& text, const DecodedInstant& t);

/// Appends the second of `t` as two digits.
void AppendSecond(std::string& text, const DecodedInstant& t);

} // namespace vantrel

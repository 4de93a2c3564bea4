#pragma once

#include <optional>
#include <string_view>

namespace vantrel::measure {

/// A finite number written in `text` with a point as decimal separator
/// ("1296", "-3.5", "1e3"), the whole text and nothing else: no blanks, no
/// second number. Nothing for an empty text, NaN, infinity or anything else.
std::optional<double> FiniteNumber(std::string_view text);

/// `text` without blanks and tabs at its ends.
std::string_view TrimBlanks(std::string_view text);

} // namespace vantrel::measure

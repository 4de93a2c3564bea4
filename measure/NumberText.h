#pragma once

#include <optional>
#include <string_view>

namespace vantrel::measure {

/// A finite number written in `text` with a point as decimal separator
/// ("1296", "-3.5", "1e3", "+2", ".5"), the whole text and nothing else: no
/// blanks, no second number, no hexadecimal. Nothing for an empty text, NaN,
/// infinity or anything else. The point counts whatever the locale of the
/// process; a number too small to hold reads as 0, one too large is refused.
std::optional<double> FiniteNumber(std::string_view text);

/// `text` without blanks and tabs at its ends.
std::string_view TrimBlanks(std::string_view text);

} // namespace vantrel::measure

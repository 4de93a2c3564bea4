#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

/// The text of a numeric entry field without its locale: the number as
/// ASCII with '.' for the decimal separator and no thousands separators.
/// The field (`NumEdit`) puts its locale's separators in and takes them out.
/// Values are extended precision (`long double`).

/// Most decimals a field shows.
inline constexpr int kFieldMostDecimals = 14;
/// Significant digits a field shows; further digits are zeros.
inline constexpr int kFieldSignificantDigits = 15;

/// The "Standard" text of `value`: "0" then, with `decimals` 1 to 14, that
/// many decimals; with -1 up to 14 decimals, trailing zeros dropped; with 0
/// none. At most 15 significant digits (zeros follow), rounded half away
/// from zero as decimal text: 2.5 with 0 decimals is "3". "NAN", "INF" and
/// "-INF" for the values that are no number. A `decimals` outside -1..14 is
/// taken as the nearest of them.
std::string FormatFieldNumber(long double value, int decimals);

/// The number in `text` ([sign] digits [. digits] [E [sign] digits], at
/// least one digit before the exponent; "12." and ".5" count), the whole
/// text and nothing else. A number too small for the extended type reads
/// as 0 or the nearest subnormal (with its sign); one too large, or any
/// other text, gives nothing.
/// The field reads an empty text as 0 and a lone "-" as -0 itself.
std::optional<long double> ParseFieldNumber(std::string_view text);

} // namespace vantrel

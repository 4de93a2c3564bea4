#pragma once

#include <optional>
#include <string_view>

namespace vantrel {

/// A real number of the C locale filling the whole text ("52", "-0.5",
/// "1e3"), finite and within [lo, hi]; nothing for anything else (blanks,
/// trailing text, "nan", "inf", out of range).
std::optional<long double> ParseRealArgument(std::string_view text, long double lo, long double hi);

/// The same number as the double a setting holds, within [lo, hi] compared
/// as that double: "0.2" read in extended precision lies just below the
/// double 0.2 and would miss a range's own lower end 0.2.
std::optional<double> ParseDoubleArgument(std::string_view text, double lo, double hi);

/// A whole decimal number filling the whole text, sign allowed; nothing
/// for anything else or beyond the range of long long.
std::optional<long long> ParseWholeArgument(std::string_view text);

} // namespace vantrel

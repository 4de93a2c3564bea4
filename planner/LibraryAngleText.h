#pragma once

#include <string>

namespace vantrel {

/// The text of a Sun or Moon angle from the sun/moon library: fixed point
/// with exactly two decimals (rounded to the nearest hundredth), the user's
/// decimal separator, no thousands separator and no leading blanks:
/// 123.46, -7.05. A value that rounds to zero has no sign. A non-finite value
/// (the library's answer to impossible input) shows as "NaN", "Inf" or "-Inf".
std::string LibraryAngleText(double degrees, char decimalSeparator);

} // namespace vantrel

#include "planner/LibraryAngleText.h"

#include <charconv>
#include <cmath>

namespace vantrel {

std::string LibraryAngleText(double degrees, char decimalSeparator) {
    if (std::isnan(degrees)) {
        return "NaN";
    }
    if (std::isinf(degrees)) {
        return degrees > 0 ? "Inf" : "-Inf";
    }
    // Shortest-exact conversion rounds the binary value itself to hundredths,
    // so 0.125 (exact in binary) goes to even but 0.145 (just below) to 0.14,
    // as a careful reader of the number expects.
    char digits[400];
    const auto r =
        std::to_chars(digits, digits + sizeof digits, degrees, std::chars_format::fixed, 2);
    std::string text(digits, r.ptr);
    if (text == "-0.00") {
        text.erase(0, 1);
    }
    if (decimalSeparator != '.') {
        text[text.size() - 3] = decimalSeparator;
    }
    return text;
}

} // namespace vantrel

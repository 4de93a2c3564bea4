#include "measure/NumberText.h"

#include <cmath>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace vantrel::measure {

namespace {

/// Whether `text` is [+-] digits [. digits] [(e|E) [+-] digits] with at
/// least one digit before the exponent: a decimal number and nothing else
/// (no blanks, no hexadecimal, no "inf" or "nan").
bool IsDecimalNumber(std::string_view text) {
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t start = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            ++i;
        }
        return i - start;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    std::size_t mantissa = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) {
        return false;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        if (digits() == 0) {
            return false;
        }
    }
    return i == text.size();
}

/// The "C" locale, so that the point is the decimal separator whatever
/// locale the program runs in (a window program takes the user's).
locale_t CLocale() {
    static const locale_t c = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

} // namespace

std::optional<double> FiniteNumber(std::string_view text) {
    if (!IsDecimalNumber(text)) {
        return std::nullopt;
    }
    const std::string s(text);
    char* end = nullptr;
    // Too small to hold reads as 0 (or the nearest subnormal); too large
    // gives infinity, which is refused.
    const double v = ::strtod_l(s.c_str(), &end, CLocale());
    if (end != s.c_str() + s.size() || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace vantrel::measure

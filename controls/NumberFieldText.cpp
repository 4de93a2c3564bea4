#include "controls/NumberFieldText.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace vantrel {

namespace {

/// Adds one unit in the last place of a string of decimal digits.
void Increment(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

/// Whether `s` is [sign] digits [. digits] [E [sign] digits] with at least
/// one mantissa digit.
bool IsNumberText(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        ++i;
    }
    std::size_t mantissaDigits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        ++i;
        ++mantissaDigits;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            ++i;
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0) {
        return false;
    }
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
            ++i;
        }
        std::size_t exponentDigits = 0;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            ++i;
            ++exponentDigits;
        }
        if (exponentDigits == 0) {
            return false;
        }
    }
    return i == s.size();
}

} // namespace

std::string FormatFieldNumber(long double value, int decimals) {
    if (std::isnan(value)) {
        return "NAN";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-INF" : "INF";
    }
    const bool trimZeros = decimals < 0;
    decimals = trimZeros ? kFieldMostDecimals : std::min(decimals, kFieldMostDecimals);
    // The value to 15 significant digits, as the digits and the position of
    // the decimal point among them.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*Le", kFieldSignificantDigits - 1, value);
    const std::string_view e(buffer);
    const bool negative = e.front() == '-';
    const std::size_t start = negative ? 1 : 0;
    const std::size_t mark = e.find('e');
    std::string digits;
    for (std::size_t i = start; i < mark; ++i) {
        if (e[i] != '.') {
            digits.push_back(e[i]);
        }
    }
    int exponent = 0;
    std::from_chars(e.data() + mark + (e[mark + 1] == '+' ? 2 : 1), e.data() + e.size(), exponent);
    const int point = exponent + 1; // digits before the point

    // Kept digits up to the last decimal shown, rounded half away from zero.
    const int keep = point + decimals;
    std::string kept;
    if (keep >= kFieldSignificantDigits) {
        kept = digits + std::string(static_cast<std::size_t>(keep - kFieldSignificantDigits), '0');
    } else if (keep >= 0) {
        kept = digits.substr(0, static_cast<std::size_t>(keep));
        if (digits[static_cast<std::size_t>(keep)] >= '5') {
            Increment(kept);
        }
    }
    if (kept.size() < static_cast<std::size_t>(decimals) + 1) {
        kept.insert(0, static_cast<std::size_t>(decimals) + 1 - kept.size(), '0');
    }
    const std::size_t integerDigits = kept.size() - static_cast<std::size_t>(decimals);
    // Leading zeros of the integer part come from kept digits before the
    // point that rounded away; drop them, keeping one.
    std::size_t first = 0;
    while (first + 1 < integerDigits && kept[first] == '0') {
        ++first;
    }
    std::string fraction = kept.substr(integerDigits);
    if (trimZeros) {
        while (!fraction.empty() && fraction.back() == '0') {
            fraction.pop_back();
        }
    }
    std::string text = kept.substr(first, integerDigits - first);
    if (!fraction.empty()) {
        text += '.';
        text += fraction;
    }
    if (negative) {
        text.insert(0, 1, '-');
    }
    return text;
}

std::optional<long double> ParseFieldNumber(std::string_view text) {
    if (!IsNumberText(text)) {
        return std::nullopt;
    }
    std::string ascii(text);
    const bool negative = ascii.front() == '-';
    if (ascii.front() == '-' || ascii.front() == '+') {
        ascii.erase(0, 1);
    }
    // "12." and ".5" are numbers as typed; the conversion wants digits on
    // both sides of the point.
    const std::size_t point = ascii.find('.');
    if (point != std::string::npos) {
        if (point + 1 == ascii.size() || ascii[point + 1] == 'E' || ascii[point + 1] == 'e') {
            ascii.erase(point, 1);
        } else if (point == 0) {
            ascii.insert(0, 1, '0');
        }
    }
    // The C library tells a number too large from one too small: deciding
    // by the sign of the exponent read "1000...0e-1" (five thousand zeros)
    // as 0. Read in the "C" locale, whatever the program's locale is.
    static const locale_t c = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    char* end = nullptr;
    errno = 0;
    long double magnitude = ::strtold_l(ascii.c_str(), &end, c);
    if (end != ascii.c_str() + ascii.size()) {
        return std::nullopt;
    }
    if (errno == ERANGE && std::isinf(magnitude)) {
        return std::nullopt; // too large is no number we can keep
    }
    return negative ? -magnitude : magnitude;
}

} // namespace vantrel

#include "tools/ArgumentNumbers.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace vantrel {

std::optional<long double> ParseRealArgument(std::string_view text, long double lo,
                                             long double hi) {
    const std::string s(text);
    if (s.empty() || s.find_first_of(" \t\n") != std::string::npos) {
        return std::nullopt;
    }
    char* end = nullptr;
    const long double v = std::strtold(s.c_str(), &end);
    if (end != s.c_str() + s.size() || !std::isfinite(v) || v < lo || v > hi) {
        return std::nullopt;
    }
    return v;
}

std::optional<double> ParseDoubleArgument(std::string_view text, double lo, double hi) {
    const auto v = ParseRealArgument(text, std::numeric_limits<long double>::lowest(),
                                     std::numeric_limits<long double>::max());
    if (!v) {
        return std::nullopt;
    }
    const double d = static_cast<double>(*v);
    if (!(d >= lo && d <= hi)) {
        return std::nullopt;
    }
    return d;
}

std::optional<long long> ParseWholeArgument(std::string_view text) {
    long long v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc{} || r.ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    return v;
}

} // namespace vantrel

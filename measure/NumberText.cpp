#include "measure/NumberText.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace vantrel::measure {

std::optional<double> FiniteNumber(std::string_view text) {
    const std::string s(text);
    if (s.empty() || s.find_first_of(" \t\r\n\f\v") != std::string::npos) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
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

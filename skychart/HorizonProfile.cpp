#include "skychart/HorizonProfile.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vantrel {

namespace {

constexpr double kFullCircleDeg = 360.0;
constexpr double kSmallestOutlineStepDeg = 0.1;

double Azimuth0To360(double azimuthDeg) {
    double a = std::fmod(azimuthDeg, kFullCircleDeg);
    if (a < 0) {
        a += kFullCircleDeg;
    }
    return a >= kFullCircleDeg ? 0.0 : a;
}

std::string_view Trimmed(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && blank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

/// A whole field as one finite number, a plus sign allowed; empty otherwise
/// ("", "1x", "nan").
std::optional<double> Number(std::string_view field) {
    if (field.size() > 1 && field.front() == '+' && field[1] != '-') {
        field.remove_prefix(1); // from_chars takes no plus sign
    }
    double v = 0;
    const char* end = field.data() + field.size();
    const auto [ptr, ec] = std::from_chars(field.data(), end, v);
    if (field.empty() || ec != std::errc() || ptr != end || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

std::string LineText(std::size_t line) {
    return "line " + std::to_string(line) + ": ";
}

/// Shows a text from the file in a message, shortened when long. Bytes
/// other than printable ASCII show as \xHH: the message is one line of
/// valid text whatever the file holds (a control character, a stray byte of
/// another encoding).
std::string Quoted(std::string_view s) {
    constexpr std::size_t kLongest = 40;
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string q = "\"";
    for (const char c : s.substr(0, kLongest)) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F) {
            q += c;
        } else {
            q += "\\x";
            q += kHex[b >> 4];
            q += kHex[b & 0xF];
        }
    }
    if (s.size() > kLongest) {
        q += "...";
    }
    return q + "\"";
}

} // namespace

HorizonProfile::HorizonProfile(std::vector<HorizontalDeg> points) : points_(std::move(points)) {
    std::stable_sort(
        points_.begin(), points_.end(),
        [](const HorizontalDeg& a, const HorizontalDeg& b) { return a.AzimuthDeg < b.AzimuthDeg; });
}

double HorizonProfile::ElevationAt(double azimuthDeg) const {
    if (points_.empty()) {
        return kHorizonMinElevationDeg;
    }
    const double az = Azimuth0To360(azimuthDeg);
    const auto byAzimuth = [](double a, const HorizontalDeg& p) { return a < p.AzimuthDeg; };
    const auto above = std::upper_bound(points_.begin(), points_.end(), az, byAzimuth);
    // The neighbours, the wrap through north taken as the last point 360°
    // before, or the first 360° after.
    HorizontalDeg before = above == points_.begin() ? points_.back() : *(above - 1);
    HorizontalDeg after = above == points_.end() ? points_.front() : *above;
    if (above == points_.begin()) {
        before.AzimuthDeg -= kFullCircleDeg;
    }
    if (above == points_.end()) {
        after.AzimuthDeg += kFullCircleDeg;
    }
    double elevation = before.ElevationDeg;
    const double width = after.AzimuthDeg - before.AzimuthDeg;
    if (width > 0) {
        const double t = (az - before.AzimuthDeg) / width;
        elevation = before.ElevationDeg + t * (after.ElevationDeg - before.ElevationDeg);
    }
    // On a vertical edge the place is hidden up to its top.
    for (auto p = above; p != points_.begin() && (p - 1)->AzimuthDeg == az; --p) {
        elevation = std::max(elevation, (p - 1)->ElevationDeg);
    }
    // North is both 0 and 360: points at 360 stand on the same edge.
    if (az == 0) {
        for (auto p = points_.rbegin(); p != points_.rend() && p->AzimuthDeg == kFullCircleDeg;
             ++p) {
            elevation = std::max(elevation, p->ElevationDeg);
        }
    }
    return elevation;
}

std::vector<HorizontalDeg> HorizonProfile::Outline(double stepDeg) const {
    const double step = std::max(stepDeg, kSmallestOutlineStepDeg);
    std::vector<HorizontalDeg> out;
    out.reserve(static_cast<std::size_t>(kFullCircleDeg / step) + points_.size() + 1);
    auto vertex = points_.begin();
    for (int i = 0;; ++i) {
        const double az = i * step;
        if (az >= kFullCircleDeg) {
            break;
        }
        for (; vertex != points_.end() && vertex->AzimuthDeg <= az; ++vertex) {
            out.push_back(*vertex);
        }
        out.push_back({az, ElevationAt(az)});
    }
    for (; vertex != points_.end(); ++vertex) {
        out.push_back(*vertex);
    }
    return out;
}

HorizonParse ParseHorizonProfile(std::string_view text) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(kByteOrderMark)) {
        text.remove_prefix(kByteOrderMark.size());
    }
    std::vector<HorizontalDeg> points;
    std::size_t line = 0;
    while (!text.empty()) {
        ++line;
        const std::size_t end = text.find('\n');
        const std::string_view raw = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const std::string_view content = Trimmed(raw);
        if (content.empty() || content.front() == '#') {
            continue;
        }
        const std::size_t comma = content.find(',');
        if (comma == std::string_view::npos ||
            content.find(',', comma + 1) != std::string_view::npos) {
            return {std::nullopt,
                    LineText(line) + "expected \"azimuth,elevation\" but found " + Quoted(content)};
        }
        const std::string_view azText = Trimmed(content.substr(0, comma));
        const std::string_view elText = Trimmed(content.substr(comma + 1));
        const std::optional<double> az = Number(azText);
        if (!az) {
            return {std::nullopt,
                    LineText(line) + "azimuth " + Quoted(azText) + " is not a number"};
        }
        const std::optional<double> el = Number(elText);
        if (!el) {
            return {std::nullopt,
                    LineText(line) + "elevation " + Quoted(elText) + " is not a number"};
        }
        if (*az < kHorizonMinAzimuthDeg || *az > kHorizonMaxAzimuthDeg) {
            return {std::nullopt,
                    LineText(line) + "azimuth " + std::string(azText) + " is outside 0 to 360"};
        }
        if (*el < kHorizonMinElevationDeg || *el > kHorizonMaxElevationDeg) {
            return {std::nullopt,
                    LineText(line) + "elevation " + std::string(elText) + " is outside -5 to 90"};
        }
        points.push_back({*az, *el});
    }
    if (points.size() < kHorizonMinPoints) {
        return {std::nullopt, LineText(std::max<std::size_t>(line, 1)) + "the file ends after " +
                                  std::to_string(points.size()) +
                                  (points.size() == 1 ? " point" : " points") +
                                  "; a horizon profile needs at least 3"};
    }
    return {HorizonProfile(std::move(points)), {}};
}

} // namespace vantrel

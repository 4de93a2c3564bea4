#include "eme/DxStation.h"

#include "measure/NumberText.h"
#include "station/GridLocator.h"
#include "station/StationCheck.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace vantrel::eme {

namespace {

constexpr std::size_t kShortLocatorLength = 4;
constexpr std::size_t kLongestCall = 12;
/// The Maidenhead grid: fields of 20° × 10° from 180° W, 90° S; squares 2° × 1°.
constexpr double kFieldLongitudeDeg = 20.0;
constexpr double kFieldLatitudeDeg = 10.0;
constexpr double kSquareLongitudeDeg = 2.0;
constexpr double kSquareLatitudeDeg = 1.0;
constexpr double kHalfCircleDeg = 180.0;
constexpr double kQuarterCircleDeg = 90.0;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::optional<double> Number(std::string_view text) {
    return measure::FiniteNumber(measure::TrimBlanks(text));
}

/// The shortest text that reads back as `v`.
std::string Shortest(double v) {
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
    return {buffer, r.ptr};
}

DxParse Refuse(std::string problem) {
    DxParse p;
    p.Problem = std::move(problem);
    return p;
}

DxParse FromLocator(std::string_view text) {
    if (const std::string fault = LocatorFault(text); !fault.empty()) {
        return Refuse(fault + ".");
    }
    DxStation s;
    if (text.size() == kLocatorLength) {
        const std::optional<DecodedLocator> d = DecodeLocator(text);
        if (!d) {
            return Refuse("Not a locator: " + std::string(text) + ".");
        }
        s.Position = d->Text;
        s.Site.LatitudeDeg = static_cast<double>(d->LatitudeDeg);
        s.Site.LongitudeDeg = static_cast<double>(d->LongitudeDeg);
    } else {
        // The centre of the square; field "S" lies beyond the pole and is
        // held to it, as for six characters.
        s.Position = {Upper(text[0]), Upper(text[1]), text[2], text[3]};
        s.Site.LongitudeDeg = (s.Position[0] - 'A') * kFieldLongitudeDeg +
                              (s.Position[2] - '0') * kSquareLongitudeDeg +
                              kSquareLongitudeDeg / 2 - kHalfCircleDeg;
        s.Site.LatitudeDeg = std::min((s.Position[1] - 'A') * kFieldLatitudeDeg +
                                          (s.Position[3] - '0') * kSquareLatitudeDeg +
                                          kSquareLatitudeDeg / 2 - kQuarterCircleDeg,
                                      kQuarterCircleDeg);
    }
    DxParse p;
    p.Station = std::move(s);
    return p;
}

DxParse FromCoordinates(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = text.find(',', from);
        parts.push_back(text.substr(from, comma == std::string_view::npos ? comma : comma - from));
        if (comma == std::string_view::npos) {
            break;
        }
        from = comma + 1;
    }
    if (parts.size() < 2 || parts.size() > 3) {
        return Refuse("Give the DX station as a locator (JO62qm) or as latitude,longitude "
                      "in degrees (52.52,13.41), with the height in metres after a third "
                      "comma if you like.");
    }
    namespace r = station_range;
    const auto lat = Number(parts[0]);
    if (!lat || *lat < r::kLatitudeDeg.Lo || *lat > r::kLatitudeDeg.Hi) {
        return Refuse("The DX latitude must be a number of degrees from -90 to 90.");
    }
    const auto lon = Number(parts[1]);
    if (!lon || *lon < r::kLongitudeDeg.Lo || *lon > r::kLongitudeDeg.Hi) {
        return Refuse("The DX longitude must be a number of degrees from -180 to 180 "
                      "(east positive).");
    }
    double height = 0;
    if (parts.size() == 3) {
        const auto h = Number(parts[2]);
        if (!h || *h < r::kHeightM.Lo || *h > r::kHeightM.Hi) {
            return Refuse("The DX height must be a number of metres from -11000 to 100000.");
        }
        height = *h;
    }
    DxStation s;
    s.Site = {*lat, *lon, height};
    s.Position = Shortest(*lat) + "," + Shortest(*lon);
    if (parts.size() == 3) {
        s.Position += "," + Shortest(height);
    }
    DxParse p;
    p.Station = std::move(s);
    return p;
}

bool IsCallCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/';
}

} // namespace

std::string DxStation::Text() const {
    return Call.empty() ? Position : Call + " " + Position;
}

DxParse ParseDxStation(std::string_view text) {
    text = measure::TrimBlanks(text);
    if (text.empty()) {
        return Refuse("Give the DX station's locator or its latitude,longitude.");
    }
    // A blank before the position separates the call sign; blanks after a
    // comma belong to the coordinates.
    std::string_view call;
    std::string_view position = text;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsBlank(text[i])) {
            std::size_t before = i;
            while (before > 0 && IsBlank(text[before - 1])) {
                --before;
            }
            if (before > 0 && text[before - 1] == ',') {
                continue;
            }
            std::size_t after = i;
            while (after < text.size() && IsBlank(text[after])) {
                ++after;
            }
            if (after < text.size() && text[after] == ',') {
                continue;
            }
            call = text.substr(0, i);
            position = measure::TrimBlanks(text.substr(i));
            break;
        }
    }
    if (!call.empty()) {
        if (call.size() > kLongestCall || !std::all_of(call.begin(), call.end(), IsCallCharacter)) {
            return Refuse("A call sign is 1 to 12 letters, digits and /; then a blank and the "
                          "locator or latitude,longitude.");
        }
        if (position.find_first_of(" \t") != std::string_view::npos &&
            position.find(',') == std::string_view::npos) {
            return Refuse("Give one call sign, then the locator or latitude,longitude.");
        }
    }
    std::string compact;
    for (const char c : position) {
        if (!IsBlank(c)) {
            compact += c;
        }
    }
    const bool looksLikeLocator =
        compact.find(',') == std::string::npos && !compact.empty() &&
        ((compact[0] >= 'A' && compact[0] <= 'Z') || (compact[0] >= 'a' && compact[0] <= 'z'));
    DxParse p;
    if (looksLikeLocator) {
        if (compact.size() != kShortLocatorLength && compact.size() != kLocatorLength) {
            return Refuse("A locator has 4 or 6 characters (JO62 or JO62qm).");
        }
        p = FromLocator(compact);
    } else {
        p = FromCoordinates(compact);
    }
    if (p.Station) {
        p.Station->Call.reserve(call.size());
        for (const char c : call) {
            p.Station->Call += Upper(c);
        }
    }
    return p;
}

std::vector<std::string> RememberDx(const std::vector<std::string>& recent,
                                    const std::string& entry, std::size_t keep) {
    const auto same = [](std::string_view a, std::string_view b) {
        return a.size() == b.size() &&
               std::equal(a.begin(), a.end(), b.begin(),
                          [](char x, char y) { return Lower(x) == Lower(y); });
    };
    std::vector<std::string> out;
    if (!entry.empty() && keep > 0) {
        out.push_back(entry);
    }
    for (const std::string& r : recent) {
        if (out.size() >= keep) {
            break;
        }
        if (!r.empty() && !same(r, entry) &&
            std::none_of(out.begin(), out.end(),
                         [&](const std::string& o) { return same(o, r); })) {
            out.push_back(r);
        }
    }
    return out;
}

} // namespace vantrel::eme

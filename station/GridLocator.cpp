#include "station/GridLocator.h"

#include "station/Hemisphere.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace vantrel {

namespace {

// Sizes of the locator's divisions, in degrees and in seconds of arc.
constexpr long double kFieldLongitudeDeg = 20.0L;
constexpr long double kFieldLatitudeDeg = 10.0L;
constexpr long double kSquareLongitudeDeg = 2.0L;
constexpr long double kSubsquaresPerSquare = 24.0L;
constexpr std::int64_t kSecondsPerDegree = 3600;
constexpr std::int64_t kFieldLongitudeSec = 20 * kSecondsPerDegree;
constexpr std::int64_t kFieldLatitudeSec = 10 * kSecondsPerDegree;
constexpr std::int64_t kSquareLongitudeSec = 2 * kSecondsPerDegree;
constexpr std::int64_t kSquareLatitudeSec = 1 * kSecondsPerDegree;
constexpr std::int64_t kSubsquareLongitudeSec = 300; // 5′
constexpr std::int64_t kSubsquareLatitudeSec = 150;  // 2.5′
constexpr std::int64_t kHalfCircleSec = 180 * kSecondsPerDegree;
constexpr std::int64_t kQuarterCircleSec = 90 * kSecondsPerDegree;

/// Stand-in for an exact zero, degrees: the side of the meridian and the
/// equator a zero position is put on.
constexpr long double kHairDeg = 1e-11L;

/// Index `value` truncated toward zero, kept within 0..last so that any
/// position gives a character of the right kind.
int Index(long double value, int last) {
    if (!(value > 0)) {
        return 0;
    }
    return value >= last ? last : static_cast<int>(value);
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

/// What each of the six characters may be, in upper case.
struct CharacterRange {
    char First;
    char Last;
    const char* Kind;
};
constexpr CharacterRange kRanges[kLocatorLength] = {
    {'A', 'R', "letter"}, {'A', 'S', "letter"}, {'0', '9', "digit"},
    {'0', '9', "digit"},  {'A', 'X', "letter"}, {'A', 'X', "letter"},
};
constexpr const char* kOrdinals[kLocatorLength] = {"1st", "2nd", "3rd", "4th", "5th", "6th"};

/// Index of the first of the first six characters outside its range, or
/// kLocatorLength when there is none. Letters count in either case.
std::size_t FirstFault(std::string_view text) {
    const std::size_t n = std::min(text.size(), kLocatorLength);
    for (std::size_t i = 0; i < n; ++i) {
        const char c = Upper(text[i]);
        if (c < kRanges[i].First || c > kRanges[i].Last) {
            return i;
        }
    }
    return kLocatorLength;
}

DegreesMinutesSeconds FromSeconds(std::int64_t seconds) {
    const std::int64_t a = seconds < 0 ? -seconds : seconds;
    return {static_cast<std::int32_t>(a / kSecondsPerDegree),
            static_cast<std::int32_t>(a % kSecondsPerDegree / 60),
            static_cast<std::int32_t>(a % 60)};
}

} // namespace

std::string EncodeLocator(const DegreesMinutesSeconds& latitude,
                          const DegreesMinutesSeconds& longitude, bool south, bool east) {
    // Longitude counted positive to the west, then x = east longitude + 180.
    long double lw = Join(longitude);
    if (east) {
        lw = -lw;
    }
    if (lw == 0) {
        lw = kHairDeg;
    }
    long double la = Join(latitude);
    if (south) {
        la = -la;
    }
    if (la == 0) {
        la = kHairDeg;
    }
    if (lw < 0) {
        lw += 360;
    }
    long double x = 180 - lw;
    if (x < 0) {
        x += 360;
    }
    const long double f1 = std::trunc(x / kFieldLongitudeDeg);
    const long double d1 = std::trunc((x - kFieldLongitudeDeg * f1) / kSquareLongitudeDeg);
    const long double half = x / kSquareLongitudeDeg;
    const long double s1 = std::trunc((half - std::trunc(half)) * kSubsquaresPerSquare);

    const long double y = la + 90;
    const long double f2 = std::trunc(y / kFieldLatitudeDeg);
    const long double d2 = std::trunc(y - kFieldLatitudeDeg * f2);
    const long double s2 = std::trunc((y - kFieldLatitudeDeg * f2 - d2) * kSubsquaresPerSquare);

    return {static_cast<char>('A' + Index(f1, 25)), static_cast<char>('A' + Index(f2, 25)),
            static_cast<char>('0' + Index(d1, 9)),  static_cast<char>('0' + Index(d2, 9)),
            static_cast<char>('a' + Index(s1, 23)), static_cast<char>('a' + Index(s2, 23))};
}

std::optional<DecodedLocator> DecodeLocator(std::string_view text) {
    if (text.size() < kLocatorLength) {
        return std::nullopt;
    }
    std::string w(text.substr(0, kLocatorLength));
    for (const std::size_t i : {0U, 1U, 4U, 5U}) {
        w[i] = Upper(w[i]);
    }
    if (FirstFault(w) != kLocatorLength) {
        return std::nullopt;
    }
    w[4] = Lower(w[4]);
    w[5] = Lower(w[5]);

    const std::int64_t f1 = w[0] - 'A';
    const std::int64_t f2 = w[1] - 'A';
    const std::int64_t d1 = w[2] - '0';
    const std::int64_t d2 = w[3] - '0';
    const std::int64_t s1 = w[4] - 'a';
    const std::int64_t s2 = w[5] - 'a';

    // The centre of the subsquare in whole seconds, exactly: longitude
    // counted positive to the west and brought into -180°..180°.
    std::int64_t westSec = kHalfCircleSec - kFieldLongitudeSec * f1 - kSquareLongitudeSec * d1 -
                           kSubsquareLongitudeSec * s1 - kSubsquareLongitudeSec / 2;
    if (westSec < 0) {
        westSec += 2 * kHalfCircleSec;
    }
    if (westSec > kHalfCircleSec) {
        westSec -= 2 * kHalfCircleSec;
    }
    // Field "S" lies wholly beyond the north pole (it exists only because the
    // pole itself encodes into it), so its centres are held to the pole: a
    // latitude beyond 90° would reach the record and the ephemeris.
    const std::int64_t northSec =
        std::min(kFieldLatitudeSec * f2 - kQuarterCircleSec + kSquareLatitudeSec * d2 +
                     kSubsquareLatitudeSec * s2 + kSubsquareLatitudeSec / 2,
                 kQuarterCircleSec);

    DecodedLocator decoded;
    decoded.Text = w;
    decoded.Longitude = FromSeconds(westSec);
    decoded.Latitude = FromSeconds(northSec);
    // The centre is never on the meridian or the equator (it lies 150″ or
    // 75″ from a subsquare edge), so the letters are never ambiguous.
    decoded.LongitudeLetter = westSec < 0 ? 'E' : 'W';
    decoded.LatitudeLetter = northSec < 0 ? 'S' : 'N';
    decoded.LatitudeDeg = SignedLatitude(Join(decoded.Latitude), decoded.LatitudeLetter);
    decoded.LongitudeDeg = SignedLongitude(Join(decoded.Longitude), decoded.LongitudeLetter);
    return decoded;
}

std::string LocatorFault(std::string_view text) {
    const std::size_t i = FirstFault(text);
    if (i == kLocatorLength) {
        return {};
    }
    const CharacterRange& r = kRanges[i];
    return std::string("Not a locator: the ") + kOrdinals[i] + " character must be a " + r.Kind +
           " from " + r.First + " to " + r.Last;
}

} // namespace vantrel

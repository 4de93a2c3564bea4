// Fuzz target: degrees-minutes-seconds and the numbers typed as text.
//
// Input: the first byte chooses the part; the rest is a value (ten bytes of
// an extended value, as the data file holds it), three whole numbers, or a
// text. Properties:
//  - `Split` of any value gives minutes and seconds 0..59 and a whole part
//    that is not negative; joined again it is within half a second of the
//    magnitude (for magnitudes a 32-bit whole part holds); NaN gives 0 0 0;
//  - a right ascension wraps into 0 <= h < 24 and splits into 0..23 hours;
//  - degrees, minutes and seconds of a sexagesimal form join and split back
//    to themselves; the hemisphere and declination signs follow the value;
//  - `FiniteNumber` accepts a text exactly when the C library reads the
//    whole text as one finite number, and gives the same number;
//  - the numeric entry field reads a text as the C library reads it (a
//    number too large refused, one too small as 0 or subnormal), and the
//    text it shows for a value reads back to the value within half a unit
//    of the last decimal shown (and 15 significant digits).

#include "controls/NumberFieldText.h"
#include "fuzz/FuzzCheck.h"
#include "measure/NumberText.h"
#include "station/DegreesMinutesSeconds.h"
#include "station/Extended80.h"
#include "station/Hemisphere.h"
#include "station/UserSourceCoordinates.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

namespace {

using namespace vantrel;
using vantrel::fuzz::ByteReader;

constexpr long double kHalfSecond = 0.5L / 3600;

bool Sexagesimal(const DegreesMinutesSeconds& d) {
    return d.Whole >= 0 && d.Minutes >= 0 && d.Minutes < 60 && d.Seconds >= 0 && d.Seconds < 60;
}

void Values(ByteReader& in) {
    Extended80 bytes{};
    for (auto& b : bytes) {
        b = in.Take<std::uint8_t>();
    }
    const long double v = DecodeExtended80(bytes);

    const DegreesMinutesSeconds parts = Split(v);
    FUZZ_CHECK(Sexagesimal(parts));
    if (std::isnan(v)) {
        FUZZ_CHECK(parts == DegreesMinutesSeconds{});
    } else if (std::fabs(v) < std::numeric_limits<std::int32_t>::max() - 1) {
        // Half a second, and the rounding of the sum at the value's size.
        const long double slack = kHalfSecond + std::fabs(v) * 1e-17L;
        FUZZ_CHECK(std::fabs(Join(parts) - std::fabs(v)) <= slack);
    }

    const long double wrapped = WrapRightAscension(v);
    const DegreesMinutesSeconds ra = SplitRightAscension(v);
    FUZZ_CHECK(Sexagesimal(ra));
    if (std::isfinite(v)) {
        FUZZ_CHECK(wrapped >= 0 && wrapped < kHoursPerTurn);
        FUZZ_CHECK(ra.Whole < 24);
        long double gap = std::fabs(JoinRightAscension(ra) - wrapped);
        gap = std::fmin(gap, kHoursPerTurn - gap); // 23:59:59.9 splits as 0 h
        FUZZ_CHECK(gap <= kHalfSecond * (1 + 1e-9L));
    } else {
        FUZZ_CHECK(std::isnan(wrapped) == std::isnan(v));
    }

    if (!std::isnan(v)) {
        FUZZ_CHECK(LatitudeLetter(v) == (v < 0 ? 'S' : 'N'));
        FUZZ_CHECK(LongitudeLetter(v) == (v > 0 ? 'E' : 'W'));
        FUZZ_CHECK(DeclinationSign(v) == (v < 0 ? '-' : '+'));
        const HemisphereChoice toggled = ToggleLatitude(v, LatitudeLetter(v));
        FUZZ_CHECK(std::fabs(toggled.ValueDeg) == std::fabs(v));
        if (v != 0) {
            FUZZ_CHECK(toggled.Letter != LatitudeLetter(v));
            FUZZ_CHECK(LatitudeLetter(toggled.ValueDeg) == toggled.Letter);
        }
        const SignedDeclination dec = ToggleDeclinationSign(v, DeclinationSign(v));
        FUZZ_CHECK(std::fabs(dec.ValueDeg) == std::fabs(v));
        FUZZ_CHECK(DeclinationSign(dec.ValueDeg) == dec.Sign || dec.ValueDeg == 0);
    }
}

void Parts(ByteReader& in) {
    const auto whole = in.Take<std::uint32_t>() % 100000U;
    const auto minutes = in.Take<std::uint8_t>() % 60U;
    const auto seconds = in.Take<std::uint8_t>() % 60U;
    const char sign = static_cast<char>(in.Take<std::uint8_t>());
    const DegreesMinutesSeconds d{static_cast<std::int32_t>(whole),
                                  static_cast<std::int32_t>(minutes),
                                  static_cast<std::int32_t>(seconds)};
    FUZZ_CHECK(Split(Join(d)) == d);
    const long double dec = JoinDeclination(d, sign);
    FUZZ_CHECK(std::fabs(dec) == Join(d));
    FUZZ_CHECK(std::signbit(dec) == (sign == '-' && Join(d) != 0));
    FUZZ_CHECK(Split(dec) == d);
    if (whole < 24) {
        FUZZ_CHECK(SplitRightAscension(JoinRightAscension(d)) == d);
    }
    const long double lat = SignedLatitude(Join(d), sign);
    FUZZ_CHECK(std::signbit(lat) == (sign == 'S' && Join(d) != 0));
}

void Text(std::string_view text) {
    const std::optional<double> n = measure::FiniteNumber(text);
    // The C library's reading of the same text, as the reference.
    const std::string copy(text);
    const bool clean = copy.find('\0') == std::string::npos && !copy.empty() &&
                       copy.find_first_of(" \t\n\v\f\r") == std::string::npos;
    char* end = nullptr;
    errno = 0;
    const double c = std::strtod(copy.c_str(), &end);
    const bool whole = clean && end == copy.c_str() + copy.size();
    const bool isNumber = copy.find_first_not_of("0123456789+-.eE") == std::string::npos;
    if (n) {
        FUZZ_CHECK(std::isfinite(*n));
        FUZZ_CHECK(whole && isNumber);
        FUZZ_CHECK(*n == c);
    } else if (whole && isNumber && std::isfinite(c) && errno != ERANGE) {
        FUZZ_CHECK(false); // a plain finite number refused
    }

    const std::string_view trimmed = measure::TrimBlanks(text);
    FUZZ_CHECK(trimmed.size() <= text.size());
    if (!trimmed.empty()) {
        FUZZ_CHECK(trimmed.front() != ' ' && trimmed.front() != '\t');
        FUZZ_CHECK(trimmed.back() != ' ' && trimmed.back() != '\t');
        FUZZ_CHECK(trimmed.data() >= text.data() &&
                   trimmed.data() + trimmed.size() <= text.data() + text.size());
    } else {
        FUZZ_CHECK(text.find_first_not_of(" \t") == std::string_view::npos);
    }
}

void FieldText(ByteReader& in) {
    const int decimals = static_cast<int>(in.Take<std::uint8_t>() % 17) - 1; // -1..15
    Extended80 bytes{};
    for (auto& b : bytes) {
        b = in.Take<std::uint8_t>();
    }
    const long double v = DecodeExtended80(bytes);
    const std::string shown = FormatFieldNumber(v, decimals);
    const std::optional<long double> back = ParseFieldNumber(shown);
    if (!std::isfinite(v)) {
        FUZZ_CHECK(!back.has_value());
    } else {
        FUZZ_CHECK(back.has_value());
        const int d = decimals < 0 || decimals > kFieldMostDecimals ? kFieldMostDecimals : decimals;
        const long double unit = std::pow(10.0L, -d);
        const long double slack = unit / 2 + std::fabs(v) * 1e-14L + 1e-4930L;
        FUZZ_CHECK(std::fabs(*back - v) <= slack);
        if (decimals >= 0) {
            const std::size_t point = shown.find('.');
            FUZZ_CHECK(decimals == 0 ? point == std::string::npos
                                     : shown.size() - point - 1 ==
                                           static_cast<std::size_t>(std::min(decimals, 14)));
        }
    }

    const std::string_view text = in.Rest();
    const std::optional<long double> n = ParseFieldNumber(text);
    const std::string copy(text);
    const bool plain = copy.find_first_not_of("0123456789+-.eE") == std::string::npos;
    char* end = nullptr;
    errno = 0;
    const long double c = std::strtold(copy.c_str(), &end);
    const bool whole = !copy.empty() && plain && end == copy.c_str() + copy.size();
    if (n) {
        FUZZ_CHECK(std::isfinite(*n) && whole);
        FUZZ_CHECK(*n == c || (errno == ERANGE && !std::isinf(c) && *n == 0));
    } else if (whole && std::isfinite(c)) {
        FUZZ_CHECK(false); // a plain number the C library reads was refused
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteReader in(data, size);
    switch (in.Take<std::uint8_t>() % 4) {
    case 0:
        Values(in);
        break;
    case 1:
        Parts(in);
        break;
    case 2:
        Text(in.Rest());
        break;
    default:
        FieldText(in);
        break;
    }
    return 0;
}

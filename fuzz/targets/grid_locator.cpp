// Fuzz target: Maidenhead grid locators, both directions.
//
// Input: the first byte chooses the direction. Decoding reads the rest as
// the text typed into the grid field; encoding reads two degrees-minutes-
// seconds triples and the hemisphere flags from it. Properties:
//  - decoding succeeds exactly when the text has six characters in their
//    ranges (so `LocatorFault` is empty); the normalised text is the first
//    six characters with upper-case fields and lower-case subsquares; the
//    centre lies in -90..90 and -180..180, within the locator's subsquare,
//    on a whole second, and encodes back to the same locator (a field "S"
//    locator, held to the pole, to the pole's);
//  - encoding gives six characters of the right kinds for any input, and a
//    position within -90..90, -180..180 lies inside the subsquare it names.

#include "fuzz/FuzzCheck.h"
#include "station/GridLocator.h"

#include <cmath>
#include <string>

namespace {

using namespace vantrel;
using vantrel::fuzz::ByteReader;

bool Kinds(const std::string& t) {
    return t.size() == 6 && t[0] >= 'A' && t[0] <= 'R' && t[1] >= 'A' && t[1] <= 'S' &&
           t[2] >= '0' && t[2] <= '9' && t[3] >= '0' && t[3] <= '9' && t[4] >= 'a' && t[4] <= 'x' &&
           t[5] >= 'a' && t[5] <= 'x';
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

/// West and south corner of a locator's subsquare, degrees (east, north).
void Corner(const std::string& t, long double& eastDeg, long double& northDeg) {
    eastDeg = -180.0L + 20 * (t[0] - 'A') + 2 * (t[2] - '0') + (t[4] - 'a') / 12.0L;
    northDeg = -90.0L + 10 * (t[1] - 'A') + (t[3] - '0') + (t[5] - 'a') / 24.0L;
}

void Decode(std::string_view text) {
    const auto decoded = DecodeLocator(text);
    const bool allInRange = LocatorFault(text).empty();
    FUZZ_CHECK(decoded.has_value() == (text.size() >= kLocatorLength && allInRange));
    if (!decoded) {
        return;
    }
    const std::string& t = decoded->Text;
    FUZZ_CHECK(Kinds(t));
    for (std::size_t i = 0; i < 6; ++i) {
        FUZZ_CHECK(Upper(t[i]) == Upper(text[i]));
    }
    const long double lat = decoded->LatitudeDeg;
    const long double lon = decoded->LongitudeDeg;
    FUZZ_CHECK(lat >= -90 && lat <= 90);
    FUZZ_CHECK(lon >= -180 && lon <= 180);
    FUZZ_CHECK(decoded->LatitudeLetter == (lat < 0 ? 'S' : 'N'));
    FUZZ_CHECK(decoded->LongitudeLetter == (lon > 0 ? 'E' : 'W'));
    FUZZ_CHECK(decoded->Latitude.Minutes < 60 && decoded->Latitude.Seconds < 60);
    FUZZ_CHECK(decoded->Longitude.Minutes < 60 && decoded->Longitude.Seconds < 60);
    FUZZ_CHECK(std::fabs(std::fabs(lat) - Join(decoded->Latitude)) < 1e-12L);

    long double east = 0;
    long double north = 0;
    Corner(t, east, north);
    // The centre, 2.5' east and 1.25' north of the corner (the "S" field
    // is held to the pole).
    FUZZ_CHECK(std::fabs(lon - (east + 1 / 24.0L)) < 1e-9L);
    if (t[1] != 'S') {
        FUZZ_CHECK(std::fabs(lat - (north + 1 / 48.0L)) < 1e-9L);
    } else {
        FUZZ_CHECK(lat == 90);
    }

    const std::string again =
        EncodeLocator(decoded->Latitude, decoded->Longitude, decoded->LatitudeLetter == 'S',
                      decoded->LongitudeLetter == 'E');
    if (t[1] != 'S') {
        FUZZ_CHECK(again == t);
    } else {
        FUZZ_CHECK(again[0] == t[0] && again[2] == t[2] && again[4] == t[4]);
        FUZZ_CHECK(again[1] == 'S' && again[3] == '0' && again[5] == 'a');
    }
}

void Encode(ByteReader& in) {
    DegreesMinutesSeconds lat{in.Take<std::int32_t>(), in.Take<std::int32_t>(),
                              in.Take<std::int32_t>()};
    DegreesMinutesSeconds lon{in.Take<std::int32_t>(), in.Take<std::int32_t>(),
                              in.Take<std::int32_t>()};
    const auto flags = in.Take<std::uint8_t>();
    if ((flags & 4U) != 0) {
        // Mostly positions a station can have: the fields as `Split` leaves them.
        lat = Split(static_cast<long double>(static_cast<std::uint32_t>(lat.Whole)) /
                    4294967295.0L * 90.0L);
        lon = Split(static_cast<long double>(static_cast<std::uint32_t>(lon.Whole)) /
                    4294967295.0L * 180.0L);
    }
    const bool south = (flags & 1U) != 0;
    const bool east = (flags & 2U) != 0;
    const std::string t = EncodeLocator(lat, lon, south, east);
    FUZZ_CHECK(Kinds(t) ||
               (t.size() == 6 && t[0] >= 'A' && t[0] <= 'Z' && t[1] >= 'A' && t[1] <= 'Z' &&
                t[2] >= '0' && t[2] <= '9' && t[3] >= '0' && t[3] <= '9' && t[4] >= 'a' &&
                t[4] <= 'x' && t[5] >= 'a' && t[5] <= 'x'));

    const long double la = Join(lat);
    const long double lo = Join(lon);
    if (la > 90 || lo > 180) {
        return; // beyond the globe: letters of the right kind is all there is
    }
    FUZZ_CHECK(Kinds(t));
    long double cornerEast = 0;
    long double cornerNorth = 0;
    Corner(t, cornerEast, cornerNorth);
    // A zero is taken a hair west of Greenwich and north of the equator.
    long double e = east ? lo : -lo;
    if (lo == 0) {
        e = -1e-11L;
    }
    const long double n = la == 0 ? 1e-11L : (south ? -la : la);
    constexpr long double kSlack = 1e-9L; // the extended arithmetic on a boundary
    if (e < cornerEast - kSlack) {
        e += 360; // 180° W and 180° E are one meridian
    } else if (e > cornerEast + 1 / 12.0L + kSlack) {
        e -= 360;
    }
    FUZZ_CHECK(e >= cornerEast - kSlack && e <= cornerEast + 1 / 12.0L + kSlack);
    FUZZ_CHECK(n >= cornerNorth - kSlack && n <= cornerNorth + 1 / 24.0L + kSlack);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteReader in(data, size);
    if ((in.Take<std::uint8_t>() & 1U) == 0) {
        Decode(in.Rest());
    } else {
        Encode(in);
    }
    return 0;
}

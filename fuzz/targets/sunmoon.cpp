// Fuzz target: the Sun and Moon library's entry DataToDLL and its readers.
//
// Input: a mode byte, then the arguments of one call: six 16-bit numbers
// (year, month, day, hour, minute, second), three doubles (height in m,
// latitude and longitude in degrees), the flag, the body and the reserved
// double. In the folded mode the numbers are brought near their ranges
// first, so that most calls compute a place. Properties, as the library's
// header documents them:
//  - for a call with bad input (a date or time that does not exist, a year
//    outside 1900..2100, latitude outside -90..90, longitude outside
//    -360..360, height outside -11 000..100 000 m, a NaN or infinite real,
//    a body other than 0 and 1) every reader returns NaN;
//  - otherwise every reader returns a finite value in its range: azimuth
//    and hour angle 0 <= x < 360, elevation and declination -90..90, the
//    distance that of the Moon (about 349 000 to 414 000 km: an Earth radius
//    more at the nadir) or of the Sun
//    (147.1 to 152.1 million km);
//  - the readers give the same answer however often they are called.

#include "fuzz/FuzzCheck.h"
#include "sunmoon/Orbex_sunmoon.h"

#include <cmath>

namespace {

using vantrel::fuzz::ByteReader;

bool Leap(unsigned year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned DaysIn(unsigned year, unsigned month) {
    constexpr unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && Leap(year) ? 29 : kDays[month - 1];
}

double Fold(double v, double lo, double hi) {
    if (!std::isfinite(v)) {
        return v;
    }
    return lo + std::fmod(std::fabs(v), hi - lo);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteReader in(data, size);
    const bool folded = (in.Take<std::uint8_t>() & 1U) == 0;
    auto year = in.Take<std::uint16_t>();
    auto month = in.Take<std::uint16_t>();
    auto day = in.Take<std::uint16_t>();
    auto hour = in.Take<std::uint16_t>();
    auto minute = in.Take<std::uint16_t>();
    auto second = in.Take<std::uint16_t>();
    auto height = in.Take<double>();
    auto latitude = in.Take<double>();
    auto longitude = in.Take<double>();
    const auto flag = in.Take<std::uint8_t>();
    auto body = in.Take<std::uint8_t>();
    const auto extra = in.Take<double>();
    if (folded) {
        year = static_cast<std::uint16_t>(1899 + year % 203);
        month = static_cast<std::uint16_t>(month % 13);
        day = static_cast<std::uint16_t>(day % 32);
        hour = static_cast<std::uint16_t>(hour % 25);
        minute = static_cast<std::uint16_t>(minute % 61);
        second = static_cast<std::uint16_t>(second % 62);
        height = Fold(height, -11500, 100500);
        latitude = Fold(latitude, -91, 91);
        longitude = Fold(longitude, -361, 361);
        body = static_cast<std::uint8_t>(body % 3);
    }

    DataToDLL(year, month, day, hour, minute, second, height, latitude, longitude, flag, body,
              extra);
    const double az = GetAzimuth();
    const double el = GetElevation();
    const double gha = GetGHA();
    const double dec = GetDecTopo();
    const double distance = GetDistance();

    const bool dateGood = year >= 1900 && year <= 2100 && month >= 1 && month <= 12 && day >= 1 &&
                          day <= DaysIn(year, month);
    const bool timeGood = hour <= 23 && minute <= 59 && second <= 59;
    const bool leapSecond = hour == 23 && minute == 59 && second == 60;
    const bool placeGood = std::isfinite(height) && height >= -11000 && height <= 100000 &&
                           std::isfinite(latitude) && latitude >= -90 && latitude <= 90 &&
                           std::isfinite(longitude) && longitude >= -360 && longitude <= 360;
    const bool nan = std::isnan(az);

    // All five readers agree on whether there is a place.
    FUZZ_CHECK(std::isnan(el) == nan && std::isnan(gha) == nan && std::isnan(dec) == nan &&
               std::isnan(distance) == nan);
    if (!(dateGood && placeGood && body <= 1 && (timeGood || leapSecond))) {
        FUZZ_CHECK(nan);
        return 0;
    }
    // 23:59:60 exists only on the days that end with a leap second; the
    // reserved double is ignored, though a NaN there may count as bad input.
    if (nan && (leapSecond || !std::isfinite(extra))) {
        return 0;
    }
    FUZZ_CHECK(!nan);
    FUZZ_CHECK(az >= 0 && az < 360);
    FUZZ_CHECK(gha >= 0 && gha < 360);
    FUZZ_CHECK(el >= -90 && el <= 90);
    FUZZ_CHECK(dec >= -90 && dec <= 90);
    if (body == 0) {
        // Perigee less an Earth radius and the highest station, to apogee
        // plus an Earth radius with the Moon at the nadir.
        FUZZ_CHECK(distance > 349000 && distance < 414000);
    } else {
        FUZZ_CHECK(distance > 146.5e6 && distance < 152.5e6);
    }
    FUZZ_CHECK(GetAzimuth() == az && GetElevation() == el && GetGHA() == gha &&
               GetDecTopo() == dec && GetDistance() == distance);
    return 0;
}

#include "station/Hemisphere.h"

#include <cmath>

namespace vantrel {

namespace {

/// |magnitude| with the sign asked for; a zero is always +0, so no "-0"
/// reaches the record or the fields.
long double WithSign(long double magnitude, bool negative) {
    const long double a = std::fabs(magnitude);
    return negative && a != 0 ? -a : a;
}

} // namespace

char LatitudeLetter(long double latitudeDeg) {
    return latitudeDeg < 0 ? 'S' : 'N';
}

char LongitudeLetter(long double longitudeDeg) {
    return longitudeDeg > 0 ? 'E' : 'W';
}

long double SignedLatitude(long double magnitudeDeg, char letter) {
    return WithSign(magnitudeDeg, letter == 'S');
}

long double SignedLongitude(long double magnitudeDeg, char letter) {
    return WithSign(magnitudeDeg, letter == 'W');
}

HemisphereChoice ToggleLatitude(long double latitudeDeg, char letter) {
    switch (letter) {
    case 'S':
        return {WithSign(latitudeDeg, false), 'N'};
    case 'N':
        return {WithSign(latitudeDeg, true), 'S'};
    default:
        return {latitudeDeg, letter};
    }
}

HemisphereChoice ToggleLongitude(long double longitudeDeg, char letter) {
    switch (letter) {
    case 'E':
        return {WithSign(longitudeDeg, true), 'W'};
    case 'W':
        return {WithSign(longitudeDeg, false), 'E'};
    default:
        return {longitudeDeg, letter};
    }
}

} // namespace vantrel

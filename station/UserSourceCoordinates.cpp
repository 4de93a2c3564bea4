#include "station/UserSourceCoordinates.h"

#include <cmath>

namespace vantrel {

long double JoinRightAscension(const DegreesMinutesSeconds& hms) {
    return Join(hms);
}

long double WrapRightAscension(long double hours) {
    if (!std::isfinite(hours)) {
        return hours;
    }
    long double h = std::fmod(hours, kHoursPerTurn);
    if (h < 0) {
        h += kHoursPerTurn; // a tiny negative can round to exactly 24
    }
    return h >= kHoursPerTurn || h == 0 ? 0.0L : h;
}

DegreesMinutesSeconds SplitRightAscension(long double hours) {
    if (!std::isfinite(hours)) {
        return Split(hours);
    }
    DegreesMinutesSeconds parts = Split(WrapRightAscension(hours));
    const auto turn = static_cast<std::int32_t>(kHoursPerTurn);
    if (parts.Whole >= turn) {
        parts.Whole -= turn; // the seconds carried up to 24 h 0 m 0 s
    }
    return parts;
}

char DeclinationSign(long double declinationDeg) {
    return declinationDeg < 0 ? '-' : '+';
}

long double JoinDeclination(const DegreesMinutesSeconds& dms, char sign) {
    const long double magnitude = Join(dms);
    return sign == '-' && magnitude != 0 ? -magnitude : magnitude;
}

SignedDeclination ToggleDeclinationSign(long double declinationDeg, char sign) {
    if (declinationDeg > 0) {
        return {-declinationDeg, '-'};
    }
    if (declinationDeg < 0) {
        return {std::fabs(declinationDeg), '+'};
    }
    return {declinationDeg, sign};
}

} // namespace vantrel

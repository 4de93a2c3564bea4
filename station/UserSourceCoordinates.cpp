#include "station/UserSourceCoordinates.h"

#include <cmath>

namespace vantrel {

long double JoinRightAscension(const DegreesMinutesSeconds& hms) {
    return Join(hms);
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

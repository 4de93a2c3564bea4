#pragma once

#include "station/DegreesMinutesSeconds.h"

namespace vantrel {

/// The coordinates of the user-defined noise source as the home station
/// window edits them: right ascension in decimal hours (never negative when
/// built from hours, minutes and seconds) and declination in decimal degrees,
/// north positive, with a '+' or '-' sign shown beside it. Extended precision.

/// The right ascension in hours of hours, minutes and seconds:
/// |hours| + |minutes|/60 + |seconds|/3600.
long double JoinRightAscension(const DegreesMinutesSeconds& hms);

/// Hours in a full turn of right ascension.
inline constexpr long double kHoursPerTurn = 24.0L;

/// The right ascension `hours` as an angle modulo 24 h, in 0 <= h < 24:
/// 24 gives 0, 25 gives 1, -2.5 gives 21.5, and +0 for any multiple of 24.
/// A NaN or an infinity is returned as it is.
long double WrapRightAscension(long double hours);

/// `Split` of the right ascension modulo 24 h: hours 0 to 23, minutes and
/// seconds 0 to 59. A value whose seconds round up to a full 24 h (23.99999,
/// 23 h 59 m 59.9 s) gives 0 h 0 m 0 s, never 24 h. A NaN or an infinity
/// splits as `Split` does.
DegreesMinutesSeconds SplitRightAscension(long double hours);

/// '-' for a declination below zero, otherwise '+'.
char DeclinationSign(long double declinationDeg);

/// The declination of degrees, minutes and seconds (their magnitude) on the
/// side the sign shown beside them names: negative for '-', positive for any
/// other sign. Zero stays +0. So editing the minutes of a southern source
/// keeps it southern.
long double JoinDeclination(const DegreesMinutesSeconds& dms, char sign);

/// A declination together with the sign shown beside it.
struct SignedDeclination {
    long double ValueDeg = 0;
    char Sign = '+';

    bool operator==(const SignedDeclination&) const = default;
};

/// A click on the sign: a declination above zero turns negative with '-',
/// one below zero turns positive with '+'; at exactly zero neither the value
/// nor the sign changes.
SignedDeclination ToggleDeclinationSign(long double declinationDeg, char sign);

} // namespace vantrel

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

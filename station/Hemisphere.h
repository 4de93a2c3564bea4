#pragma once

namespace vantrel {

/// The hemisphere letters beside the station's position and the sign they
/// stand for. Latitudes are degrees, north positive; longitudes are degrees,
/// east positive (extended precision).
///
/// A position of exactly zero shows "N" and "W": zero latitude counts as
/// north, zero longitude as west, the side the grid locator puts them on.

/// 'S' for a latitude below zero, otherwise 'N'.
char LatitudeLetter(long double latitudeDeg);

/// 'E' for a longitude above zero, otherwise 'W'.
char LongitudeLetter(long double longitudeDeg);

/// The latitude of magnitude |magnitudeDeg| on the side `letter` names:
/// negative for 'S', positive for any other letter. Zero stays +0.
long double SignedLatitude(long double magnitudeDeg, char letter);

/// The longitude of magnitude |magnitudeDeg| on the side `letter` names:
/// negative for 'W', positive for any other letter. Zero stays +0.
long double SignedLongitude(long double magnitudeDeg, char letter);

/// A value together with the letter shown beside it.
struct HemisphereChoice {
    long double ValueDeg = 0;
    char Letter = 0;

    bool operator==(const HemisphereChoice&) const = default;
};

/// A click on the N/S letter: 'S' turns to 'N' and the latitude to its
/// magnitude, 'N' turns to 'S' and the latitude to minus its magnitude. Any
/// other letter (none shown yet) changes nothing. Zero stays +0, so the
/// letter derived from the result goes back to 'N'.
HemisphereChoice ToggleLatitude(long double latitudeDeg, char letter);

/// A click on the E/W letter: 'E' turns to 'W' and the longitude negative,
/// 'W' turns to 'E' and the longitude positive; as `ToggleLatitude` else.
HemisphereChoice ToggleLongitude(long double longitudeDeg, char letter);

} // namespace vantrel

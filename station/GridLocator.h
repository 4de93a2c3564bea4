#pragma once

#include "station/DegreesMinutesSeconds.h"

#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

/// Six-character Maidenhead grid locators: two field letters of 20° of
/// longitude × 10° of latitude ("A" to "R"), two square digits of 2° × 1°,
/// two subsquare letters of 5′ × 2.5′ ("a" to "x"), longitude first in each
/// pair. Reference: the IARU Region 1 locator system (Maidenhead, 1980).

/// Number of characters of a full locator.
inline constexpr std::size_t kLocatorLength = 6;

/// The locator of the subsquare holding a position given as degrees-minutes-
/// seconds magnitudes and the hemisphere signs (`south`: the latitude is
/// below zero; `east`: the longitude is above zero).
///
/// Always six characters: upper-case field letters, digits, lower-case
/// subsquare letters. A zero longitude is taken a hair west of Greenwich and
/// a zero latitude a hair north of the equator, so 0/0 gives "IJ90xa"; the
/// north pole gives "S" as second field letter. Positions beyond ±90° of
/// latitude or ±180° of longitude, which the entry fields only hold until
/// they are left, still give six letters and digits of the right kind.
std::string EncodeLocator(const DegreesMinutesSeconds& latitude,
                          const DegreesMinutesSeconds& longitude, bool south, bool east);

/// A decoded locator: the centre of its subsquare, which always lies on a
/// whole second of arc (subsquares are 300″ × 150″ wide).
struct DecodedLocator {
    std::string Text;                ///< normalised: "KG33xs"
    DegreesMinutesSeconds Latitude;  ///< magnitude of the centre's latitude
    DegreesMinutesSeconds Longitude; ///< magnitude of the centre's longitude
    char LatitudeLetter = 'N';       ///< 'N' or 'S'
    char LongitudeLetter = 'W';      ///< 'E' or 'W'
    long double LatitudeDeg = 0;     ///< degrees (extended), north positive
    long double LongitudeDeg = 0;    ///< degrees (extended), east positive
};

/// Decodes the first six characters of `text`; characters after the sixth
/// are ignored. Letters may be of either case ("kg33XS" reads as "KG33xs").
///
/// Returns nothing when the text is shorter than six characters or when a
/// character is outside its range: position 1 "A" to "R", position 2 "A" to
/// "S" (the "S" field lies beyond the north pole, accepted so that the
/// locator of 90° N decodes), positions 3 and 4 "0" to "9", positions 5 and
/// 6 "A" to "X". Encoding the decoded centre gives the same locator again.
///
/// A locator of field "S" decodes to latitude 90° 0′ 0″ N exactly (its
/// subsquare centres lie beyond the pole); no decoded latitude leaves
/// −90°..90°. Such a locator therefore reads back as the pole's, "IS90xa"
/// for the pole's own longitude subsquare.
std::optional<DecodedLocator> DecodeLocator(std::string_view text);

/// Why `text` is not (the beginning of) a locator, for the user: the first
/// of its first six characters outside the range `DecodeLocator` allows,
/// as in "Not a locator: the 6th character must be a letter from A to X".
/// Empty when every character present is within its range, so a text of
/// fewer than six good characters (a locator being typed) has no fault.
std::string LocatorFault(std::string_view text);

} // namespace vantrel

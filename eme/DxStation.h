#pragma once

#include "eme/MoonSight.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::eme {

/// How many DX stations the EME window keeps in its list of recent ones.
inline constexpr std::size_t kRecentDxCount = 10;

/// A DX station as the user names it: an optional call sign and a position.
struct DxStation {
    std::string Call;     ///< upper case; empty when none was given
    std::string Position; ///< normalised: "JO62qm", "JO62", "52.52,13.405,40"
    EmeSite Site;         ///< the position; a locator gives the centre of its square

    /// The text that names it again: "DL0ABC JO62qm", "JO62", "52.52,13.405".
    std::string Text() const;
};

/// The outcome of reading a DX station: the station, or why it is refused.
struct DxParse {
    std::optional<DxStation> Station;
    std::string Problem; ///< one sentence for the user; empty when read
};

/// Reads a DX station from `text`: a position, optionally after a call sign
/// and a blank ("W5LUA EM13qc").
///
/// Positions:
///  - a Maidenhead locator of four ("EM13") or six ("EM13qc") characters, in
///    either case: the centre of its square (2° × 1°) or subsquare (5′ × 2.5′),
///    at height 0;
///  - "LAT,LON" or "LAT,LON,HEIGHT": decimal degrees (north and east positive,
///    −90..90 and −180..180) and metres (−11 000..100 000, default 0), with a
///    point as the decimal separator; blanks after a comma are allowed.
/// A call sign is 1 to 12 letters, digits and "/".
/// Blanks around the text are ignored. An empty text is refused ("Give the DX
/// station's locator or its latitude,longitude.").
DxParse ParseDxStation(std::string_view text);

/// The list of recent DX stations after `entry` was used: `entry` first, an
/// earlier entry naming the same station (the same text, case aside) taken
/// out, at most `keep` entries; empty entries dropped.
std::vector<std::string> RememberDx(const std::vector<std::string>& recent,
                                    const std::string& entry, std::size_t keep = kRecentDxCount);

} // namespace vantrel::eme

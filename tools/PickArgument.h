#pragma once

#include "apparent/SkySource.h"
#include "station/HomeStation.h"

#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

/// Applies `--pick LIST:N` of the command-line tools: entry N (from 0) of
/// the "More Sources" list snr, galaxy or nebula becomes the station's
/// user-defined source and is selected. Returns the reason it is refused,
/// without the tool's name, or nothing; `station` is unchanged when refused.
std::optional<std::string> ApplyPickArgument(std::string_view value, HomeStation& station);

/// What a tool that points at one source (vantrel-track, vantrel-scan)
/// follows, given `source` (--source NAME, if given) and whether --pick was
/// given.
struct FollowedSource {
    SkySource Source = SkySource::UserDefined; ///< the user-defined one after --pick alone
    std::string Error; ///< empty when accepted; else one line without the tool's name
};

/// The source followed: the one named, or the user-defined source --pick
/// set. Refused: --pick with another source named, and neither given.
FollowedSource FollowedSourceOf(std::optional<SkySource> source, bool picked);

} // namespace vantrel

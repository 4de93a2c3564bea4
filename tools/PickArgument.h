#pragma once

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

} // namespace vantrel

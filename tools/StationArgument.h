#pragma once

#include "station/HomeStation.h"
#include "station/UserMessages.h"

#include <span>
#include <string_view>

namespace vantrel {

/// Reads the station of the command-line tools into `station`: from the
/// file named by `--data FILE` or `--data=FILE` (the last one given), else
/// "Vantrel.dat" in the current folder. A missing file is said through
/// `messages` (standard error) and leaves `station` as it was.
void ReadStationArgument(std::span<const std::string_view> args, UserMessages& messages,
                         HomeStation& station);

} // namespace vantrel

#include "tools/SourceArgument.h"

#include <algorithm>

namespace vantrel {

SourceArgument ReadSourceArgument(std::string_view name, std::span<const SkySource> allowed,
                                  std::string_view why) {
    const std::span<const SkySource> usable = allowed.empty() ? kAllSkySources : allowed;
    SourceArgument read;
    const std::optional<SkySource> source = SkySourceFromName(name);
    if (!source) {
        read.Error = "--source: '" + std::string(name) + "' names no source: give one of " +
                     SourceKeys(usable) + " (or the title the grids show, in any case)";
    } else if (std::find(usable.begin(), usable.end(), *source) == usable.end()) {
        read.Error = "--source: " + std::string(name) + " " + std::string(why) + ": give one of " +
                     SourceKeys(usable);
    } else {
        read.Source = source;
    }
    return read;
}

std::string SourceKeys(std::span<const SkySource> sources) {
    std::string keys;
    for (const SkySource s : sources) {
        keys += (keys.empty() ? "" : ", ") + std::string(SkySourceKey(s));
    }
    return keys;
}

} // namespace vantrel

#include "tools/PickArgument.h"

#include "astro/Catalogue.h"
#include "tools/ArgumentNumbers.h"
#include "tools/SourceArgument.h"

namespace vantrel {

std::optional<std::string> ApplyPickArgument(std::string_view value, HomeStation& station) {
    const auto colon = value.find(':');
    const std::string_view list = value.substr(0, colon);
    long long index = -1;
    if (colon != std::string_view::npos) {
        index = ParseWholeArgument(value.substr(colon + 1)).value_or(-1);
    }
    const MoreSourcesList which = list == "snr"      ? MoreSourcesList::SupernovaRemnants
                                  : list == "galaxy" ? MoreSourcesList::RadioGalaxies
                                                     : MoreSourcesList::Nebulae;
    if ((list != "snr" && list != "galaxy" && list != "nebula") || index < 0 ||
        !ChooseCatalogueEntry(station, which, static_cast<std::size_t>(index))) {
        return "--pick: '" + std::string(value) +
               "' is not snr:N, galaxy:N or nebula:N of the lists";
    }
    return std::nullopt;
}

FollowedSource FollowedSourceOf(std::optional<SkySource> source, bool picked) {
    FollowedSource result;
    if (picked && source && *source != SkySource::UserDefined) {
        result.Error = "--pick sets the user-defined source: give it with --source user or "
                       "without --source";
    } else if (!source && !picked) {
        result.Error = "--source NAME is needed: one of " + SourceKeys(kAllSkySources);
    } else {
        result.Source = source.value_or(SkySource::UserDefined);
    }
    return result;
}

} // namespace vantrel

#include "tools/PickArgument.h"

#include "astro/Catalogue.h"
#include "tools/ArgumentNumbers.h"

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

} // namespace vantrel

#include "astro/Catalogue.h"

namespace vantrel {

namespace {

/// Degrees of right ascension per hour.
constexpr long double kDegPerHour = 15.0L;

// Extended literals throughout: a double literal such as 58.815 can round to
// the other side of a hundredth once it passes through the trigonometry.
constexpr FixedSource kAquarius{"Aquarius", 336.99999L, 0.0L};
constexpr FixedSource kLeo{"Leo", 149.85834L, 30.746389L};
constexpr FixedSource kCassiopeiaA{"Cassiopeia-A", 350.85L, 58.815L};
constexpr FixedSource kCentaurusA{"Centaurus-A", 201.3666L, -43.01L};

constexpr std::array<FixedSource, 4> kPlanningTail{{
    {"Cygnus-A", 299.8875L, 40.728L},
    {"Taurus-A", 83.6325L, 22.0144444L},
    {"Virgo-A", 187.7058L, 12.39111L},
    {"Sagittarius-A", 266.416665L, -29.00777L},
}};

constexpr std::array<FixedSource, 4> kRealTimeTail{{
    {"Cygnus-A", 299.8681665L, 40.73388L},
    {"Taurus-A", 83.633325L, 22.014461L},
    {"Virgo-A", 187.7029167L, 12.3875L},
    {"Sagittarius-A", 266.41683705L, -29.00781056L},
}};

constexpr std::array<CatalogueEntry, 7> kSupernovaRemnants{{
    {"3C10", 0.37666L, 63.8666L},
    {"3C144 Taurus A", 5.525L, 21.98333L},
    {"3C157", 6.23833L, 22.6L},
    {"W41", 18.52666L, -8.95L},
    {"3C392", 18.89333L, 1.25L},
    {"W78 Cyg", 20.80333L, 29.5L},
    {"3C461 Cass A", 23.3910944L, 58.811177L},
}};

constexpr std::array<CatalogueEntry, 7> kRadioGalaxies{{
    {"3C123", 4.565L, 29.5666L},
    {"3C218 Hydra A", 9.30154L, -12.095966L},
    {"M87 Virgo A", 12.51352778L, 12.3875L},
    {"3C295", 14.15L, 52.43333L},
    {"3C348 Hurcules ", 16.811666L, 5.083333L},
    {"3C353", 17.298333L, 0.933333L},
    {"3C405 Cygnus A", 19.9912111L, 40.73388L},
}};

constexpr std::array<CatalogueEntry, 9> kNebulae{{
    {"W3 IC1795", 2.378333L, 61.85L},
    {"3C145 Orion A", 5.5879111L, -5.3896777L},
    {"3C147 Orion B", 5.64L, -1.9L},
    {"W28 M20", 17.97L, -23.36666L},
    {"W29", 18.02L, -24.36666L},
    {"W33", 18.173333L, -18.0L},
    {"W37 M16", 18.271666L, -13.75L},
    {"W38 M17", 18.29666L, -16.15L}, // 18h 17.8m, as its list text shows
    {"3C400 W51", 19.335555L, 14.133333L},
}};

} // namespace

std::optional<FixedSource> FixedSourceAt(CoordinateSet set, std::size_t index,
                                         const HomeStation& station) {
    switch (index) {
    case 0:
        return kAquarius;
    case 1:
        return kLeo;
    case kNoiseSourcePair:
        switch (static_cast<NoiseSourceOption>(station.SourceOption)) {
        case NoiseSourceOption::CassiopeiaA:
            return kCassiopeiaA;
        case NoiseSourceOption::CentaurusA:
            return kCentaurusA;
        case NoiseSourceOption::UserDefined:
            return FixedSource{station.UserSourceName, kDegPerHour * station.UserSourceRa,
                               station.UserSourceDec};
        }
        return std::nullopt;
    default:
        if (index < kFixedSourceCount) {
            const auto& tail = set == CoordinateSet::Planning ? kPlanningTail : kRealTimeTail;
            return tail[index - 3];
        }
        return std::nullopt;
    }
}

std::span<const CatalogueEntry> CatalogueList(MoreSourcesList list) {
    switch (list) {
    case MoreSourcesList::SupernovaRemnants:
        return kSupernovaRemnants;
    case MoreSourcesList::RadioGalaxies:
        return kRadioGalaxies;
    case MoreSourcesList::Nebulae:
        return kNebulae;
    }
    return {};
}

bool ChooseCatalogueEntry(HomeStation& station, MoreSourcesList list, std::size_t index) {
    const auto entries = CatalogueList(list);
    if (index >= entries.size()) {
        return false;
    }
    const CatalogueEntry& entry = entries[index];
    station.UserSourceName = entry.Name;
    station.UserSourceRa = entry.RaHours;
    station.UserSourceDec = entry.DecDeg;
    station.SourceOption = static_cast<int>(NoiseSourceOption::UserDefined);
    return true;
}

} // namespace vantrel

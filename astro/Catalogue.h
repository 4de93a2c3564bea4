#pragma once

#include "station/HomeStation.h"

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

namespace vantrel {

/// A fixed point of the sky: the title the grids show and its coordinates,
/// used exactly as stored (no precession to the date).
struct FixedSource {
    std::string_view Title;
    long double RaDeg = 0;  ///< right ascension, degrees 0..360
    long double DecDeg = 0; ///< declination, degrees −90..90, north positive
};

/// The planning sweep and the real-time display hold their own coordinates;
/// four sources differ between the two sets.
enum class CoordinateSet { Planning, RealTime };

/// Noise source option of the station: which source stands in columns 6-7.
enum class NoiseSourceOption : int { CassiopeiaA = 0, CentaurusA = 1, UserDefined = 2 };

/// Number of fixed-source column pairs (columns 2-3 to 14-15).
inline constexpr std::size_t kFixedSourceCount = 7;
/// Index of the option-dependent pair (columns 6-7) among the fixed sources.
inline constexpr std::size_t kNoiseSourcePair = 2;

/// The fixed source of pair `index` (0 "Aquarius" at columns 2-3 to 6
/// "Sagittarius-A" at columns 14-15) in the given coordinate set. Pair 2
/// follows `station.SourceOption`: Cassiopeia A, Centaurus A, or the
/// user-defined source (title `UserSourceName`, α = 15 × `UserSourceRa`,
/// δ = `UserSourceDec`). Empty for an index beyond 6, and for pair 2 when the
/// option is not 0, 1 or 2 (possible only from a damaged data file).
std::optional<FixedSource> FixedSourceAt(CoordinateSet set, std::size_t index,
                                         const HomeStation& station);

/// Header titles of the Moon and the Sun (columns 16-17 and 18-19).
inline constexpr std::string_view kMoonTitle = "Moon";
inline constexpr std::string_view kSunTitle = "Sun";

/// One entry of a "More Sources" list: what choosing it stores in the
/// user-defined source.
struct CatalogueEntry {
    std::string_view Name; ///< stored in `UserSourceName` exactly, blanks included (<= 15 chars)
    long double RaHours = 0;
    long double DecDeg = 0;
};

enum class MoreSourcesList { SupernovaRemnants = 0, RadioGalaxies = 1, Nebulae = 2 };

/// The entries of one "More Sources" list, in list order.
std::span<const CatalogueEntry> CatalogueList(MoreSourcesList list);

/// Stores catalogue entry `index` of `list` as the user-defined source and
/// selects it (`SourceOption` 2). Returns false, changing nothing, for an
/// index beyond the list.
bool ChooseCatalogueEntry(HomeStation& station, MoreSourcesList list, std::size_t index);

} // namespace vantrel

#pragma once

#include "apparent/ApparentPlaces.h"
#include "apparent/SkySource.h"
#include "astro/Catalogue.h"
#include "astro/SunMoon.h"
#include "station/HomeStation.h"

#include <optional>
#include <string_view>

namespace vantrel {

/// Where a source stands, in degrees, as the real-time grid shows it.
struct SkyPlaceDeg {
    double AzimuthDeg = 0;   ///< from north through east, 0 <= A < 360
    double ElevationDeg = 0; ///< above the horizon; refracted when Refraction is on
    double GhaDeg = 0;       ///< Greenwich hour angle, 0 <= H < 360
    double DecDeg = 0;       ///< declination, north positive
    /// False when the place cannot be computed (a station or conditions the
    /// options refuse, an instant outside 1900..2100 with apparent places,
    /// a user source a damaged data file left without coordinates); the
    /// angles are then NaN.
    bool Valid = false;
};

/// The places of any SkySource for one station, one instant at a time, with
/// the same coordinates (the real-time set), conditions and sun/moon library
/// the real-time display uses; a tracked or charted source stands where the
/// grid shows it, to the display's rounding.
///
/// The fixed sources go through ApparentPlaces (classic path with both
/// options off); the Sun and the Moon are the library's airless places,
/// refracted on top when radio refraction is on.
///
/// Not thread-safe: one instance per thread, like ApparentPlaces. Cheap per
/// call once the instant is prepared (no allocation).
class SkyPlaces {
public:
    explicit SkyPlaces(SunMoonLibrary& library) : library_(library) {}

    /// The place of `source` at `utc` (milliseconds dropped) for `station`
    /// under `conditions`.
    SkyPlaceDeg At(SkySource source, const HomeStation& station,
                   const ObservingConditions& conditions, const DecodedInstant& utc);

    /// The title the grids give `source` for this station ("Cassiopeia-A",
    /// the user source's stored name, "Moon", ...). Points into static
    /// storage or into `station`.
    static std::string_view Title(SkySource source, const HomeStation& station);

    /// The catalogue place of a fixed source as the real-time display holds
    /// it (J2000 right ascension and declination, degrees; its title points
    /// into static storage or into `station`); none for the Moon and the
    /// Sun, and for a pair a damaged data file leaves without a source.
    static std::optional<FixedSource> CataloguePlace(SkySource source, const HomeStation& station);

private:
    SunMoonLibrary& library_;
    ApparentPlaces places_;
};

} // namespace vantrel

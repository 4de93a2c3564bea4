#include "apparent/SkyPlaces.h"

#include "astro/Catalogue.h"

#include <cmath>
#include <limits>

namespace vantrel {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr SkyPlaceDeg kNoPlace{kNaN, kNaN, kNaN, kNaN, false};

/// Degrees in 0 <= a < 360 from radians in 0 < a <= 2π (the grid's 360
/// shows as 0 there too, after rounding).
double Degrees0To360(long double rad) {
    double deg = static_cast<double>(rad / kDegToRad);
    deg = std::fmod(deg, 360.0);
    return deg < 0 ? deg + 360.0 : deg;
}

/// The catalogue entry of a fixed source: the option pair's choices are
/// reached by the option they stand for, whatever the station's option.
std::optional<FixedSource> FixedOf(SkySource source, const HomeStation& station) {
    const auto option = [&](NoiseSourceOption o) -> std::optional<FixedSource> {
        if (station.SourceOption == static_cast<int>(o)) {
            return FixedSourceAt(CoordinateSet::RealTime, kNoiseSourcePair, station);
        }
        HomeStation other;
        other.SourceOption = static_cast<int>(o);
        return FixedSourceAt(CoordinateSet::RealTime, kNoiseSourcePair, other);
    };
    switch (source) {
    case SkySource::Aquarius:
        return FixedSourceAt(CoordinateSet::RealTime, 0, station);
    case SkySource::Leo:
        return FixedSourceAt(CoordinateSet::RealTime, 1, station);
    case SkySource::CassiopeiaA:
        return option(NoiseSourceOption::CassiopeiaA);
    case SkySource::CentaurusA:
        return option(NoiseSourceOption::CentaurusA);
    case SkySource::UserDefined:
        // Never through a copy: the title must point into `station`.
        if (station.SourceOption == static_cast<int>(NoiseSourceOption::UserDefined)) {
            return FixedSourceAt(CoordinateSet::RealTime, kNoiseSourcePair, station);
        }
        return FixedSource{station.UserSourceName, 15.0L * station.UserSourceRa,
                           station.UserSourceDec};
    case SkySource::CygnusA:
    case SkySource::TaurusA:
    case SkySource::VirgoA:
    case SkySource::SagittariusA:
        return FixedSourceAt(
            CoordinateSet::RealTime,
            kNoiseSourcePair + 1 +
                (static_cast<std::size_t>(source) - static_cast<std::size_t>(SkySource::CygnusA)),
            station);
    case SkySource::Moon:
    case SkySource::Sun:
        break;
    }
    return std::nullopt;
}

} // namespace

std::optional<FixedSource> SkyPlaces::CataloguePlace(SkySource source, const HomeStation& station) {
    return FixedOf(source, station);
}

std::string_view SkyPlaces::Title(SkySource source, const HomeStation& station) {
    if (source == SkySource::Moon) {
        return kMoonTitle;
    }
    if (source == SkySource::Sun) {
        return kSunTitle;
    }
    if (const auto fixed = FixedOf(source, station)) {
        return fixed->Title;
    }
    return {};
}

SkyPlaceDeg SkyPlaces::At(SkySource source, const HomeStation& station,
                          const ObservingConditions& conditions, const DecodedInstant& utc) {
    const StationCoordinates where{station.Latitude, station.Longitude,
                                   static_cast<double>(station.HeightAsl)};
    const bool prepared = places_.Prepare(utc, where, conditions) == PrepareStatus::Ok;
    if (IsSunOrMoon(source)) {
        library_.DataToDLL(utc, static_cast<double>(station.HeightAsl),
                           static_cast<double>(station.Latitude),
                           static_cast<double>(station.Longitude),
                           source == SkySource::Moon ? SunMoonBody::Moon : SunMoonBody::Sun);
        LibraryPlaceDeg p{library_.GetAzimuth(), library_.GetElevation(), library_.GetGHA(),
                          library_.GetDecTopo()};
        if (MovesSunAndMoon(conditions)) {
            if (!prepared) {
                return kNoPlace;
            }
            p = places_.SunMoon(p);
        }
        const bool valid = std::isfinite(p.AzimuthDeg) && std::isfinite(p.ElevationDeg);
        return {p.AzimuthDeg, p.ElevationDeg, p.GhaDeg, p.DecDeg, valid};
    }
    const auto fixed = FixedOf(source, station);
    if (!fixed || !prepared) {
        return kNoPlace;
    }
    const ShownPlace p =
        places_.Place(CatalogueSource::Of(fixed->RaDeg * kDegToRad, fixed->DecDeg * kDegToRad));
    SkyPlaceDeg out{Degrees0To360(p.Azimuth), static_cast<double>(p.Elevation / kDegToRad),
                    Degrees0To360(p.GreenwichHourAngle),
                    static_cast<double>(p.Declination / kDegToRad), false};
    out.Valid = std::isfinite(out.AzimuthDeg) && std::isfinite(out.ElevationDeg);
    return out;
}

} // namespace vantrel

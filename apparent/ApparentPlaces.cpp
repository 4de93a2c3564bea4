#include "apparent/ApparentPlaces.h"

#include "apparent/Refraction.h"
#include "astro/SiderealTime.h"
#include "sunmoon/Constants.h"
#include "sunmoon/TimeScales.h"

#include <bit>
#include <cmath>
#include <limits>

namespace vantrel {

namespace {

constexpr long double kNaN = std::numeric_limits<long double>::quiet_NaN();
constexpr double kRadToDeg = sunmoon::kRadToDeg;

bool SameValue(long double a, long double b) {
    return a == b && std::signbit(a) == std::signbit(b); // NaN is never the same
}

bool SameStation(const StationCoordinates& a, const StationCoordinates& b) {
    return SameValue(a.LatitudeDeg, b.LatitudeDeg) && SameValue(a.LongitudeDeg, b.LongitudeDeg) &&
           std::bit_cast<std::uint64_t>(a.HeightM) == std::bit_cast<std::uint64_t>(b.HeightM);
}

/// An angle in radians reduced to 0 <= a < 2π.
long double WrapTwoPi(long double a) {
    long double w = std::fmod(a, kTwoPi);
    if (w < 0) {
        w += kTwoPi;
    }
    return w >= kTwoPi ? 0.0L : w;
}

/// The CIO locator s from the bias-precession-nutation matrix and the
/// equation of the origins, inverting ERFA eraEors (Wallace & Capitaine
/// 2006, eq. 16): EO = s − atan2(q, p).
double CioLocator(const double (&npb)[3][3], double equationOfOriginsRad) {
    const double x = npb[2][0];
    const double ax = x / (1.0 + npb[2][2]);
    const double xs = 1.0 - ax * x;
    const double ys = -ax * npb[2][1];
    const double zs = -x;
    const double p = npb[0][0] * xs + npb[0][1] * ys + npb[0][2] * zs;
    const double q = npb[1][0] * xs + npb[1][1] * ys + npb[1][2] * zs;
    return (p != 0 || q != 0) ? equationOfOriginsRad + std::atan2(q, p) : equationOfOriginsRad;
}

} // namespace

PrepareStatus ApparentPlaces::Prepare(const DecodedInstant& utc, const StationCoordinates& station,
                                      const ObservingConditions& conditions) {
    ready_ = false;
    const bool optionsOn = conditions.Apparent || conditions.Refraction;
    if (conditions.Refraction && !(haveRefraction_ && conditions == refractionKey_)) {
        // Checked once per change, not per row.
        haveRefraction_ = false;
        if (!ValidateConditions(conditions).empty()) {
            return PrepareStatus::BadConditions;
        }
        refractionKey_ = conditions;
        haveRefraction_ = true;
    }
    if (!PrepareStation(station, optionsOn)) {
        return PrepareStatus::BadStation;
    }
    if (conditions.Refraction) {
        // The ray trace is redone only when the air or the station's height changes.
        const double surfaceN = SurfaceRefractivity(conditions.PressureHpa, conditions.TemperatureC,
                                                    conditions.RelativeHumidityPercent);
        if (surfaceN != refraction_.SurfaceN() || station.HeightM != refraction_.StationHeightM()) {
            refraction_ = RadioRefraction(surfaceN, station.HeightM);
        }
    }
    if (!(conditions_ == conditions)) {
        conditions_ = conditions; // not per row: the series' count is shared between threads
    }

    if (!conditions.Apparent) {
        gstHours_ = GreenwichSiderealTimeAt(utc);
        ut1MinusUtcSeconds_ = 0;
        ready_ = true;
        return PrepareStatus::Ok;
    }
    if (!PrepareInstant(utc, conditions.Ut1.get())) {
        return PrepareStatus::BadInstant;
    }

    // The astrometry context from the interpolated slow quantities. The
    // Earth's barycentric position enters only the parallax of eraAtciq,
    // which the catalogue places (no parallax, no proper motion, eraAtciqz)
    // never use; the heliocentric position stands in for it.
    double ebpv[2][3];
    double ehp[3];
    for (int i = 0; i < 3; ++i) {
        ebpv[0][i] = slow_.EarthHelioPositionAu[i];
        ebpv[1][i] = slow_.EarthBaryVelocityAuPerDay[i];
        ehp[i] = slow_.EarthHelioPositionAu[i];
    }
    const double x = slow_.Npb[2][0]; // the CIP's X and Y (eraBpn2xy)
    const double y = slow_.Npb[2][1];
    const double s = CioLocator(slow_.Npb, slow_.EquationOfOriginsRad);
    constexpr double kNoPolarMotion = 0.0; // xp, yp and the TIO locator s'
    constexpr double kNoRefraction = 0.0;  // eraAtioq's own model: refraction comes after it
    eraApco(sunmoon::kJ2000Jd, ttDaysSinceJ2000_, ebpv, ehp, x, y, s, earthRotationAngleRad_,
            lonRad_, latRad_, heightM_, kNoPolarMotion, kNoPolarMotion, kNoPolarMotion,
            kNoRefraction, kNoRefraction, &astrom_);
    ready_ = true;
    return PrepareStatus::Ok;
}

bool ApparentPlaces::PrepareStation(const StationCoordinates& station, bool needGeodetic) {
    if (!haveStation_ || !SameStation(station, stationKey_)) {
        haveStation_ = true;
        haveGeodetic_ = false;
        stationKey_ = station;
        // As the planning sweep and the real-time display hold them.
        latClassic_ = SineCosine::Of(station.LatitudeDeg * kDegToRad);
        lonRadClassic_ = station.LongitudeDeg * kDegToRad;
    }
    if (needGeodetic && !haveGeodetic_) {
        // The values the Sun and Moon library receives, and its checks.
        const auto latDeg = static_cast<double>(station.LatitudeDeg);
        const auto lonDeg = static_cast<double>(station.LongitudeDeg);
        if (!sunmoon::StationFromGeodetic(station.HeightM, latDeg, lonDeg)) {
            return false;
        }
        latRad_ = latDeg * sunmoon::kDegToRad;
        lonRad_ = lonDeg * sunmoon::kDegToRad;
        heightM_ = station.HeightM;
        sinLat_ = std::sin(latRad_);
        cosLat_ = std::cos(latRad_);
        haveGeodetic_ = true;
    }
    return true;
}

bool ApparentPlaces::PrepareInstant(const DecodedInstant& utc, const EarthOrientation* ut1) {
    DecodedInstant key = utc;
    key.Millisecond = 0;
    if (haveInstant_ && key == instantKey_ && ut1 == instantUt1_) {
        return true;
    }
    haveInstant_ = false;
    const std::optional<sunmoon::TimeScales> time = sunmoon::TimeScalesFromUtc(
        {utc.Year, utc.Month, utc.Day, utc.Hour, utc.Minute, utc.Second});
    if (!time) {
        return false;
    }
    ttDaysSinceJ2000_ = time->TtDaysSinceJ2000;
    // The library's UT1 is UTC as the clock reads it: its MJD is the UTC one.
    ut1MinusUtcSeconds_ = ut1 != nullptr ? ut1->Ut1MinusUtcSeconds(time->Ut1Jd2) : 0.0;
    earthRotationAngleRad_ =
        eraEra00(time->Ut1Jd1, time->Ut1Jd2 + ut1MinusUtcSeconds_ / sunmoon::kSecondsPerDay);
    slow_ = ephemeris_.At(ttDaysSinceJ2000_);
    ephemeris_.PrefitStep(ttDaysSinceJ2000_);
    instantKey_ = key;
    instantUt1_ = ut1;
    haveInstant_ = true;
    return true;
}

ShownPlace ApparentPlaces::Place(const CatalogueSource& source) const {
    if (!ready_) {
        return {kNaN, kNaN, kNaN, kNaN};
    }
    ShownPlace shown;
    if (!conditions_.Apparent) {
        const SourcePositionResult p =
            SourcePosition(gstHours_, source.RaRad, source.Dec, latClassic_, lonRadClassic_);
        shown = {p.Azimuth, p.Elevation, p.GreenwichHourAngle, source.DecRad};
        if (conditions_.Refraction) {
            // From the hour angle, not the azimuth: it survives at the poles.
            const ObservedDirection o = RefractEquatorial(
                static_cast<double>(p.LocalHourAngle), static_cast<double>(source.DecRad),
                static_cast<double>(latClassic_.Sin), static_cast<double>(latClassic_.Cos),
                refraction_);
            shown.Elevation = o.ElevationRad;
            shown.GreenwichHourAngle = WrapTwoPi(o.LocalHourAngleRad - lonRadClassic_);
            shown.Declination = o.DeclinationRad;
        }
        return shown;
    }

    double cirsRa = 0;
    double cirsDec = 0;
    eraAtciqz(static_cast<double>(source.RaRad), static_cast<double>(source.DecRad), &astrom_,
              &cirsRa, &cirsDec);
    double azimuth = 0;
    double zenithDistance = 0;
    double hourAngle = 0;
    double declination = 0;
    if (conditions_.Refraction) {
        const ObservedDirection o = RefractCirs(cirsRa, cirsDec, astrom_, refraction_, azimuth);
        zenithDistance = kHalfPi - o.ElevationRad;
        hourAngle = o.LocalHourAngleRad;
        declination = o.DeclinationRad;
    } else {
        double observedRa = 0;
        eraAtioq(cirsRa, cirsDec, &astrom_, &azimuth, &zenithDistance, &hourAngle, &declination,
                 &observedRa);
    }
    shown.Azimuth = azimuth > 0 ? azimuth : azimuth + kTwoPi; // as SourcePosition: 0 < A <= 2π
    shown.Elevation = kHalfPi - static_cast<long double>(zenithDistance);
    // No polar motion: the local hour angle less the longitude is ERA − RA(CIO),
    // which equals GAST − RA(equinox).
    shown.GreenwichHourAngle = WrapTwoPi(static_cast<long double>(hourAngle) - lonRad_);
    shown.Declination = declination;
    return shown;
}

LibraryPlaceDeg TurnedToUt1(const LibraryPlaceDeg& place, double ut1MinusUtcSeconds,
                            double latitudeRad, double longitudeRad) {
    const double turnRad = ut1MinusUtcSeconds * sunmoon::kEarthRotationRadPerSecond;
    LibraryPlaceDeg turned = place;
    turned.GhaDeg = sunmoon::WrapDegrees360(place.GhaDeg + turnRad * kRadToDeg);
    const double hourAngle = turned.GhaDeg * sunmoon::kDegToRad + longitudeRad;
    const double dec = place.DecDeg * sunmoon::kDegToRad;
    const double sinDec = std::sin(dec);
    const double cosDec = std::cos(dec);
    const double sinLat = std::sin(latitudeRad);
    const double cosLat = std::cos(latitudeRad);
    const double cosHa = std::cos(hourAngle);
    // Horizon of the geodetic normal, as the library's azimuth and elevation.
    const double north = sinDec * cosLat - cosDec * cosHa * sinLat;
    const double east = -cosDec * std::sin(hourAngle);
    const double up = sinDec * sinLat + cosDec * cosHa * cosLat;
    turned.AzimuthDeg = sunmoon::WrapDegrees360(std::atan2(east, north) * kRadToDeg);
    turned.ElevationDeg = std::atan2(up, std::hypot(north, east)) * kRadToDeg;
    return turned;
}

LibraryPlaceDeg ApparentPlaces::SunMoon(const LibraryPlaceDeg& airless) const {
    if (!ready_) {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        return {nan, nan, nan, nan};
    }
    LibraryPlaceDeg place = airless;
    if (conditions_.Apparent && ut1MinusUtcSeconds_ != 0.0) {
        place = TurnedToUt1(airless, ut1MinusUtcSeconds_, latRad_, lonRad_);
    }
    if (!conditions_.Refraction) {
        return place;
    }
    const ObservedDirection o =
        RefractAirless(place.AzimuthDeg * sunmoon::kDegToRad,
                       place.ElevationDeg * sunmoon::kDegToRad, sinLat_, cosLat_, refraction_);
    LibraryPlaceDeg observed = place;
    observed.ElevationDeg = o.ElevationRad * kRadToDeg;
    observed.GhaDeg = sunmoon::WrapDegrees360((o.LocalHourAngleRad - lonRad_) * kRadToDeg);
    observed.DecDeg = o.DeclinationRad * kRadToDeg;
    return observed;
}

} // namespace vantrel

#include "skymodel/HorizontalSky.h"

#include <erfa.h>

#include <cmath>
#include <numbers>

namespace vantrel::sky {

namespace {

constexpr double kDegToRad = std::numbers::pi / 180.0;
/// Julian Date of the DateTime origin, 1899-12-30 0 h.
constexpr double kJdOfDateTimeZero = 2415018.5;

double Wrapped360(double deg) {
    const double a = std::fmod(deg, 360.0);
    return a < 0 ? a + 360.0 : a;
}

} // namespace

SkyDirection SkyDirectionOf(HorizontalPlace place, const SkyStation& station, DateTime utc) {
    double ra = 0;
    double dec = 0;
    // Pressure 0: no refraction (the place is airless).
    eraAtoc13("A", place.AzimuthDeg * kDegToRad, (90.0 - place.ElevationDeg) * kDegToRad,
              kJdOfDateTimeZero, utc, 0.0, station.LongitudeDeg * kDegToRad,
              station.LatitudeDeg * kDegToRad, station.HeightM, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, &ra,
              &dec);
    return {Wrapped360(ra / kDegToRad), dec / kDegToRad};
}

HorizontalPlace HorizontalPlaceOf(SkyDirection direction, const SkyStation& station, DateTime utc) {
    double aob = 0, zob = 0, hob = 0, dob = 0, rob = 0, eo = 0;
    eraAtco13(direction.RaDeg * kDegToRad, direction.DecDeg * kDegToRad, 0.0, 0.0, 0.0, 0.0,
              kJdOfDateTimeZero, utc, 0.0, station.LongitudeDeg * kDegToRad,
              station.LatitudeDeg * kDegToRad, station.HeightM, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, &aob,
              &zob, &hob, &dob, &rob, &eo);
    return {Wrapped360(aob / kDegToRad), 90.0 - zob / kDegToRad};
}

} // namespace vantrel::sky

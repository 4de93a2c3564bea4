#include "skychart/HorizonCoordinates.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vantrel {

namespace {
constexpr double kDegPerRad = 180.0 / std::numbers::pi;
constexpr double kRadPerDeg = std::numbers::pi / 180.0;
constexpr double kFullTurnDeg = 360.0;
} // namespace

StationTerms StationTerms::Of(double latitudeDeg, double longitudeDeg) {
    return {std::sin(latitudeDeg * kRadPerDeg), std::cos(latitudeDeg * kRadPerDeg), longitudeDeg};
}

HorizonPlaceDeg HorizonFromHourAngle(double ghaDeg, double sinDec, double cosDec,
                                     const StationTerms& station) {
    const double h = (ghaDeg + station.LongitudeDeg) * kRadPerDeg;
    const double sinH = std::sin(h);
    const double cosH = std::cos(h);
    // Rounding can carry the sine a hair beyond ±1 at the zenith or nadir.
    const double sinEl =
        std::clamp(station.SinLatitude * sinDec + station.CosLatitude * cosDec * cosH, -1.0, 1.0);
    double az = std::atan2(-cosDec * sinH,
                           sinDec * station.CosLatitude - cosDec * station.SinLatitude * cosH) *
                kDegPerRad;
    if (az < 0) {
        az += kFullTurnDeg;
    }
    return {std::asin(sinEl) * kDegPerRad, az >= kFullTurnDeg ? 0.0 : az};
}

} // namespace vantrel

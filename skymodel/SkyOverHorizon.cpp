#include "skymodel/SkyOverHorizon.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vantrel::sky {

namespace {

constexpr double kDegToRad = std::numbers::pi / 180.0;

std::array<double, 3> Vector(SkyDirection d) {
    const double ra = d.RaDeg * kDegToRad;
    const double dec = d.DecDeg * kDegToRad;
    return {std::cos(dec) * std::cos(ra), std::cos(dec) * std::sin(ra), std::sin(dec)};
}

} // namespace

SkyOverHorizon::SkyOverHorizon(const SkyBrightness& sky, const SkyStation& station, DateTime utc)
    : sky_(sky) {
    const auto north = Vector(SkyDirectionOf({0.0, 0.0}, station, utc));
    const auto east = Vector(SkyDirectionOf({90.0, 0.0}, station, utc));
    const auto zenith = Vector(SkyDirectionOf({0.0, 90.0}, station, utc));
    for (int row = 0; row < 3; ++row) {
        toSky_[static_cast<std::size_t>(row)] = {north[static_cast<std::size_t>(row)],
                                                 east[static_cast<std::size_t>(row)],
                                                 zenith[static_cast<std::size_t>(row)]};
    }
}

double SkyOverHorizon::TemperatureK(double azimuthDeg, double elevationDeg) const {
    const SkyDirection d = DirectionOf(azimuthDeg, elevationDeg);
    const SkySurvey& s = sky_.Survey();
    return sky_.PixelK(s.ColumnOf(d.RaDeg), s.RowOf(d.DecDeg));
}

SkyDirection SkyOverHorizon::DirectionOf(double azimuthDeg, double elevationDeg) const {
    const double az = azimuthDeg * kDegToRad;
    const double el = elevationDeg * kDegToRad;
    const double h[3] = {std::cos(el) * std::cos(az), std::cos(el) * std::sin(az), std::sin(el)};
    double v[3];
    for (std::size_t row = 0; row < 3; ++row) {
        v[row] = toSky_[row][0] * h[0] + toSky_[row][1] * h[1] + toSky_[row][2] * h[2];
    }
    const double ra = std::atan2(v[1], v[0]) / kDegToRad;
    const double dec = std::asin(std::clamp(v[2], -1.0, 1.0)) / kDegToRad;
    return {ra < 0 ? ra + 360.0 : ra, dec};
}

double SkyScalePosition(double kelvin, double lowK, double highK) {
    if (!(kelvin > 0) || !(lowK > 0) || !(highK > lowK)) {
        return 0.0;
    }
    return std::clamp(std::log(kelvin / lowK) / std::log(highK / lowK), 0.0, 1.0);
}

} // namespace vantrel::sky

#pragma once

#include "skymodel/HorizontalSky.h"
#include "skymodel/SkyBrightness.h"

#include <array>

namespace vantrel::sky {

/// The sky of the survey, scaled to one frequency, over the station's
/// horizon at one instant: the brightness of the survey's pixel that stands
/// at an azimuth and elevation (no beam: the sky as the map holds it, for a
/// chart of the whole sky).
///
/// The horizon is turned into J2000 by one rotation made at the instant
/// from three directions of `SkyDirectionOf` (aberration, up to 20″ and
/// different across the sky, is left at its value at those three: the
/// places are within 0.05° of ERFA's, a seventh of the survey's 0.35°
/// pixels). Cheap per place (a rotation and a pixel lookup, no
/// allocation).
class SkyOverHorizon {
public:
    /// `sky` must outlive this.
    SkyOverHorizon(const SkyBrightness& sky, const SkyStation& station, DateTime utc);

    /// The brightness at azimuth `azimuthDeg` (from north through east) and
    /// airless elevation `elevationDeg`, degrees; K.
    double TemperatureK(double azimuthDeg, double elevationDeg) const;

    /// The J2000 direction of that place by the rotation, degrees.
    SkyDirection DirectionOf(double azimuthDeg, double elevationDeg) const;

private:
    const SkyBrightness& sky_;
    std::array<std::array<double, 3>, 3> toSky_{}; ///< columns: north, east, zenith in J2000
};

/// Where `kelvin` lies on a logarithmic colour scale from `lowK` to
/// `highK` (both > 0), 0 to 1: the sky spans two to three decades from its
/// cold regions to the Galactic centre, which a linear scale would hide.
double SkyScalePosition(double kelvin, double lowK, double highK);

} // namespace vantrel::sky

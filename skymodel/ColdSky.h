#pragma once

#include "skymodel/SkyBrightness.h"

#include <functional>
#include <optional>
#include <vector>

namespace vantrel::sky {

/// What the search for a cold-sky reference needs: the elevation circle of
/// the source, the beam, the directions to keep away from, and the
/// station's skyline.
struct ColdSkyQuery {
    double ElevationDeg = 0; ///< the circle: the source's (airless) elevation, degrees
    double HpbwDeg = 1;      ///< the antenna's half-power beamwidth, degrees, > 0
    /// Directions the reference keeps `AvoidHpbw` beamwidths away from: the
    /// source, the Sun and the Moon (J2000).
    std::vector<SkyDirection> Avoid;
    double AvoidHpbw = 2.0;
    /// The J2000 direction of the point at azimuth `azimuthDeg` (from north
    /// through east) on the circle, at the instant of the measurement.
    std::function<SkyDirection(double azimuthDeg)> DirectionAt;
    /// True when the skyline hides the point (azimuth, elevation, degrees);
    /// empty: nothing is hidden.
    std::function<bool(double azimuthDeg, double elevationDeg)> Hidden;
};

/// A cold-sky reference found on the circle.
struct ColdSkyPoint {
    double AzimuthDeg = 0;   ///< 0 <= A < 360
    double ElevationDeg = 0; ///< the circle's elevation
    SkyDirection Direction;  ///< J2000
    double TskyK = 0;        ///< the beam average there, K
};

/// The coldest point of the circle that keeps away from every direction to
/// avoid and stands above the skyline: the beam average sampled every
/// min(1°, HPBW/3) on the sky round the circle (the step in azimuth divided
/// by cos(elevation)), then refined around the coldest sample at a tenth of
/// that step. None when every point of the circle is excluded.
std::optional<ColdSkyPoint> FindColdSky(const SkyBrightness& sky, const ColdSkyQuery& query);

} // namespace vantrel::sky

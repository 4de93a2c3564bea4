#include "skymodel/ColdSky.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vantrel::sky {

namespace {

/// The smallest cos(elevation) used to turn a step on the sky into one in
/// azimuth: near the zenith the circle shrinks to a point.
constexpr double kMinCosElevation = 0.02;

} // namespace

std::optional<ColdSkyPoint> FindColdSky(const SkyBrightness& sky, const ColdSkyQuery& query) {
    if (!query.DirectionAt || !(query.HpbwDeg > 0)) {
        return std::nullopt;
    }
    const double skyStepDeg = std::min(1.0, query.HpbwDeg / 3.0);
    const double cosEl =
        std::max(kMinCosElevation, std::cos(query.ElevationDeg * std::numbers::pi / 180.0));
    const double azStepDeg = std::min(10.0, skyStepDeg / cosEl);
    const double keepOffDeg = query.AvoidHpbw * query.HpbwDeg;

    std::optional<ColdSkyPoint> best;
    const auto consider = [&](double azimuthDeg) {
        azimuthDeg = std::fmod(azimuthDeg, 360.0);
        if (azimuthDeg < 0) {
            azimuthDeg += 360.0;
        }
        if (query.Hidden && query.Hidden(azimuthDeg, query.ElevationDeg)) {
            return;
        }
        const SkyDirection d = query.DirectionAt(azimuthDeg);
        for (const SkyDirection& avoid : query.Avoid) {
            if (SeparationDeg(d, avoid) < keepOffDeg) {
                return;
            }
        }
        const double t = sky.BeamAverageK(d, query.HpbwDeg);
        if (!best || t < best->TskyK) {
            best = ColdSkyPoint{azimuthDeg, query.ElevationDeg, d, t};
        }
    };
    const int steps = static_cast<int>(std::ceil(360.0 / azStepDeg));
    for (int k = 0; k < steps; ++k) {
        consider(k * 360.0 / steps);
    }
    if (best) {
        const double centre = best->AzimuthDeg;
        const double fine = 360.0 / steps / 10.0;
        for (int k = -10; k <= 10; ++k) {
            consider(centre + k * fine);
        }
    }
    return best;
}

} // namespace vantrel::sky

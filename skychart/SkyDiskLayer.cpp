#include "skychart/SkyDiskLayer.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vantrel {

SkyDiskLayer MakeSkyDiskLayer(const sky::SkyOverHorizon& sky, int size,
                              ChartOrientation orientation) {
    SkyDiskLayer layer;
    layer.Size = std::clamp(size, 1, 4096);
    const auto n = static_cast<std::size_t>(layer.Size);
    layer.Kelvin.assign(n * n, std::numeric_limits<float>::quiet_NaN());
    std::vector<float> inside;
    inside.reserve(n * n);
    for (std::size_t row = 0; row < n; ++row) {
        const double y = 1.0 - (2.0 * static_cast<double>(row) + 1.0) / static_cast<double>(n);
        for (std::size_t col = 0; col < n; ++col) {
            const double x = (2.0 * static_cast<double>(col) + 1.0) / static_cast<double>(n) - 1.0;
            const auto place = UnprojectSky({x, y}, orientation);
            if (!place) {
                continue;
            }
            const double k = sky.TemperatureK(place->AzimuthDeg, place->ElevationDeg);
            layer.Kelvin[row * n + col] = static_cast<float>(k);
            inside.push_back(static_cast<float>(k));
        }
    }
    if (inside.empty()) {
        return layer;
    }
    // The scale from the 0.5th to the 99.5th percentile: a few pixels of a
    // radio star (where the index map runs to 5.7) would otherwise stretch
    // it over decades that no region of the sky fills.
    const auto at = [&](double share) {
        auto k = inside.begin() +
                 static_cast<std::ptrdiff_t>(share * static_cast<double>(inside.size() - 1));
        std::nth_element(inside.begin(), k, inside.end());
        return static_cast<double>(*k);
    };
    layer.LowK = at(kSkyScaleLowShare);
    layer.HighK = std::max(at(kSkyScaleHighShare), layer.LowK * 1.01);
    return layer;
}

} // namespace vantrel

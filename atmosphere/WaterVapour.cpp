#include "atmosphere/WaterVapour.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vantrel::atmosphere {

namespace {

/// ITU-R P.453-14: the saturation vapour pressure over water (hPa, °C), its
/// enhancement factor (×10⁻⁴, hPa⁻¹, hPa⁻¹ °C⁻²) and the vapour density
/// constant (g K m⁻³ hPa⁻¹).
constexpr double kVapourA = 6.1121;
constexpr double kVapourB = 18.678;
constexpr double kVapourC = 257.14;
constexpr double kVapourD = 234.5;
constexpr double kEnhancementA = 7.2;
constexpr double kEnhancementB = 0.0320;
constexpr double kEnhancementC = 5.9e-6;
constexpr double kEnhancementScale = 1e-4;
constexpr double kDensityPerPressure = 216.7;
constexpr double kZeroCelsiusK = 273.15;
constexpr double kPercent = 100.0;

} // namespace

double WaterVapourDensityGPerM3(double pressureHpa, double temperatureC,
                                double relativeHumidityPercent) {
    if (!std::isfinite(pressureHpa) || !std::isfinite(temperatureC) ||
        !std::isfinite(relativeHumidityPercent)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    if (!(pressureHpa > 0)) {
        return 0.0;
    }
    const double t = temperatureC;
    const double enhancement =
        1 +
        kEnhancementScale * (kEnhancementA + pressureHpa * (kEnhancementB + kEnhancementC * t * t));
    const double saturation =
        enhancement * kVapourA * std::exp((kVapourB - t / kVapourD) * t / (t + kVapourC));
    const double vapour =
        std::min(std::max(relativeHumidityPercent, 0.0) / kPercent * saturation, pressureHpa);
    return kDensityPerPressure * vapour / (t + kZeroCelsiusK);
}

} // namespace vantrel::atmosphere

#include "eme/MoonNoise.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace vantrel::eme {

double MoonNoiseK(double brightnessK, double moonDiameterDeg, double hpbwDeg) {
    if (!(std::isfinite(brightnessK) && brightnessK >= 0 && std::isfinite(moonDiameterDeg) &&
          moonDiameterDeg > 0 && std::isfinite(hpbwDeg) && hpbwDeg > 0)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    const double ratio = moonDiameterDeg / hpbwDeg;
    return brightnessK * -std::expm1(-std::numbers::ln2 * ratio * ratio);
}

} // namespace vantrel::eme
